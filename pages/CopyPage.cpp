#include "CopyPage.h"

#include "install/CopyThread.h"
#include "install/ShortcutStep.h"
#include "pages/copy/EventLoopPacing.h"
#include "pages/gather/ByteCount.h"
#include "pages/widgets/AccessibleText.h"
#include "pages/widgets/SlideShow.h"
#include "platform/system/Sleep.h"
#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

CopyPage::CopyPage(DuskmereWizard *wizard)
    : QWidget(wizard)
    , wizard(wizard)
    , images(SlideShow::load())
    , followingImage(images.size() > 1 ? 1 : 0)
    , slideTimer(new QTimer(this))
{
    slideTimer->setSingleShot(true);
    connect(slideTimer, &QTimer::timeout, this, &CopyPage::nextImage);
}

CopyPage::~CopyPage()
{
    stopWorker();
}

// The worker may still be copying when the wizard closes (the user quit). It reads the install
// state until it has finished its file, so this waits before the wizard goes; and nothing it
// still reports may run the completion work on a wizard that is going away.
void CopyPage::stopWorker()
{
    if (!thread)
        return;
    QObject::disconnect(thread, nullptr, nullptr, nullptr);
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    if (progressBar)
        QCoreApplication::removePostedEvents(progressBar, QEvent::MetaCall);
    while (thread->isRunning()) {
        Platform::sleepMs(100);
        QCoreApplication::processEvents();
    }
    pacing.reset();
    delete thread;
    thread = nullptr;
}

void CopyPage::initPage()
{
    imageLabel = new QLabel;
    imageLabel->setPixmap(images.at(currentImage).first);
    auto *line = new QFrame;
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    progressBar = new QProgressBar;
    progressBar->setRange(0, int(ByteCount::megabytes(wizard->size)));
    progressBar->setValue(0);
    statusLabel = new QLabel(tr("Preparing directories ..."));
    statusLabel->setStyleSheet(QStringLiteral("font: bold"));
    // The page has no heading to name it by.
    setAccessibleName(tr("Installing The Duskmere"));
    progressBar->setAccessibleName(tr("Megabytes copied"));

    auto *status = new QVBoxLayout;
    status->setContentsMargins(16, 8, 16, 8);
    status->addStretch();
    status->addWidget(statusLabel);
    status->addSpacing(10);
    status->addWidget(progressBar);
    status->addStretch();

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(imageLabel);
    column->addWidget(line);
    column->addLayout(status);
    setLayout(column);
}

void CopyPage::startProcessing()
{
    thread = new CopyThread(wizard);
    connect(thread, &CopyThread::written, progressBar, &QProgressBar::setValue);
    connect(thread, &CopyThread::currentFileChanged, this, &CopyPage::setCurrentFile);
    connect(thread, &CopyThread::doneCopying, this, &CopyPage::setDoneCopying);
    connect(thread, &CopyThread::prepareDirError, this, &CopyPage::prepareDirError);
    connect(thread, &CopyThread::copyFileError, this, &CopyPage::copyFileError);
    thread->start(QThread::HighPriority);
    pacing = std::make_unique<EventLoopPacing>(thread);
    slideTimer->start(SlideShow::holdMilliseconds(images.at(currentImage).second));
}

void CopyPage::setCurrentFile(QString displayPath)
{
    statusLabel->setText(tr("Copying %1 ...").arg(displayPath));
}

void CopyPage::setDoneCopying()
{
    // After a confirmed quit the wizard is on its way out: no shortcuts, no button changes.
    if (wizard->isQuitting())
        return;
    statusLabel->setText(tr("Creating shortcuts ..."));
    ShortcutStep::run(wizard, this);
    statusLabel->setText(tr("Finished copying. Press Continue to proceed."));
    wizard->enableContinue();
    AccessibleText::focusWithOutcome(wizard->continueButton,
                                     AccessibleText::plain(statusLabel->text()));
    wizard->disableCancel();
}

void CopyPage::prepareDirError(QString dir)
{
    showError(tr("<html>DuskmereSetup couldn't prepare the directory<br><i>%1</i><br><br>Please "
                 "make sure you have permission to write to this location and restart "
                 "DuskmereSetup. Another possible cause is a faulty existing installation. "
                 "Deleting existing files may help.</html>")
                  .arg(dir));
}

void CopyPage::copyFileError(QString file)
{
    showError(tr("<html>DuskmereSetup couldn't copy the file<br><i>%1</i><br><br>Please make "
                 "sure you have permission to write to this location and restart DuskmereSetup. "
                 "Another possible cause is a faulty existing installation. Deleting existing "
                 "files may help.</html>")
                  .arg(file),
              thread && thread->diskFull()
                  ? tr("The disk is full. Free some space on it and restart DuskmereSetup.")
                  : QString());
}

void CopyPage::showError(const QString &message, const QString &cause)
{
    QMessageBox box(QMessageBox::Critical, tr("DuskmereSetup - Critical Error"), message,
                    QMessageBox::Ok, this);
    box.setInformativeText(cause);
    box.exec();
    QCoreApplication::exit(0);
}

// Holds each picture for its time, then fades the next one in over 20 frames 10 ms apart.
void CopyPage::nextImage()
{
    if (fadeStep <= 99) {
        imageLabel->setPixmap(SlideShow::blend(images.at(currentImage).first,
                                               images.at(followingImage).first, fadeStep / 100.0));
        fadeStep += 5;
        slideTimer->start(10);
        return;
    }
    fadeStep = 0;
    currentImage = followingImage;
    followingImage = (followingImage + 1) % images.size();
    imageLabel->setPixmap(images.at(currentImage).first);
    slideTimer->start(SlideShow::holdMilliseconds(images.at(currentImage).second));
}
