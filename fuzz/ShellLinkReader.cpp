#include "ShellLinkReader.h"

#include <QtEndian>

namespace {
constexpr quint32 HasLinkTargetIdList = 0x01;
constexpr quint32 HasLinkInfo = 0x02;
constexpr quint32 HasName = 0x04;
constexpr quint32 HasRelativePath = 0x08;
constexpr quint32 HasWorkingDir = 0x10;
constexpr quint32 HasArguments = 0x20;
constexpr quint32 HasIconLocation = 0x40;
constexpr quint32 IsUnicode = 0x80;
constexpr quint32 VolumeIdAndLocalBasePath = 1;

const QByteArray linkClsid("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
} // namespace

ShellLinkReader::ShellLinkReader(const QByteArray &bytes)
    : data(bytes)
{
    if (readHeader() && readIdList() && readLinkInfo() && readStrings())
        readExtraData();
}

bool ShellLinkReader::fail(const char *what)
{
    error = QStringLiteral("%1 at byte %2").arg(QLatin1String(what), QString::number(pos));
    return false;
}

bool ShellLinkReader::has(qsizetype offset, qsizetype count) const
{
    return offset >= 0 && count >= 0 && offset <= data.size() && count <= data.size() - offset;
}

quint16 ShellLinkReader::u16(qsizetype offset) const
{
    return has(offset, 2) ? qFromLittleEndian<quint16>(data.constData() + offset) : 0;
}

quint32 ShellLinkReader::u32(qsizetype offset) const
{
    return has(offset, 4) ? qFromLittleEndian<quint32>(data.constData() + offset) : 0;
}

bool ShellLinkReader::ansiz(qsizetype offset, qsizetype limit, QString *out) const
{
    for (qsizetype i = offset; i < limit && has(i, 1); ++i) {
        if (data.at(i) == '\0') {
            *out = QString::fromLatin1(data.constData() + offset, i - offset);
            return true;
        }
    }
    return false;
}

bool ShellLinkReader::utf16z(qsizetype offset, qsizetype limit, QString *out) const
{
    out->clear();
    for (qsizetype i = offset; i + 2 <= limit && has(i, 2); i += 2) {
        const quint16 unit = u16(i);
        if (unit == 0)
            return true;
        out->append(QChar(unit));
    }
    return false;
}

bool ShellLinkReader::readHeader()
{
    if (!has(0, 0x4C) || u32(0) != 0x4C || data.mid(4, 16) != linkClsid)
        return fail("no shell link header");
    flags = u32(0x14);
    attributes = u32(0x18);
    fileSize = u32(0x34);
    iconIndex = qint32(u32(0x38));
    if (u32(0x3C) != 1 || u16(0x40) != 0 || u16(0x42) != 0 || u32(0x44) != 0 || u32(0x48) != 0)
        return fail("show command, hot key or reserved fields");
    if (!(flags & IsUnicode) || (flags & (HasName | HasRelativePath)))
        return fail("flags");
    pos = 0x4C;
    return true;
}

bool ShellLinkReader::readIdList()
{
    if (!(flags & HasLinkTargetIdList))
        return fail("no item list");
    const qsizetype size = u16(pos);
    const qsizetype end = pos + 2 + size;
    if (!has(pos, 2 + size))
        return fail("item list beyond the file");
    pos += 2;
    for (int index = 0;; ++index) {
        const qsizetype itemSize = u16(pos);
        if (itemSize == 0) {
            if (pos + 2 != end)
                return fail("terminal item where the list does not end");
            pos = end;
            return true;
        }
        if (itemSize < 3 || pos + itemSize > end - 2)
            return fail("item size");
        if (index == 0) {
            if (itemSize != 0x14 || quint8(data.at(pos + 2)) != 0x1F)
                return fail("root item");
        } else if (index == 1) {
            if (itemSize != 0x19 || quint8(data.at(pos + 2)) != 0x2F
                || data.mid(pos + 4, 2) != ":\\" || data.at(pos + 6) != '\0')
                return fail("volume item");
            drive = QLatin1Char(data.at(pos + 3));
        } else if (!readItem(pos, itemSize)) {
            return false;
        }
        pos += itemSize;
    }
}

// A file entry: type, size, time, attributes, the code-page name padded to an even length, then
// the 0xBEEF0004 extension with the long name, which ends in the extension's own offset.
bool ShellLinkReader::readItem(qsizetype begin, qsizetype size)
{
    const qsizetype end = begin + size;
    const quint8 type = quint8(data.at(begin + 2));
    if (type != 0x31 && type != 0x32)
        return fail("file entry type");
    const quint16 itemAttributes = u16(begin + 12);
    if ((type == 0x31) != bool(itemAttributes & 0x10))
        return fail("folder attribute against the entry type");
    QString ansiName;
    if (!ansiz(begin + 14, end, &ansiName))
        return fail("code-page name not ended within its item");
    qsizetype extension = begin + 14 + ansiName.size() + 1;
    extension += (extension - begin) % 2;
    if (extension + 0x16 > end)
        return fail("no room for the extension");
    if (u16(extension) != end - extension || u16(extension + 2) != 3
        || u32(extension + 4) != 0xBEEF0004 || u16(extension + 0x10) != 0x14)
        return fail("extension header");
    if (u16(end - 2) != extension - begin)
        return fail("extension offset");
    QString name;
    if (!utf16z(extension + 0x14, end - 2, &name))
        return fail("long name not ended within its extension");
    itemNames.append(name);
    itemAnsiNames.append(ansiName);
    return true;
}

bool ShellLinkReader::readLinkInfo()
{
    if (!(flags & HasLinkInfo))
        return fail("no link info");
    const qsizetype begin = pos;
    const qsizetype size = u32(begin);
    const qsizetype headerSize = u32(begin + 4);
    if (!has(begin, size) || size < 0x24 || headerSize != 0x24)
        return fail("link info size");
    const qsizetype end = begin + size;
    if (u32(begin + 8) != VolumeIdAndLocalBasePath || u32(begin + 20) != 0)
        return fail("link info flags against its offsets");
    const qsizetype offsets[] = {u32(begin + 12), u32(begin + 16), u32(begin + 24), u32(begin + 28),
                                 u32(begin + 32)};
    for (const qsizetype offset : offsets) {
        if (offset < headerSize || offset >= size)
            return fail("link info offset");
    }
    const qsizetype volume = begin + offsets[0];
    const qsizetype volumeSize = u32(volume);
    QString label;
    if (volumeSize < 0x11 || volume + volumeSize > end || u32(volume + 12) != 0x10
        || !ansiz(volume + 0x10, volume + volumeSize, &label))
        return fail("volume");
    QString suffix;
    QString unicodeSuffix;
    if (!ansiz(begin + offsets[1], end, &ansiLocalBasePath)
        || !ansiz(begin + offsets[2], end, &suffix)
        || !utf16z(begin + offsets[3], end, &localBasePath)
        || !utf16z(begin + offsets[4], end, &unicodeSuffix))
        return fail("link info path not ended within the link info");
    pos = end;
    return true;
}

bool ShellLinkReader::readStrings()
{
    const std::pair<quint32, QString *> strings[] = {{HasWorkingDir, &workingDirectory},
                                                     {HasArguments, &arguments},
                                                     {HasIconLocation, &iconLocation}};
    for (const auto &[flag, text] : strings) {
        if (!(flags & flag))
            continue;
        const qsizetype count = u16(pos);
        if (count == 0 || !has(pos + 2, count * 2))
            return fail("string data");
        text->clear();
        for (qsizetype i = 0; i < count; ++i)
            text->append(QChar(u16(pos + 2 + 2 * i)));
        pos += 2 + count * 2;
    }
    return true;
}

bool ShellLinkReader::readExtraData()
{
    for (;;) {
        if (!has(pos, 4))
            return fail("no terminal block");
        const qsizetype size = u32(pos);
        if (size < 4) {
            if (pos + 4 != data.size())
                return fail("bytes after the terminal block");
            return true;
        }
        if (size < 8 || !has(pos, size))
            return fail("extra data block size");
        pos += size;
    }
}
