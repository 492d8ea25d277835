#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "platform/FreeSpace.h"
#include "wizard/DuskmereWizard.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>

// The page's rows, the free space step, its closing state, and a fatal step that does not stop
// the sequence.
class TestGatherPage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void rows_data();
    void rows();
    void freeSpace_data();
    void freeSpace();
    void finishedPageLeadsOn();
    void missingDataDirectoryStillReachesDone();
};

namespace {
// A free space query that answers `bytes`, or fails for a negative figure.
void setFreeBytes(qint64 bytes)
{
    Platform::setFreeSpaceQuery([bytes](const QString &) -> std::optional<qint64> {
        return bytes < 0 ? std::nullopt : std::optional<qint64>(bytes);
    });
}

QString green(const QString &text)
{
    return QStringLiteral("<font color=green><b>%1</b></font>").arg(text);
}

QString red(const QString &text)
{
    return QStringLiteral("<font color=red><b>%1</b></font>").arg(text);
}
} // namespace

void TestGatherPage::rows_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<bool>("gameOnDisk");
    QTest::addColumn<QList<int>>("fileSizes");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<QStringList>("statuses");

    const QString done = green("Done");
    QTest::newRow("retail missing, just under a megabyte")
        << false << false << QList<int> {1048575} << 5000000000LL
        << QStringList {red("UT3 not found"), green("0 MBytes in 1 files"),
                        green("4768 MBytes free"), done};
    QTest::newRow("retail found, one megabyte")
        << false << true << QList<int> {1048570, 6} << 5000000000LL
        << QStringList {green("UT3 found"), green("1 MBytes in 2 files"), green("4768 MBytes free"),
                        done};
    QTest::newRow("steam found, empty data")
        << true << true << QList<int>() << 1048576LL
        << QStringList {green("Steam found"), green("0 MBytes in 0 files"), green("1 MBytes free"),
                        done};
    // A failed query shows no figure at all.
    QTest::newRow("steam missing, free space unknown")
        << true << false << QList<int> {10} << -1LL
        << QStringList {red("Steam not found"), green("0 MBytes in 1 files"), red("Unknown"), done};
}

void TestGatherPage::rows()
{
    QFETCH(bool, steam);
    QFETCH(bool, gameOnDisk);
    QFETCH(QList<int>, fileSizes);
    QFETCH(qint64, free);
    QFETCH(QStringList, statuses);
    Sandbox sandbox;
    sandbox.writeConfig("[Paths]\nUT3Path=" + sandbox.path("UT3").toUtf8()
                        + "\nSteamPath=" + sandbox.path("Steam").toUtf8() + "\n");
    if (gameOnDisk) {
        sandbox.write("UT3/Binaries/UT3.exe", "MZ");
        sandbox.write("Steam/steam.exe", "MZ");
    }
    sandbox.mkdir("GameFiles");
    for (int i = 0; i < fileSizes.size(); ++i)
        sandbox.write(QStringLiteral("GameFiles/f%1.bin").arg(i), QByteArray(fileSizes[i], 'x'));
    setFreeBytes(free);

    DuskmereWizard wizard;
    wizard.ut3Path = wizard.steamPath = QStringLiteral("untouched");
    wizard.steam = steam;
    MessageBoxAnswerer boxes;
    QCOMPARE(EventLoop::requestsQuit([&] { wizard.gatherPage->startProcessing(); }), free < 0);
    if (free < 0)
        QCOMPARE(boxes.texts(), QStringList {"Error while determining the available disk space."});

    GatherPage *page = wizard.gatherPage;
    for (int step = 0; step < GatherPage::StepCount; ++step) {
        QCOMPARE(page->statusLabels[step]->text(), statuses[step]);
        QVERIFY(!page->statusLabels[step]->isHidden() && !page->bulletLabels[step]->isHidden());
    }
    const QString app = steam ? QStringLiteral("Steam") : QStringLiteral("UT3");
    QVERIFY(page->headingLabel->text().contains(QStringLiteral("your %1 installation").arg(app)));
    // Only the chosen edition's path is written.
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, QStringLiteral("untouched"));
    QCOMPARE((steam ? wizard.steamPath : wizard.ut3Path).isEmpty(), !gameOnDisk);
}

