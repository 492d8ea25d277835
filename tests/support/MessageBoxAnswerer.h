#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

// Answers the modal message boxes that code under test opens, and remembers what they said.
// Answers are used in order; once they run out, the fallback answers every further box.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton answer;
    };

    explicit MessageBoxAnswerer(QMessageBox::StandardButton fallback = QMessageBox::Ok);

    MessageBoxAnswerer &then(QMessageBox::StandardButton answer);

    QList<Box> seen;
    QStringList titles() const;
    QStringList texts() const;

private:
    void poll();

    QList<QMessageBox::StandardButton> answers;
    QMessageBox::StandardButton fallback;
    QTimer timer;
};
