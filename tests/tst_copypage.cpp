#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

// The Copy page's texts, progress range, error messages and completion, and its slide show.
class TestCopyPage : public QObject
{
    Q_OBJECT

private slots:
    void progressRange_data();
    void progressRange();
    void errorsEndTheProgram_data();
    void errorsEndTheProgram();
    void completion_data();
    void completion();
    void slidesLoaded_data();
    void slidesLoaded();
    void slideTimeline();
    void crossFadePaintsOverTheTopLeft();
};

void TestCopyPage::progressRange_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("maximum");
    QTest::newRow("under a megabyte: busy bar") << 1048575LL << 0;
    QTest::newRow("exactly one") << 1048576LL << 1;
    QTest::newRow("3.5 megabytes") << 3670016LL << 3;
}

void TestCopyPage::progressRange()
{
    QFETCH(qint64, size);
    QFETCH(int, maximum);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.size = size;
    wizard.copyPage->initPage();
    QCOMPARE(wizard.copyPage->progressBar->minimum(), 0);
    QCOMPARE(wizard.copyPage->progressBar->maximum(), maximum);
    QCOMPARE(wizard.copyPage->progressBar->value(), 0);
    QCOMPARE(wizard.copyPage->statusLabel->text(), QStringLiteral("Preparing directories ..."));
    wizard.copyPage->setCurrentFile(QStringLiteral("DuskmereGame/Splash/duskmereicon.ico"));
    QCOMPARE(wizard.copyPage->statusLabel->text(),
             QStringLiteral("Copying DuskmereGame/Splash/duskmereicon.ico ..."));
}

void TestCopyPage::errorsEndTheProgram_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QString>("opening");
    QTest::newRow("directory") << true << "DuskmereSetup couldn't prepare the directory";
    QTest::newRow("file") << false << "DuskmereSetup couldn't copy the file";
}

void TestCopyPage::errorsEndTheProgram()
{
    QFETCH(bool, directory);
    QFETCH(QString, opening);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.copyPage->initPage();
    MessageBoxAnswerer boxes;
    const QString path = QStringLiteral("/home/user/Documents/My Games/Unreal Tournament 3/x");
    QVERIFY(EventLoop::requestsQuit([&] {
        if (directory)
            wizard.copyPage->prepareDirError(path);
        else
            wizard.copyPage->copyFileError(path);
    }));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html>%1<br><i>%2</i><br><br>Please make sure you have permission to "
                            "write to this location and restart DuskmereSetup. Another possible "
                            "cause is a faulty existing installation. Deleting existing files may "
                            "help.</html>")
                 .arg(opening, path));
}

void TestCopyPage::completion_data()
{
    QTest::addColumn<bool>("quitting");
    QTest::newRow("copied") << false;
    // The user confirmed quitting while the last file was copied: the wizard is on its way out.
    QTest::newRow("after a confirmed quit") << true;
}

void TestCopyPage::completion()
{
    QFETCH(bool, quitting);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoCopy();
    wizard.quitting = quitting;
    wizard.copyPage->setDoneCopying();
    QCOMPARE(wizard.copyPage->statusLabel->text(),
             quitting ? QStringLiteral("Preparing directories ...")
                      : QStringLiteral("Finished copying. Press Continue to proceed."));
    QCOMPARE(wizard.continueButton->isEnabled(), !quitting);
    QCOMPARE(wizard.cancelButton->isEnabled(), quitting);
}

namespace {
void writePicture(const Sandbox &sandbox, const QString &name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    sandbox.mkdir(QStringLiteral("work/pics"));
    QVERIFY(image.save(sandbox.path(QStringLiteral("work/pics/") + name)));
}
} // namespace

void TestCopyPage::slidesLoaded_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("expected"); // "WxH/seconds"
    QTest::newRow("none configured") << QByteArray() << QStringList {"640x480/30"};
    QTest::newRow("gap ends the list")
        << QByteArray("File1=pics/a.png\nTime1=5\nFile3=pics/c.png\n") << QStringList {"10x20/5"};
    QTest::newRow("missing picture skipped, time defaults and conversions")
        << QByteArray("File1=pics/a.png\nFile2=pics/none.png\nTime2=9\nFile3=pics/c.png\n"
                      "Time3=soon\n")
        << QStringList {"10x20/3", "30x40/0"};
    QTest::newRow("nothing loads, nor reads a FIFO or a device")
        << QByteArray("File1=pics/none.png\nTime1=4\nFile2=pics/fifo\nFile3=/dev/zero\n")
        << QStringList {"640x480/30"};
    QTest::newRow("resource path and windows separators")
        << QByteArray("File1=:/res/logo.jpg\nFile2=\"pics\\\\c.png\"\nTime2=7\n")
        << QStringList {"360x580/3", "30x40/7"};
}

