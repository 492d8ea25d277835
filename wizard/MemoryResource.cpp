#include "MemoryResource.h"

#include <QAtomicInt>
#include <QHash>
#include <QLocale>
#include <QResource>
#include <QtEndian>

namespace {
const QString FileName = QStringLiteral("file");

void append32(QByteArray *out, quint32 value)
{
    const quint32 big = qToBigEndian(value);
    out->append(reinterpret_cast<const char *>(&big), 4);
}

void append16(QByteArray *out, quint16 value)
{
    const quint16 big = qToBigEndian(value);
    out->append(reinterpret_cast<const char *>(&big), 2);
}

// A collection of one file in the resource compiler's first format: a header, the tree (the
// root folder, then the file), the file's data and its name.
QByteArray collectionOf(const QByteArray &contents)
{
    constexpr quint32 headerSize = 20, nodeSize = 14;
    constexpr quint16 folderFlag = 0x02;
    const quint32 treeOffset = headerSize;
    const quint32 dataOffset = treeOffset + 2 * nodeSize;
    const quint32 namesOffset = dataOffset + 4 + quint32(contents.size());

    QByteArray out("qres");
    append32(&out, 1); // format
    append32(&out, treeOffset);
    append32(&out, dataOffset);
    append32(&out, namesOffset);
    // The root folder: its one child is node 1.
    append32(&out, 0);
    append16(&out, folderFlag);
    append32(&out, 1);
    append32(&out, 1);
    // The file, for every language; its data lies at the start of the data.
    append32(&out, 0);
    append16(&out, 0);
    append16(&out, quint16(QLocale::AnyTerritory));
    append16(&out, quint16(QLocale::C));
    append32(&out, 0);
    append32(&out, quint32(contents.size()));
    out += contents;
    append16(&out, quint16(FileName.size()));
    append32(&out, quint32(qt_hash(FileName)));
    for (const QChar c : FileName)
        append16(&out, c.unicode());
    return out;
}
} // namespace

MemoryResource::MemoryResource(const QByteArray &contents)
    : image(collectionOf(contents))
{
    static QAtomicInt counter;
    root = QStringLiteral("/duskmere-memory/%1").arg(counter.fetchAndAddRelaxed(1));
    filePath = QLatin1Char(':') + root + QLatin1Char('/') + FileName;
    registered =
        QResource::registerResource(reinterpret_cast<const uchar *>(image.constData()), root);
}

MemoryResource::~MemoryResource()
{
    if (registered)
        QResource::unregisterResource(reinterpret_cast<const uchar *>(image.constData()), root);
}
