#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "UrlRecorder.h"
#include "WizardDriver.h"
#include "install/CopyThread.h"
#include "pages/CopyPage.h"
#include "pages/GatherPage.h"
#include "pages/PathsPage.h"
#include "pages/WelcomePage.h"
#include "platform/StandardFolders.h"
#include "wizard/DuskmereWizard.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QOperatingSystemVersion>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

// The whole journey through the real wizard on the sample release: every page, the buttons a
// user presses, the installed tree and the shortcuts (their fields are the shortcut test's);
// and a quit in the middle of copying.
class TestJourney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void install_data();
    void install();
    void quitDuringCopying();
};

namespace {
// Every file below `root` by relative path, with a digest of its bytes.
QMap<QString, QByteArray> tree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(root).relativeFilePath(file.fileName()),
                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

} // namespace

void TestJourney::initTestCase()
{
    SKIP_ON_WINDOWS("the journey runs on a Wine prefix");
}

void TestJourney::install_data()
{
    QTest::addColumn<bool>("steam");
    QTest::newRow("retail") << false;
    QTest::newRow("steam") << true;
}

void TestJourney::install()
{
    QFETCH(bool, steam);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    MessageBoxAnswerer boxes(QMessageBox::No);
    UrlRecorder urls;
    DuskmereWizard wizard;
    // Continue's text, and whether Cancel and Reset are enabled, once a page's work is done.
    const auto buttons = [&](const char *continueText, bool cancel, bool reset) {
        return wizard.continueButton->text() == QLatin1String(continueText)
            && wizard.cancelButton->isEnabled() == cancel
            && wizard.resetButton->isEnabled() == reset;
    };

    // Welcome
    QVERIFY(buttons("C&ontinue", true, false));
    if (steam)
        wizard.welcomePage->findChildren<QRadioButton *>().at(1)->click();
    QCOMPARE(wizard.steam, steam);
    QVERIFY(advance(wizard));

    // Gather: the executable from the registry, the sample's files, the free space.
    QVERIFY(QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, 30000));
    const QMap<QString, QByteArray> sample = tree(SampleWorld::dataDir(sandbox));
    QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path,
             QString::fromLatin1(steam ? SampleWorld::SteamDetected : SampleWorld::RetailDetected));
    QVERIFY((steam ? wizard.ut3Path : wizard.steamPath).isNull());
    QCOMPARE(wizard.dataDir, QStringLiteral("GameFiles"));
    QCOMPARE(wizard.files.size(), sample.size());
    QCOMPARE(wizard.extraSpace, 1048576);
    QVERIFY(wizard.bytesFree > wizard.size && wizard.size > 0); // the sums are the Gather test's
    QVERIFY(wizard.gatherPage->statusLabels[0]->text().contains(QLatin1String(" found")));
    QVERIFY(buttons("C&ontinue", true, true));
    QVERIFY(advance(wizard));

    // Paths: the found file, confirmed as it is.
    const QString exe = steam ? SampleWorld::steamExe(sandbox) : SampleWorld::retailExe(sandbox);
    QCOMPARE(wizard.pathsPage->pathEdit->text(),
             QDir::toNativeSeparators(QFileInfo(exe).canonicalFilePath()));
    QVERIFY(buttons("C&ontinue", true, true));
    QVERIFY(advance(wizard));
    QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path, QFileInfo(exe).canonicalFilePath());

    // Ready: both shortcuts unless the user says otherwise.
    QVERIFY(wizard.desktopLink && wizard.startMenuLink);
    QVERIFY(buttons("&Install", true, true));
    QVERIFY(advance(wizard));
    QVERIFY(!wizard.continueButton->isEnabled()); // until copying and shortcuts are done

    // Copy: the tree below the game's folder, byte for byte, and the shortcuts.
    QVERIFY(QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, 60000));
    QCOMPARE(wizard.copyPage->statusLabel->text(),
             QStringLiteral("Finished copying. Press Continue to proceed."));
    QCOMPARE(wizard.copyPage->progressBar->value(), wizard.copyPage->progressBar->maximum());
    QVERIFY(buttons("C&ontinue", false, true));
    QVERIFY(wizard.continueButton->isDefault());
    QCOMPARE(tree(wizard.ut3UserDir), sample);
    QVERIFY(boxes.seen.isEmpty());

    QVERIFY(QFileInfo::exists(Platform::desktopFolder() + "/The Duskmere.lnk"));
    QVERIFY(QFileInfo::exists(Platform::startMenuFolder() + "/The Duskmere/The Duskmere.lnk"));
    QVERIFY(advance(wizard));

    // Final: Close opens the one extra that starts ticked, and ends the program with 0.
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("Cl&ose"));
    QCOMPARE(EventLoop::runUntilExit([&] { wizard.continueButton->click(); }), 0);
    QCOMPARE(urls.opened, QStringList {QStringLiteral("http://www.example.com/duskmere")});
    QVERIFY(boxes.seen.isEmpty());
}

void TestJourney::quitDuringCopying()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    const QByteArray chunk(256 * 1024, 'b');
    for (int i = 0; i < 300; ++i)
        sandbox.write(
            QStringLiteral("work/GameFiles/DuskmereGame/Bulk/part%1.bin").arg(i, 3, 10, QChar('0')),
            chunk + QByteArray::number(i));
    MessageBoxAnswerer boxes(QMessageBox::Yes);
    auto *wizard = new DuskmereWizard;
    for (int page = 0; page < 3; ++page)
        QVERIFY(advance(*wizard));

    // The user confirms Cancel as soon as the first file shows.
    const int code = EventLoop::runUntilExit([&] {
        wizard->continueButton->click();
        QTimer::singleShot(0, wizard, [wizard] {
            connect(
                wizard->copyPage->thread, &CopyThread::currentFileChanged, wizard,
                [wizard] { wizard->cancelButton->click(); }, Qt::SingleShotConnection);
        });
    });
    QCOMPARE(code, 0);
    QVERIFY(wizard->isQuitting());
    QCOMPARE(boxes.titles(), QStringList {QStringLiteral("DuskmereSetup - Really quit?")});

    // Closing waits for the file in hand, and no completion work runs on the way out.
    QElapsedTimer clock;
    clock.start();
    const QString target = wizard->ut3UserDir;
    QStringList sources = wizard->files;
    std::sort(sources.begin(), sources.end());
    const QString dataDir = SampleWorld::dataDir(sandbox);
    delete wizard;
    QVERIFY(clock.elapsed() < 30000);
    QVERIFY(!QFileInfo::exists(Platform::desktopFolder() + QStringLiteral("/The Duskmere.lnk")));

    // What is there is whole, and it is the start of the sorted list: nothing after a gap.
    int installed = 0;
    bool gap = false;
    for (const QString &source : std::as_const(sources)) {
        const QString copy = target + QLatin1Char('/') + QDir(dataDir).relativeFilePath(source);
        if (!QFileInfo::exists(copy)) {
            gap = true;
            continue;
        }
        QVERIFY2(!gap, qPrintable(copy));
        ++installed;
        QFile a(source), b(copy);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(copy));
    }
    QVERIFY2(installed < sources.size(), "the worker finished before the quit was confirmed");
    QCOMPARE(tree(target).size(), installed); // no temporary or partial file beside them
}

DUSKMERE_TEST_MAIN(TestJourney)
#include "tst_journey.moc"
