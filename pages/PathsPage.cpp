#include "PathsPage.h"

#include "wizard/DuskmereWizard.h"

PathsPage::PathsPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
}

void PathsPage::initPage()
{
}
