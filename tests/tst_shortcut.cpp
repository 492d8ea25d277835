#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "install/ShortcutStep.h"
#include "platform/ShellLink.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QtEndian>

// The link step's failures, and the Unix link writer beneath it; the links as written are the real
// program's test.
class TestShortcut : public QObject
{
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
    void header();
    void writeFails();
};

namespace {
const QString DesktopMessage = QStringLiteral(
    "<html><b>DuskmereSetup couldn't create a Desktop shortcut.<br>This means you probably won't "
    "be able to play!</b><br><br>Please make sure you have writing permission for your "
    "desktop.<br><br> If you are using Windows Vista or newer, please try restarting "
    "DuskmereSetup as Administrator (right click the setup icon).<br><br><b>If all else fails, "
    "please try installing The Duskmere manually.</b></html>");
const QString StartMenuMessage = QString(DesktopMessage).replace("a Desktop", "a Start Menu");

bool runStepRequestsQuit(DuskmereWizard &wizard)
{
    return EventLoop::requestsQuit([&] { ShortcutStep::run(&wizard, &wizard); });
}
} // namespace

void TestShortcut::failures_data()
{
    QTest::addColumn<QString>("scene"); // what is wrong when the step runs
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("Desktop link not written, Start Menu link still made")
        << "desktop-link-folder" << QStringList {DesktopMessage};
    QTest::newRow("neither folder made, each with its message")
        << "desktop-file group-file" << QStringList {DesktopMessage, StartMenuMessage};
    QTest::newRow("the game is gone, Start Menu only")
        << "game-gone menu-only" << QStringList {StartMenuMessage};
}

void TestShortcut::failures()
{
    QFETCH(QString, scene);
    QFETCH(QStringList, messages);
    Sandbox sandbox;
    DuskmereWizard wizard;
    sandbox.write(QStringLiteral("UT3.exe"), "MZ");
    wizard.ut3Path = sandbox.path(scene.contains("game-gone") ? "Gone.exe" : "UT3.exe");
    wizard.desktopLink = !scene.contains("menu-only");
    wizard.startMenuLink = true;
    const QString group = sandbox.startMenu() + "/The Duskmere";
    if (scene.contains("desktop-link-folder"))
        QDir().mkpath(sandbox.desktop() + "/The Duskmere.lnk");
    if (scene.contains("desktop-file"))
        sandbox.write(sandbox.desktop(), "not a folder");
    if (scene.contains("group-file"))
        sandbox.write(group, "not a folder");

    // After the first failure the program is quitting: a second box closes at once.
    MessageBoxAnswerer boxes;
    QVERIFY(runStepRequestsQuit(wizard));
    QCOMPARE(boxes.texts(), messages);
    for (const MessageBoxAnswerer::Box &box : std::as_const(boxes.seen))
        QVERIFY(box.title == "DuskmereSetup - Critical Error" && box.icon == QMessageBox::Critical
                && box.buttons == QMessageBox::Ok);
    QCOMPARE(QFileInfo(group + "/The Duskmere.lnk").isFile(), !messages.contains(StartMenuMessage));
}

void TestShortcut::header()
{
    SKIP_ON_WINDOWS("a test of the Unix link writer");
    Sandbox sandbox;
    sandbox.write(QStringLiteral("UT3.exe"), QByteArray(1234, 'x'));
    // An old, longer link behind a link, which is replaced, never written through.
    sandbox.write(QStringLiteral("elsewhere/x.lnk"), QByteArray(100000, 'o'));
    QVERIFY(QFile::link(sandbox.path("elsewhere/x.lnk"), sandbox.path("x.lnk")));
    QFile target(sandbox.path(QStringLiteral("UT3.exe")));
    QVERIFY(target.open(QIODevice::ReadOnly)
            && target.setFileTime(QDateTime(QDate(2009, 10, 11), QTime(12, 13, 14), Qt::UTC),
                                  QFileDevice::FileModificationTime));
    QVERIFY(Platform::writeShellLink(
        sandbox.path("x.lnk"),
        {target.fileName(), sandbox.root(), "-solomod", "/duskmere.ico", 7}));
    const QByteArray bytes = sandbox.read("x.lnk");
    QVERIFY(bytes.size() > 0x4C);
    // The structure at large, for any fields, is the fuzz harness's: fuzz/ShellLinkReader.
    QCOMPARE(qFromLittleEndian<quint64>(bytes.data() + 0x2C), 0x1ca4a6c35062900ull); // written
    QCOMPARE(qFromLittleEndian<quint32>(bytes.data() + 0x34), 1234u);
    QCOMPARE(qFromLittleEndian<quint32>(bytes.data() + 0x38), 7u);
    QCOMPARE(bytes.right(4), QByteArray(4, '\0')); // terminal block, nothing of the old link
    QVERIFY(!QFileInfo(sandbox.path("x.lnk")).isSymLink()
            && QFileInfo(sandbox.path("elsewhere/x.lnk")).size() == 100000);
}

void TestShortcut::writeFails()
{
    SKIP_ON_WINDOWS("a test of the Unix link writer");
    Sandbox sandbox;
    sandbox.write(QStringLiteral("UT3.exe"), "MZ");
    sandbox.write(QStringLiteral("old.lnk"), "an older link");
    sandbox.mkdir(QStringLiteral("folder.lnk"));
    const QStringList before = QDir(sandbox.root()).entryList(QDir::AllEntries | QDir::Hidden);

    // Saving over a folder fails only at the very end; the format holds no 70000 characters.
    QVERIFY(!Platform::writeShellLink(sandbox.path("folder.lnk"),
                                      {sandbox.path("UT3.exe"), sandbox.root(), {}, {}, 0}));
    QVERIFY(!Platform::writeShellLink(
        sandbox.path("old.lnk"),
        {sandbox.path("UT3.exe"), sandbox.root(), QString(70000, 'a'), {}, 0}));
    // Nothing half written, no temporary file left, the old link as it was.
    QCOMPARE(QDir(sandbox.root()).entryList(QDir::AllEntries | QDir::Hidden), before);
    QCOMPARE(sandbox.read("old.lnk"), QByteArray("an older link"));
    QVERIFY(QFileInfo(sandbox.path("folder.lnk")).isDir());
}

DUSKMERE_TEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
