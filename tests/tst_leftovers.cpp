#include "RunFolder.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>

#include <optional>

// What a test program leaves in the temporary folder: nothing once it has ended, whether it
// passed or was killed half way (then the next test program to start clears it).
class TestLeftovers : public QObject
{
    Q_OBJECT

private slots:
    void nothingLeft_data();
    void nothingLeft();
};

namespace {

// The child's part: a sandbox holding what is hardest to remove (a name that is not UTF-8, a
// file system mounted in it), then a pass or a wait to be killed.
void childRun(const QByteArray &ending)
{
    Sandbox sandbox;
    sandbox.write("GameFiles/DuskmereGame/Readme.txt", "x");
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QProcess::execute("sh",
                          {"-c", "printf x > \"$1/$(printf 'DM-Caf\\351.ut3')\"", "sh",
                           sandbox.path("GameFiles/DuskmereGame")});
    std::optional<TmpfsMount> mount;
    if (qEnvironmentVariableIsSet("DUSKMERE_LEFTOVERS_TMPFS")
        && mount.emplace(sandbox.path("small"), 1 << 20).isMounted())
        sandbox.write("small/file.bin", "x");
    if (ending == "killed") {
        std::fputs("\nchild ready\n", stdout);
        std::fflush(stdout);
        QThread::sleep(60);
    }
}

// Every entry below `root` and every file system mounted there, by name.
QStringList leftovers(const QString &root)
{
    QStringList found =
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QFile mounts("/proc/self/mountinfo");
    if (mounts.open(QIODevice::ReadOnly))
        for (const QByteArray &line : mounts.readAll().split('\n'))
            if (line.contains(QFile::encodeName(root)))
                found << "mounted: " + QString::fromUtf8(line);
    return found;
}

} // namespace

void TestLeftovers::nothingLeft_data()
{
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("passes") << QByteArray("passes");
    QTest::newRow("killed") << QByteArray("killed");
}

void TestLeftovers::nothingLeft()
{
    QFETCH(QByteArray, ending);
    if (qEnvironmentVariableIsSet("DUSKMERE_LEFTOVERS_CHILD"))
        return childRun(qgetenv("DUSKMERE_LEFTOVERS_CHILD"));

    Sandbox sandbox;
    // The children's temporary folder, kept short: fontconfig leaks on long cache paths.
    const QString temp = RunFolder::path("duskmere-tests") + "/children";
    sandbox.mkdir(temp);
    const auto removeTemp = qScopeGuard([&] { RunFolder::removeTree(temp); });
    // A tmpfs where this run may mount one: the child then may too.
    const bool tmpfs = TmpfsMount(sandbox.path("probe"), 1 << 20).isMounted();
    const auto start = [&](QProcess &child, const QByteArray &how) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"TMPDIR", "TMP", "TEMP"})
            env.insert(name, QDir::toNativeSeparators(temp));
        env.insert("DUSKMERE_LEFTOVERS_CHILD", how);
        if (tmpfs)
            env.insert("DUSKMERE_LEFTOVERS_TMPFS", "1");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel); // its failures show here
        child.start(QCoreApplication::applicationFilePath(), {"nothingLeft:" + how});
        return child.waitForStarted();
    };
    QProcess first;
    QVERIFY(start(first, ending));
    if (ending == "killed") {
        QByteArray output;
        while (!output.contains("child ready") && first.waitForReadyRead(30000))
            output += first.readAllStandardOutput();
        QVERIFY2(output.contains("child ready"), output.constData());
        const QStringList live = leftovers(temp);
        QVERIFY2(!live.isEmpty(), "the child made nothing to leave");
        // Another test program starting meanwhile leaves a running one's folder alone.
        const auto runAnother = [&] {
            QProcess next;
            return start(next, "passes") && next.waitForFinished(30000) && next.exitCode() == 0;
        };
        QVERIFY(runAnother());
        QCOMPARE(leftovers(temp), live);
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(runAnother());
    } else {
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
    }
    QCOMPARE(leftovers(temp), QStringList());
}

DUSKMERE_TEST_MAIN(TestLeftovers)
#include "tst_leftovers.moc"
