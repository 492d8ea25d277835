#include "ProgramRun.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"

#include <QDirIterator>

// The real program, started as a user starts it: every way out ends with exit code 0.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void waysOut_data();
    void waysOut();
    void resetStartsANewCopy();
    void fatalErrorsEndWithZeroAndWriteNothingMore_data();
    void fatalErrorsEndWithZeroAndWriteNothingMore();
};

void TestProgram::initTestCase()
{
    if (!ProgramRun::available())
        QSKIP("the autopilot cannot be preloaded on this platform");
}

void TestProgram::waysOut_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("boxTitles");

    const QString reallyQuit = QStringLiteral("DuskmereSetup - Really quit?");
    QTest::newRow("escape, yes") << QStringList {"key:Escape", "answer:Yes"} << QStringList()
                                 << QStringList {reallyQuit};
    QTest::newRow("no, then close button, yes")
        << QStringList {"key:Escape", "answer:No", "close", "answer:Yes"} << QStringList()
        << QStringList {reallyQuit, reallyQuit};
    QTest::newRow("cancel with arguments")
        << QStringList {"click:Cancel", "answer:Yes"}
        << QStringList {"--install", "-x", "C:\\Games", "ds.conf"} << QStringList {reallyQuit};
    QTest::newRow("close on the last page")
        << QStringList {"click:Continue", "click:Continue", "click:Continue",
                        "click:Install",  "click:Continue", "click:Close"}
        << QStringList() << QStringList();
}

void TestProgram::waysOut()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, boxTitles);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);

    ProgramRun run;
    run.steps = steps;
    run.arguments = arguments;
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY2(result.finished, qPrintable(result.log.join(QLatin1Char('\n'))));
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 0);
    QStringList titles;
    for (const QString &box : result.boxes())
        titles.append(box.section(QLatin1Char('\t'), 0, 0));
    QCOMPARE(titles, boxTitles);
    QCOMPARE(result.log.filter(QStringLiteral("step\t")).size(), steps.size());
}

void TestProgram::resetStartsANewCopy()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    ProgramRun run;
    run.steps = QStringList {"click:Continue", "click:Reset", "answer:Yes"};
    run.stepsOfNewCopy = QStringList {"key:Escape", "answer:Yes"};
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);

    // The new copy is detached: wait for its own log lines, starting on the Welcome page.
    const QString logPath = sandbox.path(QStringLiteral("autopilot.log"));
    QStringList log;
    const bool newCopyEnded = QTest::qWaitFor(
        [&] {
            QFile file(logPath);
            file.open(QIODevice::ReadOnly);
            log = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            return log.filter(QRegularExpression(QStringLiteral("^quit\t"))).size() == 2;
        },
        30000);
    QVERIFY2(newCopyEnded, qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^start\t"))).size(), 2);
    QVERIFY(log.contains(QStringLiteral("step\tkey:Escape\t0")));
}

void TestProgram::fatalErrorsEndWithZeroAndWriteNothingMore_data()
{
    QTest::addColumn<QByteArray>("config"); // appended to the sample's ds.conf
    QTest::addColumn<bool>("blockFirstFile"); // a folder where the first mod file belongs
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("message");

    const QStringList install {"click:Continue", "click:Continue", "click:Continue",
                               "click:Install", "answer:OK"};
    QTest::newRow("data directory missing") << QByteArray("[Files]\ndataDir=NoSuchFolder\n")
                                            << false << QStringList {"click:Continue", "answer:OK"}
                                            << "Data directory <i>NoSuchFolder</i> missing.";
    QTest::newRow("too little space")
        << QByteArray("[Files]\ndataDir=GameFiles\nExtraSpace=9000000000000000000\n") << false
        << QStringList {"click:Continue", "answer:OK"} << "You do not have sufficient space";
    QTest::newRow("a file cannot be copied")
        << QByteArray() << true << install << "DuskmereSetup couldn't copy the file<br><i>";
}

void TestProgram::fatalErrorsEndWithZeroAndWriteNothingMore()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, blockFirstFile);
    QFETCH(QStringList, steps);
    QFETCH(QString, message);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    if (!config.isEmpty()) {
        QFile conf(sandbox.work() + QStringLiteral("/ds.conf"));
        QVERIFY(conf.open(QIODevice::Append));
        conf.write("\n" + config);
    }
    const QString game = sandbox.home() + QStringLiteral("/Documents/My Games/Unreal Tournament 3");
    if (blockFirstFile)
        QVERIFY(QDir().mkpath(game + QStringLiteral("/DuskmereGame/Config/DefaultGame.ini")));

    ProgramRun run;
    run.steps = steps;
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY2(result.finished, qPrintable(result.log.join('\n')));
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.boxes().size(), 1);
    QVERIFY(result.boxes()[0].startsWith(QStringLiteral("DuskmereSetup - Critical Error\t")));
    QVERIFY2(result.boxes()[0].contains(message), qPrintable(result.boxes()[0]));

    // Nothing beyond what stood there before: no installed file, no shortcut.
    QDirIterator it(sandbox.home(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList written;
    while (it.hasNext())
        written.append(it.next());
    QVERIFY2(written.isEmpty(), qPrintable(written.join('\n')));
    QCOMPARE(QFileInfo::exists(game), blockFirstFile);
}

DUSKMERE_TEST_MAIN(TestProgram)
#include "tst_program.moc"
