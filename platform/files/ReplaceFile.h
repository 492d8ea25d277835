#pragma once

#include <QByteArray>
#include <QString>

namespace Platform {
// Writes `bytes` to a temporary file beside `path` and renames it over `path` once it is
// complete and on disk: a reader sees the old file or the new one, never half of one. A link
// standing at `path` is replaced, never written through. `mode` goes through the umask, as
// for any new file. False when anything failed; the temporary file is gone then.
bool replaceFile(const QString &path, const QByteArray &bytes, unsigned mode = 0666);
} // namespace Platform
