#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A structural reader of shell link files (.lnk), written from the published format apart from
// the program's writer, for the fuzz harness to check what the writer makes: every size, offset
// and flag must agree with the bytes that follow, and the strings come back as they went in.
class ShellLinkReader
{
public:
    explicit ShellLinkReader(const QByteArray &bytes);

    // Empty when the file is well formed; else what was wrong, and where.
    QString error;

    quint32 flags = 0;
    quint32 attributes = 0;
    quint32 fileSize = 0;
    qint32 iconIndex = 0;
    QChar drive;
    QStringList itemNames; // the long names of the item list, below the drive
    QStringList itemAnsiNames; // their code-page names
    QString localBasePath; // Unicode copy of the link info's path
    QString ansiLocalBasePath;
    QString workingDirectory;
    QString arguments;
    QString iconLocation;

private:
    bool readHeader();
    bool readIdList();
    bool readItem(qsizetype begin, qsizetype size);
    bool readLinkInfo();
    bool readStrings();
    bool readExtraData();

    bool fail(const char *what);
    bool has(qsizetype offset, qsizetype count) const;
    quint16 u16(qsizetype offset) const;
    quint32 u32(qsizetype offset) const;
    // A NUL-terminated string that must end before `limit`; false when it does not.
    bool ansiz(qsizetype offset, qsizetype limit, QString *out) const;
    bool utf16z(qsizetype offset, qsizetype limit, QString *out) const;

    QByteArray data;
    qsizetype pos = 0;
};
