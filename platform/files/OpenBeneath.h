#pragma once

#include <QByteArray>

namespace Platform {
// Opens `relative` ('/'-separated, clean) below the folder open as `root` with `flags`, never
// through a link and never out of `root`: the kernel checks every step in one call where it can
// (openat2), else each folder on the way is opened with O_NOFOLLOW from the one before. -1 on
// failure with errno set: ELOOP for a link on the way or at the end, ENOTDIR for a file where a
// folder belongs, EINVAL for a name that is empty, "." or "..".
int openBeneath(int root, const QByteArray &relative, int flags);

// The same in one call or not at all: ENOSYS where the kernel (or a sandbox) refuses openat2,
// so that a caller with a walk of its own can take over.
int openBeneathAtOnce(int root, const QByteArray &relative, int flags);
} // namespace Platform
