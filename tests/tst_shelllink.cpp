#include "LnkInfo.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "platform/ShellLink.h"

#include <QDir>
#include <QOperatingSystemVersion>
#include <QtEndian>

// Links written on Unix, read back by lnkinfo, an independent parser of the format.
class TestShellLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readBack_data();
    void readBack();
    void header_data();
    void header();
    void writeFails_data();
    void writeFails();
    void replacesOldLinkWhole();
};

namespace {
const QString Arguments = QStringLiteral("-mod=..\\DuskmereGame -solomod");

QString zDrive(const QString &localPath)
{
    return QStringLiteral("Z:") + QString(localPath).replace('/', '\\');
}

void link(const QString &target, const QString &linkName)
{
    if (!QFile::link(target, linkName))
        qFatal("cannot link %s", qPrintable(linkName));
}
} // namespace

void TestShellLink::init()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("Windows writes its links through the shell; this is the Unix writer");
}

void TestShellLink::readBack_data()
{
    QTest::addColumn<QString>("drives"); // c: and z: as Wine makes them, d: the root, g: Games
    QTest::addColumn<QString>("target"); // below the sandbox root, like the icon
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("iconIndex");
    QTest::addColumn<QString>("expectedTarget"); // %R stands for the root, Wine's Z: way
    QTest::addColumn<QString>("expectedIcon");

    QTest::newRow("ASCII, in drive_c")
        << "cz"
        << "wineprefix/drive_c/Games/UT3/Binaries/UT3.exe"
        << "wineprefix/drive_c/Games/UT3/UT3.ico" << 0 << "C:\\Games\\UT3\\Binaries\\UT3.exe"
        << "C:\\Games\\UT3\\UT3.ico";
    QTest::newRow("spaces, through dosdevices")
        << "cz"
        << "wineprefix/dosdevices/c:/Program Files (x86)/Unreal Tournament 3/UT3.exe"
        << "wineprefix/dosdevices/c:/My Games/duskmere icon.ico" << 5
        << "C:\\Program Files (x86)\\Unreal Tournament 3\\UT3.exe"
        << "C:\\My Games\\duskmere icon.ico";
    QTest::newRow("non-ASCII letters")
        << "cz" << QStringLiteral("wineprefix/drive_c/Spiele/Ünreal Törnament/Игры/UT3.exe")
        << QStringLiteral("wineprefix/drive_c/Spiele/Ärger.ico") << 1
        << QStringLiteral("C:\\Spiele\\Ünreal Törnament\\Игры\\UT3.exe")
        << QStringLiteral("C:\\Spiele\\Ärger.ico");
    QTest::newRow("outside the prefix")
        << "cz"
        << "Games/UT3/UT3.exe"
        << "home/Documents/My Games/Unreal Tournament 3/DuskmereGame/Splash/duskmereicon.ico" << 0
        << "%R\\Games\\UT3\\UT3.exe"
        << "%R\\home\\Documents\\My Games\\Unreal Tournament 3\\DuskmereGame\\Splash\\"
           "duskmereicon.ico";
    QTest::newRow("the deepest drive wins") << "czdg"
                                            << "Games/UT3/UT3.exe"
                                            << "Games/UT3/UT3.ico" << 0 << "G:\\UT3\\UT3.exe"
                                            << "G:\\UT3\\UT3.ico";
    QTest::newRow("a prefix without drives")
        << ""
        << "wineprefix/drive_c/Games/UT3.exe" << QString() << 0
        << "%R\\wineprefix\\drive_c\\Games\\UT3.exe" << QString();
}

void TestShellLink::readBack()
{
    QFETCH(QString, drives);
    QFETCH(QString, target);
    QFETCH(QString, icon);
    QFETCH(int, iconIndex);
    QFETCH(QString, expectedTarget);
    QFETCH(QString, expectedIcon);
    if (!LnkInfo::available())
        QSKIP("lnkinfo (Debian package liblnk-utils) is not installed");

    Sandbox sandbox;
    sandbox.mkdir(QStringLiteral("wineprefix/drive_c"));
    sandbox.mkdir(QStringLiteral("wineprefix/dosdevices"));
    if (drives.contains('c'))
        link(QStringLiteral("../drive_c"), sandbox.path("wineprefix/dosdevices/c:"));
    if (drives.contains('z'))
        link(QStringLiteral("/"), sandbox.path("wineprefix/dosdevices/z:"));
    if (drives.contains('d'))
        link(sandbox.root(), sandbox.path("wineprefix/dosdevices/d:"));
    if (drives.contains('g'))
        link(sandbox.path("Games"), sandbox.path("wineprefix/dosdevices/g:"));
    sandbox.write(target, "MZ");
    const QString root = zDrive(QFileInfo(sandbox.root()).canonicalFilePath());
    expectedTarget.replace(QLatin1String("%R"), root);
    expectedIcon.replace(QLatin1String("%R"), root);

    Platform::ShellLinkFields fields;
    fields.target = sandbox.path(target);
    fields.workingDirectory = QFileInfo(fields.target).path();
    fields.arguments = Arguments;
    fields.iconPath = icon.isNull() ? QString() : sandbox.path(icon);
    fields.iconIndex = iconIndex;
    const QString linkPath = sandbox.path(QStringLiteral("The Duskmere.lnk"));
    QVERIFY(Platform::writeShellLink(linkPath, fields));

    const QMap<QString, QString> read = LnkInfo::read(linkPath);
    QCOMPARE(read.value("Local path"), expectedTarget);
    QCOMPARE(read.value("Working directory"),
             expectedTarget.left(expectedTarget.lastIndexOf('\\')));
    QCOMPARE(read.value("Command line arguments"), Arguments);
    QCOMPARE(read.value("Icon location"), expectedIcon);
    QCOMPARE(read.contains("Icon location"), !icon.isNull());
    QCOMPARE(read.value("Icon index"), QString::number(iconIndex));
}

