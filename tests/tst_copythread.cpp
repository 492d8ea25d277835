#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "install/CopyThread.h"
#include "pages/DataCollector.h"
#include "platform/LocalPath.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <algorithm>
#include <functional>

// The installation of a collected tree: order and progress as the Copy page sees them, what
// stands in the way in the game's folder, and the ways a run ends early.
class TestCopyThread : public QObject
{
    Q_OBJECT

private slots:
    void installsInSortedOrder();
    void progress_data();
    void progress();
    void emptyFileList();
    void replacesWhatStandsInTheWay_data();
    void replacesWhatStandsInTheWay();
    void firstFailureEndsTheRun_data();
    void firstFailureEndsTheRun();
    void fullFileSystem();
    void quitFinishesTheFileInHand();
    void dataDirectoryForms_data();
    void dataDirectoryForms();
    void refusesEntriesOutsideTheDataDirectory_data();
    void refusesEntriesOutsideTheDataDirectory();
};

namespace {

// What the Gather page leaves in the install state for this data directory.
void collect(DuskmereWizard &wizard, const QString &configuredDataDir)
{
    DataCollector::Result collected =
        DataCollector::collect(Platform::localPath(configuredDataDir), [] {});
    wizard.dataDir = configuredDataDir;
    wizard.files = collected.files;
    wizard.dirs = collected.dirs;
    wizard.size = collected.size;
}

// Runs the worker to its end and returns its signals in the order the Copy page receives them.
QStringList install(DuskmereWizard &wizard,
                    const std::function<void(CopyThread &)> &prepare = nullptr)
{
    CopyThread thread(&wizard);
    QStringList log;
    QObject page;
    QObject::connect(&thread, &CopyThread::written, &page,
                     [&](int mbytes) { log << QStringLiteral("written %1").arg(mbytes); });
    QObject::connect(&thread, &CopyThread::currentFileChanged, &page,
                     [&](const QString &path) { log << QLatin1String("file ") + path; });
    QObject::connect(&thread, &CopyThread::doneCopying, &page,
                     [&] { log << QStringLiteral("done"); });
    QObject::connect(&thread, &CopyThread::prepareDirError, &page,
                     [&](const QString &dir) { log << QLatin1String("dirError ") + dir; });
    QObject::connect(&thread, &CopyThread::copyFileError, &page,
                     [&](const QString &file) { log << QLatin1String("fileError ") + file; });
    if (prepare)
        prepare(thread);
    thread.start(QThread::HighPriority);
    if (!thread.wait(60000))
        qFatal("the copy worker did not finish");
    QCoreApplication::processEvents();
    return log;
}

QString file(const QString &relative)
{
    return QLatin1String("file ") + QDir::toNativeSeparators(relative);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString dataDir(const Sandbox &sandbox)
{
    return sandbox.path(QStringLiteral("GameFiles"));
}

void writeData(const Sandbox &sandbox, const QString &relative, const QByteArray &content)
{
    sandbox.write(QLatin1String("GameFiles/") + relative, content);
}

} // namespace

void TestCopyThread::installsInSortedOrder()
{
    Sandbox sandbox;
    const QStringList sorted {"A.txt", "B/x.txt", "DuskmereGame/Splash/duskmereicon.ico", "a/y.txt",
                              "b.txt"};
    for (const QString &name : sorted)
        writeData(sandbox, name, name.toUtf8());
    sandbox.mkdir(QStringLiteral("GameFiles/Empty/Inner"));
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    std::reverse(wizard.files.begin(), wizard.files.end());

    QStringList expected;
    for (const QString &name : sorted)
        expected << file(name) << QStringLiteral("written 0");
    expected << QStringLiteral("done") << QStringLiteral("written 0");
    QCOMPARE(install(wizard), expected);
    for (const QString &name : sorted)
        QCOMPARE(readFile(wizard.ut3UserDir + QLatin1Char('/') + name), name.toUtf8());
    QVERIFY(QFileInfo(wizard.ut3UserDir + QLatin1String("/Empty/Inner")).isDir());
}

void TestCopyThread::progress_data()
{
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<qint64>("collectedSize"); // -1: the sum of the sizes
    QTest::addColumn<QList<int>>("written");
    QTest::newRow("a byte short of a megabyte")
        << QList<int> {1048575} << qint64(-1) << QList<int> {0, 0};
    QTest::newRow("exactly a megabyte") << QList<int> {1048576} << qint64(-1) << QList<int> {1, 1};
    QTest::newRow("the byte that completes it")
        << QList<int> {1048575, 1} << qint64(-1) << QList<int> {0, 1, 1};
    QTest::newRow("three and a half") << QList<int> {3670016} << qint64(-1) << QList<int> {3, 3};
    // The last value fills the bar, which the page sized from the collected total.
    QTest::newRow("collected total differs")
        << QList<int> {2097152, 10} << qint64(5 * 1048576) << QList<int> {2, 2, 5};
}

void TestCopyThread::progress()
{
    QFETCH(QList<int>, sizes);
    QFETCH(qint64, collectedSize);
    QFETCH(QList<int>, written);
    Sandbox sandbox;
    for (int i = 0; i < sizes.size(); ++i)
        writeData(sandbox, QStringLiteral("file%1.bin").arg(i), QByteArray(sizes[i], 'x'));
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    if (collectedSize >= 0)
        wizard.size = collectedSize;

    QList<int> reported;
    for (const QString &entry : install(wizard))
        if (entry.startsWith(QLatin1String("written ")))
            reported << entry.mid(8).toInt();
    QCOMPARE(reported, written);
}

void TestCopyThread::emptyFileList()
{
    Sandbox sandbox;
    sandbox.mkdir(QStringLiteral("GameFiles/Maps/Sub"));
    sandbox.mkdir(QStringLiteral("GameFiles/Empty"));
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    wizard.size = 3 * 1048576;

    QCOMPARE(install(wizard), (QStringList {"done", "written 3"}));
    QVERIFY(QFileInfo(wizard.ut3UserDir + QLatin1String("/Maps/Sub")).isDir());
    QVERIFY(QFileInfo(wizard.ut3UserDir + QLatin1String("/Empty")).isDir());
}

void TestCopyThread::replacesWhatStandsInTheWay_data()
{
    QTest::addColumn<QString>("standing"); // below the game's folder, before the run
    QTest::addColumn<QString>("kind");
    QTest::newRow("a file where a folder belongs") << "DuskmereGame/Config"
                                                   << "file";
    QTest::newRow("an older file") << "DuskmereGame/Config/Game.ini"
                                   << "file";
    QTest::newRow("a link to elsewhere where a folder belongs") << "DuskmereGame"
                                                                << "link";
    QTest::newRow("a link to elsewhere where a file belongs") << "DuskmereGame/Config/Game.ini"
                                                              << "link";
}

void TestCopyThread::replacesWhatStandsInTheWay()
{
    QFETCH(QString, standing);
    QFETCH(QString, kind);
    Sandbox sandbox;
    writeData(sandbox, QStringLiteral("DuskmereGame/Config/Game.ini"), "[Game]\n");
    writeData(sandbox, QStringLiteral("DuskmereGame/Splash/icon.ico"), "icon");
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    const QString inTheWay = wizard.ut3UserDir + QLatin1Char('/') + standing;
    QDir().mkpath(QFileInfo(inTheWay).absolutePath());
    // The place a link points at must come through untouched.
    sandbox.write(QStringLiteral("elsewhere/Game.ini"), "keep");
    const QString elsewhere =
        sandbox.path(standing.endsWith(QLatin1String(".ini")) ? QStringLiteral("elsewhere/Game.ini")
                                                              : QStringLiteral("elsewhere"));
    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(elsewhere, inTheWay));
    } else {
        QFile old(inTheWay);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }

    const QStringList log = install(wizard);
    QCOMPARE(log.mid(log.size() - 2), (QStringList {"done", "written 0"}));
    QVERIFY(!QFileInfo(inTheWay).isSymLink());
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/DuskmereGame/Config/Game.ini")),
             QByteArray("[Game]\n"));
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/DuskmereGame/Splash/icon.ico")),
             QByteArray("icon"));
    QCOMPARE(QDir(sandbox.path(QStringLiteral("elsewhere")))
                 .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList {"Game.ini"});
    QCOMPARE(readFile(sandbox.path(QStringLiteral("elsewhere/Game.ini"))), QByteArray("keep"));
}

