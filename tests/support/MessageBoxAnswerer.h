#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>

// Answers every modal message box that code under test opens with one button (closing it as
// Escape would where it has no such button), and remembers each as it shows, also one that
// closes at once because the application is already quitting.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QString informative; // the text below the message
    };

    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~MessageBoxAnswerer() override;

    QList<Box> seen;
    QStringList titles() const { return all(&Box::title); }
    QStringList texts() const { return all(&Box::text); }
    QStringList informativeTexts() const { return all(&Box::informative); }

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    QStringList all(QString Box::*field) const;

    QMessageBox::StandardButton answer;
};
