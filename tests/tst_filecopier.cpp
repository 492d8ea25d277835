#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "platform/FileCopier.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>

#include <cstdlib>

// Single-file copies: contents and permissions, never overwriting, and never a partial file
// under the target's name, whether the copy fails or the process dies half way.
class TestFileCopier : public QObject
{
    Q_OBJECT

private slots:
    void copiesContentsAndPermissions_data();
    void copiesContentsAndPermissions();
    void neverOverwrites_data();
    void neverOverwrites();
    void failedCopyLeavesNothing_data();
    void failedCopyLeavesNothing();
    void fullFileSystem();
    void killedCopyLeavesNoPartialFile_data();
    void killedCopyLeavesNoPartialFile();
    void syncNeedsItsRoot();
};

namespace {

// The interruption test starts this very program to copy one file and kills it half way; the
// copy runs before any test does.
const int copyingChild = [] {
    const QByteArray job = qgetenv("DUSKMERE_COPY_JOB");
    if (job.isEmpty())
        return 0;
    const QList<QByteArray> paths = job.split('\n');
    FileCopier copier;
    const bool ok =
        paths.size() == 2 && copier.copy(QFile::decodeName(paths[0]), QFile::decodeName(paths[1]));
    std::_Exit(ok ? 0 : 1);
}();

QByteArray pattern(qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 4093) & 0xff);
    return data;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(data) == data.size(), qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

} // namespace

void TestFileCopier::copiesContentsAndPermissions_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QFileDevice::Permissions>("permissions");
    using P = QFileDevice;
    QTest::newRow("empty") << qint64(0) << (P::ReadOwner | P::WriteOwner | P::ReadGroup);
    // A umask of 022 would take the group's and others' write bits away.
    QTest::newRow("writable for all") << qint64(4097)
                                      << (P::ReadOwner | P::WriteOwner | P::ReadGroup
                                          | P::WriteGroup | P::ReadOther | P::WriteOther);
    QTest::newRow("executable") << qint64(65536)
                                << (P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup
                                    | P::ExeGroup | P::ExeOther);
    QTest::newRow("several megabytes, owner only")
        << qint64(5 * 1048576 + 3) << (P::ReadOwner | P::WriteOwner);
}

void TestFileCopier::copiesContentsAndPermissions()
{
    QFETCH(qint64, size);
    QFETCH(QFileDevice::Permissions, permissions);
    Sandbox sandbox;
    const QString source = sandbox.path(QStringLiteral("from/data.bin"));
    const QString target = sandbox.path(QStringLiteral("to/data.bin"));
    writeFile(source, pattern(size));
    QVERIFY(QFile::setPermissions(source, permissions));
    sandbox.mkdir(QStringLiteral("to"));

    FileCopier copier;
    QVERIFY(copier.copy(source, target));
    QVERIFY(copier.sync(sandbox.path(QStringLiteral("to"))));
    QCOMPARE(QFileInfo(target).size(), size);
    QVERIFY(readFile(target) == pattern(size));
    QCOMPARE(QFile::permissions(target), QFile::permissions(source));
    QCOMPARE(entriesOf(sandbox.path(QStringLiteral("to"))), QStringList {"data.bin"});
}

void TestFileCopier::neverOverwrites_data()
{
    QTest::addColumn<QString>("standing"); // what stands at the target's name
    QTest::newRow("a file") << "file";
    QTest::newRow("a link to a file elsewhere") << "link";
    QTest::newRow("a dangling link") << "dangling";
}

void TestFileCopier::neverOverwrites()
{
    QFETCH(QString, standing);
    Sandbox sandbox;
    const QString source = sandbox.path(QStringLiteral("new.txt"));
    const QString target = sandbox.path(QStringLiteral("to/old.txt"));
    const QString elsewhere = sandbox.path(QStringLiteral("elsewhere.txt"));
    writeFile(source, "new contents");
    sandbox.mkdir(QStringLiteral("to"));
    if (standing == QLatin1String("file")) {
        writeFile(target, "old contents");
    } else {
        if (standing == QLatin1String("link"))
            writeFile(elsewhere, "old contents");
        QVERIFY(QFile::link(elsewhere, target));
    }

    FileCopier copier;
    QVERIFY(!copier.copy(source, target));
    // Neither the name nor whatever a link points at has been written to.
    QCOMPARE(readFile(standing == QLatin1String("file") ? target : elsewhere),
             standing == QLatin1String("dangling") ? QByteArray() : QByteArray("old contents"));
    QCOMPARE(QFileInfo::exists(elsewhere), standing == QLatin1String("link"));
    QCOMPARE(entriesOf(sandbox.path(QStringLiteral("to"))), QStringList {"old.txt"});
}

