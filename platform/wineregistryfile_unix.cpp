#include "WineRegistryFile.h"
#include "WineRegistryText.h"

#include <algorithm>
#include <cstring>

using namespace WineRegistryText;

namespace {

const QByteArray header = QByteArrayLiteral("WINE REGISTRY Version 2");

// Real hives stay far below this; the bound keeps a stray giant file from filling memory.
constexpr qint64 largestHive = 256LL * 1024 * 1024;

// Splits bytes into lines. Lines end at line feeds only: a file with bare carriage returns is
// one long line to Wine too.
class LineReader
{
public:
    LineReader(const char *begin, const char *end)
        : pos(begin)
        , stop(end)
    { }

    const char *position() const { return pos; }

    // A last line without its line feed counts only when `final`: more of it may follow.
    bool next(Line *line, bool final = true)
    {
        if (pos >= stop)
            return false;
        const auto *feed = static_cast<const char *>(std::memchr(pos, '\n', size_t(stop - pos)));
        if (!feed && !final)
            return false;
        line->begin = pos;
        line->end = feed ? feed : stop;
        if (line->end > line->begin && line->end[-1] == '\r')
            --line->end;
        pos = feed ? feed + 1 : stop;
        return true;
    }

private:
    const char *pos;
    const char *stop;
};

// Reads a file line by line through one buffer, so that indexing a hive of megabytes touches
// little memory. A line longer than the buffer makes it grow.
class FileLines
{
public:
    explicit FileLines(QIODevice *device)
        : device(device)
    { }

    // The next line and the file offset at which it starts; false at the end of the file.
    bool next(Line *line, qint64 *offset)
    {
        for (;;) {
            LineReader reader(buffer.constData() + pos, buffer.constData() + filled);
            if (reader.next(line, atEnd)) {
                *offset = bufferOffset + pos;
                pos = reader.position() - buffer.constData();
                return true;
            }
            if (atEnd)
                return false;
            refill();
        }
    }

private:
    void refill()
    {
        if (pos > 0) {
            std::memmove(buffer.data(), buffer.constData() + pos, size_t(filled - pos));
            filled -= pos;
            bufferOffset += pos;
            pos = 0;
        }
        if (filled == buffer.size())
            buffer.resize(std::max<qsizetype>(64 * 1024, buffer.size() * 2));
        const qint64 got = device->read(buffer.data() + filled, buffer.size() - filled);
        if (got <= 0)
            atEnd = true;
        else
            filled += got;
    }

    QIODevice *device;
    QByteArray buffer;
    qsizetype pos = 0; // first byte not yet handed out
    qsizetype filled = 0;
    qint64 bufferOffset = 0; // file offset of the buffer's first byte
    bool atEnd = false;
};

} // namespace

WineRegistryFile::WineRegistryFile(const QString &path)
    : file(path)
{
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() > largestHive)
        return;
    // A foreign file shows at its first bytes and is not read any further.
    const QByteArray start = file.read(header.size() + 2);
    if (!start.startsWith(header) || !file.seek(0))
        return;

    QString decoded;
    QString folded;
    bool inKey = false; // a malformed key line leaves its values without a key, as in Wine
    Section section {};
    const auto closeKey = [&](qint64 end) {
        if (inKey) {
            section.end = end;
            sections.push_back(section);
        }
    };

    FileLines lines(&file);
    Line line;
    qint64 offset = 0;
    if (!lines.next(&line, &offset)
        || QByteArray::fromRawData(line.begin, line.end - line.begin) != header)
        return;
    while (lines.next(&line, &offset)) {
        if (!isKeyLine(line))
            continue;
        closeKey(offset);
        inKey = keyOfLine(line, &decoded, &folded);
        section = {keyHash(folded), offset, 0};
    }
    closeKey(file.size());
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section &a, const Section &b) { return a.keyHash < b.keyHash; });
}

QString WineRegistryFile::string(const QString &keyPath, const QString &valueName)
{
    QString wantedKey;
    foldKey(keyPath, &wantedKey);
    const quint64 hash = keyHash(wantedKey);
    const auto [first, last] =
        std::equal_range(sections.cbegin(), sections.cend(), Section {hash, 0, 0},
                         [](const Section &a, const Section &b) { return a.keyHash < b.keyHash; });

    QString result;
    QString decoded;
    QString folded;
    for (auto section = first; section != last; ++section) {
        if (!file.seek(section->begin))
            continue;
        const QByteArray bytes = file.read(section->end - section->begin);
        LineReader lines(bytes.constData(), bytes.constData() + bytes.size());
        Line line;
        // The hash only narrows the search; the key line itself decides.
        if (!lines.next(&line) || !keyOfLine(line, &decoded, &folded) || folded != wantedKey)
            continue;
        while (lines.next(&line)) {
            QString name;
            const char *data = nullptr;
            // A later line for the same name replaces the earlier one, as when Wine loads it.
            if (parseValueLine(line, &name, &data)
                && name.compare(valueName, Qt::CaseInsensitive) == 0)
                result = stringData(data, line.end);
        }
    }
    return result;
}
