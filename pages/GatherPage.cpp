#include "GatherPage.h"

#include "wizard/DuskmereWizard.h"

#include <QPushButton>

GatherPage::GatherPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
}

void GatherPage::startProcessing()
{
    connect(wizard->resetButton, &QPushButton::clicked, wizard, &DuskmereWizard::restart);
    wizard->enableRestart();
    connect(wizard->continueButton, &QPushButton::clicked, wizard, &DuskmereWizard::gotoPaths);
    wizard->enableContinue();
}
