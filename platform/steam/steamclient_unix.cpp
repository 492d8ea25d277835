#include "SteamClient.h"
#include "SteamLibrary.h"

QString Platform::nativeSteamClient()
{
    return SteamLibrary::client();
}

QStringList Platform::steamClientNames()
{
    return {QStringLiteral("Steam.exe"), QStringLiteral("steam"), QStringLiteral("steam.sh")};
}
