#pragma once

#include <QObject>

class QAbstractButton;

// Enter on a focused button that is not the default (Cancel, Reset) presses that button, as a
// screen reader's user expects after hearing its name; Qt would hand the key to the dialog, which
// presses the default button, Continue, instead.
class EnterPressesFocus : public QObject
{
    Q_OBJECT

public:
    explicit EnterPressesFocus(QAbstractButton *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
