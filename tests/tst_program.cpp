#include "ProgramRun.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"

#include <QDirIterator>

// The real program, started as a user starts it: every way out ends with exit code 0, and one
// that ends on an error writes nothing more.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void waysOut_data();
    void waysOut();
    void resetStartsANewCopy();
};

namespace {
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}
} // namespace

void TestProgram::initTestCase()
{
    QVERIFY2(ProgramRun::available(),
             "the autopilot plug-in is not in \"generic\" beside this test");
}

void TestProgram::waysOut_data()
{
    QTest::addColumn<QByteArray>("config"); // added to the sample's ds.conf
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes"); // the start of each box's title and text
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<int>("filesInHome");

    const QString quit = "DuskmereSetup - Really quit?\tAre you sure you want to quit";
    const QString critical = "DuskmereSetup - Critical Error\t";
    const QStringList install {"click:Continue", "click:Continue", "click:Continue",
                               "click:Install"};
    const QStringList toPaths {"click:Continue", "click:Continue"};
    QTest::newRow("escape on Welcome, yes")
        << QByteArray() << QStringList() << QStringList {"key:Escape", "answer:Yes"}
        << QStringList {quit} << QStringList() << 0;
    QTest::newRow("escape on Paths, no, then the close button, yes")
        << QByteArray() << QStringList()
        << (toPaths + QStringList {"key:Escape", "answer:No", "close", "answer:Yes"})
        << QStringList {quit, quit} << QStringList() << 0;
    QTest::newRow("cancel on Paths, with arguments")
        << QByteArray() << QStringList {"--install", "-x", "C:\\Games", "ds.conf"}
        << (toPaths + QStringList {"click:Cancel", "answer:No", "click:Cancel", "answer:Yes"})
        << QStringList {quit, quit} << QStringList() << 0;
    QTest::newRow("close on the last page")
        << QByteArray() << QStringList()
        << (install + QStringList {"click:Continue", "click:Close"}) << QStringList()
        << QStringList {"http://www.example.com/duskmere"} << 12;
    QTest::newRow("data directory missing")
        << QByteArray("[Files]\ndataDir=NoSuchFolder\n") << QStringList()
        << QStringList {"click:Continue", "answer:OK"}
        << QStringList {critical + "<html><b>Data directory <i>NoSuchFolder</i> missing."}
        << QStringList() << 0;
    QTest::newRow("too little space")
        << QByteArray("[Files]\ndataDir=GameFiles\nExtraSpace=9223372036854775807\n")
        << QStringList() << QStringList {"click:Continue", "answer:OK"}
        << QStringList {critical + "<html><b>You do not have sufficient space</b>"} << QStringList()
        << 0;
    // A folder stands where the first file in sorted order belongs.
    QTest::newRow("a file cannot be copied")
        << QByteArray() << QStringList() << (install + QStringList {"answer:OK"})
        << QStringList {critical + "<html>DuskmereSetup couldn't copy the file<br><i>"}
        << QStringList() << 0;
}

void TestProgram::waysOut()
{
    QFETCH(QByteArray, config);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, opened);
    QFETCH(int, filesInHome);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    QFile conf(sandbox.work() + QStringLiteral("/ds.conf"));
    QVERIFY(conf.open(QIODevice::Append));
    conf.write("\n" + config);
    conf.close();
    if (QString(QTest::currentDataTag()).contains(QLatin1String("copied")))
        QVERIFY(QDir().mkpath(sandbox.home()
                              + "/Documents/My Games/Unreal Tournament 3/DuskmereGame/Config/"
                                "DefaultGame.ini"));

    ProgramRun run;
    run.steps = steps;
    run.arguments = arguments;
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY2(result.finished && !result.crashed, qPrintable(result.log.join('\n')));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.records("step").size(), steps.size());
    const QStringList seen = result.records("box");
    QCOMPARE(seen.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QVERIFY2(seen[i].startsWith(boxes[i]), qPrintable(seen[i]));
    QCOMPARE(result.records("open"), opened);
    // 10 installed files and 2 shortcuts on a full run, on Unix also their 2 launchers and the
    // icon they show (the Start Menu's link stays in the prefix); nothing at all on an error.
    const bool unix = QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
    QCOMPARE(filesBelow(sandbox.home()).size() + filesBelow(sandbox.path("xdg/data")).size(),
             filesInHome + (filesInHome && unix ? 2 : 0));
}

void TestProgram::resetStartsANewCopy()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    ProgramRun run;
    run.steps =
        QStringList {"click:Continue", "click:Reset", "answer:No", "click:Reset", "answer:Yes"};
    run.stepsOfNewCopy = QStringList {"key:Escape", "answer:Yes"};
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.records("box"),
             QStringList(2,
                         "DuskmereSetup - Really reset?\tAre you sure you want to reset "
                         "DuskmereSetup?"));

    // The new copy is detached: wait for its own records, starting on the Welcome page.
    QStringList log;
    const bool newCopyEnded = QTest::qWaitFor(
        [&] {
            QFile file(sandbox.path(QStringLiteral("autopilot.log")));
            file.open(QIODevice::ReadOnly);
            log = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
            return log.filter(QRegularExpression(QStringLiteral("^quit\t"))).size() == 2;
        },
        30000);
    QVERIFY2(newCopyEnded, qPrintable(log.join('\n')));
    QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^start\t"))).size(), 2);
    QVERIFY(log.contains(QStringLiteral("step\tkey:Escape\t0")));
}

DUSKMERE_TEST_MAIN(TestProgram)
#include "tst_program.moc"
