#pragma once

#include <QString>

namespace Platform {
// Steam for Windows in the Wine prefix at `prefix`, as Windows finds it: the folder Steam's
// registry key names, else Steam's folder below Program Files; the path of its steam.exe on
// this machine, or empty when there is none. Proton's stand-in is none.
QString windowsSteamIn(const QString &prefix);
} // namespace Platform
