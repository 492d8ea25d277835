#include "ReadyPage.h"

#include "pages/gather/ByteCount.h"
#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/RichLabel.h"
#include "platform/folders/LocalPath.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

ReadyPage::ReadyPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{ }

void ReadyPage::initPage()
{
    auto *heading = richLabel(tr("<h1>Ready to Install</h1><b>DuskmereSetup is ready to install "
                                 "The Duskmere to your computer.</b>"));
    auto *shortcutText = richLabel(tr(
        "DuskmereSetup will create an icon on your Desktop, in your Start Menu, or both to allow "
        "you to start The Duskmere.<br><br>Please choose where you would like shortcuts to be "
        "created:"));
    desktopOnlyButton = new QRadioButton(tr("Desktop only"));
    startMenuOnlyButton = new QRadioButton(tr("Start Menu only"));
    bothButton = new QRadioButton(tr("Desktop and Start Menu"));
    bothButton->setChecked(true);
    for (QRadioButton *button : {desktopOnlyButton, startMenuOnlyButton, bothButton})
        connect(button, &QRadioButton::clicked, this, &ReadyPage::updateLinks);

    auto *directoryText = richLabel(tr("DuskmereSetup will install The Duskmere to the following "
                                       "directory (this location is mandatory):"));
    auto *directory = new QLineEdit(QDir::toNativeSeparators(wizard->ut3UserDir));
    directory->setReadOnly(true);

    const QFileInfo target(
        Platform::localPath(wizard->ut3UserDir + QLatin1String("/DuskmereGame")));
    const QString targetState = target.exists() || target.isSymLink()
        ? QStringLiteral("seems to already contain a version of The Duskmere, which will be "
                         "overwritten")
        : QStringLiteral("doesn't seem to contain any version of The Duskmere yet");
    auto *summary =
        richLabel(tr("The installed files will use %1 MB of the available %2 MB on the "
                     "corresponding partition.<br>The target directory %3.")
                      .arg(QString::number(ByteCount::megabytes(wizard->size)),
                           QString::number(ByteCount::megabytes(wizard->bytesFree)), targetState));
    auto *closing = richLabel(tr("<b>Press Install to begin copying files.</b>"));

    auto *column = new QVBoxLayout;
    column->setContentsMargins(32, 32, 32, 32);
    column->addWidget(heading);
    column->addSpacing(40);
    column->addWidget(shortcutText);
    column->addSpacing(10);
    column->addWidget(desktopOnlyButton);
    column->addWidget(startMenuOnlyButton);
    column->addWidget(bothButton);
    column->addSpacing(40);
    column->addWidget(directoryText);
    column->addWidget(directory);
    column->addSpacing(10);
    column->addWidget(summary);
    column->addSpacing(40);
    column->addWidget(closing);
    column->addStretch();
    setLayout(column);

    AccessibleText::describePage(this, heading, {summary, closing});
    AccessibleText::describeChoices(shortcutText,
                                    {desktopOnlyButton, startMenuOnlyButton, bothButton});
    directoryText->setBuddy(directory);

    updateLinks();
}

void ReadyPage::updateLinks()
{
    wizard->desktopLink = desktopOnlyButton->isChecked() || bothButton->isChecked();
    wizard->startMenuLink = startMenuOnlyButton->isChecked() || bothButton->isChecked();
}
