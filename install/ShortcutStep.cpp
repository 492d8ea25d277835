#include "ShortcutStep.h"

void ShortcutStep::run(DuskmereWizard *, QWidget *)
{
    // the shortcuts are not written yet
}
