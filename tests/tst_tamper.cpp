#include "CopyRun.h"
#include "FileSystemLike.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "pages/GatherPage.h"
#include "wizard/DuskmereWizard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <optional>

// The copy while another process changes its folders: the data between the walk and the copy,
// the game's folder and the folders below it while files go there, and a copy killed half way.
class TestTamper : public QObject
{
    Q_OBJECT

private:
    void checkSourceChange(QString change, QString log);

private slots:
    void sourceChangedAfterTheWalk_data();
    void sourceChangedAfterTheWalk();
    void gameFolderMovedAside_data();
    void gameFolderMovedAside();
    void killedCopyLeavesNoPartialFile();
    void folderSwappedForALinkMeanwhile();
    void folderSwappedBetweenTwoOfItsFiles_data();
    void folderSwappedBetweenTwoOfItsFiles();
    // Last: once refused, the call stays unused for the rest of the process.
    void sourceChangedWithoutOpenat2_data() { sourceChangedAfterTheWalk_data(); }
    void sourceChangedWithoutOpenat2();
};

namespace {
// The log of the data's four files, all copied.
const char *const wholeCopy = "file A.txt;written 0;file Config/Game.ini;written 0;file "
                              "Config/Input.ini;written 0;file Z.txt;written 0;done;written 0";

const int copyingChild = [] { // the kill test's child copies one file before any test runs
    const QList<QByteArray> job = qgetenv("DUSKMERE_COPY_JOB").split('\n');
    if (job.size() != 2)
        return 0;
    std::_Exit(copyOne(QFile::decodeName(job[0]), QFile::decodeName(job[1])) ? 0 : 1);
}();

// The swap test's child: a link to `job[2]` waits beside the folder `job[1]`; once the big
// file's temporary shows in `job[0]`, the folder moves aside and the link takes its place.
const int swappingChild = [] {
    const QList<QByteArray> job = qgetenv("DUSKMERE_SWAP_JOB").split('\n');
    if (job.size() != 3)
        return 0;
    const QString watched = QFile::decodeName(job[0]), folder = QFile::decodeName(job[1]);
    const bool links = Sandbox::linkFolder(QFile::decodeName(job[2]), folder + ".link");
    std::fputs(links ? "watching\n" : "no links\n", stdout); // the copy starts only now
    std::fflush(stdout);
    const QDeadlineTimer deadline(20000);
    while (
        links
        && QDir(watched).entryList({".duskmere-partial-*"}, QDir::Files | QDir::Hidden).isEmpty()) {
        if (deadline.hasExpired())
            std::_Exit(1);
        QThread::msleep(1);
    }
    const bool swapped = links && QDir().rename(folder, folder + ".moved")
        && QDir().rename(folder + ".link", folder);
    std::_Exit(swapped ? 0 : 1);
}();
} // namespace

void TestTamper::sourceChangedAfterTheWalk_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("log"); // <data>: the data folder
    const char *refused =
        "file A.txt;written 0;file Config/Game.ini;fileError <data>/Config/Game.ini";
    QTest::newRow("a folder swapped for a link to secrets") << "link folder" << refused;
    QTest::newRow("a folder swapped for a folder of secrets") << "move folder" << refused;
    QTest::newRow("the data folder swapped for a link to secrets") << "link data" << wholeCopy;
    QTest::newRow("a file replaced by one of the same size") << "same size" << refused;
    QTest::newRow("a file replaced by a FIFO") << "fifo" << refused;
    // Copied ahead while the user quits: the run must still end.
    QTest::newRow("a file replaced by a FIFO, a quit before its turn")
        << "fifo, quit"
        << "file A.txt;written 0;done;written 0";
    QTest::newRow("a file replaced by a link to /dev/zero") << "zero" << refused;
    QTest::newRow("a file grown") << "grown" << refused;
    QTest::newRow("a file shrunk") << "shrunk" << refused;
}

// Between the walk and the copy the data changes; nothing but the files the walk counted, read
// from the folder it walked and only as far as it counted, may reach the game's folder.
void TestTamper::sourceChangedAfterTheWalk()
{
    QFETCH(QString, change);
    QFETCH(QString, log);
    checkSourceChange(change, log);
}

