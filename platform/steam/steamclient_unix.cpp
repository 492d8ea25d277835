#include "SteamClient.h"
#include "SteamLibrary.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The commands that start Steam in a sandbox of its package, and what they are told to run.
struct SandboxCommand
{
    const char *program;
    const char *run;
};
const SandboxCommand SandboxCommands[] = {{"flatpak", "com.valvesoftware.Steam"},
                                          {"snap", "steam"}};

const SandboxCommand *sandboxCommand(const QString &name)
{
    for (const SandboxCommand &command : SandboxCommands) {
        if (name == QLatin1String(command.program))
            return &command;
    }
    return nullptr;
}
} // namespace

// The Steam of a sandboxed root runs only inside its sandbox: its steam.sh on the host would
// fail or start a second Steam outside it.
std::optional<QString> Platform::linuxSteamClient()
{
    const SteamGame game = steamUt3();
    if (game.folder.isEmpty())
        return std::nullopt;
    if (!game.sandbox.isEmpty())
        return QStandardPaths::findExecutable(game.sandbox);
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("steam"));
    if (!onPath.isEmpty())
        return onPath;
    const QFileInfo script(game.root + QLatin1String("/steam.sh"));
    return script.isFile() && script.isExecutable() ? script.filePath() : QString();
}

QStringList Platform::steamClientWords(const QString &program)
{
    const SandboxCommand *command = sandboxCommand(QFileInfo(program).fileName());
    if (!command)
        return {};
    return {QStringLiteral("run"), QLatin1String(command->run)};
}

QStringList Platform::steamClientNames()
{
    QStringList names {QStringLiteral("Steam.exe"), QStringLiteral("steam"),
                       QStringLiteral("steam.sh")};
    for (const SandboxCommand &command : SandboxCommands)
        names << QLatin1String(command.program);
    return names;
}

QString Platform::steamClientTitle(const QString &found)
{
    const QString name = QFileInfo(found).fileName();
    if (name.compare(QLatin1String("Steam.exe"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Steam.exe");
    if (sandboxCommand(name))
        return (QStringList {name} + steamClientWords(found)).join(QLatin1Char(' '));
    return QStringLiteral("steam");
}
