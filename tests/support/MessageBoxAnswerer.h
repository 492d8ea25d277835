#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>

// Answers the modal message boxes that code under test opens, and remembers each as it shows,
// also one that closes at once because the application is already quitting. Answers are used in
// order; once they run out, the fallback answers every further box.
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
        QMessageBox::StandardButton answer; // NoButton: the box did not offer it
    };

    explicit MessageBoxAnswerer(QMessageBox::StandardButton fallback = QMessageBox::Ok);
    ~MessageBoxAnswerer() override;
    MessageBoxAnswerer &then(QMessageBox::StandardButton answer);

    QList<Box> seen;
    QStringList titles() const { return all(&Box::title); }
    QStringList texts() const { return all(&Box::text); }

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    QStringList all(QString Box::*field) const;

    QList<QMessageBox::StandardButton> answers;
    QMessageBox::StandardButton fallback;
};
