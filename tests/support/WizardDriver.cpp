#include "WizardDriver.h"

#include "wizard/DuskmereWizard.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

bool advance(DuskmereWizard &wizard, int timeoutMs)
{
    const int page = wizard.stack->currentIndex();
    if (!QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, timeoutMs))
        return false;
    wizard.continueButton->click();
    return QTest::qWaitFor([&] { return wizard.stack->currentIndex() == page + 1; }, timeoutMs);
}
