#pragma once

#include <QFile>
#include <QString>

#include <vector>

// One hive of a Wine prefix's registry as Wine saves it (system.reg, user.reg): a text file that
// starts with "WINE REGISTRY Version 2" and holds bracketed key lines, each followed by the
// values of that key. A prefix's system.reg runs to megabytes while detection asks for a handful
// of values, so the file is streamed once to note where each key's lines lie, and a key's lines
// are read back and decoded only when one of its values is asked for.
class WineRegistryFile
{
public:
    // Indexes the hive at `path`. The file stays open, so lookups read the version that was
    // indexed even after Wine has saved a new one under the same name. A missing, unreadable
    // or foreign file gives an empty hive.
    explicit WineRegistryFile(const QString &path);
    WineRegistryFile(const WineRegistryFile &) = delete;
    WineRegistryFile &operator=(const WineRegistryFile &) = delete;

    bool isEmpty() const { return sections.empty(); }

    // The text of the string value `valueName` of the key `keyPath` (backslash separated,
    // relative to the hive's root); an empty `valueName` asks for the key's default value.
    // Expandable strings come back unexpanded. Null when the key or the value is missing or the
    // value is not a string.
    QString string(const QString &keyPath, const QString &valueName);

private:
    // The lines of one key: its key line at `begin`, its values up to `end`. A key written twice
    // has two sections; Wine merges them when it loads the file, and so does the lookup.
    struct Section
    {
        quint64 keyHash;
        qint64 begin;
        qint64 end;
    };

    QFile file;
    std::vector<Section> sections; // ordered by key hash, then by place in the file
};
