#include "GameClient.h"
#include "SetupNotice.h"

#include <QCoreApplication>

QString Platform::setupNotice()
{
    const GameClient client = gameClient();
    if (client.kind != GameClient::Kind::LinuxSteam || client.prefixMade)
        return QString();
    return QCoreApplication::translate(
        "GatherPage",
        "<html><b>Unreal Tournament 3 has never been started from Steam.</b><br><br>Steam "
        "prepares the folders that The Duskmere is installed into only when the game starts for "
        "the first time.<br><br>Please <b>start Unreal Tournament 3 once from Steam</b>, quit it, "
        "and then restart DuskmereSetup.</html>");
}
