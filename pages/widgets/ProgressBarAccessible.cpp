#include "ProgressBarAccessible.h"

#include <QProgressBar>

namespace {
QAccessibleInterface *progressBarFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QProgressBar") && qobject_cast<QProgressBar *>(object))
        return new ProgressBarAccessible(static_cast<QWidget *>(object));
    return nullptr;
}
} // namespace

ProgressBarAccessible::ProgressBarAccessible(QWidget *bar)
    : QAccessibleWidget(bar, QAccessible::ProgressBar)
{ }

void ProgressBarAccessible::install()
{
    QAccessible::installFactory(progressBarFactory); // once: Qt ignores a second installation
}

QProgressBar *ProgressBarAccessible::bar() const
{
    return static_cast<QProgressBar *>(widget());
}

bool ProgressBarAccessible::busy() const
{
    return bar()->minimum() == bar()->maximum();
}

void *ProgressBarAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ProgressBarAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.busy = busy();
    return state;
}

// The value as the bar shows it (a percentage), nothing while busy or not started.
QString ProgressBarAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return bar()->text();
    return QAccessibleWidget::text(t);
}

QVariant ProgressBarAccessible::currentValue() const
{
    return qMax(bar()->value(), bar()->minimum());
}

QVariant ProgressBarAccessible::maximumValue() const
{
    return bar()->maximum();
}

QVariant ProgressBarAccessible::minimumValue() const
{
    return bar()->minimum();
}
