#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace Platform {
// One folder or file on the way from a drive's root to a link's target, as Windows would
// describe it in the link's item list.
struct ShellLinkItem
{
    QString name;
    bool directory = false;
    quint64 size = 0;
    QDateTime created;
    QDateTime modified;
    QDateTime accessed;
};

// A shell link in Windows terms: every path is a Windows path ("C:\Games\UT3.exe"). Empty
// strings are left out of the link.
struct ShellLinkImage
{
    QChar drive; // 'C'
    QList<ShellLinkItem> items; // below the drive's root; the last one is the target
    QString workingDirectory;
    QString arguments;
    QString iconLocation;
    int iconIndex = 0;

    // "C:\" followed by the items' names.
    QString targetPath() const;
};

// The bytes of a .lnk file (Shell Link Binary File Format) for `image`: header, item list from
// My Computer down to the target, link info with the local path, the Unicode strings and the
// terminal block. Empty when a field does not fit the format.
QByteArray encodeShellLink(const ShellLinkImage &image);
} // namespace Platform
