#include "EventLoop.h"
#include "Launchers.h"
#include "LnkInfo.h"
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
#include <QSignalSpy>
#include <QStackedWidget>

// The whole journey through the real wizard on the sample release: every page, the buttons a
// user presses, the installed tree and the shortcuts, twice over; and a quit in the middle of
// copying.
class TestJourney : public QObject
{
    Q_OBJECT

private slots:
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

// A path of this machine as a shortcut names it: Wine sees the root as drive Z:.
QString windowsPath(const QString &localPath)
{
    return (QDir::separator() == QLatin1Char('\\') ? QString() : QStringLiteral("Z:"))
        + QString(localPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}
} // namespace

void TestJourney::install_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<bool>("readOnlyFile");
    QTest::newRow("steam") << true << false;
    QTest::newRow("retail, a read-only file") << false << true;
}

void TestJourney::install()
{
    QFETCH(bool, steam);
    QFETCH(bool, readOnlyFile);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    // Names beyond ASCII and a read-only file, as a mod's files may come.
    sandbox.write(QStringLiteral("work/GameFiles/DuskmereGame/Localization/DEU/D\u00e4mmerung.int"),
                  "[Public]");
    sandbox.write(QStringLiteral("work/GameFiles/DuskmereGame/Maps/DM-\u5915\u66ae\u308c.ut3"),
                  "map");
    QVERIFY(!readOnlyFile
            || QFile::setPermissions(SampleWorld::dataDir(sandbox)
                                         + QStringLiteral("/DuskmereGame/Config/DefaultGame.ini"),
                                     QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QMap<QString, QByteArray> sample = tree(SampleWorld::dataDir(sandbox));
    MessageBoxAnswerer boxes(QMessageBox::No);
    UrlRecorder urls;
    // The second install goes over the first and replaces every file, the read-only one too.
    for (int round = 1; round <= 2; ++round) {
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
        QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path, SampleWorld::detected(sandbox, steam));
        QVERIFY((steam ? wizard.ut3Path : wizard.steamPath).isNull());
        QCOMPARE(wizard.dataDir, QStringLiteral("GameFiles"));
        QCOMPARE(wizard.files.size(), sample.size());
        QVERIFY(wizard.bytesFree > wizard.size + wizard.extraSpace);
        QVERIFY(buttons("C&ontinue", true, true));
        QVERIFY(advance(wizard));

        // Paths: the found file, confirmed as it is.
        const QString exe =
            steam ? SampleWorld::steamExe(sandbox) : SampleWorld::retailExe(sandbox);
        QCOMPARE(wizard.pathsPage->pathEdit->text(),
                 QDir::toNativeSeparators(QFileInfo(exe).canonicalFilePath()));
        QVERIFY(buttons("C&ontinue", true, true));
        QVERIFY(advance(wizard));
        QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path, QFileInfo(exe).canonicalFilePath());

        // Ready: both shortcuts unless the user says otherwise. Install pressed in a hurry
        // starts copying once.
        QVERIFY(wizard.desktopLink && wizard.startMenuLink);
        QVERIFY(buttons("&Install", true, true));
        QSignalSpy pages(wizard.stack, &QStackedWidget::currentChanged);
        QTest::mouseDClick(wizard.continueButton, Qt::LeftButton);
        QTest::mouseClick(wizard.continueButton, Qt::LeftButton);
        QCOMPARE(pages.size(), 1);
        QVERIFY(!wizard.continueButton->isEnabled()); // until copying and shortcuts are done

        // Copy: the tree below the game's folder, byte for byte, and the shortcuts.
        QVERIFY2(QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, 60000),
                 qPrintable(boxes.texts().join('\n')));
        QCOMPARE(wizard.copyPage->statusLabel->text(),
                 QStringLiteral("Finished copying. Press Continue to proceed."));
        QCOMPARE(wizard.copyPage->progressBar->value(), wizard.copyPage->progressBar->maximum());
        QVERIFY(buttons("C&ontinue", false, true));
        QVERIFY(wizard.continueButton->isDefault());
        QCOMPARE(tree(wizard.ut3UserDir), sample);

        const QString desktopLink = Platform::desktopFolder() + QStringLiteral("/The Duskmere.lnk");
        const QString menuLink =
            Platform::startMenuFolder() + QStringLiteral("/The Duskmere/The Duskmere.lnk");
        QVERIFY(QFileInfo::exists(desktopLink));
        QVERIFY(QFileInfo::exists(menuLink));
        const QString target = SampleWorld::inLink(sandbox, steam);
        const QMap<QString, QString> link = LnkInfo::read(desktopLink);
        QCOMPARE(link.value("Local path"), target);
        QCOMPARE(link.value("Working directory"), target.left(target.lastIndexOf('\\')));
        QCOMPARE(link.value("Command line arguments"),
                 steam ? QStringLiteral("-applaunch 13210 -mod=..\\DuskmereGame -solomod")
                       : QStringLiteral("-mod=..\\DuskmereGame -solomod"));
        QCOMPARE(link.value("Icon location"),
                 windowsPath(wizard.ut3UserDir + "/DuskmereGame/Splash/duskmereicon.ico"));
        QCOMPARE(LnkInfo::read(menuLink), link);
        if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows) {
            // Beside the links, launchers that start the program through Wine in the prefix.
            const QString launcher = sandbox.desktop() + "/The Duskmere.desktop";
            QCOMPARE(Launchers::problems(launcher), QString());
            QCOMPARE(sandbox.read("xdg/data/applications/The Duskmere/The Duskmere.desktop"),
                     sandbox.read(launcher));
            const QFileInfo program(QFileInfo(exe).canonicalFilePath());
            const QStringList started = QStringList {"wine", program.filePath()}
                + link.value("Command line arguments").split(' ')
                + QStringList {"cwd=" + program.path(), "WINEPREFIX=" + sandbox.prefix()};
            QCOMPARE(Launchers::started(sandbox, launcher), started);
        }
        QVERIFY(advance(wizard));

        // Final: Close opens the one extra that starts ticked, and ends the program with 0.
        QCOMPARE(wizard.continueButton->text(), QStringLiteral("Cl&ose"));
        QCOMPARE(EventLoop::runUntilExit([&] { wizard.continueButton->click(); }), 0);
    }
    QCOMPARE(urls.opened, QStringList(2, QStringLiteral("http://www.example.com/duskmere")));
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
    delete wizard;
    QVERIFY(clock.elapsed() < 30000);
    QVERIFY(!QFileInfo::exists(Platform::desktopFolder() + QStringLiteral("/The Duskmere.lnk")));

    // What is there is whole, with nothing beside it, and it is the start of the sorted list.
    const QMap<QString, QByteArray> installed = tree(target);
    const QMap<QString, QByteArray> all = tree(SampleWorld::dataDir(sandbox));
    QVERIFY2(installed.size() < all.size(), "the worker finished before the quit was confirmed");
    QCOMPARE(installed.keys(), all.keys().mid(0, installed.size()));
    for (auto it = installed.cbegin(); it != installed.cend(); ++it)
        QVERIFY2(it.value() == all.value(it.key()), qPrintable(it.key()));
}

DUSKMERE_TEST_MAIN(TestJourney)
#include "tst_journey.moc"
