#include "EnterPressesFocus.h"

#include <QAbstractButton>
#include <QKeyEvent>

EnterPressesFocus::EnterPressesFocus(QAbstractButton *button)
    : QObject(button)
{
    button->installEventFilter(this);
}

bool EnterPressesFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    static_cast<QAbstractButton *>(watched)->click();
    return true;
}
