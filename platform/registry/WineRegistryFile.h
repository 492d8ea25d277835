#pragma once

#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace Platform {
// One hive of a Wine prefix's registry as Wine saves it (system.reg, user.reg): a text file that
// starts with "WINE REGISTRY Version 2" and holds bracketed key lines, each followed by the
// values of that key. A prefix's system.reg runs to megabytes while detection asks for a handful
// of values, so the file is streamed once to note where each key's lines lie, and a key's lines
// are read back and decoded only when one of its values is asked for.
//
// The file is not ours, so nothing in it may cost without bound: the index takes at most 16
// bytes a key and gives up on more keys than any real hive holds, a lookup reads its key's own
// lines once, and lines of a megabyte or more are cut there, their values taken as damaged.
class WineRegistryFile
{
public:
    // Indexes the hive at `path`. The file stays open, so lookups read the version that was
    // indexed even after Wine has saved a new one under the same name. A missing, unreadable,
    // foreign or oversized file, or one that is no regular file, gives an empty hive.
    explicit WineRegistryFile(const QString &path);
    WineRegistryFile(const WineRegistryFile &) = delete;
    WineRegistryFile &operator=(const WineRegistryFile &) = delete;

    bool isEmpty() const { return sections.empty(); }
    // The open file indexed, or -1 when none was.
    int descriptor() const { return file.handle(); }

    // The value `valueName` of the key `keyPath` (backslash separated, relative to the hive's
    // root) as text (WineRegistryText::valueText); an empty `valueName` asks for the key's
    // default value. Null when the key or the value is missing or has no text.
    QString string(const QString &keyPath, const QString &valueName);

    // Keys that Wine writes twice in a row make one section.
    size_t sectionCount() const { return sections.size(); }

private:
    // The lines of one key: its key line at `begin`, then its values. A key written again
    // further on has a section there too; Wine merges them when it loads the file, and so does
    // the lookup.
    struct Section
    {
        size_t keyHash;
        quint32 begin; // hives are far below 4 GB
        quint32 length;
    };

    // Asked again for the same value, as happens, the hive answers without reading.
    struct Answer
    {
        QString key;
        QString value;
        QString text;
    };

    QFile file;
    std::vector<Section> sections; // ordered by key hash, then by place in the file
    std::optional<Answer> lastAnswer;
};
} // namespace Platform
