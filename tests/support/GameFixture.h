#pragma once

#include <QString>

class Sandbox;

// A sandbox that holds everything an installation needs: a small mod in "../GameFiles" as
// seen from the working directory, and a retail game and a Steam client on disk that ds.conf
// names as the fallback folders, so that detection finds them without any registry.
namespace GameFixture {
void prepare(const Sandbox &sandbox, const QByteArray &extraConfig = QByteArray());
QString ut3Exe(const Sandbox &sandbox);
QString steamExe(const Sandbox &sandbox);
QString dataDir(const Sandbox &sandbox);
} // namespace GameFixture
