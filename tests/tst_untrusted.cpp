#include "NameSwap.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "platform/files/RegularFile.h"
#include "platform/shortcuts/IconPicture.h"
#include "platform/shortcuts/Launcher.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <ctime>
#include <utility>

#ifndef Q_OS_WIN
#include <cerrno>
#include <dlfcn.h>
#include <unistd.h>

namespace {
thread_local bool interruptRead = false;
}

// The program's reads bind to this one of the test executable, which fails one on demand as a
// signal does that comes during a read from a network or FUSE file system.
extern "C" ssize_t read(int fd, void *buffer, size_t size)
{
    static const auto real = reinterpret_cast<decltype(&read)>(dlsym(RTLD_NEXT, "read"));
    if (std::exchange(interruptRead, false)) {
        errno = EINTR;
        return -1;
    }
    return real(fd, buffer, size);
}
#endif

// What the program reads and writes by paths it does not control: files that are not what they
// seem or change while they are read, icons made to cost, shortcut names and folders that lead
// elsewhere.
class TestUntrusted : public QObject
{
    Q_OBJECT

private slots:
    void regularFilesOnly_data();
    void regularFilesOnly();
    void fileSwappedForAFifoWhileOpened();
    void iconWithinBudget_data();
    void iconWithinBudget();
    void iconPause_data();
    void iconPause();
};

