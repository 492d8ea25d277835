#include "PathsPage.h"

#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/RichLabel.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/ProgramFiles.h"
#include "platform/steam/SteamClient.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The canonical form of a detected path. Empty when the file found has gone since:
// canonicalFilePath() of nothing is empty. A link to a program of another name (Steam for
// Linux's "steam" is often one to its start script) stays as named, so that it validates.
QString shownPath(const QString &selected)
{
    const QFileInfo file(Platform::localPath(selected));
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty()
        || QFileInfo(canonical).fileName().compare(file.fileName(), Qt::CaseInsensitive) == 0)
        return canonical;
    return file.absoluteFilePath();
}
} // namespace

PathsPage::PathsPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{ }

void PathsPage::initPage()
{
    appName = wizard->steam ? QStringLiteral("Steam") : QStringLiteral("UT3");
    // Steam for Linux goes by the name it is started with, a sandboxed one by its package.
    const Platform::SteamClientName client = wizard->steam
        ? Platform::steamClientName(wizard->steamPath)
        : Platform::SteamClientName {QStringLiteral("UT3.exe"), QStringLiteral("UT3.exe")};
    exeName = client.title;
    // Steam's program goes by other names where Steam runs natively.
    programNames = wizard->steam ? Platform::steamClientNames() : QStringList {exeName};
    fileName = client.file;
    const QString selected = wizard->steam ? wizard->steamPath : wizard->ut3Path;
    const bool found = !selected.isEmpty();

    auto *heading = richLabel(
        tr("<h1>%1 Installation Path</h1><b>Please specify your %1 path.</b>").arg(appName));
    auto *information = richLabel(
        found ? tr("DuskmereSetup has found <i>%1</i> in the following location.<br>If this is "
                   "not the version of %2 you want to use, please specify the correct path "
                   "manually.")
                    .arg(exeName, appName)
            : client.commandMissing
            ? tr("DuskmereSetup has found <i>%1</i>, but not the command <i>%2</i> that starts "
                 "it.<br>Please locate your <i>%2</i> manually.")
                  .arg(exeName, fileName)
            : tr("DuskmereSetup couldn't find any copy of %1 on your computer.<br>Please locate "
                 "your <i>%2</i> manually.")
                  .arg(appName, exeName));
    auto *pathLabel = new QLabel(tr("Path to %1:").arg(exeName));
    pathEdit = new QLineEdit(found ? QDir::toNativeSeparators(shownPath(selected)) : QString());
    auto *browseButton = new QPushButton(tr("&Browse..."));
    browseButton->setStyleSheet(QStringLiteral("font: bold"));
    statusLabel = richLabel(QString());

    connect(pathEdit, &QLineEdit::textChanged, this, &PathsPage::validate);
    connect(browseButton, &QPushButton::clicked, this, &PathsPage::browse);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit);
    pathRow->addWidget(browseButton);
    auto *column = new QVBoxLayout;
    column->setContentsMargins(32, 32, 32, 32);
    column->addWidget(heading);
    column->addSpacing(40);
    column->addWidget(information);
    column->addSpacing(40);
    column->addWidget(pathLabel);
    column->addLayout(pathRow);
    column->addSpacing(40);
    column->addWidget(statusLabel);
    column->addStretch();
    setLayout(column);

    validate();

    // For screen readers: the field is named by its label and described by the verdict below
    // it, which follows every change (connected after validate(), so it reads the new verdict).
    AccessibleText::describePage(this, heading, {information});
    pathLabel->setBuddy(pathEdit);
    const auto describeVerdict = [this] {
        pathEdit->setAccessibleDescription(AccessibleText::plain(statusLabel->text()));
    };
    connect(pathEdit, &QLineEdit::textChanged, this, describeVerdict);
    describeVerdict();
}

void PathsPage::browse()
{
    const QString clientFolder = wizard->steam ? Platform::steamClientFolder() : QString();
    const QString chosen = QFileDialog::getOpenFileName(
        this, tr("Select %1").arg(exeName),
        clientFolder.isEmpty() ? Platform::localPath(Platform::programFilesFolder()) : clientFolder,
        QStringLiteral("%1 (%2)").arg(appName, programNames.join(QLatin1Char(' '))));
    if (!chosen.isEmpty())
        pathEdit->setText(QDir::toNativeSeparators(chosen));
}

void PathsPage::validate()
{
    const QString entered = pathEdit->text();
    if (entered.isEmpty()) {
        statusLabel->clear();
        wizard->disableContinue();
        return;
    }
    const QFileInfo file(Platform::localPath(entered));
    if (!file.exists()) {
        statusLabel->setText(
            tr("<font color=red><b>The specified file does not exist.</b></font>"));
        wizard->disableContinue();
        return;
    }
    // Proton's own steam.exe has the right name but is no Steam.
    if (!programNames.contains(file.fileName(), Qt::CaseInsensitive) || !file.isFile()
        || (wizard->steam && Platform::isSteamStandIn(file.filePath()))) {
        statusLabel->setText(
            tr("<font color=red><b>Invalid location (Please locate <i>%1</i>).</b></font>")
                .arg(fileName));
        wizard->disableContinue();
        return;
    }
    statusLabel->setText(
        tr("<b>The specified location appears to be valid.<br>Press Continue to proceed.</b>"));
    (wizard->steam ? wizard->steamPath : wizard->ut3Path) = file.absoluteFilePath();
    wizard->enableContinue();
}
