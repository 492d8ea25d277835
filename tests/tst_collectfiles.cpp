#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "wizard/DuskmereWizard.h"

#include <QFile>

// The walk of the data directory and what it leaves in the install state.
class TestCollectFiles : public QObject
{
    Q_OBJECT

private slots:
    void collectsCanonicalPathsAndSizes();
    void leavesOutHiddenEntries();
    void linksAreListedNotFollowed();
    void dataDirectoryThroughALink();
    void unusualNamesAndManyEntries();
    void missingDataDirectory_data();
    void missingDataDirectory();
    void extraSpace_data();
    void extraSpace();

private:
    struct Run
    {
        bool quit;
        QList<MessageBoxAnswerer::Box> boxes;
    };
    static Run collect(DuskmereWizard &wizard)
    {
        MessageBoxAnswerer answerer;
        const bool quit = EventLoop::requestsQuit([&] { wizard.gatherPage->collectFiles(); });
        return {quit, answerer.seen};
    }
    static QString canonical(const QString &path) { return QFileInfo(path).canonicalFilePath(); }
};

void TestCollectFiles::collectsCanonicalPathsAndSizes()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("GameFiles/a/b/c.txt"), "abc");
    sandbox.write(QStringLiteral("GameFiles/d.txt"), "ddddd");
    DuskmereWizard wizard;
    wizard.files = QStringList {QStringLiteral("stale")};
    const Run run = collect(wizard);
    QVERIFY(!run.quit);
    QVERIFY(run.boxes.isEmpty());

    const QString root = canonical(sandbox.path(QStringLiteral("GameFiles")));
    QCOMPARE(wizard.dataDir, QStringLiteral("..\\GameFiles\\"));
    QCOMPARE(wizard.dirs, (QStringList {root + "/a", root + "/a/b"}));
    QStringList files = wizard.files;
    files.sort();
    QCOMPARE(files, (QStringList {root + "/a/b/c.txt", root + "/d.txt"}));
    QCOMPARE(wizard.size, 8);
    QCOMPARE(wizard.extraSpace, 0);
}

void TestCollectFiles::leavesOutHiddenEntries()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("GameFiles/visible.txt"), "12");
    sandbox.write(QStringLiteral("GameFiles/.hidden.txt"), "hidden bytes");
    sandbox.write(QStringLiteral("GameFiles/.git/config"), "more hidden bytes");
    DuskmereWizard wizard;
    collect(wizard);
    QCOMPARE(wizard.files.size(), 1);
    QVERIFY(wizard.files[0].endsWith(QLatin1String("/visible.txt")));
    QVERIFY(wizard.dirs.isEmpty());
    QCOMPARE(wizard.size, 2);
}

void TestCollectFiles::linksAreListedNotFollowed()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("outside/big.bin"), QByteArray(1000, 'o'));
    sandbox.write(QStringLiteral("GameFiles/real.txt"), "r");
    const QString data = sandbox.path(QStringLiteral("GameFiles"));
    QVERIFY(QFile::link(sandbox.path(QStringLiteral("outside")), data + "/outsideDir"));
    QVERIFY(QFile::link(data + "/loopA", data + "/loopB")); // a loop: neither resolves
    QVERIFY(QFile::link(data + "/loopB", data + "/loopA"));
    QVERIFY(QFile::link(data, data + "/self")); // a link back to the root
    DuskmereWizard wizard;
    collect(wizard);

    // Links to directories show up by their target, and nothing below them is walked.
    QCOMPARE(wizard.files, QStringList {canonical(data + "/real.txt")});
    QCOMPARE(wizard.size, 1);
    QStringList dirs = wizard.dirs;
    dirs.sort();
    QCOMPARE(dirs, (QStringList {canonical(data), canonical(sandbox.path("outside"))}));
}