void TestCopyPage::slidesLoaded()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    Sandbox sandbox;
    writePicture(sandbox, "a.png", {10, 20}, Qt::red);
    writePicture(sandbox, "c.png", {30, 40}, Qt::blue);
    sandbox.mkfifo("work/pics/fifo");
    if (!ini.isEmpty())
        sandbox.writeConfig("[Images]\n" + ini);
    DuskmereWizard wizard;
    QStringList actual;
    for (const auto &[picture, seconds] : std::as_const(wizard.copyPage->images))
        actual.append(
            QStringLiteral("%1x%2/%3").arg(picture.width()).arg(picture.height()).arg(seconds));
    QCOMPARE(actual, expected);
    QCOMPARE(wizard.copyPage->followingImage, expected.size() > 1 ? 1 : 0);
}

void TestCopyPage::slideTimeline()
{
    Sandbox sandbox;
    writePicture(sandbox, "a.png", {10, 10}, Qt::red);
    writePicture(sandbox, "b.png", {10, 10}, Qt::green);
    writePicture(sandbox, "c.png", {10, 10}, Qt::blue);
    sandbox.writeConfig("[Images]\nFile1=pics/a.png\nTime1=5\nFile2=pics/b.png\nTime2=0\n"
                        "File3=pics/c.png\nTime3=10\n");
    DuskmereWizard wizard;
    CopyPage *page = wizard.copyPage;
    wizard.gotoCopy();
    QApplication::processEvents(); // the queued start: the worker and the first hold
    QVERIFY(page->slideTimer->isActive());
    QCOMPARE(page->slideTimer->interval(), 5000);

    // Every hold ends in 20 blended frames 10 ms apart; the 21st step shows the next picture.
    const auto transition = [&](int from, int to, int hold) {
        for (int frame = 1; frame <= 20; ++frame) {
            page->nextImage();
            QCOMPARE(page->fadeStep, frame * 5);
            QCOMPARE(page->currentImage, from);
            QCOMPARE(page->slideTimer->interval(), 10);
        }
        page->nextImage();
        QCOMPARE(page->fadeStep, 0);
        QCOMPARE(page->currentImage, to);
        QCOMPARE(page->slideTimer->interval(), hold);
        QVERIFY(page->slideTimer->isSingleShot() && page->slideTimer->isActive());
    };
    transition(0, 1, 0);
    transition(1, 2, 10000);
    transition(2, 0, 5000);
    QCOMPARE(page->followingImage, 1);
}

void TestCopyPage::crossFadePaintsOverTheTopLeft()
{
    Sandbox sandbox;
    writePicture(sandbox, "big.png", {100, 100}, QColor(255, 0, 0));
    writePicture(sandbox, "small.png", {50, 50}, QColor(0, 0, 255));
    sandbox.writeConfig("[Images]\nFile1=pics/big.png\nFile2=pics/small.png\n");
    DuskmereWizard wizard;
    CopyPage *page = wizard.copyPage;
    wizard.copyPage->initPage();

    for (int frame = 1; frame <= 11; ++frame) // the 11th frame paints at opacity 0.5
        page->nextImage();
    QImage shown = page->imageLabel->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(100, 100));
    const QColor blended = shown.pixelColor(10, 10);
    QVERIFY2(qAbs(blended.red() - 128) <= 2 && qAbs(blended.blue() - 127) <= 2,
             qPrintable(blended.name()));
    QCOMPARE(shown.pixelColor(80, 80), QColor(255, 0, 0));

    for (int frame = 12; frame <= 21; ++frame)
        page->nextImage();
    QCOMPARE(page->imageLabel->pixmap().size(), QSize(50, 50));
}

DUSKMERE_TEST_MAIN(TestCopyPage)
#include "tst_copypage.moc"
