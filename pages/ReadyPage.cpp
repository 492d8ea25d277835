#include "ReadyPage.h"

#include "wizard/DuskmereWizard.h"

ReadyPage::ReadyPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
}

void ReadyPage::initPage()
{
}
