#include "LnkInfo.h"
#include "ProgramRun.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "platform/folders/StandardFolders.h"
#include "platform/wine/Edition.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

// The real program, started as a user starts it: the whole installation of the sample release,
// twice over; every way out ends with exit code 0, and one that ends on an error writes nothing
// more.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(ProgramRun::available(), "no autopilot in \"generic\""); }
    void install_data();
    void install();
    void waysOut_data();
    void waysOut();
};

namespace {
// Desktop launchers are checked with tools written apart from this program: desktop-file-validate
// (Debian package desktop-file-utils) and gio (libglib2.0-bin), which starts one as a desktop
// does. Where a tool is missing, the check fails and says so. Returns nothing when the tool
// passes, else what it says.
QString runTool(const QString &tool, const QStringList &arguments, const QProcessEnvironment &env)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return tool + " is not installed";
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return tool + " did not finish";
    const QString output = QString::fromUtf8(process.readAll()).trimmed();
    return process.exitCode() == 0 ? output : output + " (failed)";
}

// Stand-ins for `steam`, `wine`, `flatpak` and `snap` in the sandbox's folder `bin`, which comes
// first on PATH; returns that folder.
QString standIns(const Sandbox &sandbox, const QString &bin)
{
    const QByteArray script = "#!/bin/sh\n{ basename \"$0\"; printf '%s\\n' \"$@\"; "
                              "echo \"cwd=$PWD\"; echo \"WINEPREFIX=$WINEPREFIX\"; } "
                              "> \"$RECORD.part\" && mv \"$RECORD.part\" \"$RECORD\"\n";
    for (const char *name : {"steam", "wine", "flatpak", "snap"}) {
        sandbox.write(bin + '/' + name, script);
        QFile::setPermissions(sandbox.path(bin + '/' + name),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return sandbox.path(bin);
}

// Starts the launcher with the stand-ins of `bin` first on PATH: what was started, its
// arguments, then "cwd=<folder>" and "WINEPREFIX=<as set>", one a line; empty when nothing
// started.
QStringList launch(const Sandbox &sandbox, const QString &desktopFile, const QString &bin)
{
    const QString record = sandbox.path("started");
    QFile::remove(record);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", standIns(sandbox, bin) + ':' + env.value("PATH"));
    env.insert("RECORD", record);
    env.remove("WINEPREFIX");
    const QString problem = runTool("gio", {"launch", desktopFile}, env);
    if (!problem.isEmpty())
        qWarning("gio: %s", qPrintable(problem));
    if (!QTest::qWaitFor([&] { return QFile::exists(record); }, 10000))
        return {};
    return QString::fromUtf8(sandbox.read(record)).split('\n', Qt::SkipEmptyParts);
}
} // namespace

void TestProgram::install_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QString>("root"); // of Steam for Linux below home; none: Wine's ~/.wine
    QTest::newRow("steam for Windows in ~/.wine, an empty Steam for Linux beside it") << true << "";
    QTest::newRow("retail in ~/.wine, a read-only file, Steam's library holds a copy, installed "
                  "paths past 260 characters")
        << false << "";
    QTest::newRow("steam for Linux, the game in a second library, links as configured, a '=' in "
                  "Steam's path")
        << true << ".local/share/Steam";
    QTest::newRow("Flatpak's Steam") << true << ".var/app/com.valvesoftware.Steam/data/Steam";
    QTest::newRow("Snap's Steam") << true << "snap/steam/common/.local/share/Steam";
}

