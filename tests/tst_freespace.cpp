#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "platform/FreeSpace.h"
#include "wizard/DuskmereWizard.h"

#include <QLabel>

// The free space step: a comparison in bytes, a message in truncated megabytes.
class TestFreeSpace : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void comparison_data();
    void comparison();
    void failedQueryShowsNoFigure();
    void realQueryOnAFolderNotMadeYet();
};

void TestFreeSpace::comparison_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("extra");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<QStringList>("figures"); // need, have, missing; empty: no message

    QTest::newRow("one byte to spare") << 10485760LL << 0LL << 10485761LL << QStringList();
    QTest::newRow("equal is too little")
        << 10485760LL << 0LL << 10485760LL << QStringList {"10", "10", "0"};
    QTest::newRow("extra space counts")
        << 5242880LL << 1048576LL << 3145728LL << QStringList {"6", "3", "3"};
    QTest::newRow("shortfall under a megabyte")
        << 3146000LL << 0LL << 3145728LL << QStringList {"3", "3", "0"};
    QTest::newRow("need truncated, not rounded")
        << 1572863LL << 0LL << 1000LL << QStringList {"1", "0", "1"};
    QTest::newRow("negative extra space lowers the need")
        << 4194304LL << -2097152LL << 3145728LL << QStringList();
    QTest::newRow("extra space beyond any disk")
        << 0LL << 4611686018427387904LL << 1099511627776LL
        << QStringList {"4398046511104", "1048576", "4398045462528"};
}

void TestFreeSpace::comparison()
{
    QFETCH(qint64, size);
    QFETCH(qint64, extra);
    QFETCH(qint64, free);
    QFETCH(QStringList, figures);
    Sandbox sandbox;
    QString askedFor;
    Platform::setFreeSpaceQuery([&](const QString &path) {
        askedFor = path;
        return free;
    });
    DuskmereWizard wizard;
    wizard.size = size;
    wizard.extraSpace = extra;
    MessageBoxAnswerer boxes;
    const bool quit = EventLoop::requestsQuit([&] { wizard.gatherPage->checkFreeSpace(); });

    QCOMPARE(askedFor, sandbox.documents());
    QCOMPARE(wizard.bytesFree, free); // stored either way
    QCOMPARE(quit, !figures.isEmpty());
    if (figures.isEmpty()) {
        QVERIFY(boxes.seen.isEmpty());
        return;
    }
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html><b>You do not have sufficient space</b> on the partition "
                            "containing<br><i>%1</i><br><br>You <b>need %2 MB</b>, but <b>only "
                            "have %3 MB</b> free.<br><br>Please <b>free up %4 MB</b> of additional "
                            "space and restart DuskmereSetup.</html>")
                 .arg(sandbox.documents(), figures[0], figures[1], figures[2]));
}

void TestFreeSpace::failedQueryShowsNoFigure()
{
    Sandbox sandbox;
    sandbox.mkdir(QStringLiteral("GameFiles"));
    Platform::setFreeSpaceQuery([](const QString &) { return std::nullopt; });
    DuskmereWizard wizard;
    wizard.bytesFree = 123456789;
    MessageBoxAnswerer boxes;
    QVERIFY(EventLoop::requestsQuit([&] { wizard.gatherPage->startProcessing(); }));
    QCOMPARE(boxes.texts(),
             QStringList {QStringLiteral("Error while determining the available disk space.")});
    const QString row = wizard.gatherPage->statusLabels[2]->text();
    QVERIFY2(!row.contains(QRegularExpression(QStringLiteral("\\d"))), qPrintable(row));
}

void TestFreeSpace::realQueryOnAFolderNotMadeYet()
{
    Sandbox sandbox;
    QVERIFY(!QFileInfo::exists(sandbox.documents()));
    const std::optional<qint64> free = Platform::freeBytes(sandbox.documents());
    QVERIFY(free.has_value());
    QVERIFY(*free > 0);
}

DUSKMERE_TEST_MAIN(TestFreeSpace)
#include "tst_freespace.moc"
