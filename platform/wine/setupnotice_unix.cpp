#include "GameClient.h"
#include "SetupNotice.h"

#include <QCoreApplication>
#include <QDir>

QString Platform::setupNotice()
{
    const GameClient client = gameClient();
    if (client.kind != GameClient::Kind::LinuxSteam && !QDir::isAbsolutePath(client.prefix))
        return QCoreApplication::translate(
                   "GatherPage",
                   "<html><b>WINEPREFIX names <i>%1</i>, which is not a full path.</b><br><br>"
                   "Wine starts no program in such a prefix, so Unreal Tournament 3 would never "
                   "find The Duskmere there.<br><br>Please set WINEPREFIX to the full path of the "
                   "prefix the game runs in, or unset it, and restart DuskmereSetup.</html>")
            .arg(qEnvironmentVariable("WINEPREFIX").toHtmlEscaped());
    if (client.kind != GameClient::Kind::LinuxSteam || client.prefixMade)
        return QString();
    return QCoreApplication::translate(
        "GatherPage",
        "<html><b>Unreal Tournament 3 has never been started from Steam.</b><br><br>Steam "
        "prepares the folders that The Duskmere is installed into only when the game starts for "
        "the first time.<br><br>Please <b>start Unreal Tournament 3 once from Steam</b>, quit it, "
        "and then restart DuskmereSetup.</html>");
}
