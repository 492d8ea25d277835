#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>

class TestCopyPage : public QObject
{
    Q_OBJECT

private slots:
    void completion();
    void quitDuringCopying();
    void slidesLoaded_data();
    void slidesLoaded();
};

void TestCopyPage::completion()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoCopy();
    wizard.copyPage->setCurrentFile("DuskmereGame/Maps/Dusk.ut3");
    QCOMPARE(wizard.copyPage->statusLabel->text(), "Copying DuskmereGame/Maps/Dusk.ut3 ...");
    wizard.copyPage->setDoneCopying();
    QCOMPARE(wizard.copyPage->statusLabel->text(), "Finished copying. Press Continue to proceed.");
    QVERIFY(wizard.continueButton->isEnabled() && wizard.continueButton->isDefault());
    QVERIFY(!wizard.cancelButton->isEnabled());
}

void TestCopyPage::quitDuringCopying()
{
    if (qEnvironmentVariableIsSet("DUSKMERE_THREAD_SANITIZER"))
        QSKIP("the whole wizard runs through Qt internals that Qt built without it cannot show");
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    for (int i = 1000; i < 1300; ++i)
        sandbox.write("work/GameFiles/DuskmereGame/Bulk/" + QString::number(i),
                      QByteArray(256 * 1024, 'b') + QByteArray::number(i));
    MessageBoxAnswerer boxes(QMessageBox::Yes);
    auto *wizard = new DuskmereWizard;
    for (int page = 0; page < 3; ++page) { // on to Ready, as a user would
        QVERIFY(QTest::qWaitFor([&] { return wizard->continueButton->isEnabled(); }, 30000));
        wizard->continueButton->click();
    }
    // Install pressed twice in a hurry copies once; Cancel, confirmed, as the first file shows.
    QSignalSpy pages(wizard->stack, &QStackedWidget::currentChanged);
    QCOMPARE(EventLoop::runUntilExit([&] {
                 QTest::mouseClick(wizard->continueButton, Qt::LeftButton);
                 QTest::mouseClick(wizard->continueButton, Qt::LeftButton);
                 QVERIFY(QTest::qWaitFor(
                     [&] { return wizard->copyPage->statusLabel->text().startsWith("Copying"); }));
                 wizard->cancelButton->click();
             }),
             0);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(boxes.titles(), QStringList {"DuskmereSetup - Really quit?"});

    // Closing waits for the file in hand, and no completion work runs on the way out, not even
    // for a report of the last file that comes after the quit.
    wizard->copyPage->setDoneCopying();
    const QString target = wizard->ut3UserDir;
    delete wizard;
    QVERIFY(!QFileInfo::exists(sandbox.desktop() + "/The Duskmere.lnk"));
    // What is there is whole, with nothing beside it, and it is the start of the sorted list.
    const auto installed = Sandbox::tree(target),
               all = Sandbox::tree(SampleWorld::dataDir(sandbox));
    QVERIFY2(installed.size() < all.size(), "the worker finished before the quit");
    QCOMPARE(installed.keys(), all.keys().mid(0, installed.size()));
    QCOMPARE(installed.values(), all.values().mid(0, installed.size()));
}

void TestCopyPage::slidesLoaded_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("expected"); // WxH/seconds of each, ' ' between
    QTest::newRow("nothing loads, nor reads a FIFO or a device")
        << QByteArray("File1=pics/none.png\nTime1=4\nFile2=pics/fifo\nFile3=/dev/zero\n")
        << "640x480/30";
    QTest::newRow("missing skipped, time defaults and conversions, windows separators, gap, fades")
        << QByteArray("File1=pics/a.png\nFile2=pics/none.png\nTime2=9\nFile3=pics/b.png\n"
                      "Time3=soon\nFile4=\"pics\\\\c.png\"\nTime4=10\nFile6=pics/a.png\n")
        << "100x100/3 50x50/0 10x10/10";
}

void TestCopyPage::slidesLoaded()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.mkdir("work/pics");
    for (const auto &[name, side, colour] :
         {std::tuple {"a", 100, Qt::red}, {"b", 50, Qt::blue}, {"c", 10, Qt::green}}) {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(sandbox.path(QStringLiteral("work/pics/%1.png").arg(name))));
    }
    sandbox.mkfifo("work/pics/fifo");
    sandbox.writeConfig("[Images]\n" + ini);
    DuskmereWizard wizard;
    CopyPage *page = wizard.copyPage;
    QStringList got;
    for (const auto &[picture, seconds] : std::as_const(page->images))
        got += QStringLiteral("%1x%2/%3").arg(picture.width()).arg(picture.height()).arg(seconds);
    QCOMPARE(got.join(' '), expected);
    QCOMPARE(page->followingImage, got.size() > 1 ? 1 : 0);
    if (got.size() < 3)
        return;
    // 20 blended frames end each hold; a smaller picture fades in over the top left corner only.
    wizard.gotoCopy();
    QApplication::processEvents(); // the queued start: the worker and the first hold
    const auto state = [page] {
        return QList<int> {page->fadeStep, page->currentImage, page->slideTimer->interval()};
    };
    QCOMPARE(state(), (QList<int> {0, 0, 3000}));

    for (const auto &[to, hold, side] : {std::tuple {1, 0, 50}, {2, 10000, 10}, {0, 3000, 100}}) {
        const int from = page->currentImage;
        for (int frame = 1; frame <= 20; ++frame) {
            page->nextImage();
            QCOMPARE(state(), (QList<int> {frame * 5, from, 10}));
            if (from == 0 && frame == 11) { // painted at opacity 0.5
                const QImage blended = page->imageLabel->pixmap().toImage();
                const QColor corner = blended.pixelColor(10, 10);
                QVERIFY2(qAbs(corner.red() - 128) <= 2 && qAbs(corner.blue() - 127) <= 2,
                         qPrintable(corner.name()));
                QCOMPARE(blended.pixelColor(80, 80), QColor(255, 0, 0)); // the held one's size
            }
        }
        page->nextImage();
        QCOMPARE(state(), (QList<int> {0, to, hold}));
        QCOMPARE(page->imageLabel->pixmap().size(), QSize(side, side));
        QVERIFY(page->slideTimer->isSingleShot() && page->slideTimer->isActive());
    }
    QCOMPARE(page->followingImage, 1);
}

DUSKMERE_TEST_MAIN(TestCopyPage)
#include "tst_copypage.moc"
