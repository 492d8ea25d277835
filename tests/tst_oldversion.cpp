#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/GatherPage.h"
#include "pages/OldVersion.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFile>

// The old layout's folder: asked about, deleted on Yes, and nothing outside it ever touched.
class TestOldVersion : public QObject
{
    Q_OBJECT

private slots:
    void removal_data();
    void removal();
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
} // namespace

void TestOldVersion::removal_data()
{
    // Below the old folder; "=file" makes the old path a file, "==>" a link to a folder outside,
    // and "x=>" is such a link inside.
    QTest::addColumn<QStringList>("entries");
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
    QTest::newRow("a link at the old path, never followed")
        << QStringList {"==>"} << QMessageBox::Yes << true << true << false;
    QTest::newRow("links inside removed as links")
        << QStringList {"a.txt", "In=>", "Sub/b.txt"} << QMessageBox::Yes << true << true << false;
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
    const QString outside = sandbox.path(QStringLiteral("precious"));
    sandbox.write(outside + QStringLiteral("/deep/save.dat"), "x");
    for (const QString &entry : entries) {
        const bool link = entry.endsWith(QLatin1String("=>"));
        const QString path = entry.startsWith('=') ? old : old + '/' + entry.chopped(link ? 2 : 0);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (link && !Sandbox::linkFolder(outside, path))
            QSKIP("this system makes no junctions (Wine)");
        else if (entry.endsWith(QLatin1Char('/')))
            QDir().mkpath(path);
        else if (!link)
            sandbox.write(path, "x");
    }
    sandbox.write(newFolder(sandbox) + QStringLiteral("/current.txt"), "x");
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
    QVERIFY(QFileInfo::exists(newFolder(sandbox) + "/current.txt")
            && QFileInfo::exists(outside + "/deep/save.dat"));
    if (entries.contains(QStringLiteral("Sub/.keep")))
        QVERIFY(QFileInfo::exists(old + "/Sub/.keep") && !QFileInfo::exists(old + "/a.txt"));
}

DUSKMERE_TEST_MAIN(TestOldVersion)
#include "tst_oldversion.moc"
