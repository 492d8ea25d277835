#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "wizard/DuskmereWizard.h"

#include <QFile>
#include <QTimer>

// The walk of the data directory and what it leaves in the install state.
class TestCollectFiles : public QObject
{
    Q_OBJECT

private slots:
    void walk();
    void links();
    void missingDataDirectory_data();
    void missingDataDirectory();
    void extraSpace_data();
    void extraSpace();
};

namespace {
// Runs the step inside the event loop; true when it asked the program to quit.
bool collect(DuskmereWizard &wizard)
{
    return EventLoop::requestsQuit([&] { wizard.gatherPage->collectFiles(); });
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}
} // namespace

void TestCollectFiles::walk()
{
    Sandbox sandbox;
    sandbox.write("GameFiles/a/b/c.txt", "abc");
    sandbox.write("GameFiles/d.txt", "ddddd");
    sandbox.write("GameFiles/.hidden.txt", "hidden bytes");
    sandbox.write("GameFiles/.git/config", "more hidden bytes");
    sandbox.write("GameFiles/Maps with spaces/Dämmerung Ölsee.ut3", "12");
    for (int f = 0; f < 2000; ++f)
        sandbox.write(QStringLiteral("GameFiles/many/d%1/f%2").arg(f % 20).arg(f), "z");
    DuskmereWizard wizard;
    wizard.files = QStringList {QStringLiteral("stale")};
    MessageBoxAnswerer boxes;
    // The window keeps answering while the walk runs: a timer fires before it is over.
    bool firedDuringWalk = false;
    QVERIFY(!EventLoop::requestsQuit([&] {
        QTimer::singleShot(0, &wizard, [&] { firedDuringWalk = wizard.files.size() == 1; });
        wizard.gatherPage->collectFiles();
    }));
    QVERIFY(firedDuringWalk);
    QVERIFY(boxes.seen.isEmpty());

    const QString root = canonical(sandbox.path("GameFiles"));
    QCOMPARE(wizard.dataDir, QStringLiteral("..\\GameFiles\\"));
    QCOMPARE(wizard.files.size(), 2003);
    QCOMPARE(wizard.size, 3 + 5 + 2 + 2000);
    QVERIFY(wizard.files.contains(root + "/a/b/c.txt"));
    QVERIFY(wizard.files.contains(root + "/Maps with spaces/Dämmerung Ölsee.ut3"));
    QCOMPARE(wizard.dirs.size(), 24); // a, a/b, Maps with spaces, many and its 20
    QVERIFY(wizard.dirs.indexOf(root + "/a") < wizard.dirs.indexOf(root + "/a/b"));
    QVERIFY(wizard.files.filter(QStringLiteral("hidden")).isEmpty());
}

void TestCollectFiles::links()
{
    SKIP_ON_WINDOWS("the links are made with the Unix call");
    Sandbox sandbox;
    sandbox.write("outside/big.bin", QByteArray(1000, 'o'));
    sandbox.write("real/GameFiles/real.txt", "r");
    const QString data = sandbox.path("real/GameFiles");
    QVERIFY(QFile::link(data, sandbox.path("GameFiles"))); // the data directory itself
    QVERIFY(QFile::link(sandbox.path("outside"), data + "/outsideDir"));
    QVERIFY(QFile::link(data + "/loopA", data + "/loopB"));
    QVERIFY(QFile::link(data + "/loopB", data + "/loopA"));
    QVERIFY(QFile::link(data, data + "/self"));
    DuskmereWizard wizard;
    MessageBoxAnswerer boxes;
    QVERIFY(!collect(wizard));

    // Links to folders show up by their target; nothing below them is walked.
    QCOMPARE(wizard.files, QStringList {canonical(data + "/real.txt")});
    QCOMPARE(wizard.size, 1);
    QStringList dirs = wizard.dirs;
    dirs.sort();
    QCOMPARE(dirs, (QStringList {canonical(sandbox.path("outside")), canonical(data)}));
}

void TestCollectFiles::missingDataDirectory_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default, nothing there") << QByteArray() << "..\\GameFiles\\";
    QTest::newRow("a file, not a folder") << QByteArray("ds.conf") << "ds.conf";
    QTest::newRow("windows separators") << QByteArray("\"Mods\\\\Duskmere\"") << "Mods\\Duskmere";
}

void TestCollectFiles::missingDataDirectory()
{
    QFETCH(QByteArray, configured);
    QFETCH(QString, shown);
    Sandbox sandbox;
    sandbox.writeConfig(configured.isEmpty() ? QByteArray()
                                             : "[Files]\ndataDir=" + configured + "\n");
    DuskmereWizard wizard;
    MessageBoxAnswerer boxes;
    QVERIFY(collect(wizard));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html><b>Data directory <i>%1</i> missing.<br><br>Please make sure "
                            "the archive is unmodified and restart DuskmereSetup.</b></html>")
                 .arg(shown));
    QCOMPARE(wizard.dataDir, shown);
    QVERIFY(wizard.files.isEmpty() && wizard.dirs.isEmpty());
    QCOMPARE(wizard.size, 0);
}

void TestCollectFiles::extraSpace_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("absent") << QByteArray() << qint64(0);
    QTest::newRow("one megabyte") << QByteArray("1048576") << qint64(1048576);
    QTest::newRow("not a number") << QByteArray("plenty") << qint64(0);
    QTest::newRow("negative") << QByteArray("-2048") << qint64(-2048);
    QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999") << LLONG_MAX;
}

void TestCollectFiles::extraSpace()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, expected);
    Sandbox sandbox;
    sandbox.mkdir("GameFiles");
    sandbox.writeConfig(value.isNull() ? value : "[Files]\nExtraSpace=" + value + "\n");
    DuskmereWizard wizard;
    MessageBoxAnswerer boxes;
    QVERIFY(!collect(wizard));
    QCOMPARE(wizard.extraSpace, expected);
}

DUSKMERE_TEST_MAIN(TestCollectFiles)
#include "tst_collectfiles.moc"
