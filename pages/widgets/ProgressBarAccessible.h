#pragma once

#include <QAccessibleWidget>

class QProgressBar;

// A progress bar as assistive technology sees it. Qt's own view reports a busy bar (no range) as
// "-1 of 0..0"; this one reports it busy, and a bar not started yet at its minimum.
class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit ProgressBarAccessible(QWidget *bar);

    // Makes every progress bar created from now on use this view.
    static void install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &) override { }
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 0; }

private:
    QProgressBar *bar() const;
    bool busy() const;
};
