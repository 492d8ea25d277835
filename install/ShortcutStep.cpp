#include "ShortcutStep.h"

#include "Shortcut.h"
#include "ShortcutNames.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/shortcuts/Launcher.h"
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

bool makeFolder(const QString &path)
{
    return QDir().mkpath(Platform::localPath(path));
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

// The launcher beside a link: the same program, arguments, folder and icon, named after the
// link without its ending (only the lower-case ending is one, as for the link).
bool writeLauncher(Platform::LauncherPlace place, const Settings &settings, const Shortcut &link)
{
    QString name = settings.name;
    if (name.endsWith(QLatin1String(".lnk")))
        name.chop(4);
    Platform::LauncherFields fields;
    fields.name = name;
    fields.program = QFileInfo(Platform::localPath(link.target)).absoluteFilePath();
    fields.arguments = link.arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    fields.workingDirectory = QFileInfo(fields.program).absolutePath();
    fields.icon = Platform::localPath(link.iconPath);
    return Platform::writeLauncher(place, settings.groupName, name, fields);
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

    if (wizard->desktopLink) {
        // The Desktop folder of a fresh account on Linux may not exist yet.
        QString linkPath = desktop + QLatin1Char('/') + settings.name;
        if (!ShortcutNames::isFileName(settings.name) || !makeFolder(desktop)
            || (linkGoesTo(desktop, Platform::LauncherPlace::Desktop) && !link.create(linkPath))
            || !writeLauncher(Platform::LauncherPlace::Desktop, settings, link)) {
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
        const QString group = programs + QLatin1Char('/') + settings.groupName;
        QString linkPath = group + QLatin1Char('/') + settings.name;
        if (!ShortcutNames::isFileName(settings.name)
            || !ShortcutNames::isFolderPath(settings.groupName) || !makeFolder(group)
            || (linkGoesTo(programs, Platform::LauncherPlace::Menu) && !link.create(linkPath))
            || !writeLauncher(Platform::LauncherPlace::Menu, settings, link)) {
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
