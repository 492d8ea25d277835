#include "FinalPage.h"

#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>

FinalPage::FinalPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
}

void FinalPage::initPage()
{
}

void FinalPage::quit()
{
    QCoreApplication::exit(0);
}
