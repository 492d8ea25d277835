#include "EventLoop.h"
#include "LnkInfo.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "install/Shortcut.h"
#include "install/ShortcutStep.h"
#include "platform/StandardFolders.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QOperatingSystemVersion>

// The links made after copying: their names, folders, contents, and what a failure does.
class TestShortcut : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void linkName_data();
    void linkName();
    void failures_data();
    void failures();
    void startMenuFolder_data();
    void startMenuFolder();
    void edition_data();
    void edition();
};

namespace {
const QString DesktopMessage = QStringLiteral(
    "<html><b>DuskmereSetup couldn't create a Desktop shortcut.<br>This means you probably won't "
    "be able to play!</b><br><br>Please make sure you have writing permission for your "
    "desktop.<br><br> If you are using Windows Vista or newer, please try restarting "
    "DuskmereSetup as Administrator (right click the setup icon).<br><br><b>If all else fails, "
    "please try installing The Duskmere manually.</b></html>");
const QString StartMenuMessage = QString(DesktopMessage).replace("a Desktop", "a Start Menu");
const QString LinkName = QStringLiteral("The Duskmere.lnk");

// Every message box as it is shown: after the first failure the application is quitting, and
// a second box closes as soon as it opens, before any answerer could see it.
class ShownBoxes : public QObject
{
public:
    ShownBoxes() { qApp->installEventFilter(this); }
    ~ShownBoxes() override { qApp->removeEventFilter(this); }

    QStringList texts;
    QStringList oddities; // anything but a critical box with Ok over the wizard, rightly titled

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(object);
        if (!box || event->type() != QEvent::Show)
            return false;
        texts.append(box->text());
        if (box->windowTitle() != QLatin1String("DuskmereSetup - Critical Error")
            || box->icon() != QMessageBox::Critical || box->standardButtons() != QMessageBox::Ok
            || !qobject_cast<DuskmereWizard *>(box->parentWidget()))
            oddities.append(box->windowTitle());
        return false;
    }
};

// Runs the step inside the application's loop; true when it asked the application to quit.
bool runStep(DuskmereWizard &wizard)
{
    QTimer carryOn;
    carryOn.setSingleShot(true);
    QObject::connect(&carryOn, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    MessageBoxAnswerer answerer;
    return EventLoop::runUntilExit([&] {
               ShortcutStep::run(&wizard, &wizard);
               carryOn.start(0);
           })
        == 0;
}

QString desktopLink()
{
    return Platform::desktopFolder() + '/' + LinkName;
}

QString startMenuLink(const QString &group = QStringLiteral("The Duskmere"))
{
    return Platform::startMenuFolder() + '/' + group + '/' + LinkName;
}

// The game in the Wine prefix, reached through its C: drive as the registry names it.
QString installGame(const Sandbox &sandbox, const QString &windowsPath)
{
    if (!QFileInfo::exists(sandbox.path("wineprefix/dosdevices/c:"))) {
        sandbox.mkdir(QStringLiteral("wineprefix/drive_c"));
        sandbox.mkdir(QStringLiteral("wineprefix/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), sandbox.path("wineprefix/dosdevices/c:"));
    }
    sandbox.write("wineprefix/drive_c/" + QString(windowsPath).mid(3).replace('\\', '/'), "MZ");
    return windowsPath;
}

} // namespace

void TestShortcut::init()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("the cases are built on a Wine prefix and Unix folders");
}

void TestShortcut::linkName_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("written"); // below the working directory

    QTest::newRow("ending added") << "Links/The Duskmere"
                                  << "Links/The Duskmere.lnk";
    QTest::newRow("ending kept") << "Links/The Duskmere.lnk"
                                 << "Links/The Duskmere.lnk";
    QTest::newRow("upper case is not the ending") << "Links/The Duskmere.LNK"
                                                  << "Links/The Duskmere.LNK.lnk";
    QTest::newRow("backslashes separate folders") << "Links\\Duskmere"
                                                  << "Links/Duskmere.lnk";
}

