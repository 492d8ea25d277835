#include "DuskmereWizard.h"

#include "Config.h"
#include "EnterPressesFocus.h"
#include "PageFocus.h"
#include "Relaunch.h"
#include "pages/CopyPage.h"
#include "pages/FinalPage.h"
#include "pages/GatherPage.h"
#include "pages/PathsPage.h"
#include "pages/ReadyPage.h"
#include "pages/WelcomePage.h"
#include "pages/widgets/ProgressBarAccessible.h"
#include "platform/folders/StandardFolders.h"
#include "platform/wine/Edition.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

template<typename Page> Page *DuskmereWizard::addPage()
{
    auto *page = new Page(this);
    page->pageIndex = stack->addWidget(page);
    return page;
}

// Shown once the buttons are set for the page. A page change within the window is no window
// activation, so a screen reader speaks only what the focus lands on, and the page around it.
// The focus moves before the page does: hiding the page that holds it would have Qt pass it on
// to whatever comes next (Reset, the first radio button), and each stop would be spoken. Where
// the focus goes to Continue, which lies outside the page, Continue carries the page's text.
template<typename Page> void DuskmereWizard::showPage(Page *page)
{
    QWidget *target = PageFocus::target(page, continueButton, cancelButton);
    continueButton->setAccessibleDescription(
        target == continueButton ? page->accessibleDescription() : QString());
    target->setFocus(Qt::OtherFocusReason);
    stack->setCurrentIndex(page->pageIndex);
}

DuskmereWizard::DuskmereWizard(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("The Duskmere Setup"));
    const ConfigFile config;

    Platform::setSteamEdition(steam);
    findUserDir();
    ProgressBarAccessible::install();

    auto *outer = new QVBoxLayout;
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    stack = new QStackedWidget;
    const int pageHeight = config.value(Config::WindowHeight).toInt();
    const int pageWidth = config.value(Config::WindowWidth).toInt();
    stack->setFixedSize(pageWidth, pageHeight);
    outer->addWidget(stack, 0);

    welcomePage = addPage<WelcomePage>();
    gatherPage = addPage<GatherPage>();
    pathsPage = addPage<PathsPage>();
    readyPage = addPage<ReadyPage>();
    copyPage = addPage<CopyPage>();
    finalPage = addPage<FinalPage>();

    auto *separator = new QFrame;
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    outer->addWidget(separator);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(8, 8, 8, 8);
    buttonBox = new QDialogButtonBox;
    resetButton = buttonBox->addButton(tr("&Reset"), QDialogButtonBox::ResetRole);
    resetButton->setAutoDefault(false);
    cancelButton = buttonBox->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    cancelButton->setAutoDefault(false);
    continueButton = buttonBox->addButton(tr("C&ontinue"), QDialogButtonBox::AcceptRole);
    continueButton->setStyleSheet(QStringLiteral("font: bold"));
    continueButton->setMinimumWidth(128);
    continueButton->setAutoDefault(true);
    new EnterPressesFocus(resetButton);
    new EnterPressesFocus(cancelButton);
    buttonRow->addWidget(buttonBox);
    outer->addLayout(buttonRow, 0);
    setLayout(outer);

    gotoWelcome();
    QDialog::show();
    setFixedSize(QWidget::size());
}

DuskmereWizard::~DuskmereWizard()
{
    // The copy worker reads the install state and the mutex until it ends. The Copy page waits
    // for it, so it goes first, while everything the worker reads is still whole.
    delete copyPage;
    copyPage = nullptr;
}

bool DuskmereWizard::isQuitting()
{
    const QMutexLocker lock(&mutex);
    return quitting;
}

// Where Wine stands in for Windows, the edition decides whose Documents the game reads.
void DuskmereWizard::toggleSteam(bool steam)
{
    this->steam = steam;
    Platform::setSteamEdition(steam);
    findUserDir();
}

void DuskmereWizard::findUserDir()
{
    ut3UserDir = Platform::documentsFolder() + QLatin1String("/My Games/Unreal Tournament 3");
}

void DuskmereWizard::setUt3Path(QString ut3Path)
{
    this->ut3Path = ut3Path;
}

void DuskmereWizard::setSteamPath(QString steamPath)
{
    this->steamPath = steamPath;
}

void DuskmereWizard::setDataDir(QString dataDir)
{
    this->dataDir = dataDir;
}

void DuskmereWizard::setFiles(QStringList files)
{
    this->files = files;
}