void TestShellLink::header_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<quint32>("flags");

    // Item list, link info and Unicode always; working directory, arguments, icon when given.
    QTest::newRow("every string") << Arguments << "/icons/duskmere.ico" << 0xF3u;
    QTest::newRow("no arguments, no icon") << QString() << QString() << 0x93u;
    QTest::newRow("empty strings are left out") << ""
                                                << "" << 0x93u;
}

void TestShellLink::header()
{
    QFETCH(QString, arguments);
    QFETCH(QString, icon);
    QFETCH(quint32, flags);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("UT3.exe"), QByteArray(1234, 'x'));
    QFile target(sandbox.path(QStringLiteral("UT3.exe")));
    QVERIFY(target.open(QIODevice::ReadWrite));
    QVERIFY(target.setFileTime(QDateTime(QDate(2009, 10, 11), QTime(12, 13, 14), Qt::UTC),
                               QFileDevice::FileModificationTime));
    target.close();

    const QString linkPath = sandbox.path(QStringLiteral("x.lnk"));
    QVERIFY(Platform::writeShellLink(linkPath,
                                     {target.fileName(), sandbox.root(), arguments, icon, 7}));
    QFile file(linkPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 0x4C);
    const auto u32 = [&](int offset) { return qFromLittleEndian<quint32>(bytes.data() + offset); };
    QCOMPARE(u32(0), 0x4Cu);
    QCOMPARE(bytes.mid(4, 16).toHex(), QByteArray("0114020000000000c000000000000046"));
    QCOMPARE(u32(0x14), flags);
    QCOMPARE(u32(0x18), 0x20u); // archive: a plain file
    QCOMPARE(qFromLittleEndian<quint64>(bytes.data() + 0x2C), 0x1ca4a6c35062900ull); // written
    QCOMPARE(u32(0x34), 1234u);
    QCOMPARE(u32(0x38), 7u);
    QCOMPARE(u32(0x3C), 1u); // SW_SHOWNORMAL
    QCOMPARE(bytes.mid(0x40, 12), QByteArray(12, '\0')); // no hot key, reserved
    QCOMPARE(bytes.right(4), QByteArray(4, '\0')); // terminal block
}

void TestShellLink::writeFails_data()
{
    QTest::addColumn<QString>("linkPath");
    QTest::addColumn<int>("argumentsLength");

    QTest::newRow("folder missing") << "missing/x.lnk" << 10;
    QTest::newRow("a file where the folder should be") << "old.lnk/x.lnk" << 10;
    QTest::newRow("a folder where the link should be") << "folder.lnk" << 10;
    QTest::newRow("arguments longer than the format holds") << "old.lnk" << 70000;
}

void TestShellLink::writeFails()
{
    QFETCH(QString, linkPath);
    QFETCH(int, argumentsLength);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("UT3.exe"), "MZ");
    sandbox.write(QStringLiteral("old.lnk"), "an older link");
    sandbox.mkdir(QStringLiteral("folder.lnk"));
    const QStringList before = QDir(sandbox.root()).entryList(QDir::AllEntries | QDir::Hidden);

    QVERIFY(!Platform::writeShellLink(
        sandbox.path(linkPath),
        {sandbox.path("UT3.exe"), sandbox.root(), QString(argumentsLength, 'a'), QString(), 0}));
    // Nothing half written, no temporary file left, the old link as it was.
    QCOMPARE(QDir(sandbox.root()).entryList(QDir::AllEntries | QDir::Hidden), before);
    QFile old(sandbox.path(QStringLiteral("old.lnk")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an older link"));
    QVERIFY(QFileInfo(sandbox.path("folder.lnk")).isDir());
}

void TestShellLink::replacesOldLinkWhole()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("UT3.exe"), "MZ");
    sandbox.write(QStringLiteral("old.lnk"), QByteArray(100000, 'o'));
    const Platform::ShellLinkFields fields {sandbox.path("UT3.exe"), sandbox.root(), Arguments,
                                            QString(), 0};
    QVERIFY(Platform::writeShellLink(sandbox.path("old.lnk"), fields));
    QVERIFY(Platform::writeShellLink(sandbox.path("new.lnk"), fields));
    QFile old(sandbox.path(QStringLiteral("old.lnk")));
    QFile fresh(sandbox.path(QStringLiteral("new.lnk")));
    QVERIFY(old.open(QIODevice::ReadOnly) && fresh.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), fresh.readAll());
}

DUSKMERE_TEST_MAIN(TestShellLink)
#include "tst_shelllink.moc"
