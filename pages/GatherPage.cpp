#include "GatherPage.h"

#include "pages/gather/ByteCount.h"
#include "pages/gather/DataCollector.h"
#include "pages/gather/EventPump.h"
#include "pages/gather/InstallDetector.h"
#include "pages/gather/OldVersion.h"
#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/RichLabel.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/removal/Removal.h"
#include "platform/system/FreeSpace.h"
#include "platform/wine/SetupNotice.h"
#include "wizard/Config.h"
#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString documentsFolder()
{
    return Platform::documentsFolder();
}

QString megabytes(qint64 bytes)
{
    return QString::number(ByteCount::megabytes(bytes));
}
} // namespace

GatherPage::GatherPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
{
    headingLabel = richLabel(
        tr("<h1>Gathering Data</h1><b>Please wait while DuskmereSetup is collecting information "
           "about the files to be installed and your UT3 or Steam installation.</b>"));

    const QPixmap bullet(QStringLiteral(":/res/bullet.png"));
    const QString stepNames[StepCount] = {tr("Scanning registry"), tr("Collecting files"),
                                          tr("Checking available space"),
                                          tr("Checking for old versions")};
    auto *grid = new QGridLayout;
    grid->setColumnMinimumWidth(2, 200);
    for (int step = 0; step < StepCount; ++step) {
        const int row = step + 1;
        bulletLabels[step] = new QLabel;
        bulletLabels[step]->setPixmap(bullet);
        bulletLabels[step]->setAccessibleName(stepNames[step]);
        stepLabels[step] = new QLabel(stepNames[step]);
        statusLabels[step] = new QLabel(tr("<b>[unknown status]</b>"));
        grid->addWidget(bulletLabels[step], row, 1);
        grid->addWidget(stepLabels[step], row, 2);
        grid->addItem(new QSpacerItem(20, 1, QSizePolicy::Minimum, QSizePolicy::Minimum), row, 3, 1,
                      1);
        grid->addWidget(statusLabels[step], row, 4);
        for (QLabel *label : {bulletLabels[step], stepLabels[step], statusLabels[step]})
            label->hide();
    }
    auto *rows = new QHBoxLayout;
    rows->addLayout(grid);
    rows->addStretch();

    finalLabel = richLabel(tr("<b>Finished gathering data.<br>Press Continue to proceed.</b>"));
    finalLabel->hide();

    progressBar = new QProgressBar;
    progressBar->setRange(0, 1);
    progressBar->setTextVisible(false);
    progressBar->setAccessibleName(tr("Gathering data"));

    auto *column = new QVBoxLayout;
    column->setContentsMargins(32, 32, 32, 32);
    column->addWidget(headingLabel);
    column->addSpacing(20);
    column->addLayout(rows);
    column->addSpacing(40);
    column->addWidget(finalLabel);
    column->addStretch();
    column->addWidget(progressBar);
    setLayout(column);
    AccessibleText::describePage(this, headingLabel, {});
}

void GatherPage::beginStep(int step)
{
    bulletLabels[step]->show();
    stepLabels[step]->show();
}

void GatherPage::finishStep(int step, const QString &status)
{
    statusLabels[step]->setText(status);
    statusLabels[step]->show();
}

// Runs every step even after a fatal one: the quit request only ends the event loop once this
// returns, and the rows and buttons are then left in their finished state.
void GatherPage::startProcessing()
{
    progressBar->setRange(0, 0);
    const QString appName = wizard->steam ? QStringLiteral("Steam") : QStringLiteral("UT3");
    headingLabel->setText(
        tr("<h1>Gathering Data</h1><b>Please wait while DuskmereSetup is collecting information "
           "about the files to be installed and your %1 installation.</b>")
            .arg(appName));
    AccessibleText::describePage(this, headingLabel, {});

    beginStep(0);
    // Where the game cannot take the mod, the player learns why and the wizard ends before
    // anything is written.
    const QString notice = Platform::setupNotice();
    if (!notice.isEmpty())
        fatalError(notice);
    if (wizard->steam)
        detectSteam();
    else
        detectUt3();
    const bool found = !(wizard->steam ? wizard->steamPath : wizard->ut3Path).isEmpty();
    finishStep(0,
               found ? (wizard->steam ? tr("<font color=green><b>Steam found</b></font>")
                                      : tr("<font color=green><b>UT3 found</b></font>"))
                     : tr("<font color=red><b>%1 not found</b></font>").arg(appName));

    beginStep(1);
    collectFiles();
    finishStep(1,
               tr("<font color=green><b>%1 MBytes in %2 files</b></font>")
                   .arg(megabytes(wizard->size), QString::number(wizard->files.size())));

    beginStep(2);
    checkFreeSpace();
    finishStep(2, freeSpaceStatus());

    beginStep(3);
    checkOldVersion();
    finishStep(3, tr("<font color=green><b>Done</b></font>"));

    connect(wizard->resetButton, &QPushButton::clicked, wizard, &DuskmereWizard::restart);
    wizard->enableRestart();
    connect(wizard->continueButton, &QPushButton::clicked, wizard, &DuskmereWizard::gotoPaths);
    wizard->enableContinue();
    finalLabel->show();
    progressBar->setRange(0, 1);
    progressBar->setValue(1);

    QStringList results;
    for (const QLabel *status : statusLabels)
        results += AccessibleText::plain(status->text());
    AccessibleText::focusWithOutcome(wizard->continueButton, results.join(QLatin1String("; ")));
}

