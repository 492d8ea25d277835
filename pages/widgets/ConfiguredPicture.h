#pragma once

#include <QPixmap>
#include <QString>

// The picture at a path from ds.conf (a file, written the Windows way, or a resource). Null when
// it is missing, is no regular file or cannot be decoded.
QPixmap configuredPicture(const QString &configuredPath);