void TestProgram::install()
{
    QFETCH(bool, steam);
    QFETCH(QString, root);
    const bool unix = QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
    const bool steamForLinux = !root.isEmpty();
    if (steamForLinux && !unix)
        QSKIP("Steam for Linux");
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    // Only the lower-case ending counts as one; a backslash in the group name makes folders.
    const bool configured = root.startsWith(".local");
    const QByteArray shortcut = configured ? "Name=Play.LNK\nGroupName=Duskmere\\\\Tools\n"
                                             "Icon=DuskmereGame\\\\Art\\\\game.ico\nIconIndex=2\n"
                                           : "";
    const QString link =
        configured ? "Duskmere/Tools/Play.LNK.lnk" : "The Duskmere/The Duskmere.lnk";
    // A name beyond Latin-1 (the sandbox's has one within) and a read-only file, as mods come.
    sandbox.write("work/GameFiles/DuskmereGame/Maps/DM-\u5915\u66ae\u308c.ut3", "map");
    if (QByteArray(QTest::currentDataTag()).contains("260"))
        sandbox.write("work/GameFiles/DuskmereGame/" + QString(120, 'D') + '/' + QString(120, 'f'),
                      "deep");
    sandbox.write("work/GameFiles/DuskmereGame/Art/game.ico",
                  sandbox.read("work/GameFiles/DuskmereGame/Splash/duskmereicon.ico"));
    // Extras opened at Close: ticked ones in order, web addresses only over http, files that exist.
    sandbox.write("work/Read Me.txt", "hello");
    sandbox.writeConfig(
        sandbox.read("work/ds.conf") + "\n[Shortcut]\n" + shortcut
        + "[Extras]\nURL1=HTTP://example.com/Duskmere\nURL2=Read Me.txt\nDefault2=1\n"
          "URL3=http://example.com/no\nDesc3=No\nURL4=https://example.com/s\nDesc4=S\n"
          "Default4=1\nURL5=none.txt\nDesc5=None\nDefault5=1\nURL6=http://x/last\n"
          "Desc6=Last\n");
    const QString config = SampleWorld::dataDir(sandbox) + "/DuskmereGame/Config/DefaultGame.ini";
    QVERIFY(steam || QFile::setPermissions(config, QFile::ReadOwner | QFile::ReadOther));
    // Stand-ins for steam, wine, flatpak and snap come first on PATH, whatever the machine has.
    const QString bin = configured ? "a=b" : "bin";
    sandbox.setEnv("PATH",
                   (unix ? standIns(sandbox, bin) + ':' : "") + qEnvironmentVariable("PATH"));
    // Steam for Linux beside Wine's prefix: without the game for the Steam edition, with it for
    // the retail one; neither may take the game away from the prefix.
    const QString library = !unix ? QString() : SampleWorld::steamHome(sandbox, root);
    if (unix && !steamForLinux) {
        QVERIFY(QFile::link(sandbox.prefix(), sandbox.home() + "/.wine"));
        QVERIFY(!steam || QFile::remove(library + "/steamapps/appmanifest_13210.acf"));
    }
    if (unix)
        qunsetenv("WINEPREFIX"); // the sandbox puts it back
    Platform::setSteamEdition(steam); // for the folders the program finds
    // A group folder that is there already will do.
    sandbox.mkdir(ProgramRun::folder(Platform::startMenuFolder) + '/' + QFileInfo(link).path());

    ProgramRun run;
    run.steps = QString("click:%1 Version;click:Continue;click:Continue;click:Continue;"
                        "click:Install;click:Continue;click:Last;click:Close")
                    .arg(steam ? "Steam" : "Retail")
                    .split(';');
    // The second install goes over the first and replaces every file, the read-only one too.
    for (int round = 1; round <= 2; ++round) {
        const ProgramRun::Result result = run.run(sandbox);
        QVERIFY2(result.finished && result.exitCode == 0, qPrintable(result.log.join('\n')));
        QCOMPARE(result.records("open"),
                 (QStringList {
                     "http://example.com/Duskmere",
                     QUrl::fromLocalFile(QFileInfo("Read Me.txt").canonicalFilePath()).toString(),
                     "http://x/last"}));
    }
    const QString installed =
        ProgramRun::folder(Platform::documentsFolder) + "/My Games/Unreal Tournament 3";
    QCOMPARE(Sandbox::tree(installed), Sandbox::tree(SampleWorld::dataDir(sandbox)));
    // Into the game's Proton prefix, or into Wine's, whose Documents are the user's.
    if (unix)
        QVERIFY2(QFileInfo(installed).canonicalFilePath().startsWith(
                     QFileInfo(steamForLinux ? SampleWorld::protonPrefix(library)
                                             : sandbox.home() + "/Documents")
                         .canonicalFilePath()),
                 qPrintable(installed));

    const QString arguments =
        QString(steam ? "-applaunch 13210 " : "") + "-mod=..\\DuskmereGame -solomod";
    const QString desktopLink =
        ProgramRun::folder(Platform::desktopFolder) + '/' + QFileInfo(link).fileName();
    const QMap<QString, QString> fields =
        LnkInfo::read(ProgramRun::folder(Platform::startMenuFolder) + '/' + link);
    // One icon per place: Wine's Desktop is the user's, where the launcher alone goes.
    if (unix && !steamForLinux)
        QVERIFY(!QFileInfo::exists(desktopLink) && QFileInfo(desktopLink).dir().exists());
    else
        QCOMPARE(LnkInfo::read(desktopLink), fields);
    QCOMPARE(fields.value("Command line arguments"), arguments);
    QCOMPARE(fields.value("Icon index"), shortcut.isEmpty() ? "0" : "2");
    const auto winPath = [&](QString path) { return (unix ? "Z:" : "") + path.replace('/', '\\'); };
    // A folder inside the prefix by its drive (Proton's: the install went there), a host folder
    // that Wine links to as drive Z:.
    QCOMPARE(fields.value("Icon location"),
             (steamForLinux ? "C:\\users\\steamuser\\Documents\\My Games\\Unreal Tournament 3"
                            : winPath(QFileInfo(installed).canonicalFilePath()))
                 + (configured ? "\\DuskmereGame\\Art\\game.ico"
                               : "\\DuskmereGame\\Splash\\duskmereicon.ico"));
    const QString client =
        QStringList {"steam", "flatpak", "snap"}.value(root.startsWith(".var")       ? 1
                                                           : root.startsWith("snap") ? 2
                                                                                     : 0);
    const QString target = steamForLinux
        ? winPath(QFileInfo(sandbox.path(bin + '/' + client)).canonicalFilePath())
        : SampleWorld::inLink(sandbox, steam);
    QCOMPARE(fields.value("Local path"), target);
    QCOMPARE(fields.value("Working directory"), target.left(target.lastIndexOf('\\')));
    if (!unix)
        return;

    // Beside the links, launchers that the desktop starts: Steam for Linux itself, through its
    // sandbox's command where it has one, otherwise the program through Wine in its prefix.
    const QString name = QFileInfo(link).completeBaseName();
    const QString launcher = sandbox.home() + "/Desktop/" + name + ".desktop";
    QCOMPARE(runTool("desktop-file-validate", {launcher}, QProcessEnvironment::systemEnvironment()),
             "");
    QVERIFY(QFileInfo(launcher).isExecutable());
    QCOMPARE(sandbox.read("xdg/data/applications/" + link.chopped(4) + ".desktop"),
             sandbox.read(launcher));
    const QString icon = sandbox.path("xdg/data/icons/" + name + ".png");
    QVERIFY(!QImage(icon).isNull() && sandbox.read(launcher).contains("\nIcon=" + icon.toUtf8()));
    const QFileInfo program(
        QFileInfo(steam ? SampleWorld::steamExe(sandbox) : SampleWorld::retailExe(sandbox))
            .canonicalFilePath());
    const QString game = library + "/steamapps/common/Unreal Tournament 3/Binaries";
    const QStringList sandboxRun = client == "flatpak"
        ? QStringList {"run", "com.valvesoftware.Steam"}
        : client == "snap" ? QStringList {"run", "steam"}
                           : QStringList();
    const QStringList started = (steamForLinux ? QStringList {client} + sandboxRun
                                               : QStringList {"wine", program.filePath()})
        + arguments.split(' ')
        + QStringList {"cwd=" + (steamForLinux ? game : program.path()),
                       "WINEPREFIX=" + (steamForLinux ? "" : sandbox.home() + "/.wine")};
    QCOMPARE(launch(sandbox, launcher, bin), started);
}

