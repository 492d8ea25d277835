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
    void initTestCase()
    {
        QVERIFY2(ProgramRun::available(), "the autopilot plug-in is not in \"generic\" here");
    }
    void waysOut_data();
    void waysOut();
    void resetStartsANewCopy();
};

void TestProgram::waysOut_data()
{
    QTest::addColumn<QByteArray>("config"); // added to the sample's ds.conf
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes"); // the start of each box's title and text
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<int>("filesInHome");
    const auto row = [](const char *name, const QByteArray &config, const QStringList &steps,
                        const QStringList &boxes, const QStringList &opened = {}, int files = 0,
                        const QStringList &arguments = {}) {
        QTest::newRow(name) << config << arguments << steps << boxes << opened << files;
    };
    const QString quit = "DuskmereSetup - Really quit?\tAre you sure you want to quit";
    const QString critical = "DuskmereSetup - Critical Error\t<html>";
    const QStringList install {"click:Continue", "click:Continue", "click:Continue",
                               "click:Install"};
    const QStringList toPaths = install.mid(0, 2);
    row("escape on Welcome, yes", {}, {"key:Escape", "answer:Yes"}, {quit});
    row("escape on Paths, no, then the close button, yes", {},
        toPaths + QStringList {"key:Escape", "answer:No", "close", "answer:Yes"}, {quit, quit});
    row("cancel on Paths, with arguments", {},
        toPaths + QStringList {"click:Cancel", "answer:No", "click:Cancel", "answer:Yes"},
        {quit, quit}, {}, 0, {"--install", "-x", "C:\\Games", "ds.conf"});
    // 10 installed files and 2 shortcuts.
    row("close on the last page", {}, install + QStringList {"click:Continue", "click:Close"}, {},
        {"http://www.example.com/duskmere"}, 12);
    row("data directory missing", "[Files]\ndataDir=NoSuchFolder\n",
        {"click:Continue", "answer:OK"},
        {critical + "<b>Data directory <i>NoSuchFolder</i> missing."});
    row("too little space", "[Files]\ndataDir=GameFiles\nExtraSpace=9223372036854775807\n",
        {"click:Continue", "answer:OK"}, {critical + "<b>You do not have sufficient space</b>"});
    // A folder stands where the first file in sorted order belongs.
    row("a file cannot be copied", {}, install + QStringList {"answer:OK"},
        {critical + "DuskmereSetup couldn't copy the file<br><i>"});
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
    sandbox.writeConfig(sandbox.read("work/ds.conf") + "\n" + config);
    if (QString(QTest::currentDataTag()).endsWith("copied"))
        sandbox.mkdir("home/Documents/My Games/Unreal Tournament 3/DuskmereGame/Config/"
                      "DefaultGame.ini");

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
    int files = 0;
    for (const QString &folder : {sandbox.home(), sandbox.path("xdg/data")})
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++files;
    QCOMPARE(files, filesInHome);
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
    QString log;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     log = QString::fromUtf8(sandbox.read("autopilot.log"));
                     return log.count("\nquit\t") == 2;
                 },
                 30000),
             qPrintable(log));
    QCOMPARE(log.count("start\t"), 2);
    QVERIFY(log.contains("\nstep\tkey:Escape\t0\n"));
}

DUSKMERE_TEST_MAIN(TestProgram)
#include "tst_program.moc"