void TestFileCopier::failedCopyLeavesNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::newRow("source missing") << "gone.txt"
                                    << "to/gone.txt";
    QTest::newRow("source is a folder") << "folder"
                                        << "to/folder";
    QTest::newRow("target folder missing") << "file.txt"
                                           << "to/missing/file.txt";
}

void TestFileCopier::failedCopyLeavesNothing()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("file.txt"), "contents");
    sandbox.mkdir(QStringLiteral("folder"));
    sandbox.mkdir(QStringLiteral("to"));

    FileCopier copier;
    QVERIFY(!copier.copy(sandbox.path(source), sandbox.path(target)));
    QVERIFY(entriesOf(sandbox.path(QStringLiteral("to"))).isEmpty());
}

void TestFileCopier::fullFileSystem()
{
    Sandbox sandbox;
    const TmpfsMount mount(sandbox.path(QStringLiteral("small")), 2 * 1048576);
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.reason()));
    const QString tooLarge = sandbox.path(QStringLiteral("large.bin"));
    const QString fits = sandbox.path(QStringLiteral("fits.bin"));
    writeFile(tooLarge, pattern(3 * 1048576));
    writeFile(fits, pattern(1048576 + 17));

    FileCopier copier;
    QVERIFY(!copier.copy(tooLarge, mount.path() + QLatin1String("/large.bin")));
    QVERIFY(entriesOf(mount.path()).isEmpty());
    // The failed copy gave its space back, so a file of half the size fits now; it also comes
    // from another file system than the one it goes to.
    QVERIFY(copier.copy(fits, mount.path() + QLatin1String("/fits.bin")));
    QVERIFY(copier.sync(mount.path()));
    QVERIFY(readFile(mount.path() + QLatin1String("/fits.bin")) == readFile(fits));
    QCOMPARE(entriesOf(mount.path()), QStringList {"fits.bin"});
}

void TestFileCopier::killedCopyLeavesNoPartialFile_data()
{
    QTest::addColumn<bool>("sourceOnSameFileSystem");
    QTest::newRow("within one file system") << true;
    QTest::newRow("across file systems") << false;
}

void TestFileCopier::killedCopyLeavesNoPartialFile()
{
    QFETCH(bool, sourceOnSameFileSystem);
    Sandbox sandbox;
    constexpr qint64 size = 192 * 1048576;
    // A file system of its own shows the copy's progress in its free space, undisturbed.
    const TmpfsMount mount(sandbox.path(QStringLiteral("target")), 3 * size);
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.reason()));
    const QString source = sourceOnSameFileSystem ? mount.path() + QLatin1String("/source.bin")
                                                  : sandbox.path(QStringLiteral("source.bin"));
    const QString target = mount.path() + QLatin1String("/to/large.bin");
    writeFile(source, pattern(size));
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));

    QStorageInfo storage(mount.path());
    const qint64 before = storage.bytesAvailable();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DUSKMERE_COPY_JOB"), source + QLatin1Char('\n') + target);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());

    // Kill it once a quarter of the data is written and before all of it is.
    QElapsedTimer clock;
    clock.start();
    qint64 used = 0;
    while (used < size / 4 && child.state() == QProcess::Running && clock.elapsed() < 30000) {
        storage.refresh();
        used = before - storage.bytesAvailable();
    }
    QVERIFY2(used >= size / 4 && used < size, "the copy was not caught half way");
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    // Under its name the file is complete or not there at all.
    if (QFileInfo::exists(target))
        QVERIFY(readFile(target) == readFile(source));
    const QStringList visible = QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files);
    QVERIFY(visible.isEmpty() || visible == QStringList {"large.bin"});
}

void TestFileCopier::syncNeedsItsRoot()
{
    Sandbox sandbox;
    FileCopier copier;
    QVERIFY(copier.sync(sandbox.root()));
    QVERIFY(!copier.sync(sandbox.path(QStringLiteral("never made"))));
}

DUSKMERE_TEST_MAIN(TestFileCopier)
#include "tst_filecopier.moc"
