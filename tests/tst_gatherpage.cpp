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

// The page's rows, its closing state, and a fatal step that does not stop the sequence.
class TestGatherPage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void rows_data();
    void rows();
    void finishedPageLeadsOn();
    void missingDataDirectoryStillReachesDone();

private:
    static void setFreeBytes(qint64 bytes)
    {
        Platform::setFreeSpaceQuery([bytes](const QString &) { return bytes; });
    }
};

void TestGatherPage::rows_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<bool>("gameOnDisk");
    QTest::addColumn<QList<int>>("fileSizes");
    QTest::addColumn<QStringList>("statuses");

    const QString done = QStringLiteral("<font color=green><b>Done</b></font>");
    const QString free = QStringLiteral("<font color=green><b>4768 MBytes free</b></font>");
    QTest::newRow("retail missing, just under a megabyte")
        << false << false << QList<int> {1048575}
        << QStringList {"<font color=red><b>UT3 not found</b></font>",
                        "<font color=green><b>0 MBytes in 1 files</b></font>", free, done};
    QTest::newRow("retail found, one megabyte")
        << false << true << QList<int> {1048570, 6}
        << QStringList {"<font color=green><b>UT3 found</b></font>",
                        "<font color=green><b>1 MBytes in 2 files</b></font>", free, done};
    QTest::newRow("steam found, empty data")
        << true << true << QList<int>()
        << QStringList {"<font color=green><b>Steam found</b></font>",
                        "<font color=green><b>0 MBytes in 0 files</b></font>", free, done};
    QTest::newRow("steam missing")
        << true << false << QList<int> {10}
        << QStringList {"<font color=red><b>Steam not found</b></font>",
                        "<font color=green><b>0 MBytes in 1 files</b></font>", free, done};
}

void TestGatherPage::rows()
{
    QFETCH(bool, steam);
    QFETCH(bool, gameOnDisk);
    QFETCH(QList<int>, fileSizes);
    QFETCH(QStringList, statuses);
    Sandbox sandbox;
    sandbox.writeConfig("[Paths]\nUT3Path=" + sandbox.path("UT3").toUtf8()
                        + "\nSteamPath=" + sandbox.path("Steam").toUtf8() + "\n");
    if (gameOnDisk) {
        sandbox.write(QStringLiteral("UT3/Binaries/UT3.exe"), "MZ");
        sandbox.write(QStringLiteral("Steam/steam.exe"), "MZ");
    }
    sandbox.mkdir(QStringLiteral("GameFiles"));
    for (int i = 0; i < fileSizes.size(); ++i)
        sandbox.write(QStringLiteral("GameFiles/f%1.bin").arg(i), QByteArray(fileSizes[i], 'x'));
    setFreeBytes(5000000000LL);

    DuskmereWizard wizard;
    wizard.ut3Path = QStringLiteral("untouched");
    wizard.steamPath = QStringLiteral("untouched");
    wizard.steam = steam;
    QVERIFY(!EventLoop::requestsQuit([&] { wizard.gatherPage->startProcessing(); }));

    GatherPage *page = wizard.gatherPage;
    for (int step = 0; step < GatherPage::StepCount; ++step) {
        QCOMPARE(page->statusLabels[step]->text(), statuses[step]);
        QVERIFY(!page->statusLabels[step]->isHidden());
        QVERIFY(!page->bulletLabels[step]->isHidden());
    }
    const QString appName = steam ? QStringLiteral("Steam") : QStringLiteral("UT3");
    QVERIFY(
        page->headingLabel->text().contains(QStringLiteral("your %1 installation").arg(appName)));
    // Only the chosen edition's path is written.
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, QStringLiteral("untouched"));
    QCOMPARE((steam ? wizard.steamPath : wizard.ut3Path).isEmpty(), !gameOnDisk);
}

void TestGatherPage::finishedPageLeadsOn()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;
    GatherPage *page = wizard.gatherPage;
    QVERIFY(page->finalLabel->isHidden());
    QVERIFY(page->statusLabels[0]->isHidden());
    QVERIFY(page->headingLabel->text().contains(QStringLiteral("your UT3 or Steam installation")));

    wizard.continueButton->click();
    QCOMPARE(wizard.stack->currentIndex(), page->pageIndex);
    QVERIFY(!wizard.continueButton->isEnabled());
    QVERIFY(page->statusLabels[0]->isHidden()); // the work starts from the event loop
    QTRY_VERIFY(wizard.continueButton->isEnabled());

    QVERIFY(!page->finalLabel->isHidden());
    QCOMPARE(page->progressBar->maximum(), 1);
    QCOMPARE(page->progressBar->value(), 1);
    QVERIFY(wizard.continueButton->isDefault());
    QVERIFY(wizard.resetButton->isEnabled());
    wizard.resetButton->click();
    QCOMPARE(boxes.titles(), QStringList {QStringLiteral("DuskmereSetup - Really reset?")});
    wizard.continueButton->click();
    QCOMPARE(wizard.stack->currentIndex(), page->pageIndex + 1);
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
    QCOMPARE(boxes.seen.size(), 1); // the old version question returned unanswered
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html><b>Data directory <i>..\\GameFiles\\</i> missing.<br><br>Please "
                            "make sure the archive is unmodified and restart "
                            "DuskmereSetup.</b></html>"));
    QCOMPARE(wizard.gatherPage->statusLabels[3]->text(),
             QStringLiteral("<font color=green><b>Done</b></font>"));
    QVERIFY(wizard.continueButton->isEnabled());
    QVERIFY(QFileInfo::exists(oldVersion));
}

DUSKMERE_TEST_MAIN(TestGatherPage)
#include "tst_gatherpage.moc"
