#include "GameFixture.h"

#include "Sandbox.h"

QString GameFixture::ut3Exe(const Sandbox &sandbox)
{
    return sandbox.path(QStringLiteral("Games/UT3/Binaries/UT3.exe"));
}

QString GameFixture::steamExe(const Sandbox &sandbox)
{
    return sandbox.path(QStringLiteral("Games/Steam/steam.exe"));
}

QString GameFixture::dataDir(const Sandbox &sandbox)
{
    return sandbox.path(QStringLiteral("GameFiles"));
}

void GameFixture::prepare(const Sandbox &sandbox, const QByteArray &extraConfig)
{
    sandbox.write(QStringLiteral("Games/UT3/Binaries/UT3.exe"), "MZ retail");
    sandbox.write(QStringLiteral("Games/Steam/steam.exe"), "MZ steam");
    sandbox.write(QStringLiteral("GameFiles/DuskmereGame/Splash/duskmereicon.ico"), "icon");
    sandbox.write(QStringLiteral("GameFiles/DuskmereGame/Config/DuskmereGame.ini"), "[Game]\n");
    sandbox.write(QStringLiteral("GameFiles/DuskmereGame/CookedPC/Map.ut3"),
                  QByteArray(300 * 1024, 'm'));
    const QByteArray config = "[Paths]\nUT3Path=\"" + sandbox.path("Games/UT3").toUtf8()
        + "\"\nSteamPath=\"" + sandbox.path("Games/Steam").toUtf8() + "\"\n" + extraConfig;
    sandbox.writeConfig(config);
}
