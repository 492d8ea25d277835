#include "WelcomePage.h"

#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/ConfiguredPicture.h"
#include "pages/widgets/RichLabel.h"
#include "wizard/Config.h"
#include "wizard/DuskmereWizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>

WelcomePage::WelcomePage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
    const ConfigFile config;
    const QString builtInLogo = Config::WindowLogo.fallback.toString();
    QPixmap logo = configuredPicture(config.value(Config::WindowLogo).toString());
    if (logo.isNull())
        logo.load(builtInLogo);

    auto *outer = new QHBoxLayout;
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *logoLabel = new QLabel;
    logoLabel->setPixmap(logo);
    outer->addWidget(logoLabel);

    auto *title = richLabel(
        tr("<h1>The Duskmere Setup</h1><br><br><b>DuskmereSetup will walk you through the process "
           "of installing The Duskmere on your computer.</b>"));
    const QString gameName = config.value(Config::UT3Version).toString();
    auto *question = richLabel(
        tr("The Duskmere requires %1, please select which variant you are using:").arg(gameName));
    auto *retail = new QRadioButton(tr("Retail Version"));
    retail->setChecked(true);
    auto *steamEdition = new QRadioButton(tr("Steam Version"));
    // Connected after Retail is checked, so building the page tells the wizard nothing.
    connect(steamEdition, &QRadioButton::toggled, wizard, &DuskmereWizard::toggleSteam);
    auto *hint = richLabel(
        tr("<b>When you click on Continue, DuskmereSetup will collect information about the files "
           "to be installed and your UT3 or Steam installation in order to make the following "
           "steps easier.</b>"));

    auto *column = new QVBoxLayout;
    column->setContentsMargins(16, 16, 16, 16);
    column->addWidget(title);
    column->addStretch();
    column->addWidget(question);
    column->addSpacing(10);
    column->addWidget(retail);
    column->addWidget(steamEdition);
    column->addStretch();
    column->addWidget(hint);
    outer->addLayout(column);
    setLayout(outer);

    AccessibleText::describePage(this, title, {hint});
    AccessibleText::describeChoices(question, {retail, steamEdition});
}
