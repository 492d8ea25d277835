#pragma once

class DuskmereWizard;
class QWidget;

// After copying: the Desktop and Start Menu shortcuts the user chose. A failure shows its
// message (parented to `messageParent`) and asks the application to quit; the step goes on.
namespace ShortcutStep {
void run(DuskmereWizard *wizard, QWidget *messageParent);
} // namespace ShortcutStep
