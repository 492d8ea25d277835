#include "ShellLinkFormat.h"

#include <QtEndian>

#include <optional>

namespace {
// Link flags of the header.
constexpr quint32 HasLinkTargetIdList = 0x01;
constexpr quint32 HasLinkInfo = 0x02;
constexpr quint32 HasWorkingDir = 0x10;
constexpr quint32 HasArguments = 0x20;
constexpr quint32 HasIconLocation = 0x40;
constexpr quint32 IsUnicode = 0x80;

constexpr quint32 FileAttributeDirectory = 0x10;
constexpr quint32 FileAttributeArchive = 0x20;
constexpr quint32 ShowNormal = 1;
constexpr quint32 DriveFixed = 3;
constexpr quint32 VolumeIdAndLocalBasePath = 1;

constexpr quint8 DirectoryEntry = 0x31;
constexpr quint8 FileEntry = 0x32;

// Little-endian fields appended one after another, with room to fill in a size later.
class ByteWriter
{
public:
    int size() const { return int(bytes.size()); }
    const QByteArray &data() const { return bytes; }

    void u8(quint8 value) { bytes.append(char(value)); }
    void u16(quint16 value) { append(value); }
    void u32(quint32 value) { append(value); }
    void u64(quint64 value) { append(value); }
    void raw(const QByteArray &data) { bytes.append(data); }
    void zeros(int count) { bytes.append(count, '\0'); }
    void padToEven(int start)
    {
        if ((size() - start) % 2)
            u8(0);
    }

    // A string in the Windows code page 1252 (it agrees with Latin-1 from 0xA0 on); what it
    // cannot hold becomes '?', as in Windows' own conversion. Readers that know Unicode take
    // the Unicode copy that goes beside every such string.
    void ansiz(const QString &text)
    {
        for (const QChar c : text)
            u8(c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() <= 0xFF) ? c.unicode()
                                                                                  : '?');
        u8(0);
    }
    void utf16(const QString &text)
    {
        for (const QChar c : text)
            u16(c.unicode());
    }
    void utf16z(const QString &text)
    {
        utf16(text);
        u16(0);
    }

    void patch16(int offset, quint16 value) { qToLittleEndian(value, bytes.data() + offset); }
    void patch32(int offset, quint32 value) { qToLittleEndian(value, bytes.data() + offset); }

private:
    template<typename T> void append(T value)
    {
        char buffer[sizeof(T)];
        qToLittleEndian(value, buffer);
        bytes.append(buffer, sizeof(T));
    }

    QByteArray bytes;
};

// 100-nanosecond intervals since 1601, UTC; 0 for an unknown time.
quint64 fileTime(const QDateTime &time)
{
    if (!time.isValid())
        return 0;
    constexpr qint64 msecsFrom1601To1970 = 11644473600000LL;
    const qint64 msecs = time.toMSecsSinceEpoch() + msecsFrom1601To1970;
    return msecs < 0 ? 0 : quint64(msecs) * 10000;
}

// FAT date and time (UTC) as the item list keeps them; both 0 before 1980.
void fatDateTime(ByteWriter &out, const QDateTime &time)
{
    const QDateTime utc = time.toUTC();
    if (!utc.isValid() || utc.date().year() < 1980 || utc.date().year() > 2107) {
        out.u32(0);
        return;
    }
    const QDate d = utc.date();
    const QTime t = utc.time();
    out.u16(quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day()));
    out.u16(quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2)));
}

QByteArray rootItem()
{
    // My Computer: {20D04FE0-3AEA-1069-A2D8-08002B30309D}, sorted where Explorer sorts it.
    static const char item[] = "\x14\x00\x1F\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00"
                               "\x2B\x30\x30\x9D";
    return QByteArray(item, sizeof(item) - 1);
}

QByteArray volumeItem(QChar drive)
{
    ByteWriter out;
    out.u16(0x19);
    out.u8(0x2F);
    out.raw(QString(drive).toLatin1() + ":\\");
    out.zeros(0x19 - out.size());
    return out.data();
}

// A file entry with its long name in the 0xBEEF0004 extension, the form Explorer reads since
// Windows XP. The primary name is the code-page one, as Wine writes it: Wine does not know
// the Unicode variant of the item, and both read the real name from the extension.
std::optional<QByteArray> fileEntryItem(const Platform::ShellLinkItem &item)
{
    ByteWriter out;
    out.u16(0); // size, below
    out.u8(item.directory ? DirectoryEntry : FileEntry);
    out.u8(0);
    out.u32(item.directory ? 0 : quint32(item.size & 0xFFFFFFFFu));
    fatDateTime(out, item.modified);
    out.u16(item.directory ? FileAttributeDirectory : FileAttributeArchive);
    out.ansiz(item.name);
    out.padToEven(0);

    const int extension = out.size();
    out.u16(0); // size, below
    out.u16(3); // version
    out.u32(0xBEEF0004);
    fatDateTime(out, item.created);
    fatDateTime(out, item.accessed);
    out.u16(0x14); // where the long name starts within the extension
    out.u16(0); // no localised name
    out.utf16z(item.name);
    out.u16(quint16(extension));
    out.patch16(extension, quint16(out.size() - extension));

    if (out.size() > 0xFFFF)
        return std::nullopt;
    out.patch16(0, quint16(out.size()));
    return out.data();
}

