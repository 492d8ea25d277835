#include "IconPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <zlib.h>

namespace {
constexpr int largestSide = 256;
// A 256x256 picture of 32 bits stored without compression takes about a quarter of this, so a
// larger entry holds something else: whatever it is, decoding it would only cost time.
constexpr qsizetype largestPicture = 1 << 20;
// An encoder splits a picture's data into a few chunks, some into a hundred; a flood of chunks
// costs the decoder time for each.
constexpr int mostChunks = 256;
// A 256x256 picture of 16-bit RGBA takes 524,544 bytes of image data, filter bytes included, a
// little more interlaced.
constexpr qsizetype largestImageData = 1 << 20;
constexpr qsizetype headerSize = 6, entrySize = 16;
const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

quint16 read16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 read32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

struct Entry
{
    int width = 0;
    int height = 0;
    int bits = 0;
    qsizetype at = 0; // of the directory entry
    qsizetype offset = 0;
    qsizetype size = 0;
};

// The width and height that the picture's own header gives, or -1 when they are not to be read.
// A PNG tells them in its first chunk; a bitmap in its info header, where the height counts the
// mask below the picture too.
QSize declaredInside(const QByteArray &picture)
{
    if (picture.startsWith(pngSignature)) {
        if (picture.size() < 24 || picture.mid(12, 4) != "IHDR")
            return QSize(-1, -1);
        const quint32 width = qFromBigEndian<quint32>(picture.constData() + 16);
        const quint32 height = qFromBigEndian<quint32>(picture.constData() + 20);
        return width > largestSide || height > largestSide ? QSize(-1, -1)
                                                           : QSize(int(width), int(height));
    }
    if (picture.size() < 12 || read32(picture, 0) < 12)
        return QSize(-1, -1);
    const qint32 width = qint32(read32(picture, 4));
    const qint32 height = qint32(read32(picture, 8));
    if (width <= 0 || width > largestSide || height == 0 || qAbs(qint64(height)) > 2 * largestSide)
        return QSize(-1, -1);
    return QSize(width, int(qAbs(qint64(height)) / 2));
}

// Whether the compressed image data ends within what a picture of at most 256x256 can hold. The
// decoder unpacks the stream to its end, however far it goes on beyond the picture: a megabyte
// of it may unpack to a gigabyte. Unpacked here first, it costs at most that bound.
bool imageDataFits(const QByteArray &data)
{
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    QByteArray out(64 * 1024, Qt::Uninitialized);
    qsizetype unpacked = 0;
    int result = Z_OK;
    while (result == Z_OK && unpacked <= largestImageData) {
        stream.next_out = reinterpret_cast<Bytef *>(out.data());
        stream.avail_out = uInt(out.size());
        result = inflate(&stream, Z_NO_FLUSH);
        unpacked += out.size() - qsizetype(stream.avail_out);
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END && unpacked <= largestImageData;
}

// The PNG with its critical chunks and its transparency alone, or nothing when a chunk runs past
// its end, there are more of them than a picture needs, or its image data unpacks to more than
// a picture of at most 256x256 takes. Text, colour profiles and the other ancillary chunks may
// be compressed many times over and cost more to unpack than the picture itself, and none of
// them changes what a launcher shows.
QByteArray criticalChunks(const QByteArray &png)
{
    QByteArray imageData;
    QByteArray kept = pngSignature;
    qsizetype at = pngSignature.size();
    for (int count = 0; count < mostChunks; ++count) {
        if (png.size() - at < 12)
            return QByteArray();
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint64(png.size() - at - 12))
            return QByteArray();
        const QByteArrayView type(png.constData() + at + 4, 4);
        const qsizetype whole = 12 + qsizetype(length);
        const bool ancillary = type.at(0) & 0x20;
        if (!ancillary || type == "tRNS")
            kept += QByteArrayView(png.constData() + at, whole);
        if (type == "IDAT")
            imageData += QByteArrayView(png.constData() + at + 8, qsizetype(length));
        if (type == "IEND")
            return imageDataFits(imageData) ? kept : QByteArray();
        at += whole;
    }
    return QByteArray();
}

QImage decode(const QByteArray &picture, const char *format)
{
    QByteArray bytes = picture;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(1); // megabytes: four times a 256x256 picture of 32 bits
    reader.setDecideFormatFromContent(false);
    return reader.read();
}
} // namespace

QImage Platform::iconPicture(QIODevice *file)
{
    const qint64 fileSize = file->size();
    QByteArray ico = file->read(headerSize); // then the directory
    if (ico.size() < headerSize || read16(ico, 0) != 0 || read16(ico, 2) != 1)
        return QImage();
    const qsizetype count = read16(ico, 4);
    ico += file->read(count * entrySize);
    if (ico.size() < headerSize + count * entrySize)
        return QImage();
    Entry best;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = headerSize + i * entrySize;
        Entry entry;
        entry.width = quint8(ico.at(at)) ? quint8(ico.at(at)) : largestSide; // 0 stands for 256
        entry.height = quint8(ico.at(at + 1)) ? quint8(ico.at(at + 1)) : largestSide;
        entry.bits = read16(ico, at + 6);
        entry.size = read32(ico, at + 8);
        entry.offset = read32(ico, at + 12);
        entry.at = at;
        if (entry.offset < headerSize || entry.size <= 0 || entry.offset > fileSize
            || entry.size > fileSize - entry.offset || entry.size > largestPicture)
            continue;
        const qint64 area = qint64(entry.width) * entry.height;
        const qint64 bestArea = qint64(best.width) * best.height;
        if (area > bestArea || (area == bestArea && entry.bits > best.bits))
            best = entry;
    }
    if (best.size == 0)
        return QImage();

    const QByteArray picture = file->seek(best.offset) ? file->read(best.size) : QByteArray();
    const QSize inside = declaredInside(picture);
    if (!inside.isValid() || inside.isEmpty())
        return QImage();
    QImage image;
    if (picture.startsWith(pngSignature)) {
        image = decode(criticalChunks(picture), "png");
    } else {
        // A bitmap is decoded as an icon file of that one entry.
        QByteArray single(headerSize, '\0');
        qToLittleEndian<quint16>(1, single.data() + 2);
        qToLittleEndian<quint16>(1, single.data() + 4);
        single += ico.mid(best.at, entrySize);
        qToLittleEndian<quint32>(quint32(headerSize + entrySize), single.data() + 18);
        image = decode(single + picture, "ico");
    }
    if (image.width() > largestSide || image.height() > largestSide)
        return QImage();
    return image;
}