void GatherPage::detectUt3()
{
    wizard->ut3Path = InstallDetector(InstallDetector::Retail).detect();
}

void GatherPage::detectSteam()
{
    wizard->steamPath = InstallDetector(InstallDetector::Steam).detect();
}

void GatherPage::collectFiles()
{
    const ConfigFile config;
    const QString configured = config.value(Config::DataDir).toString();
    const QFileInfo directory(Platform::localPath(configured));
    if (!directory.isDir()) {
        fatalError(tr("<html><b>Data directory <i>%1</i> missing.<br><br>Please make sure the "
                      "archive is unmodified and restart DuskmereSetup.</b></html>")
                       .arg(configured));
    }
    wizard->dataDir = configured;

    EventPump events;
    DataCollector::Result collected =
        DataCollector::collect(directory.filePath(), [&events] { events.pump(); });
    if (collected.unreadable) {
        // Half a mod is no install: the program ends as it does without a data directory.
        fatalError(
            tr("<html><b>The file name <i>%1</i> in<br><i>%2</i><br>cannot be read.</b>"
               "<br><br>The archive was unpacked with the wrong file name encoding. Please "
               "unpack it again with a tool that keeps the names in UTF-8 and restart "
               "DuskmereSetup.</html>")
                .arg(Platform::escapedName(collected.unreadable->name).toHtmlEscaped(),
                     QDir::toNativeSeparators(collected.unreadable->folder).toHtmlEscaped()));
        collected.files.clear();
        collected.dirs.clear();
        collected.size = 0;
    }
    wizard->files = std::move(collected.files);
    wizard->dirs = std::move(collected.dirs);
    wizard->size = collected.size;
    wizard->linkedFrom = std::move(collected.linkedFrom);
    wizard->dataTree = std::move(collected.tree);
    wizard->extraSpace = ByteCount::fromConfig(config.value(Config::ExtraSpace));
}

void GatherPage::checkFreeSpace()
{
    const QString documents = documentsFolder();
    const std::optional<qint64> free = Platform::freeBytes(documents);
    freeSpaceKnown = free.has_value();
    if (!free) {
        fatalError(tr("Error while determining the available disk space."));
        return;
    }
    const qint64 need = ByteCount::add(wizard->size, wizard->extraSpace);
    if (need >= *free) {
        // One arg() call for all four: a chain of them would take a "%2" in the folder's path
        // as the next placeholder.
        fatalError(tr("<html><b>You do not have sufficient space</b> on the partition "
                      "containing<br><i>%1</i><br><br>You <b>need %2 MB</b>, but <b>only have "
                      "%3 MB</b> free.<br><br>Please <b>free up %4 MB</b> of additional space and "
                      "restart DuskmereSetup.</html>")
                       .arg(QDir::toNativeSeparators(documents), megabytes(need), megabytes(*free),
                            megabytes(need - *free)));
    }
    wizard->bytesFree = *free;
}

// After a failed query there is no figure to show, and the wizard is already on its way out.
QString GatherPage::freeSpaceStatus() const
{
    if (!freeSpaceKnown)
        return tr("<font color=red><b>Unknown</b></font>");
    return tr("<font color=green><b>%1 MBytes free</b></font>").arg(megabytes(wizard->bytesFree));
}

void GatherPage::checkOldVersion()
{
    const QString oldPath = oldVersionPath();
    const QFileInfo old(Platform::localPath(oldPath));
    if (!old.exists() && !Platform::isLink(old.filePath()))
        return;
    const QString shown = QDir::toNativeSeparators(old.absoluteFilePath());
    const auto answer = QMessageBox::question(
        this, tr("DuskmereSetup - Old Version Found"),
        tr("<html>DuskmereSetup has found an <b>incompatible past version</b> of The Duskmere "
           "in<br><i>%1</i><br><br>Would you like to <b>delete</b> this old version <b>now</b>? "
           "<b>(Recommended)</b></html>")
            .arg(shown),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    if (!removeDirectory(oldPath)) {
        QMessageBox::warning(this, tr("DuskmereSetup - Warning"),
                             tr("<html>DuskmereSetup <b>couldn't remove the old version</b> "
                                "in<br><i>%1</i><br><br><b>Please make sure to delete it manually "
                                "before playing.</b></html>")
                                 .arg(shown),
                             QMessageBox::Ok);
    }
}

void GatherPage::fatalError(const QString &message)
{
    QMessageBox::critical(this, tr("DuskmereSetup - Critical Error"), message, QMessageBox::Ok);
    QCoreApplication::exit(0);
}
