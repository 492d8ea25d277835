#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace Platform {
// Valve's text key-value files, as Steam keeps its library list (libraryfolders.vdf) and each
// game's state (appmanifest_<id>.acf): quoted keys, each followed by a quoted value or a block
// of further pairs in braces. The reader is strict: anything it does not understand, a file
// that is cut short, nested too deep, too large or not text, reads as nothing at all, so that a
// damaged file can only make Steam's folders "not found".
class SteamKeyValues
{
public:
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    static constexpr int MaxDepth = 32;

    struct Node
    {
        QString key;
        QString value; // empty for a block
        bool isBlock = false;
        std::vector<Node> children;

        // The first child of that key (keys compare without regard to case), or null.
        const Node *child(const QString &key) const;
        // The string value of that child; empty when it is missing or a block.
        QString string(const QString &key) const;
    };

    // The top level of the file as the children of one block; nothing when malformed.
    static std::optional<Node> parse(const QByteArray &text);
    static std::optional<Node> read(const QString &path);
};
} // namespace Platform
