#include "Edition.h"
#include "SetupNotice.h"
#include "WinePrefix.h"
#include "platform/steam/SteamLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>

QString Platform::setupNotice()
{
    if (!qEnvironmentVariableIsEmpty("WINEPREFIX") || !steamEdition() || steamUt3().folder.isEmpty()
        || QFileInfo(winePrefix()).isDir())
        return QString();
    return QCoreApplication::translate(
        "GatherPage",
        "<html><b>Unreal Tournament 3 has never been started from Steam.</b><br><br>Steam "
        "prepares the folders that The Duskmere is installed into only when the game starts for "
        "the first time.<br><br>Please <b>start Unreal Tournament 3 once from Steam</b>, quit it, "
        "and then restart DuskmereSetup.</html>");
}