void TestGatherPage::freeSpace_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("extra");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<QStringList>("figures"); // need, have, missing; empty: enough space

    QTest::newRow("one byte to spare") << 10485760LL << 0LL << 10485761LL << QStringList();
    QTest::newRow("equal is too little")
        << 10485760LL << 0LL << 10485760LL << QStringList {"10", "10", "0"};
    QTest::newRow("extra space counts")
        << 5242880LL << 1048576LL << 3145728LL << QStringList {"6", "3", "3"};
    QTest::newRow("shortfall under a megabyte")
        << 3146000LL << 0LL << 3145728LL << QStringList {"3", "3", "0"};
    QTest::newRow("truncated, not rounded")
        << 1572863LL << 0LL << 1000LL << QStringList {"1", "0", "1"};
    QTest::newRow("negative extra space lowers the need")
        << 4194304LL << -2097152LL << 3145728LL << QStringList();
}

void TestGatherPage::freeSpace()
{
    QFETCH(qint64, size);
    QFETCH(qint64, extra);
    QFETCH(qint64, free);
    QFETCH(QStringList, figures);
    Sandbox sandbox;
    QString askedFor;
    Platform::setFreeSpaceQuery([&](const QString &path) {
        askedFor = path;
        return free;
    });
    DuskmereWizard wizard;
    wizard.size = size;
    wizard.extraSpace = extra;
    MessageBoxAnswerer boxes;
    QCOMPARE(EventLoop::requestsQuit([&] { wizard.gatherPage->checkFreeSpace(); }),
             !figures.isEmpty());
    QCOMPARE(askedFor, sandbox.documents());
    QCOMPARE(wizard.bytesFree, free); // stored either way
    if (figures.isEmpty()) {
        QVERIFY(boxes.seen.isEmpty());
        return;
    }
    QCOMPARE(boxes.titles(), QStringList {"DuskmereSetup - Critical Error"});
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html><b>You do not have sufficient space</b> on the partition "
                            "containing<br><i>%1</i><br><br>You <b>need %2 MB</b>, but <b>only "
                            "have %3 MB</b> free.<br><br>Please <b>free up %4 MB</b> of additional "
                            "space and restart DuskmereSetup.</html>")
                 .arg(QDir::toNativeSeparators(sandbox.documents()), figures[0], figures[1],
                      figures[2]));
}

void TestGatherPage::finishedPageLeadsOn()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    // No Documents yet: its free space is its parent's.
    QVERIFY(QDir(sandbox.documents()).removeRecursively()
            && !QFileInfo::exists(sandbox.documents()));
    DuskmereWizard wizard;
    GatherPage *page = wizard.gatherPage;
    QVERIFY(page->headingLabel->text().contains(QStringLiteral("your UT3 or Steam installation")));

    wizard.continueButton->click();
    QCOMPARE(wizard.stack->currentIndex(), page->pageIndex);
    QVERIFY(!wizard.continueButton->isEnabled());
    QVERIFY(page->statusLabels[0]->isHidden()); // the work starts from the event loop
    QTRY_VERIFY(wizard.continueButton->isEnabled());

    QVERIFY(!page->finalLabel->isHidden() && page->statusLabels[2]->text().contains(" free"));
    QCOMPARE(page->progressBar->maximum(), 1);
    QCOMPARE(page->progressBar->value(), 1);
    QVERIFY(wizard.continueButton->isDefault());
}

void TestGatherPage::missingDataDirectoryStillReachesDone()
{
    Sandbox sandbox; // no ../GameFiles
    const QString oldVersion =
        sandbox.documents() + QStringLiteral("/My Games/Unreal Tournament 3/UTGame/DuskmereGame");
    QVERIFY(QDir().mkpath(oldVersion));
    MessageBoxAnswerer boxes(QMessageBox::Ok);
    DuskmereWizard wizard;

    QVERIFY(EventLoop::requestsQuit([&] { wizard.gatherPage->startProcessing(); }));
    QCOMPARE(boxes.titles(), QStringList {"DuskmereSetup - Critical Error"}); // nothing more asked
    QCOMPARE(wizard.gatherPage->statusLabels[3]->text(), green("Done"));
    QVERIFY(wizard.continueButton->isEnabled());
    QVERIFY(QFileInfo::exists(oldVersion));
}

DUSKMERE_TEST_MAIN(TestGatherPage)
#include "tst_gatherpage.moc"