void TestShortcut::linkName()
{
    QFETCH(QString, given);
    QFETCH(QString, written);
    Sandbox sandbox;
    sandbox.mkdir(QStringLiteral("work/Links"));
    Shortcut shortcut(sandbox.path("Games/UT3.exe"), QStringLiteral("-solomod"), QString(), 0);

    // A missing target fails before anything is written; a later success clears the failure.
    QString linkPath = given;
    QVERIFY(!shortcut.create(linkPath));
    QVERIFY(shortcut.failed);
    QCOMPARE(QDir(sandbox.path("work/Links")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());

    sandbox.write(QStringLiteral("Games/UT3.exe"), "MZ");
    linkPath = given;
    QVERIFY(shortcut.create(linkPath));
    QVERIFY(!shortcut.failed);
    QCOMPARE(linkPath, QDir::toNativeSeparators(QDir::currentPath() + '/' + written));
    QCOMPARE(QDir(sandbox.path("work/Links")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList(QFileInfo(written).fileName()));
}

void TestShortcut::failures_data()
{
    QTest::addColumn<QString>("inTheWay"); // what stands where a link or folder should go
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    QTest::newRow("nothing") << "" << none;
    QTest::newRow("a file where the Desktop should be")
        << "desktop" << QStringList {DesktopMessage};
    QTest::newRow("a folder where the Desktop link should be")
        << "desktop link" << QStringList {DesktopMessage};
    QTest::newRow("a file where the group folder should be")
        << "group" << QStringList {StartMenuMessage};
    QTest::newRow("both, each with its message")
        << "desktop group" << QStringList {DesktopMessage, StartMenuMessage};
    QTest::newRow("the game's executable is gone")
        << "no game" << QStringList {DesktopMessage, StartMenuMessage};
}

void TestShortcut::failures()
{
    QFETCH(QString, inTheWay);
    QFETCH(QStringList, messages);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.ut3Path = sandbox.path(QStringLiteral("Games/UT3/Binaries/UT3.exe"));
    if (!inTheWay.contains("no game"))
        sandbox.write(QStringLiteral("Games/UT3/Binaries/UT3.exe"), "MZ");
    wizard.desktopLink = wizard.startMenuLink = true;
    const QString desktop = QFileInfo(desktopLink()).path();
    const QString group = QFileInfo(startMenuLink()).path();
    if (inTheWay.contains("desktop link"))
        QDir().mkpath(desktopLink());
    else if (inTheWay.contains("desktop"))
        sandbox.write(QDir(sandbox.root()).relativeFilePath(desktop), "not a folder");
    if (inTheWay.contains("group"))
        sandbox.write(QDir(sandbox.root()).relativeFilePath(group), "not a folder");

    ShownBoxes boxes;
    QCOMPARE(runStep(wizard), !messages.isEmpty());
    QCOMPARE(boxes.texts, messages);
    QCOMPARE(boxes.oddities, QStringList());
    QCOMPARE(QFileInfo(desktopLink()).isFile(), !messages.contains(DesktopMessage));
    QCOMPARE(QFileInfo(startMenuLink()).isFile(), !messages.contains(StartMenuMessage));
}

void TestShortcut::startMenuFolder_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("link"); // below the Start Menu's programs folder

    QTest::newRow("existing group folder") << QByteArray() << "The Duskmere/The Duskmere.lnk";
    QTest::newRow("nested groups") << QByteArray("[Shortcut]\nGroupName=Duskmere/Tools\n")
                                   << "Duskmere/Tools/The Duskmere.lnk";
    QTest::newRow("nested groups, Windows separator")
        << QByteArray("[Shortcut]\nGroupName=Duskmere\\\\Tools\n")
        << "Duskmere/Tools/The Duskmere.lnk";
    QTest::newRow("configured name")
        << QByteArray("[Shortcut]\nName=Play Duskmere\n") << "The Duskmere/Play Duskmere.lnk";
}

void TestShortcut::startMenuFolder()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, link);
    Sandbox sandbox;
    sandbox.writeConfig(ini);
    const QString programs = Platform::startMenuFolder();
    sandbox.write(QDir(sandbox.root()).relativeFilePath(programs) + "/The Duskmere/Other.lnk", "");
    DuskmereWizard wizard;
    wizard.ut3Path = installGame(sandbox, QStringLiteral("C:\\Games\\UT3\\Binaries\\UT3.exe"));
    wizard.startMenuLink = true; // and no Desktop link

    QVERIFY(!runStep(wizard));
    QVERIFY(QFileInfo(programs + '/' + link).isFile());
    QVERIFY(QFileInfo::exists(programs + "/The Duskmere/Other.lnk"));
    QVERIFY(!QFileInfo::exists(Platform::desktopFolder() + '/' + QFileInfo(link).fileName()));
}

void TestShortcut::edition_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("icon"); // below ut3UserDir
    QTest::addColumn<int>("iconIndex");

    const QString ut3 = QStringLiteral("C:\\Games\\UT3\\Binaries\\UT3.exe");
    const QString steam = QStringLiteral("C:\\Program Files\\Steam\\Steam.exe");
    const QString icon = QStringLiteral("DuskmereGame/Splash/duskmereicon.ico");
    QTest::newRow("retail") << false << QByteArray() << ut3 << "-mod=..\\DuskmereGame -solomod"
                            << icon << 0;
    QTest::newRow("Steam") << true << QByteArray() << steam
                           << "-applaunch 13210 -mod=..\\DuskmereGame -solomod" << icon << 0;
    QTest::newRow("retail, configured icon")
        << false << QByteArray("[Shortcut]\nIcon=DuskmereGame\\\\Art\\\\game.ico\nIconIndex=2\n")
        << ut3 << "-mod=..\\DuskmereGame -solomod"
        << "DuskmereGame/Art/game.ico" << 2;
}

void TestShortcut::edition()
{
    QFETCH(bool, steam);
    QFETCH(QByteArray, ini);
    QFETCH(QString, target);
    QFETCH(QString, arguments);
    QFETCH(QString, icon);
    QFETCH(int, iconIndex);
    if (!LnkInfo::available())
        QSKIP("lnkinfo (Debian package liblnk-utils) is not installed");
    Sandbox sandbox;
    sandbox.writeConfig(ini);
    DuskmereWizard wizard;
    wizard.steam = steam;
    wizard.ut3Path = installGame(sandbox, QStringLiteral("C:\\Games\\UT3\\Binaries\\UT3.exe"));
    wizard.steamPath = installGame(sandbox, QStringLiteral("C:\\Program Files\\Steam\\Steam.exe"));
    wizard.desktopLink = wizard.startMenuLink = true;
    const QString iconFile = wizard.ut3UserDir + '/' + icon;
    sandbox.write(QDir(sandbox.root()).relativeFilePath(iconFile), "icon");

    QVERIFY(!runStep(wizard));
    const QMap<QString, QString> desktop = LnkInfo::read(desktopLink());
    QCOMPARE(desktop.value("Local path"), target);
    QCOMPARE(desktop.value("Working directory"), target.left(target.lastIndexOf('\\')));
    QCOMPARE(desktop.value("Command line arguments"), arguments);
    QCOMPARE(desktop.value("Icon location"),
             "Z:" + QFileInfo(iconFile).canonicalFilePath().replace('/', '\\'));
    QCOMPARE(desktop.value("Icon index"), QString::number(iconIndex));
    QCOMPARE(LnkInfo::read(startMenuLink()), desktop);
}

DUSKMERE_TEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
