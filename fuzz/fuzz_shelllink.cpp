// The shell link writer: any paths and strings in, and what comes out must be a well-formed link
// file that the independent reader takes apart into the same fields.
#include "FuzzSupport.h"
#include "ShellLinkReader.h"
#include "platform/shortcuts/ShellLink.h"
#include "platform/shortcuts/ShellLinkFormat.h"

#include <QDir>

namespace {
// Takes the input apart field by field; past its end every field is empty or zero.
class Input
{
public:
    Input(const uint8_t *data, size_t size)
        : data(data)
        , left(size)
    { }

    quint8 byte()
    {
        if (left == 0)
            return 0;
        --left;
        return *data++;
    }
    quint32 u32()
    {
        return quint32(byte()) | quint32(byte()) << 8 | quint32(byte()) << 16
            | quint32(byte()) << 24;
    }

    // A path: no file system holds a NUL in a name, and Qt refuses such paths before a link is
    // made, so the writer is not asked to store one in its NUL-terminated names.
    QString path() { return text().remove(QChar(0)); }

    // Some UTF-16 units, repeated up to thousands of times so that the format's limits are met.
    QString text()
    {
        QString units;
        for (int count = byte() % 24; count > 0; --count)
            units.append(QChar(char16_t(byte() | byte() << 8)));
        return units.repeated(qsizetype(1) << (byte() % 13));
    }

    QDateTime time()
    {
        const quint32 seconds = u32();
        return seconds % 7 == 0
            ? QDateTime()
            : QDateTime::fromSecsSinceEpoch(qint64(seconds) * 4 - (1LL << 32), Qt::UTC);
    }

private:
    const uint8_t *data;
    size_t left;
};

QString upToNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString codePage(const QString &text)
{
    QString result;
    for (const QChar c : upToNul(text))
        result.append(c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() <= 0xFF)
                          ? c
                          : QLatin1Char('?'));
    return result;
}

// An item's bytes as the format lays them out, to know when the writer must refuse.
qsizetype itemSize(const QString &name)
{
    const qsizetype ansi = 15 + name.size();
    return ansi + ansi % 2 + 24 + 2 * name.size();
}

void checkImage(Input &input)
{
    Platform::ShellLinkImage image;
    image.drive = QLatin1Char(char('A' + input.byte() % 26));
    image.iconIndex = int(input.u32());
    for (int count = input.byte() % 8; count > 0; --count) {
        Platform::ShellLinkItem item;
        item.name = input.path();
        item.directory = input.byte() % 2;
        item.size = quint64(input.u32()) << 32 | input.u32();
        item.created = input.time();
        item.modified = input.time();
        item.accessed = input.time();
        image.items.append(item);
    }
    image.workingDirectory = input.text();
    image.arguments = input.text();
    image.iconLocation = input.text();

    const QByteArray bytes = Platform::encodeShellLink(image);
    qsizetype listSize = 20 + 0x19 + 2;
    bool tooLarge = false;
    for (const Platform::ShellLinkItem &item : image.items) {
        listSize += itemSize(item.name);
        tooLarge = tooLarge || itemSize(item.name) > 0xFFFF;
    }
    for (const QString *text : {&image.workingDirectory, &image.arguments, &image.iconLocation})
        tooLarge = tooLarge || text->size() > 0xFFFF;
    tooLarge = tooLarge || listSize > 0xFFFF;
    FuzzSupport::check(bytes.isEmpty() == tooLarge,
                       "refused a link that fits, or wrote one that does not");
    if (bytes.isEmpty())
        return;

    const ShellLinkReader link(bytes);
    if (!link.error.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(link.error));
    FuzzSupport::check(link.error.isEmpty(), "the link file is malformed");
    FuzzSupport::check(link.drive == image.drive && link.iconIndex == image.iconIndex,
                       "drive or icon index");
    FuzzSupport::check(link.workingDirectory == image.workingDirectory
                           && link.arguments == image.arguments
                           && link.iconLocation == image.iconLocation,
                       "strings");
    FuzzSupport::check(link.itemNames.size() == image.items.size(), "item count");
    for (qsizetype i = 0; i < image.items.size(); ++i) {
        FuzzSupport::check(link.itemNames[i] == upToNul(image.items[i].name), "item name");
        FuzzSupport::check(link.itemAnsiNames[i] == codePage(image.items[i].name),
                           "item code-page name");
    }
    FuzzSupport::check(link.localBasePath == upToNul(image.targetPath()), "target path");
    FuzzSupport::check(link.ansiLocalBasePath == codePage(image.targetPath()),
                       "code-page target path");
    const bool directory = image.items.isEmpty() || image.items.last().directory;
    FuzzSupport::check(bool(link.attributes & 0x10) == directory, "target attributes");
    FuzzSupport::check(link.fileSize == (directory ? 0 : quint32(image.items.last().size)),
                       "target size");
}

void checkWrittenLink(Input &input)
{
    static const bool prefix = [] {
        const QString root = FuzzSupport::scratchPath("prefix");
        QDir().mkpath(root + QStringLiteral("/drive_c/Games/UT3/Binaries"));
        QDir().mkpath(root + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), root + QStringLiteral("/dosdevices/c:"));
        QFile::link(QStringLiteral("/"), root + QStringLiteral("/dosdevices/z:"));
        qputenv("WINEPREFIX", QFile::encodeName(root));
        return true;
    }();
    Q_UNUSED(prefix);
    // Paths are held to PATH_MAX: the writer resolves a missing path one component at a time
    // from its end, at a cost that grows with the square of the path's length.
    const auto localPath = [&input](const QString &folder) {
        return (input.byte() % 2 ? folder : QString()) + input.path().left(4096);
    };
    Platform::ShellLinkFields fields;
    const QString games = FuzzSupport::scratchPath("prefix/drive_c/Games/");
    fields.target = localPath(games);
    fields.workingDirectory = localPath(QString());
    fields.arguments = input.text();
    fields.iconPath = localPath(games);
    fields.iconIndex = int(input.u32());
    // Written over the link before, often a longer one, of which nothing may stay.
    const QString linkPath = FuzzSupport::scratchPath("link.lnk");
    if (!Platform::writeShellLink(linkPath, fields))
        return;
    QFile file(linkPath);
    FuzzSupport::check(file.open(QIODevice::ReadOnly), "no link file after success");
    const ShellLinkReader link(file.readAll());
    if (!link.error.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(link.error));
    FuzzSupport::check(link.error.isEmpty(), "the written link file is malformed");
    FuzzSupport::check(link.arguments == fields.arguments && link.iconIndex == fields.iconIndex,
                       "arguments or icon index");
    for (const QString *path : {&link.localBasePath, &link.workingDirectory, &link.iconLocation})
        FuzzSupport::check(path->isEmpty() || path->mid(1, 2) == QLatin1String(":\\"),
                           "a path that is no Windows path");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    if (input.byte() % 2)
        checkWrittenLink(input);
    else
        checkImage(input);
    return 0;
}
