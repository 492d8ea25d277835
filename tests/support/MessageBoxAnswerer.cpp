#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton fallback)
    : fallback(fallback)
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer.start();
}

MessageBoxAnswerer &MessageBoxAnswerer::then(QMessageBox::StandardButton answer)
{
    answers.append(answer);
    return *this;
}

QStringList MessageBoxAnswerer::titles() const
{
    QStringList result;
    for (const Box &box : seen)
        result.append(box.title);
    return result;
}

QStringList MessageBoxAnswerer::texts() const
{
    QStringList result;
    for (const Box &box : seen)
        result.append(box.text);
    return result;
}

void MessageBoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    const QMessageBox::StandardButton answer = answers.isEmpty() ? fallback : answers.takeFirst();
    seen.append({box->windowTitle(), box->text(), box->icon(), answer});
    if (QAbstractButton *button = box->button(answer)) {
        button->click();
        return;
    }
    // The box has no such button: record what it offered and close it the way Escape would.
    seen.last().answer = QMessageBox::NoButton;
    box->reject();
}