namespace {
QByteArray png(int width, int height, QImage::Format format = QImage::Format_ARGB32,
               const QString &comment = QString())
{
    QImage image(width, height, format);
    image.fill(Qt::darkRed);
    image.setText("Comment", comment); // a long one is written compressed
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A 32x32 PNG with `count` chunks of `size` bytes of a kind no decoder knows after its header.
QByteArray pngWithChunks(int count, int size)
{
    QByteArray bytes = png(32, 32);
    QByteArray chunk(12 + size, '\0');
    qToBigEndian<quint32>(quint32(size), chunk.data());
    chunk.replace(4, 4, "duSk");
    for (int i = 0; i < count; ++i)
        bytes.insert(33, chunk); // after the signature and the header chunk
    return bytes;
}

// A PNG of RGBA pixels whose image data unpacks to `unpacked` zero bytes: a picture of
// `side` x `side` needs side * (1 + 4 * side) of them, and the rest follows it in the one stream.
QByteArray pngOfZeros(int side, int unpacked)
{
    const auto chunk = [](const QByteArray &type, const QByteArray &data) {
        QByteArray out(4, '\0');
        qToBigEndian<quint32>(quint32(data.size()), out.data());
        out += type + data;
        quint32 crc = 0xffffffff;
        for (const char byte : type + data) {
            crc ^= quint8(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
        }
        QByteArray sum(4, '\0');
        qToBigEndian<quint32>(~crc, sum.data());
        return out + sum;
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(side), header.data());
    qToBigEndian<quint32>(quint32(side), header.data() + 4);
    header[8] = 8; // bits per channel
    header[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header)
        + chunk("IDAT", qCompress(QByteArray(unpacked, '\0'), 9).mid(4)) + chunk("IEND", {});
}

// A bitmap as an icon holds it: the info header, whose height counts the mask too, 32-bit pixels
// and the mask.
QByteArray bmp(int side)
{
    QByteArray out(40, '\0');
    qToLittleEndian<quint32>(40, out.data());
    qToLittleEndian<quint32>(quint32(side), out.data() + 4);
    qToLittleEndian<quint32>(quint32(2 * side), out.data() + 8);
    qToLittleEndian<quint16>(1, out.data() + 12);
    qToLittleEndian<quint16>(32, out.data() + 14);
    return out + QByteArray(side * side * 4 + side * side / 8, '\x7f');
}

// An icon file whose entries declare `sides` (256 is written 0) and point at `pictures`, the
// entry n at picture n, or all at the one picture given.
QByteArray ico(const QList<int> &sides, const QList<QByteArray> &pictures)
{
    QByteArray out;
    const auto put16 = [&](quint16 v) { out.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) { put16(quint16(v)), put16(quint16(v >> 16)); };
    put16(0), put16(1), put16(quint16(sides.size()));
    quint32 offset = 6 + 16 * quint32(sides.size());
    QList<quint32> offsets;
    for (const QByteArray &picture : pictures)
        offsets << offset, offset += quint32(picture.size());
    for (qsizetype i = 0; i < sides.size(); ++i) {
        const QByteArray &picture = pictures.value(i, pictures.first());
        out.append(char(sides[i] & 0xff)).append(char(sides[i] & 0xff)).append(2, '\0');
        put16(1), put16(32), put32(quint32(picture.size()));
        put32(offsets.value(i, offsets.first()));
    }
    for (const QByteArray &picture : pictures)
        out += picture;
    return out;
}
} // namespace

void TestUntrusted::regularFilesOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("refuseLink");
    QTest::addColumn<QByteArray>("expected"); // null: taken as missing
    QTest::newRow("a file") << "file" << true << QByteArray("12345678");
    QTest::newRow("a file at the limit's edge") << "big" << false << QByteArray();
    QTest::newRow("a folder") << "folder" << false << QByteArray();
    QTest::newRow("a FIFO") << "fifo" << false << QByteArray();
    QTest::newRow("a file, its first read interrupted") << "file" << true << QByteArray("12345678");
    QTest::newRow("a link to a file, followed") << "link" << false << QByteArray("12345678");
    QTest::newRow("a link to a file, refused") << "link" << true << QByteArray();
    QTest::newRow("a link to a device") << "zero" << false << QByteArray();
    QTest::newRow("nothing") << "missing" << false << QByteArray();
    QTest::newRow("a resource beyond the limit") << ":/res/steam.keys" << false << QByteArray();
}

void TestUntrusted::regularFilesOnly()
{
    QFETCH(QString, path);
    QFETCH(bool, refuseLink);
    QFETCH(QByteArray, expected);
    Sandbox sandbox;
    sandbox.write("file", "12345678");
    sandbox.write("big", "123456789");
    sandbox.mkdir("folder");
    sandbox.mkfifo("fifo");
    QFile::link(sandbox.path("file"), sandbox.path("link"));
    QFile::link("/dev/zero", sandbox.path("zero"));
    if (path.contains("link") || path == "zero" || path == "fifo")
        SKIP_ON_WINDOWS("no links or FIFOs made here");
#ifndef Q_OS_WIN
    interruptRead = QByteArray(QTest::currentDataTag()).contains("interrupted");
#endif
    const auto read = Platform::readRegularFile(path.startsWith(':') ? path : sandbox.path(path), 8,
                                                refuseLink ? Platform::FinalLink::Refuse
                                                           : Platform::FinalLink::Follow);
    if (expected.isNull())
        QVERIFY(!read);
    else
        QVERIFY(read && read->startsWith(expected));
}

// A FIFO and a good file trade places all the time: each read gets the good file or nothing,
// and none waits for a writer. A read that did wait is let go at the end and tells by its bytes.
void TestUntrusted::fileSwappedForAFifoWhileOpened()
{
    SKIP_ON_WINDOWS("no FIFOs here");
    Sandbox sandbox;
    sandbox.write("ds.conf", "good");
    sandbox.mkfifo("other");
    const QString target = sandbox.path("ds.conf"), other = sandbox.path("other");
    if (!NameSwap::exchange(target, other) || !NameSwap::exchange(target, other))
        QSKIP("this system cannot exchange two names");
    std::atomic<bool> reading {true};
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<QThread> swapper(QThread::create([&] {
        while (clock.elapsed() < 1500)
            NameSwap::exchange(target, other);
        while (reading) { // a reader stuck in open() gets a writer, and an empty file
            NameSwap::releaseFifoReader(target);
            NameSwap::releaseFifoReader(other);
            QThread::msleep(10);
        }
    }));
    swapper->start();
    int good = 0, missing = 0, reads = 0;
    QList<QByteArray> wrong;
    while (clock.elapsed() < 1500) {
        const auto bytes = Platform::readRegularFile(sandbox.path("ds.conf"), 1024);
        ++reads;
        if (!bytes)
            ++missing;
        else if (*bytes == "good")
            ++good;
        else
            wrong << *bytes;
    }
    reading = false;
    swapper->wait();
    qInfo("%d reads: %d of the file, %d missing", reads, good, missing);
    QVERIFY(wrong.isEmpty());
    QVERIFY(good > 0 && missing > 0);
}

void TestUntrusted::iconWithinBudget_data()
{
    QTest::addColumn<QByteArray>("icon");
    QTest::addColumn<int>("side"); // of the picture taken; 0: none
    QTest::newRow("65535 entries at one 4000x4000 PNG")
        << ico(QList<int>(65535, 256), {png(4000, 4000, QImage::Format_Mono)}) << 0;
    QTest::newRow("the largest entry, 256x256")
        << ico({16, 256, 48}, {png(16, 16), png(256, 256), png(48, 48)}) << 256;
    QTest::newRow("a 256x256 bitmap") << ico({256}, {bmp(256)}) << 256;
    QTest::newRow("a 16x16 entry holding 512x512") << ico({16}, {png(512, 512)}) << 0;
    QByteArray beyond = ico({32}, {png(32, 32)});
    beyond.chop(1);
    QTest::newRow("an entry beyond the file's end") << beyond << 0;
    QTest::newRow("an empty entry before a good one") << ico({48, 16}, {{}, png(16, 16)}) << 16;
    QTest::newRow("a 256x256 entry of over 1 MiB beside a 48x48")
        << ico({256, 48}, {pngWithChunks(1, 1 << 20), png(48, 48)}) << 48;
    QTest::newRow("a 256x256 PNG of zeros") << ico({256}, {pngOfZeros(256, 256 * 1025)}) << 256;
    QTest::newRow("a 256x256 PNG whose image data goes on for 64 MB")
        << ico({256}, {pngOfZeros(256, 64 << 20)}) << 0;
    QTest::newRow("a PNG of 300 chunks") << ico({32}, {pngWithChunks(300, 0)}) << 0;
    QTest::newRow("a PNG with a compressed comment of 1 MiB")
        << ico({256}, {png(256, 256, QImage::Format_ARGB32, QString(1 << 20, 'a'))}) << 256;
    QFile sample(SampleWorld::source() + "/GameFiles/DuskmereGame/Splash/duskmereicon.ico");
    QVERIFY(sample.open(QIODevice::ReadOnly));
    QTest::newRow("the sample's icon, bitmaps") << sample.readAll() << 48;
}

void TestUntrusted::iconWithinBudget()
{
    QFETCH(QByteArray, icon);
    QFETCH(int, side);
    if (QString(QTest::currentDataTag()).contains("bitmap"))
        SKIP_ON_WINDOWS("no icon reader ships there: the shell shows the icon itself");
    QElapsedTimer clock;
    clock.start();
    QBuffer file(&icon);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage picture = Platform::iconPicture(&file);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(picture.width(), side);
    QVERIFY(picture.text("Comment").isEmpty()); // never unpacked
}

void TestUntrusted::iconPause_data()
{
    QTest::addColumn<QByteArray>("icon");
    QTest::newRow("a 256x256 PNG entry")
        << ico({16, 32, 48, 256}, {png(16, 16), png(32, 32), png(48, 48), png(256, 256)});
    // Noise packs worst, and 16 bits a channel twice as much of it.
    QImage noise(256, 256, QImage::Format_RGBA64);
    QRandomGenerator(1).fillRange(reinterpret_cast<quint32 *>(noise.bits()),
                                  noise.sizeInBytes() / 4);
    QByteArray picture;
    QBuffer buffer(&picture);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "PNG"));
    QByteArray large = ico({256}, {picture});
    const qsizetype padding = 16 * 1024 * 1024 - large.size();
    qToLittleEndian<quint32>(quint32(large.size() - picture.size() + padding), large.data() + 18);
    QTest::newRow("16 MB ending in a 256x256 entry of 16-bit noise")
        << large.insert(large.size() - picture.size(), QByteArray(padding, '\0'));
}

// The launchers' icon is made on the window's thread, once: it must fit in the 20 ms the
// window may pause.
void TestUntrusted::iconPause()
{
    QFETCH(QByteArray, icon);
    SKIP_ON_WINDOWS("no launchers there");
    Sandbox sandbox;
    sandbox.write("duskmere.ico", icon);
    // Processor time, which other programs on a busy machine do not stretch: the pause is the
    // work done for the icon.
    double shortest = 1e9, longest = 0;
    for (int round = 0; round < 5; ++round) {
        const std::clock_t start = std::clock();
        QVERIFY(!Platform::launcherIcon(sandbox.path("duskmere.ico")).isEmpty());
        const double milliseconds = double(std::clock() - start) * 1000 / CLOCKS_PER_SEC;
        shortest = qMin(shortest, milliseconds);
        longest = qMax(longest, milliseconds);
    }
    qInfo("%.1f to %.1f ms", shortest, longest);
    QVERIFY(shortest < 20);
}

DUSKMERE_TEST_MAIN(TestUntrusted)
#include "tst_untrusted.moc"
