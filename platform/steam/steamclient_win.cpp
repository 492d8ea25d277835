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

QString Platform::steamClientTitle(const QString &)
{
    return QStringLiteral("Steam.exe");
}
