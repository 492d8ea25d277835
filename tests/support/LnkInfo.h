#pragma once

#include <QMap>
#include <QString>

// Reads a shell link back with what was written apart from this program: on Windows the shell's
// own link object, elsewhere lnkinfo (Debian package liblnk-utils).
namespace LnkInfo {
// The "Link information" lines: "Local path", "Working directory", "Command line arguments",
// "Icon location", "Icon index", ...; empty when the file cannot be read.
QMap<QString, QString> read(const QString &linkPath);
} // namespace LnkInfo
