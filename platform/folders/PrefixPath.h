#pragma once

#include <QString>

namespace Platform {
// localPath() in the Wine prefix at `prefix` rather than the one in use: what decides the prefix
// in use looks at the files of a candidate.
QString localPathIn(const QString &prefix, const QString &configuredPath);
} // namespace Platform
