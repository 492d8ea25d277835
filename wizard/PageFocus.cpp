#include "PageFocus.h"

#include <QPushButton>
#include <QRadioButton>

namespace {
bool takesFocus(const QWidget *page, const QWidget *widget)
{
    return page->isAncestorOf(widget) && widget->isEnabled() && widget->isVisibleTo(page)
        && (widget->focusPolicy() & Qt::TabFocus) && !qobject_cast<const QPushButton *>(widget);
}

// Tabbing into a group of choices should land where the choice stands, not on its first button.
QWidget *checkedChoice(QRadioButton *choice)
{
    if (choice->isChecked() || !choice->autoExclusive())
        return choice;
    const auto group =
        choice->parentWidget()->findChildren<QRadioButton *>(QString(), Qt::FindDirectChildrenOnly);
    for (QRadioButton *other : group)
        if (other->isChecked() && other->autoExclusive())
            return other;
    return choice;
}
} // namespace

QWidget *PageFocus::target(QWidget *page, QPushButton *continueButton, QPushButton *cancelButton)
{
    for (QWidget *widget = page->nextInFocusChain(); widget != page;
         widget = widget->nextInFocusChain()) {
        if (!takesFocus(page, widget))
            continue;
        if (auto *choice = qobject_cast<QRadioButton *>(widget))
            return checkedChoice(choice);
        return widget;
    }
    return continueButton->isEnabled() ? continueButton : cancelButton;
}
