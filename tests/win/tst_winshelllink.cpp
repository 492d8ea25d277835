#include "Sandbox.h"
#include "TestMain.h"
#include "platform/ShellLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <windows.h>

// Shortcuts written through the shell's link object, read back through the same object: what
// Explorer shows and starts is what the wizard asked for.
class TestWinShellLink : public QObject
{
    Q_OBJECT

private slots:
    void readBack_data();
    void readBack();
    void replacesAnExistingLink();
    void unwritablePlaces_data();
    void unwritablePlaces();
    void comLeftAsFound_data();
    void comLeftAsFound();
};

namespace {
const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

struct ReadLink
{
    bool loaded = false;
    QString target;
    QString arguments;
    QString workingDirectory;
    QString iconPath;
    int iconIndex = -1;
};

ReadLink readLink(const QString &linkPath)
{
    ReadLink result;
    const bool ownCom = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void **>(&link)))) {
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
            wchar_t buffer[INFOTIPSIZE];
            int index = -1;
            result.loaded = SUCCEEDED(file->Load(wide(linkPath), STGM_READ))
                && SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH));
            if (result.loaded) {
                result.target = QString::fromWCharArray(buffer);
                if (SUCCEEDED(link->GetArguments(buffer, INFOTIPSIZE)))
                    result.arguments = QString::fromWCharArray(buffer);
                if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH)))
                    result.workingDirectory = QString::fromWCharArray(buffer);
                if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &index))) {
                    result.iconPath = QString::fromWCharArray(buffer);
                    result.iconIndex = index;
                }
            }
            file->Release();
        }
        link->Release();
    }
    if (ownCom)
        CoUninitialize();
    return result;
}

// The game as the wizard finds it: a real file to point at, in a folder with a space.
Platform::ShellLinkFields gameLink(const Sandbox &sandbox, const QString &folder)
{
    sandbox.write(folder + QLatin1String("/Binaries/UT3.exe"), "MZ");
    sandbox.write(QStringLiteral("Documents/DuskmereGame/Splash/duskmereicon.ico"), "icon");
    Platform::ShellLinkFields fields;
    fields.target =
        QDir::toNativeSeparators(sandbox.path(folder + QLatin1String("/Binaries/UT3.exe")));
    fields.workingDirectory =
        QDir::toNativeSeparators(sandbox.path(folder + QLatin1String("/Binaries")));
    fields.arguments = QStringLiteral("-mod=..\\DuskmereGame -solomod");
    fields.iconPath = QDir::toNativeSeparators(
        sandbox.path(QStringLiteral("Documents/DuskmereGame/Splash/duskmereicon.ico")));
    return fields;
}

QString linkIn(const Sandbox &sandbox, const QString &relative)
{
    return QDir::toNativeSeparators(sandbox.path(relative));
}

bool comInitialised()
{
    IShellLinkW *link = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkW, reinterpret_cast<void **>(&link));
    if (SUCCEEDED(created))
        link->Release();
    return created != CO_E_NOTINITIALIZED;
}
} // namespace

void TestWinShellLink::readBack_data()
{
    QTest::addColumn<QString>("gameFolder");
    QTest::addColumn<QString>("arguments"); // null: no arguments given
    QTest::addColumn<bool>("withIcon");
    QTest::addColumn<int>("iconIndex");

    QTest::newRow("retail") << "Unreal Tournament 3"
                            << "-mod=..\\DuskmereGame -solomod" << true << 0;
    QTest::newRow("steam") << "Steam"
                           << "-applaunch 13210 -mod=..\\DuskmereGame -solomod" << true << 2;
    QTest::newRow("no arguments, no icon") << "UT3" << QString() << false << 0;
    // Wine keeps the path of a link in the ANSI code page; Windows would take any character.
    QTest::newRow("accented folder")
        << QStringLiteral("Spiele/Unreal Tournament 3 \u00c9dition sp\u00e9ciale") << "-solomod"
        << true << 1;
}

