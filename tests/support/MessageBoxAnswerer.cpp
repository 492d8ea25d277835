#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton fallback)
    : fallback(fallback)
{
    qApp->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    qApp->removeEventFilter(this);
}

MessageBoxAnswerer &MessageBoxAnswerer::then(QMessageBox::StandardButton answer)
{
    answers.append(answer);
    return *this;
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
    QMessageBox::StandardButton answer = answers.isEmpty() ? fallback : answers.takeFirst();
    QAbstractButton *button = box->button(answer);
    if (!button)
        answer = QMessageBox::NoButton; // closed the way Escape would
    seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), answer});
    // From the box's own event loop, once it runs.
    QTimer::singleShot(0, box, [box, button] { button ? button->click() : box->reject(); });
    return false;
}