// The same where the kernel walks no path for the program: it goes one folder at a time.
void TestTamper::sourceChangedWithoutOpenat2()
{
    QFETCH(QString, change);
    QFETCH(QString, log);
    SKIP_ON_WINDOWS("a Linux call");
    withoutOpenat2 = true;
    checkSourceChange(change, log);
}

void TestTamper::checkSourceChange(QString change, QString log)
{
    if (!change.contains("grown") && !change.contains("shrunk") && change != "move folder"
        && change != "same size")
        SKIP_ON_WINDOWS("links and FIFOs are made the Unix way");
    Sandbox sandbox;
    // The secrets are as large as the files they stand in for.
    for (const char *name : {"A.txt", "Config/Game.ini", "Config/Input.ini", "Z.txt"}) {
        sandbox.write(QString("GameFiles/") + name, QByteArray("mod:") + name);
        sandbox.write(QString("Secrets/") + name, QByteArray("top:") + name);
    }
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString data = sandbox.path("GameFiles"), game = data + "/Config/Game.ini";
    log.replace("<data>", QFileInfo(data).canonicalFilePath())
        .replace("file Config/", "file " + QDir::toNativeSeparators("Config/"));
    if (change == "link folder")
        QVERIFY(QDir().rename(data + "/Config", sandbox.path("Config.moved"))
                && QFile::link(sandbox.path("Secrets/Config"), data + "/Config"));
    bool whole = change == "link data";
    if (change == "move folder" && !QDir().rename(data + "/Config", sandbox.path("Config.moved"))) {
        // Windows holds the data's folders from the walk on: none can be moved away.
        QVERIFY(QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows);
        whole = true;
        log = QString(wholeCopy).replace("file Config/",
                                         "file " + QDir::toNativeSeparators("Config/"));
    } else if (change == "move folder") {
        QVERIFY(QDir().rename(sandbox.path("Secrets/Config"), data + "/Config"));
    }
    if (change == "link data")
        QVERIFY(QDir().rename(data, data + ".moved") && QFile::link(sandbox.path("Secrets"), data));
    if (change.startsWith("fifo") || change == "zero" || change == "same size")
        QVERIFY(QFile::remove(game));
    if (change == "same size")
        QVERIFY(QFile::rename(sandbox.path("Secrets/Config/Game.ini"), game));
    if (change.startsWith("fifo"))
        sandbox.mkfifo(game);
    if (change == "zero")
        QVERIFY(QFile::link("/dev/zero", game));
    if (change == "grown" || change == "shrunk")
        sandbox.write(game, change == "grown" ? "mod:Config/Game.ini and more" : "mod:");

    QCOMPARE(install(wizard, change.endsWith("quit") ? "A.txt" : ""), log.split(';'));
    const QStringList installed = Sandbox::tree(wizard.ut3UserDir).keys();
    QCOMPARE(installed.size(), whole ? 4 : 1);
    for (const QString &name : installed)
        QCOMPARE(sandbox.read(wizard.ut3UserDir + '/' + name), "mod:" + name.toUtf8());
}

void TestTamper::gameFolderMovedAside_data()
{
    QTest::addColumn<QString>("at"); // the file whose turn moves the game's folder aside
    QTest::addColumn<QString>("instead"); // what then takes its place
    QTest::addColumn<QString>("log"); // <root>: the game's folder
    const char *entering = "file A.txt;written 0;file Sub/C.txt;fileError <root>";
    QTest::newRow("as a folder is entered, nothing instead") << "Sub/C.txt"
                                                             << "" << entering;
    QTest::newRow("as a folder is entered, an empty folder instead") << "Sub/C.txt"
                                                                     << "folder" << entering;
    QTest::newRow("as a folder is entered, a link elsewhere instead")
        << "Sub/C.txt"
        << "link elsewhere" << entering;
    QTest::newRow("at the last file, nothing instead")
        << "Sub/D.txt"
        << ""
        << "file A.txt;written 0;file Sub/C.txt;written 0;file Sub/D.txt;written 0;fileError "
           "<root>";
    QTest::newRow("a link to it instead")
        << "Sub/C.txt"
        << "link back"
        << "file A.txt;written 0;file Sub/C.txt;written 0;file Sub/D.txt;written 0;done;written 0";
}