void TestWinShellLink::readBack()
{
    QFETCH(QString, gameFolder);
    QFETCH(QString, arguments);
    QFETCH(bool, withIcon);
    QFETCH(int, iconIndex);
    Sandbox sandbox;
    Platform::ShellLinkFields fields = gameLink(sandbox, gameFolder);
    fields.arguments = arguments;
    if (!withIcon)
        fields.iconPath = QString();
    fields.iconIndex = iconIndex;
    sandbox.mkdir(QStringLiteral("Desktop"));
    const QString linkPath = linkIn(sandbox, QStringLiteral("Desktop/The Duskmere.lnk"));

    QVERIFY(Platform::writeShellLink(linkPath, fields));

    const ReadLink link = readLink(linkPath);
    QVERIFY(link.loaded);
    QCOMPARE(link.target, fields.target);
    QCOMPARE(link.workingDirectory, fields.workingDirectory);
    QCOMPARE(link.arguments, arguments.isNull() ? QString() : arguments);
    QCOMPARE(link.iconPath, withIcon ? fields.iconPath : QString());
    if (withIcon)
        QCOMPARE(link.iconIndex, iconIndex);
}

void TestWinShellLink::replacesAnExistingLink()
{
    Sandbox sandbox;
    Platform::ShellLinkFields fields = gameLink(sandbox, QStringLiteral("UT3"));
    const QString linkPath = linkIn(sandbox, QStringLiteral("The Duskmere.lnk"));
    QVERIFY(Platform::writeShellLink(linkPath, fields));

    fields.arguments = QStringLiteral("-applaunch 13210 -mod=..\\DuskmereGame -solomod");
    QVERIFY(Platform::writeShellLink(linkPath, fields));
    QCOMPARE(readLink(linkPath).arguments, fields.arguments);
}

void TestWinShellLink::unwritablePlaces_data()
{
    QTest::addColumn<QString>("linkPath");
    QTest::addColumn<QString>("folderAtLink"); // a folder made at this place first

    QTest::newRow("folder missing") << "Start Menu/The Duskmere/The Duskmere.lnk" << QString();
    QTest::newRow("folder in the way") << "The Duskmere.lnk"
                                       << "The Duskmere.lnk";
}

void TestWinShellLink::unwritablePlaces()
{
    QFETCH(QString, linkPath);
    QFETCH(QString, folderAtLink);
    Sandbox sandbox;
    const Platform::ShellLinkFields fields = gameLink(sandbox, QStringLiteral("UT3"));
    if (!folderAtLink.isEmpty())
        sandbox.mkdir(folderAtLink);

    QVERIFY(!Platform::writeShellLink(linkIn(sandbox, linkPath), fields));
    const QFileInfo written(sandbox.path(linkPath));
    QVERIFY(!written.isFile());
}

// The GUI thread of the program has COM running already; any other caller gets it brought up
// and taken down again, so the thread is left as it was found.
void TestWinShellLink::comLeftAsFound_data()
{
    QTest::addColumn<bool>("comBefore");

    QTest::newRow("thread without COM") << false;
    QTest::newRow("thread with COM") << true;
}

void TestWinShellLink::comLeftAsFound()
{
    QFETCH(bool, comBefore);
    Sandbox sandbox;
    const Platform::ShellLinkFields fields = gameLink(sandbox, QStringLiteral("UT3"));
    const QString linkPath = linkIn(sandbox, QStringLiteral("The Duskmere.lnk"));

    bool initialisedBefore = false;
    bool written = false;
    bool initialisedAfter = false;
    QThread *thread = QThread::create([&] {
        if (comBefore)
            CoInitialize(nullptr);
        initialisedBefore = comInitialised();
        written = Platform::writeShellLink(linkPath, fields);
        initialisedAfter = comInitialised();
        if (comBefore)
            CoUninitialize();
    });
    thread->start();
    QVERIFY(thread->wait(30000));
    delete thread;

    if (!comBefore && initialisedBefore)
        QSKIP("this process has a multithreaded COM apartment: every thread counts as "
              "initialised");
    QCOMPARE(initialisedBefore, comBefore);
    QVERIFY(written);
    QCOMPARE(initialisedAfter, comBefore);
    QCOMPARE(readLink(linkPath).target, fields.target);
}

DUSKMERE_TEST_MAIN(TestWinShellLink)
#include "tst_winshelllink.moc"
