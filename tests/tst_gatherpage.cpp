#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "platform/FreeSpace.h"
#include "wizard/DuskmereWizard.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

// The page's steps: the data walk, free space, the old layout's folder (nothing outside touched).
class TestGatherPage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void rows_data();
    void rows();
    void walk();
    void oldVersion_data();
    void oldVersion();
};

void TestGatherPage::rows_data()
{
    QTest::addColumn<QList<int>>("fileSizes");
    QTest::addColumn<QByteArray>("files"); // the configuration's [Files] section
    QTest::addColumn<qint64>("free"); // negative: the query fails
    QTest::addColumn<QString>("statuses"); // of the first three steps; "!": in red
    QTest::addColumn<QString>("box"); // the fatal error, or the MB needed, free and missing
    const auto row = [](const char *name, const QList<int> &sizes, const char *files, qint64 free,
                        const char *statuses, const QString &box = {}) {
        QTest::newRow(name) << sizes << QByteArray(files) << free << QString(statuses) << box;
    };
    row("retail missing, just under a megabyte", {1048575}, "", 5000000000,
        "!UT3 not found|0 MBytes in 1 files|4768 MBytes free");
    row("retail found, one megabyte, equal is too little", {1048570, 6}, "", 1048576,
        "UT3 found|1 MBytes in 2 files|1 MBytes free", "1 1 0");
    row("steam found, empty data", {}, "", 1, "Steam found|0 MBytes in 0 files|0 MBytes free");
    row("steam missing, free space unknown: no figure at all", {10}, "", -1,
        "!Steam not found|0 MBytes in 1 files|!Unknown",
        "Error while determining the available disk space.");
    row("negative extra space lowers the need, one byte to spare", {4194304}, "ExtraSpace=-2097152",
        2097153, "UT3 found|4 MBytes in 1 files|2 MBytes free");
    row("extra space beyond 64 bits, the sum held at the top", {10},
        "ExtraSpace=99999999999999999999", 1048576, "UT3 found|0 MBytes in 1 files|1 MBytes free",
        "8796093022207 1 8796093022206");
    row("data directory a file, shown as configured; extra space not a number", {},
        "dataDir=\"..\\\\work\\\\ds.conf\"\nExtraSpace=plenty", 1,
        "UT3 found|0 MBytes in 0 files|0 MBytes free",
        "<html><b>Data directory <i>..\\work\\ds.conf</i> missing.<br><br>Please make sure the "
        "archive is unmodified and restart DuskmereSetup.</b></html>");
}