// The game's folder is moved aside while the worker copies into it: the run must not end as if
// the mod were installed where the game looks for it.
void TestTamper::gameFolderMovedAside()
{
    QFETCH(QString, at);
    QFETCH(QString, instead);
    QFETCH(QString, log);
    if (instead.startsWith("link"))
        SKIP_ON_WINDOWS("links are made the Unix way");
    Sandbox sandbox;
    for (const char *name : {"A.txt", "Sub/C.txt", "Sub/D.txt"})
        sandbox.write(QString("GameFiles/") + name, name);
    sandbox.mkdir("Elsewhere");
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    const QString root = wizard.ut3UserDir = sandbox.path("Game/UT3");
    bool moved = false;
    const auto moveAside = [&](const QString &path) {
        // Windows holds the folder from the start: it cannot be moved at all.
        if (path != QDir::toNativeSeparators(at) || !QDir().rename(root, root + ".moved"))
            return;
        moved = true;
        if (instead == "folder")
            QVERIFY(QDir().mkdir(root));
        if (instead.startsWith("link"))
            QVERIFY(QFile::link(
                instead == "link back" ? root + ".moved" : sandbox.path("Elsewhere"), root));
    };
    const QStringList seen = install(wizard, "", moveAside);
    if (!moved) {
        QCOMPARE(seen.mid(seen.size() - 2), (QStringList {"done", "written 0"}));
        QVERIFY(QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows);
        QSKIP("the game's folder could not be moved aside while the copy held it");
    }
    QCOMPARE(seen,
             log.replace("<root>", root)
                 .replace("file Sub/", "file " + QDir::toNativeSeparators("Sub/"))
                 .split(';'));
    QVERIFY(QDir(sandbox.path("Elsewhere")).isEmpty());
}

void TestTamper::killedCopyLeavesNoPartialFile()
{
    Sandbox sandbox;
    constexpr qint64 size = 192 * megabyte;
    // Progress shows in a tmpfs's free space (the file has no name yet), on Windows in its size.
    const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    std::optional<TmpfsMount> mount;
    if (!windows && !mount.emplace(sandbox.path("target"), 2 * size).isMounted())
        QSKIP(qPrintable(mount->reason()));
    const QString folder = sandbox.path("target");
    QDir().mkpath(folder);
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 4093) & 0xff);
    sandbox.write("source.bin", data);
    const QString source = sandbox.path("source.bin");
    const QString target = folder + "/large.bin";

    QStorageInfo storage(folder);
    const qint64 before = storage.bytesAvailable();
    const auto written = [&] { // Windows: the one temporary's size, once it is there
        storage.refresh();
        return windows ? QFileInfo(folder + '/' + entriesOf(folder).value(0)).size()
                       : before - storage.bytesAvailable();
    };
    QProcess child;
    qputenv("DUSKMERE_COPY_JOB", QFile::encodeName(source + '\n' + target));
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("DUSKMERE_COPY_JOB");
    QVERIFY(child.waitForStarted());
    const QDeadlineTimer deadline(30000);
    qint64 used = 0;
    while (used < size / 4 && child.state() == QProcess::Running && !deadline.hasExpired())
        used = written();
    QVERIFY2(used >= size / 4 && used < size, "the copy was not caught half way");
    child.kill();
    QVERIFY(child.waitForFinished());

    // Complete or absent; the next copy clears a leftover temporary.
    QVERIFY(!QFileInfo::exists(target) || sandbox.read(target) == data);
    QVERIFY(copyOne(source, target));
    QVERIFY(sandbox.read(target) == data);
    QCOMPARE(entriesOf(folder), QStringList {"large.bin"});
}

