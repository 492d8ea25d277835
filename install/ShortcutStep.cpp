#include "ShortcutStep.h"

#include "Shortcut.h"
#include "ShortcutNames.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/shortcuts/Launcher.h"
#include "platform/shortcuts/ShortcutFiles.h"
#include "platform/steam/SteamClient.h"
#include "wizard/Config.h"
#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {
// The game reads the mod from "..\DuskmereGame" relative to its Binaries folder.
const QString RetailArguments = QStringLiteral("-mod=..\\DuskmereGame -solomod");
const QString SteamArguments =
    QStringLiteral("-applaunch %1 ").arg(Platform::Ut3AppId) + RetailArguments;

struct Settings
{
    QString icon;
    int iconIndex;
    QString name;
    QString groupName;
};

Settings readSettings()
{
    const ConfigFile config;
    return {config.value(Config::ShortcutIcon).toString(),
            config.value(Config::ShortcutIconIndex).toInt(),
            config.value(Config::ShortcutName).toString(),
            config.value(Config::ShortcutGroupName).toString()};
}

// Without its shortcut the game cannot start the mod, so the installation counts as failed.
// exit() rather than quit(): quit() would first try to close the wizard, and closing it asks
// whether to quit. Either way the loop ends only once the Copy page's handler has run.
void fail(QWidget *parent, const QString &message)
{
    QMessageBox::critical(
        parent, QCoreApplication::translate("ShortcutStep", "DuskmereSetup - Critical Error"),
        message, QMessageBox::Ok, QMessageBox::NoButton);
    QCoreApplication::exit(0);
}

// One icon per place: where the prefix's folder is the one that receives the launchers (Wine
// links its Desktop to the user's own), the launcher alone goes there, since no Linux desktop
// starts a link. A place without a launcher folder always gets its link.
bool linkGoesTo(const QString &folder, Platform::LauncherPlace place)
{
    const QString launchers = QFileInfo(Platform::launcherFolder(place)).canonicalFilePath();
    return launchers.isEmpty()
        || launchers != QFileInfo(Platform::localPath(folder)).canonicalFilePath();
}

QString launcherName(const Settings &settings)
{
    // Named after the link without its ending (only the lower-case ending is one, as for the
    // link).
    QString name = settings.name;
    if (name.endsWith(QLatin1String(".lnk")))
        name.chop(4);
    return name;
}

QStringList groupNames(const Settings &settings)
{
    return QString(settings.groupName)
        .replace(QLatin1Char('\\'), QLatin1Char('/'))
        .split(QLatin1Char('/'));
}

// The names must stay names, and each file the shortcut puts on disk must be able to carry its
// name there; else nothing at all is written for it.
bool namesHold(const Settings &settings, bool menu)
{
    if (!ShortcutNames::isFileName(settings.name)
        || (menu && !ShortcutNames::isFolderPath(settings.groupName)))
        return false;
    const QString linkName = settings.name.endsWith(QLatin1String(".lnk"))
        ? settings.name
        : settings.name + QLatin1String(".lnk");
    QStringList names =
        QStringList {linkName} + Platform::launcherFileNames(launcherName(settings));
    if (menu)
        names += groupNames(settings);
    return Platform::ShortcutFiles::namesFit(names);
}

// The launcher beside a link: the same program, arguments, folder and icon.
bool stageLauncher(Platform::ShortcutFiles &files, Platform::LauncherPlace place,
                   const Settings &settings, const Shortcut &link, const QByteArray &iconPng)
{
    Platform::LauncherFields fields;
    fields.name = launcherName(settings);
    fields.program = QFileInfo(Platform::localPath(link.target)).absoluteFilePath();
    fields.arguments = link.arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    fields.workingDirectory = QFileInfo(fields.program).absolutePath();
    fields.iconPng = iconPng;
    const QStringList group =
        place == Platform::LauncherPlace::Menu ? groupNames(settings) : QStringList();
    return Platform::stageLauncher(files, place, group, fields.name, fields);
}

// One shortcut, in the Desktop folder or in the group below the Start Menu's programs folder:
// its link and its launcher are named together or not at all.
bool makeShortcut(Platform::LauncherPlace place, const QString &folder, const Settings &settings,
                  Shortcut &link, const QByteArray &iconPng)
{
    const bool menu = place == Platform::LauncherPlace::Menu;
    if (!namesHold(settings, menu))
        return false;
    // Made first, so that where it is the launchers' folder too, it is seen to be that.
    QDir().mkpath(Platform::localPath(folder));
    Platform::ShortcutFiles files;
    if (linkGoesTo(folder, place)) {
        const QStringList group = menu ? groupNames(settings) : QStringList();
        const int held = files.folder(Platform::localPath(folder), group);
        QString linkPath = folder + QLatin1Char('/')
            + (menu ? group.join(QLatin1Char('/')) + QLatin1Char('/') : QString()) + settings.name;
        if (held < 0 || !link.stage(files, held, linkPath))
            return false;
    }
    return stageLauncher(files, place, settings, link, iconPng) && files.nameAll();
}
} // namespace

void ShortcutStep::run(DuskmereWizard *wizard, QWidget *messageParent)
{
    const Settings settings = readSettings();
    const QString iconPath = wizard->ut3UserDir + QLatin1Char('/') + settings.icon;
    const QString desktop = Platform::desktopFolder();
    const QString programs = Platform::startMenuFolder();

    Shortcut steamLink(wizard->steamPath, SteamArguments, iconPath, settings.iconIndex);
    Shortcut retailLink(wizard->ut3Path, RetailArguments, iconPath, settings.iconIndex);
    Shortcut &link = wizard->steam ? steamLink : retailLink;

    // Read once for every launcher; a hostile icon leaves them without one.
    const QByteArray iconPng = wizard->desktopLink || wizard->startMenuLink
        ? Platform::launcherIcon(Platform::localPath(iconPath))
        : QByteArray();

    if (wizard->desktopLink) {
        // The Desktop folder of a fresh account on Linux may not exist yet: it is made.
        if (!makeShortcut(Platform::LauncherPlace::Desktop, desktop, settings, link, iconPng)) {
            fail(messageParent,
                 QCoreApplication::translate(
                     "ShortcutStep",
                     "<html><b>DuskmereSetup couldn't create a Desktop shortcut.<br>This means you "
                     "probably won't be able to play!</b><br><br>Please make sure you have "
                     "writing permission for your desktop.<br><br> If you are using Windows Vista "
                     "or newer, please try restarting DuskmereSetup as Administrator (right click "
                     "the setup icon).<br><br><b>If all else fails, please try installing The "
                     "Duskmere manually.</b></html>"));
        }
    }

    if (wizard->startMenuLink) {
        if (!makeShortcut(Platform::LauncherPlace::Menu, programs, settings, link, iconPng)) {
            fail(messageParent,
                 QCoreApplication::translate(
                     "ShortcutStep",
                     "<html><b>DuskmereSetup couldn't create a Start Menu shortcut.<br>This means "
                     "you probably won't be able to play!</b><br><br>Please make sure you have "
                     "writing permission for your desktop.<br><br> If you are using Windows Vista "
                     "or newer, please try restarting DuskmereSetup as Administrator (right click "
                     "the setup icon).<br><br><b>If all else fails, please try installing The "
                     "Duskmere manually.</b></html>"));
        }
    }
}
