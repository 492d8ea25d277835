#include "WineRegistryFile.h"
#include "WineRegistryText.h"
#include "platform/files/RegularFileDescriptor.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

using namespace Platform::WineRegistryText;

namespace {

const QByteArray header = QByteArrayLiteral("WINE REGISTRY Version 2");

// Real hives stay far below these; the bounds keep a stray giant file from filling memory.
constexpr qint64 largestHive = 256LL * 1024 * 1024;
constexpr size_t mostSections = 4 * 1024 * 1024; // 64 MB of index
constexpr qsizetype longestLine = 1024 * 1024;
constexpr qsizetype chunk = 64 * 1024;

// Reads lines of a file through one buffer, so that a hive of megabytes touches little memory.
// Lines end at line feeds only: a file with bare carriage returns is one long line to Wine too.
// A line of `longestLine` bytes or more is handed out cut to that length and the rest of it is
// passed over.
class FileLines
{
public:
    explicit FileLines(QIODevice *device)
        : device(device)
    { }

    // Reads from `offset` on, up to (not including) the line that starts at `end`. What the
    // buffer holds already is used again: the sections of one key often lie close together.
    void seek(qint64 offset, qint64 end)
    {
        stop = end;
        skipping = false;
        if (filled > 0 && offset >= bufferOffset && offset <= bufferOffset + filled) {
            pos = offset - bufferOffset;
            return;
        }
        pos = filled = 0;
        bufferOffset = offset;
        atEnd = !device->seek(offset);
    }

    // The next line and the file offset at which it starts; false at the end.
    bool next(Line *line, qint64 *offset)
    {
        for (;;) {
            if (skipping && !skipRest())
                continue;
            if (bufferOffset + pos >= stop)
                return false;
            const char *begin = buffer.constData() + pos;
            const qsizetype available = filled - pos;
            const auto *feed =
                static_cast<const char *>(std::memchr(begin, '\n', size_t(available)));
            if (feed || (atEnd && available > 0) || available >= longestLine) {
                const qsizetype length = feed ? feed - begin : available;
                *offset = bufferOffset + pos;
                line->begin = begin;
                line->cut = length >= longestLine;
                line->end = begin + std::min(length, longestLine);
                pos = feed ? feed - buffer.constData() + 1 : line->end - buffer.constData();
                if (!line->cut && line->end > line->begin && line->end[-1] == '\r')
                    --line->end;
                skipping = line->cut;
                return true;
            }
            if (atEnd)
                return false;
            refill();
        }
    }

private:
    // Passes over the rest of a cut line; false while more of it is to be read.
    bool skipRest()
    {
        const auto *feed = static_cast<const char *>(
            std::memchr(buffer.constData() + pos, '\n', size_t(filled - pos)));
        if (feed) {
            pos = feed - buffer.constData() + 1;
            skipping = false;
            return true;
        }
        pos = filled;
        if (atEnd) {
            skipping = false;
            return true;
        }
        refill();
        return false;
    }

    void refill()
    {
        if (pos > 0) {
            std::memmove(buffer.data(), buffer.constData() + pos, size_t(filled - pos));
            filled -= pos;
            bufferOffset += pos;
            pos = 0;
        }
        if (filled == buffer.size())
            buffer.resize(std::min(longestLine, std::max(chunk, buffer.size() * 2)));
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
    qint64 stop = largestHive;
    bool atEnd = false;
    bool skipping = false; // within the rest of a cut line
};

QByteArrayView bytesOf(const Line &line)
{
    return QByteArrayView(line.begin, line.end - line.begin);
}

} // namespace

Platform::WineRegistryFile::WineRegistryFile(const QString &path)
    : file(path)
{
    // Wine saves its hives as files of their own, never as links.
    const int fd = Platform::openRegularFile(path, largestHive, Platform::FinalLink::Refuse);
    if (fd < 0)
        return;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }

    QString decoded;
    QString folded;
    QString openKey; // folded path of the section being read; null after a malformed key line
    QByteArray openKeyLine; // the key line as written, which mostly repeats as it was
    Section section {};
    const auto closeKey = [&](qint64 end) {
        if (!openKey.isNull()) {
            section.length = quint32(end - section.begin);
            sections.push_back(section);
        }
    };

    FileLines lines(&file);
    lines.seek(0, file.size());
    Line line;
    qint64 offset = 0;
    if (!lines.next(&line, &offset) || bytesOf(line) != header)
        return;
    while (lines.next(&line, &offset)) {
        if (!isKeyLine(line))
            continue;
        // The same key again straight away goes on in the same section.
        if (!openKey.isNull() && !line.cut && bytesOf(line) == openKeyLine)
            continue;
        const bool wellFormed = keyOfLine(line, &decoded, &folded);
        if (wellFormed && !openKey.isNull() && folded == openKey)
            continue;
        closeKey(offset);
        if (sections.size() >= mostSections) { // no real hive has that many keys
            sections = {};
            return;
        }
        openKey = wellFormed ? folded : QString();
        openKeyLine = bytesOf(line).toByteArray();
        section = {keyHash(folded), quint32(offset), 0};
    }
    closeKey(file.size());
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section &a, const Section &b) { return a.keyHash < b.keyHash; });
}

QString Platform::WineRegistryFile::string(const QString &keyPath, const QString &valueName)
{
    QString wantedKey;
    foldKey(keyPath, &wantedKey);
    if (lastAnswer && wantedKey == lastAnswer->key
        && valueName.compare(lastAnswer->value, Qt::CaseInsensitive) == 0)
        return lastAnswer->text;
    const auto [first, last] =
        std::equal_range(sections.cbegin(), sections.cend(), Section {keyHash(wantedKey), 0, 0},
                         [](const Section &a, const Section &b) { return a.keyHash < b.keyHash; });

    QString result;
    QString decoded;
    QString folded;
    QString name;
    QByteArray keyLine; // the last key line that matched, as written
    FileLines lines(&file);
    Line line;
    qint64 offset = 0;
    const NextLine more = [&](Line *next) { return lines.next(next, &offset); };
    for (auto section = first; section != last; ++section) {
        lines.seek(section->begin, qint64(section->begin) + section->length);
        // The hash only narrows the search; the key line itself decides. A key written again
        // and again mostly repeats its line exactly, which spares decoding it each time.
        if (!lines.next(&line, &offset))
            continue;
        if (line.cut || bytesOf(line) != keyLine) {
            if (!keyOfLine(line, &decoded, &folded) || folded != wantedKey)
                continue;
            keyLine = bytesOf(line).toByteArray();
        }
        while (lines.next(&line, &offset)) {
            const char *data = nullptr;
            name.resize(0);
            if (!parseValueLine(line, &name, &data))
                continue;
            // A later line for the same name replaces the earlier one, as when Wine loads it.
            const bool wanted = name.compare(valueName, Qt::CaseInsensitive) == 0;
            QString text = valueText(line, data, more, wanted);
            if (wanted)
                result = std::move(text);
        }
    }
    lastAnswer = Answer {wantedKey, valueName, result};
    return result;
}