// The whole sequence; the edition and whether its game is there follow from the first status.
void TestGatherPage::rows()
{
    QFETCH(QList<int>, fileSizes);
    QFETCH(QByteArray, files);
    QFETCH(qint64, free);
    QFETCH(QString, statuses);
    QFETCH(QString, box);
    const bool steam = statuses.contains("Steam");
    const bool gameOnDisk = !statuses.startsWith('!');
    Sandbox sandbox;
    sandbox.writeConfig("[Paths]\nUT3Path=" + sandbox.path("UT3").toUtf8() + "\nSteamPath="
                        + sandbox.path("Steam").toUtf8() + "\n[Files]\n" + files + "\n");
    if (gameOnDisk)
        sandbox.write(steam ? "Steam/steam.exe" : "UT3/Binaries/UT3.exe", "MZ");
    sandbox.mkdir("GameFiles");
    for (int i = 0; i < fileSizes.size(); ++i)
        sandbox.write(QStringLiteral("GameFiles/f%1.bin").arg(i), QByteArray(fileSizes[i], 'x'));
    // Asked for itself, a Documents folder not made yet has the free space of the folder above it.
    QVERIFY(!QFileInfo::exists(sandbox.documents())
            && Platform::freeBytes(sandbox.documents() + "/My Games").value_or(0) > 0);
    QString askedFor;
    Platform::setFreeSpaceQuery([&](const QString &path) {
        askedFor = path;
        return free < 0 ? std::nullopt : std::optional<qint64>(free);
    });
    DuskmereWizard wizard;
    wizard.ut3Path = wizard.steamPath = "untouched";
    wizard.steam = steam;
    MessageBoxAnswerer boxes;
    GatherPage *page = wizard.gatherPage;
    QCOMPARE(EventLoop::requestsQuit([&] { page->startProcessing(); }), !box.isEmpty());
    QCOMPARE(askedFor, sandbox.documents());
    if (const QStringList f = box.split(' '); f.size() == 3)
        box = QStringLiteral("<html><b>You do not have sufficient space</b> on the partition "
                             "containing<br><i>%1</i><br><br>You <b>need %2 MB</b>, but <b>only "
                             "have %3 MB</b> free.<br><br>Please <b>free up %4 MB</b> of "
                             "additional space and restart DuskmereSetup.</html>")
                  .arg(QDir::toNativeSeparators(sandbox.documents()), f[0], f[1], f[2]);
    QCOMPARE(boxes.texts(), box.isEmpty() ? QStringList() : QStringList {box});
    QCOMPARE(boxes.titles(), QStringList(boxes.seen.size(), "DuskmereSetup - Critical Error"));

    const QStringList expected = (statuses + "|Done").split('|');
    for (int step = 0; step < GatherPage::StepCount; ++step) {
        const bool red = expected[step].startsWith('!');
        QCOMPARE(page->statusLabels[step]->text(),
                 QStringLiteral("<font color=%1><b>%2</b></font>")
                     .arg(red ? "red" : "green", expected[step].mid(red ? 1 : 0)));
        QVERIFY(!page->statusLabels[step]->isHidden() && !page->bulletLabels[step]->isHidden());
    }
    // Finished even after a fatal error: the quit request ends the loop only afterwards.
    QVERIFY(!page->finalLabel->isHidden() && wizard.continueButton->isDefault());
    QVERIFY(page->progressBar->maximum() == 1 && page->progressBar->value() == 1);
    QVERIFY(page->headingLabel->text().contains(steam ? "your Steam installation"
                                                      : "your UT3 installation"));
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, "untouched");
    QCOMPARE((steam ? wizard.steamPath : wizard.ut3Path).isEmpty(), !gameOnDisk);
}

void TestGatherPage::walk()
{
    Sandbox sandbox;
    // With the Unix call, the data directory is reached through a link, and links inside it lead
    // out of it, round in a loop and back to it.
    const bool links = QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
    const QString data = sandbox.path(links ? "real/GameFiles" : "GameFiles");
    for (const char *name :
         {"a/b/Dämmerung Ölsee with spaces.ut3", "d.txt", ".hidden.txt", ".git/config"})
        sandbox.write(data + '/' + name, "abc");
    for (int f = 0; f < 2000; ++f)
        sandbox.write(data + QStringLiteral("/many/d%1/f%2").arg(f % 20).arg(f), "z");
    sandbox.write("outside/big.bin", QByteArray(1000, 'o'));
    const QString outside = QFileInfo(sandbox.path("outside")).canonicalFilePath();
    const QStringList targets {data, outside, data + "/loopA", data + "/loopB", data};
    const QStringList names = QString("../../GameFiles outsideDir loopB loopA self").split(' ');
    for (int i = 0; links && i < targets.size(); ++i)
        QVERIFY(QFile::link(targets[i], data + '/' + names[i]));
    DuskmereWizard wizard;
    wizard.files = QStringList {"stale"};
    MessageBoxAnswerer boxes;
    // The window keeps answering while the walk runs: a timer fires before it is over.
    bool firedDuringWalk = false;
    QVERIFY(!EventLoop::requestsQuit([&] {
        QTimer::singleShot(0, &wizard, [&] { firedDuringWalk = wizard.files.size() == 1; });
        wizard.gatherPage->collectFiles();
    }));
    QVERIFY(firedDuringWalk && boxes.seen.isEmpty());

    const QString root = QFileInfo(data).canonicalFilePath();
    QCOMPARE(wizard.dataDir, "..\\GameFiles\\");
    QCOMPARE(wizard.files.size(), 2002);
    QCOMPARE(wizard.size, 3 + 3 + 2000);
    QVERIFY(wizard.files.contains(root + "/a/b/Dämmerung Ölsee with spaces.ut3"));
    // a, a/b, many and its 20; links to folders by their target, not walked.
    QCOMPARE(wizard.dirs.size(), links ? 25 : 23);
    QVERIFY(wizard.dirs.indexOf(root + "/a") < wizard.dirs.indexOf(root + "/a/b"));
    QVERIFY(!links || (wizard.dirs.contains(outside) && wizard.dirs.contains(root)));
}