void TestCopyThread::firstFailureEndsTheRun_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("a folder where a file belongs") << "folder";
    QTest::newRow("a source that vanished after gathering") << "vanished";
}

void TestCopyThread::firstFailureEndsTheRun()
{
    QFETCH(QString, fault);
    Sandbox sandbox;
    writeData(sandbox, QStringLiteral("A.txt"), "first");
    writeData(sandbox, QStringLiteral("DuskmereGame/Game.ini"), "second");
    writeData(sandbox, QStringLiteral("DuskmereGame/Splash.ico"), "third");
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    const QString failing = wizard.ut3UserDir + QLatin1String("/DuskmereGame/Game.ini");
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(failing + QLatin1String("/inside")));
    else
        QVERIFY(QFile::remove(dataDir(sandbox) + QLatin1String("/DuskmereGame/Game.ini")));

    QCOMPARE(install(wizard),
             (QStringList {file("A.txt"), "written 0", file("DuskmereGame/Game.ini"),
                           QLatin1String("fileError ") + failing}));
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/A.txt")), QByteArray("first"));
    QCOMPARE(QFileInfo(failing).isDir(), fault == QLatin1String("folder"));
    QCOMPARE(QFileInfo::exists(failing), fault == QLatin1String("folder"));
    QVERIFY(!QFileInfo::exists(wizard.ut3UserDir + QLatin1String("/DuskmereGame/Splash.ico")));
}