void TestProgram::waysOut_data()
{
    QTest::addColumn<QByteArray>("config"); // added to the sample's ds.conf
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("steps"); // ';' between them, then '|' and those of a new copy
    QTest::addColumn<QStringList>("boxes"); // the start of each box's title and text, or all
    const auto row = [](const char *name, const QByteArray &config, const char *steps,
                        const QStringList &boxes, const QStringList &arguments = {}) {
        QTest::newRow(name) << config << arguments << QString(steps) << boxes;
    };
    const QString quit = "DuskmereSetup - Really quit?\tAre you sure you want to quit";
    const QString critical = "DuskmereSetup - Critical Error\t<html>";
    row("on Paths: escape, no; cancel, no; the close button, yes; with arguments", {},
        "click:Continue;click:Continue;key:Escape;answer:No;click:Cancel;answer:No;"
        "close;answer:Yes",
        {quit, quit, quit}, {"--install", "-x", "C:\\Games", "ds.conf"});
    const QString reset = "DuskmereSetup - Really reset?\tAre you sure you want to reset "
                          "DuskmereSetup?";
    // Reset starts a new copy on the Welcome page, where Escape asks to quit.
    row("reset, no, then yes", {},
        "click:Continue;click:Reset;answer:No;click:Reset;answer:Yes|key:Escape;answer:Yes",
        {reset, reset, quit});
    row("data directory missing", "[Files]\ndataDir=NoSuchFolder\n", "click:Continue;answer:OK",
        {critical + "<b>Data directory <i>NoSuchFolder</i> missing."});
    // As unzip leaves a name from a Windows archive: the walk must not pass over the file.
    row("a file name in Latin-1", {}, "click:Continue;answer:OK",
        {critical
         + "<b>The file name <i>DM-Caf\\xe9.ut3</i> in<br><i><data>/DuskmereGame</i><br>cannot "
           "be read.</b><br><br>The archive was unpacked with the wrong file name encoding."});
    // A folder stands where the first file in sorted order belongs; a file where the game's
    // folders go.
    const QString cannot = critical
        + "DuskmereSetup couldn't %1<br><i><documents>/My Games/Unreal Tournament 3%2</i><br><br>"
          "Please make sure you have permission to write to this location and restart "
          "DuskmereSetup. Another possible cause is a faulty existing installation. Deleting "
          "existing files may help.</html>";
    const char *install = "click:Continue;click:Continue;click:Continue;click:Install;answer:OK";
    row("a file cannot be copied", {}, install,
        {cannot.arg("copy the file", "/DuskmereGame/Config/DefaultGame.ini")});
    row("a folder cannot be prepared", {}, install, {cannot.arg("prepare the directory", "")});
    // Steam makes the game's prefix only when the game first starts.
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        row("steam for Linux, the game never started", {},
            "click:Steam Version;click:Continue;"
            "answer:OK",
            {critical + "<b>Unreal Tournament 3 has never been started from Steam."});
    // Wine refuses such a prefix; taken from the working folder, it would hold the mod unseen.
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        row("a WINEPREFIX that is no full path", {}, "click:Continue;answer:OK",
            {critical + "<b>WINEPREFIX names <i>.wine</i>, which is not a full path."});
}

