#include "Sandbox.h"
#include "TestMain.h"
#include "platform/FreeSpace.h"
#include "platform/ProgramFiles.h"
#include "platform/Sleep.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <windows.h>

// What the Windows build asks the system for: the Program Files folder, the free space of the
// Documents drive and a plain sleep, each checked against the system's own answer.
class TestWinSystem : public QObject
{
    Q_OBJECT

private slots:
    void programFiles();
    void freeSpace_data();
    void freeSpace();
    void freeSpaceOfAMissingDrive();
    void sleepWaits();
};

namespace {
std::optional<qint64> systemFreeBytes(const QString &path)
{
    ULARGE_INTEGER available;
    const QString native = QDir::toNativeSeparators(path);
    if (!GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t *>(native.utf16()), &available, nullptr,
                             nullptr))
        return std::nullopt;
    return qint64(available.QuadPart);
}
} // namespace

// A 64-bit build asks for the 32-bit folder first: that is where the game and Steam install.
void TestWinSystem::programFiles()
{
    Sandbox sandbox;
    QString expected = qEnvironmentVariable("ProgramFiles(x86)");
    if (expected.isEmpty())
        expected = qEnvironmentVariable("ProgramFiles");
    QVERIFY2(!expected.isEmpty(), "the system names no Program Files folder");

    const QString folder = programFilesFolder();
    QCOMPARE(folder.toLower(), expected.toLower());
    QVERIFY(QFileInfo(folder).isAbsolute());
    QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
}

void TestWinSystem::freeSpace_data()
{
    QTest::addColumn<QString>("below"); // a path below Documents; empty for Documents itself

    QTest::newRow("documents") << QString();
    QTest::newRow("folder not made yet") << QStringLiteral("My Games/Unreal Tournament 3");
}

void TestWinSystem::freeSpace()
{
    QFETCH(QString, below);
    // The user's real Documents folder: only asked about, never written to.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY2(QFileInfo(documents).isDir(), qPrintable(documents));
    const QString path = below.isEmpty() ? documents : documents + QLatin1Char('/') + below;

    const std::optional<qint64> expected = systemFreeBytes(documents);
    const std::optional<qint64> free = Platform::freeBytes(path);
    QVERIFY(expected.has_value());
    QVERIFY2(free.has_value(), qPrintable(path));
    QVERIFY(*free > 0);
    // Other programs write to the same drive meanwhile.
    const qint64 tolerance = qMax<qint64>(64 << 20, *expected / 100);
    QVERIFY2(qAbs(*free - *expected) <= tolerance,
             qPrintable(QStringLiteral("%1 against %2").arg(*free).arg(*expected)));
}

void TestWinSystem::freeSpaceOfAMissingDrive()
{
    Sandbox sandbox;
    const DWORD drives = GetLogicalDrives();
    int unused = 25;
    while (unused >= 3 && (drives & (1u << unused)))
        --unused;
    if (unused < 3)
        QSKIP("every drive letter is in use");
    const QString path = QString(QChar('A' + unused)) + QLatin1String(":/Documents");

    QCOMPARE(Platform::freeBytes(path), std::optional<qint64>());
}

void TestWinSystem::sleepWaits()
{
    Sandbox sandbox;
    QElapsedTimer timer;
    timer.start();
    Platform::sleepMs(120);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 100 && elapsed < 3000, qPrintable(QString::number(elapsed)));
}

DUSKMERE_TEST_MAIN(TestWinSystem)
#include "tst_winsystem.moc"