void TestCopyThread::fullFileSystem()
{
    Sandbox sandbox;
    const TmpfsMount mount(sandbox.path(QStringLiteral("Documents")), 1048576);
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.reason()));
    writeData(sandbox, QStringLiteral("a.txt"), QByteArray(10000, 'a'));
    writeData(sandbox, QStringLiteral("b.bin"), QByteArray(3 * 1048576, 'b'));
    writeData(sandbox, QStringLiteral("c.txt"), "c");
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    wizard.ut3UserDir = mount.path() + QLatin1String("/My Games/Unreal Tournament 3");

    const QString target = wizard.ut3UserDir + QLatin1String("/b.bin");
    QCOMPARE(install(wizard),
             (QStringList {file("a.txt"), "written 0", file("b.bin"),
                           QLatin1String("fileError ") + target}));
    // Nothing half written, not even under a hidden name.
    QCOMPARE(QDir(wizard.ut3UserDir)
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList {"a.txt"});
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/a.txt")), QByteArray(10000, 'a'));
}

void TestCopyThread::quitFinishesTheFileInHand()
{
    Sandbox sandbox;
    for (const char *name : {"f1", "f2", "f3", "f4"})
        writeData(sandbox, QLatin1String(name), QByteArray(300000, *name));
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));
    wizard.size = 2 * 1048576;

    // The user confirms quitting just as the second file comes up.
    const QStringList log = install(wizard, [&](CopyThread &thread) {
        QObject::connect(
            &thread, &CopyThread::currentFileChanged, &thread,
            [&](const QString &path) {
                if (path == QLatin1String("f2")) {
                    const QMutexLocker lock(&wizard.mutex);
                    wizard.quitting = true;
                }
            },
            Qt::DirectConnection);
    });
    QCOMPARE(log,
             (QStringList {file("f1"), "written 0", file("f2"), "written 0", "done", "written 2"}));
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/f2")), QByteArray(300000, 'f'));
    QVERIFY(!QFileInfo::exists(wizard.ut3UserDir + QLatin1String("/f3")));
}

void TestCopyThread::dataDirectoryForms_data()
{
    QTest::addColumn<QString>("configured"); // as ds.conf would give it, from the working folder
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("relative, Windows style") << "..\\GameFiles\\" << false;
    QTest::newRow("absolute through a link") << "" << true;
    QTest::newRow("relative through a link") << "../Linked" << true;
}

void TestCopyThread::dataDirectoryForms()
{
    QFETCH(QString, configured);
    QFETCH(bool, throughLink);
    Sandbox sandbox;
    writeData(sandbox, QStringLiteral("DuskmereGame/Splash/icon.ico"), "icon");
    writeData(sandbox, QStringLiteral("top.txt"), "top");
    const QString linked = sandbox.path(QStringLiteral("Linked"));
    if (throughLink)
        QVERIFY(QFile::link(dataDir(sandbox), linked));
    DuskmereWizard wizard;
    collect(wizard, configured.isEmpty() ? linked : configured);

    QCOMPARE(install(wizard),
             (QStringList {file("DuskmereGame/Splash/icon.ico"), "written 0", file("top.txt"),
                           "written 0", "done", "written 0"}));
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/DuskmereGame/Splash/icon.ico")),
             QByteArray("icon"));
    QCOMPARE(readFile(wizard.ut3UserDir + QLatin1String("/top.txt")), QByteArray("top"));
}

void TestCopyThread::refusesEntriesOutsideTheDataDirectory_data()
{
    QTest::addColumn<QString>("link"); // inside the data directory, to a place outside it
    QTest::addColumn<QString>("pointsAt");
    QTest::addColumn<QString>("error");
    QTest::newRow("a folder") << "Maps"
                              << "Outside"
                              << "dirError %1/Outside";
    QTest::newRow("a file") << "secret.txt"
                            << "Outside/secret.txt"
                            << "file A.txt;written 0;fileError %1/Outside/secret.txt";
}

void TestCopyThread::refusesEntriesOutsideTheDataDirectory()
{
    QFETCH(QString, link);
    QFETCH(QString, pointsAt);
    QFETCH(QString, error);
    Sandbox sandbox;
    writeData(sandbox, QStringLiteral("A.txt"), "inside");
    sandbox.write(QStringLiteral("Outside/secret.txt"), "secret");
    QVERIFY(QFile::link(sandbox.path(pointsAt), dataDir(sandbox) + QLatin1Char('/') + link));
    DuskmereWizard wizard;
    collect(wizard, dataDir(sandbox));

    // The plain mapping would have put it beside the game's folder.
    const QString myGames = QFileInfo(wizard.ut3UserDir).absolutePath();
    QCOMPARE(install(wizard), error.arg(myGames).split(QLatin1Char(';')));
    QCOMPARE(QDir(myGames).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList {"Unreal Tournament 3"});
}

DUSKMERE_TEST_MAIN(TestCopyThread)
#include "tst_copythread.moc"