void TestProgram::waysOut()
{
    QFETCH(QByteArray, config);
    QFETCH(QStringList, arguments);
    QFETCH(QString, steps);
    QFETCH(QStringList, boxes);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    sandbox.writeConfig(sandbox.read("work/ds.conf") + "\n" + config);
    const QString documents = ProgramRun::folder(Platform::documentsFolder);
    const QString tag = QTest::currentDataTag();
    if (tag.endsWith("copied"))
        sandbox.mkdir(documents
                      + "/My Games/Unreal Tournament 3/DuskmereGame/Config/DefaultGame.ini");
    if (tag.endsWith("prepared"))
        sandbox.write(documents + "/My Games", "in the way");
    if (tag.endsWith("never started")) {
        const QString library = SampleWorld::steamHome(sandbox);
        QVERIFY(QDir(SampleWorld::protonPrefix(library)).removeRecursively());
        qunsetenv("WINEPREFIX"); // the sandbox puts it back
    }
    if (tag.endsWith("full path"))
        qputenv("WINEPREFIX", ".wine"); // the sandbox puts it back
    const QString data = QFileInfo(SampleWorld::dataDir(sandbox)).canonicalFilePath();
    if (tag.endsWith("Latin-1")) {
        SKIP_ON_WINDOWS("Windows names are UTF-16");
        QCOMPARE(QProcess::execute("sh",
                                   {"-c", "printf x > \"$1/$(printf 'DM-Caf\\351.ut3')\"", "sh",
                                    data + "/DuskmereGame"}),
                 0);
    }
    const QStringList folders {sandbox.home(), sandbox.path("xdg/data"), documents,
                               sandbox.path("Games")};
    QList<QMap<QString, QByteArray>> before;
    for (const QString &folder : folders)
        before << Sandbox::tree(folder);

    ProgramRun run;
    run.steps = steps.section('|', 0, 0).split(';');
    run.stepsOfNewCopy = steps.section('|', 1).split(';', Qt::SkipEmptyParts);
    run.arguments = arguments;
    const ProgramRun::Result result = run.run(sandbox);
    QVERIFY2(result.finished && !result.crashed, qPrintable(result.log.join('\n')));
    QCOMPARE(result.exitCode, 0);
    // A new copy is detached: wait for its own records, its start and the steps it took.
    const auto log = [&] { return QString::fromUtf8(sandbox.read("autopilot.log")); };
    const qsizetype copies = run.stepsOfNewCopy.isEmpty() ? 1 : 2;
    QVERIFY2(QTest::qWaitFor([&] { return log().count("\nquit\t") == copies; }, 30000),
             qPrintable(log()));
    ProgramRun::Result all; // both copies' records
    all.log = log().split('\n', Qt::SkipEmptyParts);
    const QStringList seen = all.records("box");
    QCOMPARE(seen.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QVERIFY2(seen[i].startsWith(
                     QString(boxes[i]).replace("<documents>", documents).replace("<data>", data)),
                 qPrintable(seen[i]));
    QCOMPARE(log().count("start\t"), copies);
    QCOMPARE(log().count("\nstep\t"), run.steps.size() + run.stepsOfNewCopy.size());
    for (int i = 0; i < folders.size(); ++i)
        QCOMPARE(Sandbox::tree(folders[i]), before[i]);
}

DUSKMERE_TEST_MAIN(TestProgram)
#include "tst_program.moc"
