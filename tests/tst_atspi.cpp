#include "ProgramRun.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"

#include <QProcess>

#include <cstdio>

// The real program under a real screen-reader client: a retail install on the sample world,
// walked with the Enter key while tests/atspi/walk.py listens on the accessibility bus.
class TestAtspi : public QObject
{
    Q_OBJECT

private slots:
    void walkWithEnter();
};

void TestAtspi::walkWithEnter()
{
    SKIP_ON_WINDOWS("AT-SPI is the accessibility bus of the Linux desktop");
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    QProcess walk;
    walk.setWorkingDirectory(sandbox.work());
    // The walk's own scratch folder goes with the sandbox, even if this test is killed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    sandbox.mkdir("tmp");
    env.insert("TMPDIR", sandbox.path("tmp"));
    walk.setProcessEnvironment(env);
    walk.setProcessChannelMode(QProcess::MergedChannels);
    walk.start("bash",
               {DUSKMERE_SOURCE_DIR "/tests/atspi/walk.sh",
                qEnvironmentVariable("DUSKMERE_PROGRAM", DUSKMERE_PROGRAM)});
    QVERIFY(walk.waitForFinished(280000));
    const QString output = QString::fromUtf8(walk.readAll());
    if (walk.exitCode() == 77)
        QSKIP(qPrintable(output.trimmed()));
    const bool walked = walk.exitStatus() == QProcess::NormalExit && walk.exitCode() == 0;
    if (!walked) // all of what was heard, which a failure message would cut short
        std::fputs(qPrintable(output), stderr);
    QVERIFY(walked);
    const QString installed =
        ProgramRun::folder(Platform::documentsFolder) + "/My Games/Unreal Tournament 3";
    QCOMPARE(Sandbox::tree(installed), Sandbox::tree(SampleWorld::dataDir(sandbox)));
}

DUSKMERE_TEST_MAIN(TestAtspi)
#include "tst_atspi.moc"