void TestGatherPage::oldVersion_data()
{
    // Below the old folder; "=file" makes the old path a file, "==>" a link to a folder outside,
    // and "x=>" is such a link inside.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("gone"); // a Yes that leaves it warns
    const auto row = [](auto n, QStringList e, bool y, bool g) { QTest::newRow(n) << e << y << g; };
    const QStringList tree {"Config/a.ini", "CookedPC/Maps/b.ut3", "CookedPC/c.u", "Empty/"};
    row("nothing there", {}, true, true);
    row("declined", tree, false, false);
    row("nested tree deleted", tree, true, true);
    row("hidden file stays", {"a.txt", "Sub/.keep", "Sub/b.txt"}, true, false);
    row("a file at the old path", {"=file"}, true, false);
    row("a link at the old path, never followed", {"==>"}, true, true);
    row("links inside removed as links", {"a.txt", "In=>", "Sub/b.txt"}, true, true);
}

void TestGatherPage::oldVersion()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, yes);
    QFETCH(bool, gone);
    Sandbox sandbox;
    const QString games = sandbox.documents() + "/My Games/Unreal Tournament 3";
    const QString old = games + "/UTGame/DuskmereGame";
    const QString outside = sandbox.path("precious");
    sandbox.write(outside + "/deep/save.dat", "x");
    for (const QString &entry : entries) {
        const bool link = entry.endsWith("=>");
        const QString path = entry.startsWith('=') ? old : old + '/' + entry.chopped(link ? 2 : 0);
        QDir().mkpath(entry.endsWith('/') ? path : QFileInfo(path).absolutePath());
        if (link && !Sandbox::linkFolder(outside, path))
            QSKIP("this system makes no junctions (Wine)");
        else if (!link && !entry.endsWith('/'))
            sandbox.write(path, "x");
    }
    sandbox.write(games + "/DuskmereGame/current.txt", "x");
    QFile::setPermissions(old + "/CookedPC/c.u", QFile::ReadOwner); // read-only, as from a disc

    DuskmereWizard wizard;
    MessageBoxAnswerer boxes(yes ? QMessageBox::Yes : QMessageBox::No); // the warning has only Ok
    QVERIFY(!EventLoop::requestsQuit([&] { wizard.gatherPage->checkOldVersion(); }));

    const int shown = !entries.isEmpty() + (yes && !gone);
    const QStringList titles {"DuskmereSetup - Old Version Found", "DuskmereSetup - Warning"};
    const QStringList texts =
        QStringLiteral("<html>DuskmereSetup has found an <b>incompatible past version</b> of The "
                       "Duskmere in<br><i>%1</i><br><br>Would you like to <b>delete</b> this old "
                       "version <b>now</b>? <b>(Recommended)</b></html>|<html>DuskmereSetup "
                       "<b>couldn't remove the old version</b> in<br><i>%1</i><br><br><b>Please "
                       "make sure to delete it manually before playing.</b></html>")
            .arg(QDir::toNativeSeparators(old))
            .split('|');
    QCOMPARE(boxes.titles(), titles.first(shown));
    QCOMPARE(boxes.texts(), texts.first(shown));
    QCOMPARE(!QFileInfo::exists(old), gone);
    QVERIFY(QFileInfo::exists(games + "/DuskmereGame/current.txt")
            && QFileInfo::exists(outside + "/deep/save.dat"));
}

DUSKMERE_TEST_MAIN(TestGatherPage)
#include "tst_gatherpage.moc"
