#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "pages/CopyPage.h"
#include "pages/GatherPage.h"
#include "pages/copy/EventLoopPacing.h"
#include "platform/system/FreeSpace.h"
#include "platform/system/Sleep.h"
#include "wizard/DuskmereWizard.h"

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <optional>

// The two pages that work while the user waits. Gather: its steps, the data walk, free space, the
// old layout's folder (nothing outside touched). Copy: its completion, a quit while copying, the
// slide show, and the pacing of the window's loop while the worker reports.
class TestWorkPages : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void rows_data();
    void rows();
    void walk();
    void oldVersion_data();
    void oldVersion();
    void completion();
    void quitDuringCopying();
    void copyFailure_data();
    void copyFailure();
    void slidesLoaded_data();
    void slidesLoaded();
    void pacing_data();
    void pacing();
};

void TestWorkPages::rows_data()
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
        "ExtraSpace=99999999999999999990", 1048576, "UT3 found|0 MBytes in 1 files|1 MBytes free",
        "8796093022207 1 8796093022206");
    row("data directory a file, shown as configured; extra space not a number", {},
        "dataDir=\"..\\\\work\\\\ds.conf\"\nExtraSpace=plenty", 1,
        "UT3 found|0 MBytes in 0 files|0 MBytes free",
        "<html><b>Data directory <i>..\\work\\ds.conf</i> missing.<br><br>Please make sure the "
        "archive is unmodified and restart DuskmereSetup.</b></html>");
}

// The whole sequence; the edition and whether its game is there follow from the first status.
void TestWorkPages::rows()
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

void TestWorkPages::walk()
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

void TestWorkPages::oldVersion_data()
{
    // Below the old folder; "=file" makes the old path a file, "==>" a link to a folder outside,
    // "x=>" is such a link inside, and "x=tmpfs" a file system of its own mounted there.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("gone"); // a Yes that leaves it warns
    // A folder below the old one that another process swaps for a link to the outside folder (which
    // holds files of the same names) as soon as the removal has deleted its first entry.
    QTest::addColumn<QString>("swapped");
    const auto row = [](auto n, QStringList e, bool y, bool g, QString s = {}) {
        QTest::newRow(n) << e << y << g << s;
    };
    const QStringList tree {"Config/a.ini", "CookedPC/Maps/b.ut3", "CookedPC/c.u", "Empty/"};
    row("nothing there", {}, true, true);
    row("declined", tree, false, false);
    row("nested tree deleted", tree, true, true);
    row("hidden file stays", {"a.txt", "Sub/.keep", "Sub/b.txt"}, true, false);
    row("a file at the old path", {"=file"}, true, false);
    row("a link at the old path, never followed", {"==>"}, true, true);
    row("links inside removed as links", {"a.txt", "In=>", "Sub/b.txt"}, true, true);
    row("a folder something is mounted on stays, with what it holds", {"a.txt", "Cloud=tmpfs"},
        true, false);
    QStringList many {"a.txt"};
    for (int i = 0; i < 20; ++i)
        many += QStringLiteral("Sub/f%1").arg(i);
    // The removal ends there, with the warning: what it held has left the old version.
    row("a folder swapped for a link while emptied: what it leads to stays", many, true, false,
        "Sub");
    row("a folder moved out while emptied keeps what is left", many, true, false, "Sub");
}

