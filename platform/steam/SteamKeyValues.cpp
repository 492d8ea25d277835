#include "SteamKeyValues.h"

#include "platform/files/RegularFile.h"

#include <QFile>
#include <QStringDecoder>

using Platform::SteamKeyValues;

namespace {

class Parser
{
public:
    explicit Parser(const QString &text)
        : pos(text.constData())
        , end(text.constData() + text.size())
    { }

    bool parseBlock(SteamKeyValues::Node *block, int depth)
    {
        if (depth > SteamKeyValues::MaxDepth)
            return false;
        for (;;) {
            skipSpaceAndComments();
            if (pos == end)
                return depth == 0; // a block still open at the end: the file was cut short
            if (*pos == QLatin1Char('}')) {
                ++pos;
                return depth > 0;
            }
            SteamKeyValues::Node node;
            if (!token(&node.key))
                return false;
            skipSpaceAndComments();
            if (pos == end)
                return false;
            if (*pos == QLatin1Char('{')) {
                ++pos;
                node.isBlock = true;
                if (!parseBlock(&node, depth + 1))
                    return false;
            } else if (!token(&node.value)) {
                return false;
            }
            block->children.push_back(std::move(node));
        }
    }

private:
    void skipSpaceAndComments()
    {
        while (pos != end) {
            if (pos->isSpace()) {
                ++pos;
            } else if (*pos == QLatin1Char('/') && pos + 1 != end && pos[1] == QLatin1Char('/')) {
                while (pos != end && *pos != QLatin1Char('\n'))
                    ++pos;
            } else {
                return;
            }
        }
    }

    // A quoted string with Steam's escapes, or a bare word as older files write numbers.
    bool token(QString *out)
    {
        if (*pos == QLatin1Char('"')) {
            for (++pos; pos != end; ++pos) {
                if (*pos == QLatin1Char('"')) {
                    ++pos;
                    return true;
                }
                if (*pos == QLatin1Char('\\')) {
                    if (++pos == end)
                        return false;
                    switch (pos->unicode()) {
                    case 'n':
                        out->append(QLatin1Char('\n'));
                        break;
                    case 't':
                        out->append(QLatin1Char('\t'));
                        break;
                    case '\\':
                    case '"':
                        out->append(*pos);
                        break;
                    default:
                        return false;
                    }
                } else if (*pos == QLatin1Char('\n')) {
                    return false;
                } else {
                    out->append(*pos);
                }
            }
            return false;
        }
        const QChar *start = pos;
        while (pos != end && !pos->isSpace() && *pos != QLatin1Char('{') && *pos != QLatin1Char('}')
               && *pos != QLatin1Char('"'))
            ++pos;
        *out = QString(start, pos - start);
        return pos != start;
    }

    const QChar *pos;
    const QChar *end;
};

} // namespace

const Platform::SteamKeyValues::Node *
Platform::SteamKeyValues::Node::child(const QString &name) const
{
    for (const Node &node : children) {
        if (node.key.compare(name, Qt::CaseInsensitive) == 0)
            return &node;
    }
    return nullptr;
}

QString Platform::SteamKeyValues::Node::string(const QString &name) const
{
    const Node *node = child(name);
    return node && !node->isBlock ? node->value : QString();
}

std::optional<Platform::SteamKeyValues::Node>
Platform::SteamKeyValues::parse(const QByteArray &bytes)
{
    if (bytes.size() > MaxFileSize || bytes.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    for (const QChar c : text) {
        // Control characters other than white space mean the file is not text.
        if (c.unicode() < 0x20 && !c.isSpace())
            return std::nullopt;
    }
    Node root;
    root.isBlock = true;
    if (!Parser(text).parseBlock(&root, 0))
        return std::nullopt;
    return root;
}

std::optional<Platform::SteamKeyValues::Node> Platform::SteamKeyValues::read(const QString &path)
{
    // A pipe would block the open and may never end, a device has no size to check: only
    // regular files are read.
    const std::optional<QByteArray> bytes = Platform::readRegularFile(path, MaxFileSize);
    return bytes ? parse(*bytes) : std::nullopt;
}
