#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "pages/OldVersion.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>

// The old layout's folder: asked about, deleted on Yes, and nothing outside it ever touched.
class TestOldVersion : public QObject
{
    Q_OBJECT

private slots:
    void removal_data();
    void removal();
    void linksInsideAreRemovedNotFollowed();
    void oldFolderThatIsALink();
};

namespace {
QString oldFolder(const Sandbox &sandbox)
{
    return sandbox.documents()
        + QStringLiteral("/My Games/Unreal Tournament 3/UTGame/DuskmereGame");
}
QString newFolder(const Sandbox &sandbox)
{
    return sandbox.documents() + QStringLiteral("/My Games/Unreal Tournament 3/DuskmereGame");
}
void write(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
} // namespace

void TestOldVersion::removal_data()
{
    QTest::addColumn<QStringList>("entries"); // below the old folder; "=file" makes it a file
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("gone");
    QTest::addColumn<bool>("warned");

    const QStringList tree {"Config/a.ini", "CookedPC/Maps/b.ut3", "CookedPC/c.u", "Empty/"};
    QTest::newRow("nothing there") << QStringList() << QMessageBox::Yes << false << true << false;
    QTest::newRow("declined") << tree << QMessageBox::No << true << false << false;
    QTest::newRow("nested tree deleted") << tree << QMessageBox::Yes << true << true << false;
    QTest::newRow("hidden file stays") << QStringList {"a.txt", "Sub/.keep", "Sub/b.txt"}
                                       << QMessageBox::Yes << true << false << true;
    QTest::newRow("a file at the old path")
        << QStringList {"=file"} << QMessageBox::Yes << true << false << true;
}

void TestOldVersion::removal()
{
    QFETCH(QStringList, entries);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, asked);
    QFETCH(bool, gone);
    QFETCH(bool, warned);
    Sandbox sandbox;
    const QString old = oldFolder(sandbox);
    for (const QString &entry : entries) {
        if (entry == QLatin1String("=file"))
            write(old);
        else if (entry.endsWith(QLatin1Char('/')))
            QDir().mkpath(old + QLatin1Char('/') + entry);
        else
            write(old + QLatin1Char('/') + entry);
    }
    write(newFolder(sandbox) + QStringLiteral("/current.txt"));
    // Read-only, as from a disc.
    QFile::setPermissions(old + QStringLiteral("/CookedPC/c.u"), QFile::ReadOwner);

    DuskmereWizard wizard;
    MessageBoxAnswerer boxes(QMessageBox::Ok);
    boxes.then(answer);
    QVERIFY(!EventLoop::requestsQuit([&] { wizard.gatherPage->checkOldVersion(); }));

    const QString shown = QDir::toNativeSeparators(old);
    QCOMPARE(boxes.seen.size(), int(asked) + int(warned));
    if (asked) {
        QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Old Version Found"));
        QCOMPARE(boxes.seen[0].text,
                 QStringLiteral("<html>DuskmereSetup has found an <b>incompatible past version</b> "
                                "of The Duskmere in<br><i>%1</i><br><br>Would you like to "
                                "<b>delete</b> this old version <b>now</b>? "
                                "<b>(Recommended)</b></html>")
                     .arg(shown));
    }
    if (warned) {
        QCOMPARE(boxes.seen[1].title, QStringLiteral("DuskmereSetup - Warning"));
        QCOMPARE(boxes.seen[1].text,
                 QStringLiteral("<html>DuskmereSetup <b>couldn't remove the old version</b> "
                                "in<br><i>%1</i><br><br><b>Please make sure to delete it manually "
                                "before playing.</b></html>")
                     .arg(shown));
    }
    QCOMPARE(!QFileInfo::exists(old), gone);
    QVERIFY(QFileInfo::exists(newFolder(sandbox) + QStringLiteral("/current.txt")));
    if (entries.contains(QStringLiteral("Sub/.keep"))) {
        QVERIFY(QFileInfo::exists(old + QStringLiteral("/Sub/.keep")));
        QVERIFY(!QFileInfo::exists(old + QStringLiteral("/a.txt")));
    }
}

void TestOldVersion::linksInsideAreRemovedNotFollowed()
{
    Sandbox sandbox;
    const QString outside = sandbox.path(QStringLiteral("precious"));
    write(outside + QStringLiteral("/save.dat"));
    write(outside + QStringLiteral("/deep/more.dat"));
    const QString old = oldFolder(sandbox);
    write(old + QStringLiteral("/a.txt"));
    if (!Sandbox::linkFolder(outside, old + QStringLiteral("/toOutside")))
        QSKIP("this system makes no junctions (Wine)");
    // Links to files and hidden links are Unix matters.
    const bool unix = QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
    QVERIFY(!unix || QFile::link(outside + "/save.dat", old + QStringLiteral("/file.lnk")));
    QVERIFY(!unix
            || QFile::link(old + QStringLiteral("/gone"), old + QStringLiteral("/.dangling")));

    QCOMPARE(removeDirectory(old), !unix); // a hidden dangling link stays, so the folder does
    QVERIFY(!QFileInfo::exists(old + QStringLiteral("/a.txt")));
    QVERIFY(!QFileInfo::exists(old + QStringLiteral("/toOutside")));
    QVERIFY(!QFileInfo::exists(old + QStringLiteral("/file.lnk")));
    QVERIFY(QFileInfo::exists(outside + QStringLiteral("/save.dat")));
    QVERIFY(QFileInfo::exists(outside + QStringLiteral("/deep/more.dat")));

    QFile::remove(old + QStringLiteral("/.dangling"));
    QVERIFY(removeDirectory(old));
    QVERIFY(!QFileInfo::exists(old));
    QVERIFY(QFileInfo::exists(outside + QStringLiteral("/deep/more.dat")));
}

void TestOldVersion::oldFolderThatIsALink()
{
    Sandbox sandbox;
    const QString outside = sandbox.path(QStringLiteral("precious"));
    write(outside + QStringLiteral("/save.dat"));
    const QString old = oldFolder(sandbox);
    QDir().mkpath(QFileInfo(old).absolutePath());
    if (!Sandbox::linkFolder(outside, old))
        QSKIP("this system makes no junctions (Wine)");

    DuskmereWizard wizard;
    MessageBoxAnswerer boxes(QMessageBox::Yes);
    QVERIFY(!EventLoop::requestsQuit([&] { wizard.gatherPage->checkOldVersion(); }));
    QCOMPARE(boxes.seen.size(), 1); // the question, and no warning: the link is gone
    QVERIFY(!QFileInfo(old).isSymLink());
    QVERIFY(QFileInfo::exists(outside + QStringLiteral("/save.dat")));
}

DUSKMERE_TEST_MAIN(TestOldVersion)
#include "tst_oldversion.moc"
