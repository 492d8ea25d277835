#include "GameClient.h"
#include "WinePrefix.h"

QString Platform::winePrefix()
{
    return gameClient().prefix;
}
