#pragma once

#include <QString>

namespace Platform {
// registryString() of the Wine prefix at `prefix` rather than the one in use: what decides the
// prefix in use reads the registry of a candidate.
QString registryStringIn(const QString &prefix, const QString &keyPath, const QString &valueName);
} // namespace Platform
