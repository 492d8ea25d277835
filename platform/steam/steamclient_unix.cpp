#include "SteamClient.h"
#include "SteamLibrary.h"
#include "platform/wine/GameClient.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using Platform::GameClient;

namespace {
// The commands that start Steam in a sandbox of its package, what they are told to run, and the
// package as the player knows it.
struct SandboxCommand
{
    const char *program;
    const char *run;
    const char *title;
};
const SandboxCommand SandboxCommands[] = {{"flatpak", "com.valvesoftware.Steam", "Steam (Flatpak)"},
                                          {"snap", "steam", "Steam (Snap)"}};

const SandboxCommand *sandboxCommand(const QString &name)
{
    for (const SandboxCommand &command : SandboxCommands) {
        if (name == QLatin1String(command.program))
            return &command;
    }
    return nullptr;
}

// Only the client that starts the game where the mod goes: Steam for Windows would start its game
// in the prefix Steam for Linux chose for the mod, Steam for Linux its game in Proton's prefix
// while the mod lies in the prefix of Steam for Windows, a host's steam.sh a second Steam
// outside the sandbox of the one that holds the game.
QStringList clientNames(const GameClient &client)
{
    if (client.kind != GameClient::Kind::LinuxSteam)
        return {QStringLiteral("Steam.exe")};
    if (!client.sandbox.isEmpty())
        return {client.sandbox};
    return {QStringLiteral("steam"), QStringLiteral("steam.sh")};
}

bool isProtonPrefixPath(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    for (qsizetype i = 2; i + 1 < parts.size(); ++i) {
        if (parts.at(i) == QLatin1String("pfx") && parts.at(i - 2) == QLatin1String("compatdata"))
            return true;
    }
    return false;
}
} // namespace

// The Steam of a sandboxed root runs only inside its sandbox: its steam.sh on the host would
// fail or start a second Steam outside it.
QString Platform::steamProgram(const SteamGame &game)
{
    if (!game.sandbox.isEmpty())
        return QStandardPaths::findExecutable(game.sandbox);
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("steam"));
    if (!onPath.isEmpty())
        return onPath;
    const QFileInfo script(game.root + QLatin1String("/steam.sh"));
    return script.isFile() && script.isExecutable() ? script.filePath() : QString();
}

std::optional<QString> Platform::linuxSteamClient()
{
    const GameClient client = gameClient();
    if (client.kind != GameClient::Kind::LinuxSteam)
        return std::nullopt;
    return client.program;
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
    return clientNames(gameClient());
}

bool Platform::isSteamStandIn(const QString &path)
{
    const QFileInfo file(path);
    return file.fileName().compare(QLatin1String("steam.exe"), Qt::CaseInsensitive) == 0
        && (isProtonPrefixPath(file.absoluteFilePath())
            || isProtonPrefixPath(file.canonicalFilePath()));
}

Platform::SteamClientName Platform::steamClientName(const QString &found)
{
    const QString steamExe = QStringLiteral("Steam.exe");
    QString name = QFileInfo(found).fileName();
    bool missing = false;
    const GameClient client = gameClient();
    if (!clientNames(client).contains(name, Qt::CaseInsensitive)) {
        // Nothing found, or nothing this client goes by: the player is asked for the client that
        // starts the game.
        name = client.kind == GameClient::Kind::LinuxSteam ? client.sandbox : steamExe;
        missing = found.isEmpty() && !client.sandbox.isEmpty();
    }
    if (name.compare(steamExe, Qt::CaseInsensitive) == 0)
        return {steamExe, steamExe};
    if (const SandboxCommand *command = sandboxCommand(name))
        return {QLatin1String(command->title), name, missing};
    return {QStringLiteral("steam"), QStringLiteral("steam")};
}

QString Platform::steamClientFolder()
{
    const GameClient client = gameClient();
    if (client.kind != GameClient::Kind::LinuxSteam)
        return QString();
    return client.program.isEmpty() ? QDir::homePath() : QFileInfo(client.program).absolutePath();
}
