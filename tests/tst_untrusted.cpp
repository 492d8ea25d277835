#include "Sandbox.h"
#include "TestMain.h"
#include "platform/files/RegularFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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
};

void TestUntrusted::regularFilesOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("refuseLink");
    QTest::addColumn<QByteArray>("expected"); // null: taken as missing
    QTest::newRow("a file") << "file" << true << QByteArray("12345678");
    QTest::newRow("a file at the limit's edge") << "big" << false << QByteArray();
    QTest::newRow("a folder") << "folder" << false << QByteArray();
    QTest::newRow("a FIFO") << "fifo" << false << QByteArray();
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
    const QByteArray target = QFile::encodeName(sandbox.path("ds.conf"));
    const QByteArray other = QFile::encodeName(sandbox.path("other"));
    std::atomic<bool> reading {true};
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<QThread> swapper(QThread::create([&] {
        while (clock.elapsed() < 1500)
            ::renameat2(AT_FDCWD, target.constData(), AT_FDCWD, other.constData(), RENAME_EXCHANGE);
        while (reading) { // a reader stuck in open() gets a writer, and an empty file
            for (const QByteArray &name : {target, other}) {
                const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
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

DUSKMERE_TEST_MAIN(TestUntrusted)
#include "tst_untrusted.moc"
