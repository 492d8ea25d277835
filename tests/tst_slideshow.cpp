#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QImage>
#include <QLabel>
#include <QTimer>

// The pictures over the Copy page: which are shown, for how long, and the cross-fade.
class TestSlideShow : public QObject
{
    Q_OBJECT

private slots:
    void loading_data();
    void loading();
    void timeline();
    void crossFadePaintsOverTheTopLeft();
};

namespace {
void writePicture(const Sandbox &sandbox, const QString &name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    sandbox.mkdir(QStringLiteral("work/pics"));
    QVERIFY(image.save(sandbox.path(QStringLiteral("work/pics/") + name)));
}
} // namespace

void TestSlideShow::loading_data()
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
    QTest::newRow("nothing loads")
        << QByteArray("File1=pics/none.png\nTime1=4\n") << QStringList {"640x480/30"};
    QTest::newRow("resource path and windows separators")
        << QByteArray("File1=:/res/logo.jpg\nFile2=\"pics\\\\c.png\"\nTime2=7\n")
        << QStringList {"360x580/3", "30x40/7"};
}

void TestSlideShow::loading()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    Sandbox sandbox;
    writePicture(sandbox, "a.png", {10, 20}, Qt::red);
    writePicture(sandbox, "c.png", {30, 40}, Qt::blue);
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

void TestSlideShow::timeline()
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

void TestSlideShow::crossFadePaintsOverTheTopLeft()
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

DUSKMERE_TEST_MAIN(TestSlideShow)
#include "tst_slideshow.moc"
