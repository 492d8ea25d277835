#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer)
    : answer(answer)
{
    qApp->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    qApp->removeEventFilter(this);
}

QStringList MessageBoxAnswerer::all(QString Box::*field) const
{
    QStringList result;
    for (const Box &box : seen)
        result.append(box.*field);
    return result;
}

bool MessageBoxAnswerer::eventFilter(QObject *object, QEvent *event)
{
    auto *box = qobject_cast<QMessageBox *>(object);
    if (!box || event->type() != QEvent::Show)
        return false;
    QAbstractButton *button = box->button(answer); // none: closed the way Escape would
    seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                 box->informativeText()});
    // From the box's own event loop, once it runs.
    QTimer::singleShot(0, box, [box, button] { button ? button->click() : box->reject(); });
    return false;
}