void TestTamper::folderSwappedForALinkMeanwhile()
{
    Sandbox sandbox;
    // The big file sorts before the folder, so the worker has prepared that folder and is busy.
    sandbox.write("GameFiles/DuskmereGame/Big.bin", QByteArray(128 * megabyte, 'b'));
    for (const char *name : {"DefaultGame.ini", "DefaultInput.ini"})
        sandbox.write(QString("GameFiles/DuskmereGame/Config/") + name, name);
    sandbox.write("Outside/DefaultGame.ini", "keep");
    const QMap<QString, QByteArray> outside = Sandbox::tree(sandbox.path("Outside"));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString game = wizard.ut3UserDir + "/DuskmereGame"; // from an earlier install
    sandbox.mkdir(game);
    // Anonymous temporaries show no name to wait for; named ones do.
    const auto usual = qScopeGuard([] { fileSystemLike = FileSystemLike::Usual; });
    fileSystemLike = FileSystemLike::NoAnonymousFiles;

    QProcess child;
    qputenv("DUSKMERE_SWAP_JOB",
            QFile::encodeName(game + '\n' + game + "/Config\n" + sandbox.path("Outside")));
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("DUSKMERE_SWAP_JOB");
    QVERIFY(child.waitForReadyRead(30000));
    if (!child.readLine().startsWith("watching"))
        QSKIP("this system makes no links to folders (Wine)");
    const QStringList log = install(wizard);
    QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished());
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(log.mid(log.size() - 2), (QStringList {"done", "written 128"}));
    // The link went as itself; the folder it pointed to kept what it held and got nothing more.
    QCOMPARE(Sandbox::tree(sandbox.path("Outside")), outside);
    QCOMPARE(entriesOf(sandbox.path("Game")), QStringList {"UT3"});
    QCOMPARE(Sandbox::tree(game + "/Config"),
             Sandbox::tree(sandbox.path("GameFiles/DuskmereGame/Config")));
}

void TestTamper::folderSwappedBetweenTwoOfItsFiles_data()
{
    QTest::addColumn<QString>("swapped"); // below the game's folder; the files go to its Config
    QTest::newRow("the folder itself") << "DuskmereGame/Config";
    QTest::newRow("the folder above it") << "DuskmereGame";
}

// The folder's first file is placed (and later ones copied ahead) before the swap; the rest must
// still land in the folder at the path, never in the one moved aside nor through the link, and
// the copy fails at the end, for the first file left with the folder moved aside.
void TestTamper::folderSwappedBetweenTwoOfItsFiles()
{
    QFETCH(QString, swapped);
    Sandbox sandbox;
    for (const char *name : {"DefaultGame.ini", "DefaultInput.ini", "DefaultWeapon.ini"})
        sandbox.write(QString("GameFiles/DuskmereGame/Config/") + name, name);
    // The link leads to a folder with a Config of its own, wherever it stands on the path.
    sandbox.write("Outside/Config/keep.txt", "keep");
    const QMap<QString, QByteArray> outside = Sandbox::tree(sandbox.path("Outside"));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString config = wizard.ut3UserDir + "/DuskmereGame/Config";
    const QString folder = wizard.ut3UserDir + '/' + swapped;
    sandbox.mkdir("Game");
    const QString outsideFolder =
        sandbox.path(swapped.contains('/') ? "Outside/Config" : "Outside");
    if (!Sandbox::linkFolder(outsideFolder, sandbox.path("Game/link")))
        QSKIP("this system makes no links to folders (Wine)");
    bool moved = false;
    const auto swap = [&](const QString &path) {
        // Windows holds the folder while files copied there wait: it cannot be moved at all.
        if (path.endsWith("DefaultInput.ini") && QDir().rename(folder, folder + ".moved"))
            moved = QDir().rename(sandbox.path("Game/link"), folder);
    };
    const QStringList log = install(wizard, "", swap);
    const QStringList end = moved ? QStringList {"written 0", "fileError " + config}
                                  : QStringList {"done", "written 0"};
    QCOMPARE(log.mid(log.size() - 2), end);
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QVERIFY(moved);
    const QStringList names {"DefaultGame.ini", "DefaultInput.ini", "DefaultWeapon.ini"};
    QVERIFY(!QFileInfo(folder).isSymLink());
    QCOMPARE(Sandbox::tree(config).keys(), moved ? names.mid(1) : names);
    QCOMPARE(sandbox.read(config + "/DefaultWeapon.ini"), QByteArray("DefaultWeapon.ini"));
    if (moved)
        QCOMPARE(Sandbox::tree(folder + ".moved").keys(),
                 QStringList {QDir(folder).relativeFilePath(config + "/DefaultGame.ini")});
    QCOMPARE(Sandbox::tree(sandbox.path("Outside")), outside);
}

DUSKMERE_TEST_MAIN(TestTamper)
#include "tst_tamper.moc"