void TestWorkPages::oldVersion()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, yes);
    QFETCH(bool, gone);
    QFETCH(QString, swapped);
    Sandbox sandbox;
    const QString games = sandbox.documents() + "/My Games/Unreal Tournament 3";
    const QString old = games + "/UTGame/DuskmereGame";
    const QString outside = sandbox.path("precious");
    sandbox.write(outside + "/deep/save.dat", "x");
    std::optional<TmpfsMount> mount; // gone before the sandbox
    for (const QString &entry : entries) {
        if (entry.endsWith("=tmpfs")) {
            SKIP_ON_WINDOWS("mounted the Unix way");
            if (!mount.emplace(old + '/' + entry.chopped(6), 1 << 20).isMounted())
                QSKIP(qPrintable(mount->reason()));
            sandbox.write(old + '/' + entry.chopped(6) + "/save.dat", "precious");
            continue;
        }
        const bool link = entry.endsWith("=>");
        const QString path = entry.startsWith('=') ? old : old + '/' + entry.chopped(link ? 2 : 0);
        QDir().mkpath(entry.endsWith('/') ? path : QFileInfo(path).absolutePath());
        if (link && !Sandbox::linkFolder(outside, path))
            QSKIP("this system makes no junctions (Wine)");
        else if (!link && !entry.endsWith('/'))
            sandbox.write(path, "x");
        if (!swapped.isEmpty() && entry.startsWith(swapped + '/'))
            sandbox.write(outside + "/deep/" + QFileInfo(entry).fileName(), "precious");
    }
    sandbox.write(games + "/DuskmereGame/current.txt", "x");
    QFile::setPermissions(old + "/CookedPC/c.u", QFile::ReadOwner); // read-only, as from a disc
    const auto outsideBefore = Sandbox::tree(outside);

    // The removal lets the window draw between two entries, which is when the swap comes: a call
    // that posts itself again runs once each time events are processed.
    enum { Waiting, Swapped, Held, NoLink } swap = Waiting;
    const QString folder = old + '/' + swapped;
    const QStringList inside = QDir(folder).entryList(QDir::Files);
    const bool movedOut = QByteArray(QTest::currentDataTag()).contains("moved out");
    qsizetype leftWhenMoved = 0;
    QObject pump;
    std::function<void()> trySwap = [&] {
        // By name: Wine lists no folder that the removal holds.
        const auto left = std::count_if(inside.cbegin(), inside.cend(), [&](const QString &name) {
            return QFileInfo::exists(folder + '/' + name);
        });
        if (left == 0 || left == inside.size())
            QMetaObject::invokeMethod(&pump, trySwap, Qt::QueuedConnection);
        else if (!QDir().rename(folder, sandbox.path("aside")))
            swap = Held; // a folder the removal holds cannot be moved (Windows)
        else
            swap = movedOut || Sandbox::linkFolder(outside + "/deep", folder) ? Swapped : NoLink;
        leftWhenMoved = left;
    };
    if (!swapped.isEmpty())
        trySwap();

    DuskmereWizard wizard;
    MessageBoxAnswerer boxes(yes ? QMessageBox::Yes : QMessageBox::No); // the warning has only Ok
    QVERIFY(!EventLoop::requestsQuit([&] { wizard.gatherPage->checkOldVersion(); }));
    if (swap == NoLink)
        QSKIP("this system makes no junctions (Wine)");
    QVERIFY(swapped.isEmpty() || swap != Waiting);
    if (swap == Held)
        gone = true; // nothing changed the folder: all of it went

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
    QVERIFY(QFileInfo::exists(games + "/DuskmereGame/current.txt"));
    QCOMPARE(Sandbox::tree(outside), outsideBefore);
    if (swap == Swapped)
        QCOMPARE(QDir(sandbox.path("aside")).entryList(QDir::Files).size(), leftWhenMoved);
    if (mount)
        QCOMPARE(sandbox.read(old + "/Cloud/save.dat"), "precious");
}

void TestWorkPages::completion()
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

void TestWorkPages::quitDuringCopying()
{
    if (qEnvironmentVariableIsSet("DUSKMERE_THREAD_SANITIZER"))
        QSKIP("the whole wizard runs through Qt internals that Qt built without it cannot show");
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    for (int i = 1000; i < 3000; ++i) // enough that a fast disk still answers the box first
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

void TestWorkPages::copyFailure_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause"); // the box's text below its message
    QTest::newRow("a full disk")
        << "full"
        << "The disk is full. Free some space on it and restart DuskmereSetup.";
    QTest::newRow("a folder where the file belongs") << "folder"
                                                     << "";
}

// A copy that fails keeps its message; where the disk was full, the box says so below it.
void TestWorkPages::copyFailure()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    Sandbox sandbox;
    sandbox.write("GameFiles/A.txt", "A");
    sandbox.write("GameFiles/B.bin", QByteArray(3 * 1048576, 'b'));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    std::optional<TmpfsMount> mount;
    if (fault == "full" && !mount.emplace(sandbox.path("Game"), 1048576).isMounted())
        QSKIP(qPrintable(mount->reason()));
    if (fault == "folder")
        QVERIFY(QDir().mkpath(wizard.ut3UserDir + "/B.bin/inside"));
    MessageBoxAnswerer boxes;
    QCOMPARE(EventLoop::runUntilExit([&] { wizard.gotoCopy(); }), 0);
    QCOMPARE(boxes.titles(), QStringList {"DuskmereSetup - Critical Error"});
    QVERIFY(
        boxes.texts().constFirst().startsWith("<html>DuskmereSetup couldn't copy the file<br>"));
    QCOMPARE(boxes.informativeTexts(), QStringList {cause});
}

void TestWorkPages::slidesLoaded_data()
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

void TestWorkPages::slidesLoaded()
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

void TestWorkPages::pacing_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<bool>("paced");
    QTest::newRow("worker not started") << false << false << false;
    QTest::newRow("worker running") << true << false << true;
    QTest::newRow("worker finished") << true << true << false;
}

void TestWorkPages::pacing()
{
    QFETCH(bool, started);
    QFETCH(bool, finished);
    QFETCH(bool, paced);
    QSemaphore release;
    const std::unique_ptr<QThread> worker(QThread::create([&] { release.acquire(); }));
    const EventLoopPacing pacing(worker.get());
    if (started)
        worker->start();
    if (finished) {
        release.release();
        QVERIFY(worker->wait(10000));
    }
    // A loop that waits for its timers between them, as the window's does between signals.
    QEventLoop loop;
    QTimer ticks;
    int ticked = 0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        if (++ticked == 20)
            loop.quit();
    });
    ticks.start(2);
    loop.exec();
    release.release();
    if (paced && pacing.sleeps() == 0 && !Platform::sleepOneMillisecond())
        QSKIP("this system does not pace its loops");
    QCOMPARE(pacing.sleeps() > 0, paced);
}

DUSKMERE_TEST_MAIN(TestWorkPages)
#include "tst_workpages.moc"
