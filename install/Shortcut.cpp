#include "Shortcut.h"

#include "platform/folders/LocalPath.h"
#include "platform/shortcuts/ShellLink.h"
#include "platform/shortcuts/ShortcutFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString absoluteNative(const QString &configuredPath)
{
    return QDir::toNativeSeparators(
        QFileInfo(Platform::localPath(configuredPath)).absoluteFilePath());
}
} // namespace

Shortcut::Shortcut(const QString &target, const QString &arguments, const QString &iconPath,
                   int iconIndex)
    : target(target)
    , arguments(arguments)
    , iconPath(iconPath)
    , iconIndex(iconIndex)
{ }

bool Shortcut::prepare(QString &linkPath, Platform::ShellLinkFields *fields)
{
    fields->target = absoluteNative(target);
    fields->workingDirectory = QDir::toNativeSeparators(QFileInfo(fields->target).absolutePath());
    fields->arguments = arguments;
    if (!iconPath.isEmpty())
        fields->iconPath = absoluteNative(iconPath);
    fields->iconIndex = iconIndex;

    linkPath = absoluteNative(linkPath);
    // Only the exact lower-case ending counts: "Game.LNK" becomes "Game.LNK.lnk".
    if (!linkPath.endsWith(QLatin1String(".lnk"), Qt::CaseSensitive))
        linkPath += QLatin1String(".lnk");

    failed = !QFileInfo::exists(fields->target);
    return !failed;
}

bool Shortcut::stage(Platform::ShortcutFiles &files, int folder, QString &linkPath)
{
    Platform::ShellLinkFields fields;
    if (!prepare(linkPath, &fields))
        return false;
    failed = !files.stageLink(folder, QFileInfo(linkPath).fileName(), fields);
    return !failed;
}
