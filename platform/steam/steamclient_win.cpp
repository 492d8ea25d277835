#include "SteamClient.h"

std::optional<QString> Platform::linuxSteamClient()
{
    return std::nullopt;
}

QStringList Platform::steamClientWords(const QString &)
{
    return {};
}

QStringList Platform::steamClientNames()
{
    return {QStringLiteral("Steam.exe")};
}

bool Platform::isSteamStandIn(const QString &)
{
    return false;
}

Platform::SteamClientName Platform::steamClientName(const QString &)
{
    return {QStringLiteral("Steam.exe"), QStringLiteral("Steam.exe")};
}

QString Platform::steamClientFolder()
{
    return QString();
}
