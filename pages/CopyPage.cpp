#include "CopyPage.h"

#include "wizard/DuskmereWizard.h"

CopyPage::CopyPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
}

void CopyPage::initPage()
{
}

void CopyPage::startProcessing()
{
    setDoneCopying();
}

void CopyPage::setDoneCopying()
{
    wizard->enableContinue();
    wizard->disableCancel();
}
