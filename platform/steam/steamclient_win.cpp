#include "SteamClient.h"

QString Platform::nativeSteamClient()
{
    return QString();
}

QStringList Platform::steamClientNames()
{
    return {QStringLiteral("Steam.exe")};
}