std::optional<QByteArray> idList(const Platform::ShellLinkImage &image)
{
    ByteWriter out;
    out.u16(0); // size, below
    out.raw(rootItem());
    out.raw(volumeItem(image.drive));
    for (const Platform::ShellLinkItem &item : image.items) {
        const std::optional<QByteArray> entry = fileEntryItem(item);
        if (!entry)
            return std::nullopt;
        out.raw(*entry);
    }
    out.u16(0); // terminal item
    if (out.size() - 2 > 0xFFFF)
        return std::nullopt;
    out.patch16(0, quint16(out.size() - 2));
    return out.data();
}

QByteArray linkInfo(const Platform::ShellLinkImage &image)
{
    constexpr int headerSize = 0x24; // with the offsets of the Unicode paths
    const QString path = image.targetPath();
    ByteWriter out;
    out.u32(0); // size, below
    out.u32(headerSize);
    out.u32(VolumeIdAndLocalBasePath);
    out.u32(headerSize); // the volume follows the header
    const int localBasePathOffset = out.size();
    out.u32(0);
    out.u32(0); // no network share
    const int suffixOffset = out.size();
    out.u32(0);
    const int unicodePathOffset = out.size();
    out.u32(0);
    const int unicodeSuffixOffset = out.size();
    out.u32(0);

    const int volume = out.size();
    out.u32(0); // size, below
    out.u32(DriveFixed);
    out.u32(0); // serial number: unknown, so nothing to match when Windows resolves the link
    out.u32(0x10); // the label follows
    out.ansiz(QString());
    out.patch32(volume, quint32(out.size() - volume));

    out.patch32(localBasePathOffset, quint32(out.size()));
    out.ansiz(path);
    out.patch32(suffixOffset, quint32(out.size()));
    out.ansiz(QString());
    out.padToEven(0);
    out.patch32(unicodePathOffset, quint32(out.size()));
    out.utf16z(path);
    out.patch32(unicodeSuffixOffset, quint32(out.size()));
    out.utf16z(QString());
    out.patch32(0, quint32(out.size()));
    return out.data();
}
} // namespace

QString Platform::ShellLinkImage::targetPath() const
{
    QStringList names;
    for (const ShellLinkItem &item : items)
        names.append(item.name);
    return QString(drive) + QLatin1String(":\\") + names.join(QLatin1Char('\\'));
}

QByteArray Platform::encodeShellLink(const ShellLinkImage &image)
{
    const QString strings[] = {image.workingDirectory, image.arguments, image.iconLocation};
    const quint32 stringFlags[] = {HasWorkingDir, HasArguments, HasIconLocation};
    quint32 flags = HasLinkTargetIdList | HasLinkInfo | IsUnicode;
    for (int i = 0; i < 3; ++i) {
        if (strings[i].size() > 0xFFFF)
            return QByteArray();
        if (!strings[i].isEmpty())
            flags |= stringFlags[i];
    }
    const std::optional<QByteArray> items = idList(image);
    if (!items)
        return QByteArray();

    ShellLinkItem target;
    target.directory = true; // a drive's root
    if (!image.items.isEmpty())
        target = image.items.last();
    ByteWriter out;
    out.u32(0x4C);
    // {00021401-0000-0000-C000-000000000046}
    out.raw(QByteArray("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
    out.u32(flags);
    out.u32(target.directory ? FileAttributeDirectory : FileAttributeArchive);
    out.u64(fileTime(target.created));
    out.u64(fileTime(target.accessed));
    out.u64(fileTime(target.modified));
    out.u32(target.directory ? 0 : quint32(target.size & 0xFFFFFFFFu));
    out.u32(quint32(image.iconIndex));
    out.u32(ShowNormal);
    out.u16(0); // no hot key
    out.zeros(10); // reserved

    out.raw(*items);
    out.raw(linkInfo(image));
    for (const QString &text : strings) {
        if (text.isEmpty())
            continue;
        out.u16(quint16(text.size()));
        out.utf16(text);
    }
    out.u32(0); // terminal block
    return out.data();
}
