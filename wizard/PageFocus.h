#pragma once

class QPushButton;
class QWidget;

// Where the keyboard focus goes as a page is entered: the control a user acts on next, so that a
// screen reader speaks something a user can act on, never a bare page.
namespace PageFocus {
// The page's first control other than a push button (of a group of choices the checked one);
// else Continue while it is enabled; else Cancel.
QWidget *target(QWidget *page, QPushButton *continueButton, QPushButton *cancelButton);
} // namespace PageFocus