void TestCollectFiles::dataDirectoryThroughALink()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("real/GameFiles/x/y.txt"), "y");
    QVERIFY(QFile::link(sandbox.path(QStringLiteral("real/GameFiles")),
                        sandbox.path(QStringLiteral("GameFiles"))));
    DuskmereWizard wizard;
    collect(wizard);
    const QString real = canonical(sandbox.path(QStringLiteral("real/GameFiles")));
    QCOMPARE(wizard.files, QStringList {real + "/x/y.txt"});
    QCOMPARE(wizard.dirs, QStringList {real + "/x"});
}

void TestCollectFiles::unusualNamesAndManyEntries()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("GameFiles/Maps with spaces/Dämmerung Ölsee.ut3"), "12345");
    for (int d = 0; d < 20; ++d)
        for (int f = 0; f < 100; ++f)
            sandbox.write(QStringLiteral("GameFiles/many/d%1/f%2").arg(d).arg(f), "z");
    DuskmereWizard wizard;
    collect(wizard);
    QCOMPARE(wizard.files.size(), 2001);
    QCOMPARE(wizard.dirs.size(), 22);
    QCOMPARE(wizard.size, 2005);
    const QString odd = wizard.files.filter(QStringLiteral("Ölsee")).value(0);
    QVERIFY(odd.endsWith(QStringLiteral("/Maps with spaces/Dämmerung Ölsee.ut3")));
    QVERIFY(QFileInfo::exists(odd));
}

void TestCollectFiles::missingDataDirectory_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<bool>("makeFile");
    QTest::newRow("default, nothing there") << QByteArray() << false;
    QTest::newRow("a file, not a directory") << QByteArray("mod.zip") << true;
    QTest::newRow("windows separators") << QByteArray("\"Mods\\\\Duskmere\"") << false;
}

void TestCollectFiles::missingDataDirectory()
{
    QFETCH(QByteArray, configured);
    QFETCH(bool, makeFile);
    Sandbox sandbox;
    if (!configured.isEmpty())
        sandbox.writeConfig("[Files]\ndataDir=" + configured + "\nExtraSpace=77\n");
    if (makeFile)
        sandbox.write(QStringLiteral("work/mod.zip"), "PK");
    DuskmereWizard wizard;
    const Run run = collect(wizard);
    QVERIFY(run.quit);
    QCOMPARE(run.boxes.size(), 1);
    QCOMPARE(run.boxes[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    // The path as configured, not as this machine resolved it.
    const QString shown = configured.isEmpty() ? QStringLiteral("..\\GameFiles\\")
        : makeFile                             ? QStringLiteral("mod.zip")
                                               : QStringLiteral("Mods\\Duskmere");
    QVERIFY2(run.boxes[0].text.contains(QStringLiteral("<i>%1</i>").arg(shown)),
             qPrintable(run.boxes[0].text));
    QCOMPARE(wizard.dataDir, shown);
    QVERIFY(wizard.files.isEmpty());
    QVERIFY(wizard.dirs.isEmpty());
    QCOMPARE(wizard.size, 0);
    QCOMPARE(wizard.extraSpace, configured.isEmpty() ? 0 : 77);
}

void TestCollectFiles::extraSpace_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("one megabyte") << QByteArray("1048576") << qint64(1048576);
    QTest::newRow("not a number") << QByteArray("plenty") << qint64(0);
    QTest::newRow("negative") << QByteArray("-2048") << qint64(-2048);
    QTest::newRow("beyond any disk")
        << QByteArray("9223372036854775807") << qint64(9223372036854775807LL);
}

void TestCollectFiles::extraSpace()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, expected);
    Sandbox sandbox;
    sandbox.mkdir(QStringLiteral("GameFiles"));
    sandbox.writeConfig("[Files]\nExtraSpace=" + value + "\n");
    DuskmereWizard wizard;
    collect(wizard);
    QCOMPARE(wizard.extraSpace, expected);
}

DUSKMERE_TEST_MAIN(TestCollectFiles)
#include "tst_collectfiles.moc"