void DuskmereWizard::setDirs(QStringList dirs)
{
    this->dirs = dirs;
}

void DuskmereWizard::setSize(qint64 size)
{
    this->size = size;
}

void DuskmereWizard::setExtraSpace(qint64 extraSpace)
{
    this->extraSpace = extraSpace;
}

void DuskmereWizard::setBytesFree(qint64 bytesFree)
{
    this->bytesFree = bytesFree;
}

void DuskmereWizard::setDesktopLink(bool dl)
{
    desktopLink = dl;
}

void DuskmereWizard::setStartMenuLink(bool sml)
{
    startMenuLink = sml;
}

bool DuskmereWizard::confirm(const QString &title, const QString &question)
{
    return QMessageBox::question(this, title, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
        == QMessageBox::Yes;
}

// Ending goes through exit(), not quit(): Qt 6's quit() first closes every window, and closing
// this dialog would ask the question again.
void DuskmereWizard::quit()
{
    if (!confirm(tr("DuskmereSetup - Really quit?"),
                 tr("Are you sure you want to quit DuskmereSetup?")))
        return;
    const QMutexLocker lock(&mutex);
    quitting = true;
    QCoreApplication::exit(0);
}

void DuskmereWizard::restart()
{
    if (!confirm(tr("DuskmereSetup - Really reset?"),
                 tr("Are you sure you want to reset DuskmereSetup?")))
        return;
    const QMutexLocker lock(&mutex);
    quitting = true;
    Relaunch::startNewCopy();
    QCoreApplication::exit(0);
}

// Escape and the window's close button ask the same question as Cancel.
void DuskmereWizard::reject()
{
    quit();
}

void DuskmereWizard::disconnectContinue()
{
    QObject::disconnect(continueButton, nullptr, nullptr, nullptr);
}

void DuskmereWizard::gotoWelcome()
{
    showPage(welcomePage);
    connect(cancelButton, &QPushButton::clicked, this, &DuskmereWizard::quit);
    connect(continueButton, &QPushButton::clicked, this, &DuskmereWizard::gotoGather);
    disableRestart();
}

void DuskmereWizard::gotoGather()
{
    disableContinue();
    disconnectContinue();
    showPage(gatherPage);
    QMetaObject::invokeMethod(gatherPage, "startProcessing", Qt::QueuedConnection);
}

void DuskmereWizard::gotoPaths()
{
    pathsPage->initPage();
    disconnectContinue();
    connect(continueButton, &QPushButton::clicked, this, &DuskmereWizard::gotoReady);
    showPage(pathsPage);
}

void DuskmereWizard::gotoReady()
{
    readyPage->initPage();
    disconnectContinue();
    continueButton->setText(tr("&Install"));
    connect(continueButton, &QPushButton::clicked, this, &DuskmereWizard::gotoCopy);
    showPage(readyPage);
}

void DuskmereWizard::gotoCopy()
{
    copyPage->initPage();
    disconnectContinue();
    disableContinue();
    continueButton->setText(tr("C&ontinue"));
    connect(continueButton, &QPushButton::clicked, this, &DuskmereWizard::gotoFinal);
    showPage(copyPage);
    QMetaObject::invokeMethod(copyPage, "startProcessing", Qt::QueuedConnection);
}

void DuskmereWizard::gotoFinal()
{
    finalPage->initPage();
    disconnectContinue();
    continueButton->setText(tr("Cl&ose"));
    connect(continueButton, &QPushButton::clicked, finalPage, &FinalPage::quit);
    showPage(finalPage);
}

void DuskmereWizard::enableContinue()
{
    continueButton->setEnabled(true);
    continueButton->setDefault(true);
}

// Qt would hand the focus of a button going disabled to no control at all (a screen reader then
// speaks the bare page); Cancel is where a user acts while Continue cannot be pressed.
void DuskmereWizard::disableContinue()
{
    if (focusWidget() == continueButton)
        cancelButton->setFocus(Qt::OtherFocusReason);
    continueButton->setDisabled(true);
}

void DuskmereWizard::enableRestart()
{
    resetButton->setEnabled(true);
}

void DuskmereWizard::disableRestart()
{
    resetButton->setDisabled(true);
}

void DuskmereWizard::enableCancel()
{
    cancelButton->setEnabled(true);
}

void DuskmereWizard::disableCancel()
{
    cancelButton->setDisabled(true);
}
