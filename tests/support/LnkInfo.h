#pragma once

#include <QMap>
#include <QString>

// Reads a shell link with lnkinfo (Debian package liblnk-utils), a parser written apart from
// this program.
namespace LnkInfo {
bool available();
// The "Link information" lines: "Local path", "Working directory", "Command line arguments",
// "Icon location", ...; empty when lnkinfo cannot read the file.
QMap<QString, QString> read(const QString &linkPath);
} // namespace LnkInfo
