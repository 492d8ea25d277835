#include "Sandbox.h"
#include "TestMain.h"
#include "pages/PathsPage.h"
#include "wizard/DuskmereWizard.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QOperatingSystemVersion>
#include <QPushButton>
#include <QTimer>

// Confirming or locating the executable, and Continue in step with the entry.
class TestPathsPage : public QObject
{
    Q_OBJECT

private slots:
    void onEntry_data();
    void onEntry();
    void validate_data();
    void validate();
    void browse_data();
    void browse();

private:
    static QString labelText(QWidget *page, const QString &start)
    {
        for (QLabel *label : page->findChildren<QLabel *>())
            if (label->text().startsWith(start))
                return label->text();
        return QString();
    }
};

void TestPathsPage::onEntry_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QString>("detected"); // as detection stored it; %1 = sandbox root
    QTest::addColumn<bool>("onDisk");
    QTest::addColumn<QString>("edit"); // %1 = sandbox root

    QTest::newRow("retail found") << false << "%1/Games/UT3/Binaries/UT3.exe" << true
                                  << "%1/Games/UT3/Binaries/UT3.exe";
    // Found through the prefix's drive: the journey.
    QTest::newRow("retail found, then deleted")
        << false << "%1/Games/UT3/Binaries/UT3.exe" << false << "";
    QTest::newRow("steam not found") << true << "" << false << "";
}

void TestPathsPage::onEntry()
{
    QFETCH(bool, steam);
    QFETCH(QString, detected);
    QFETCH(bool, onDisk);
    QFETCH(QString, edit);
    SKIP_ON_WINDOWS("the rows use Unix paths and a Wine prefix");
    Sandbox sandbox;
    const QString root = sandbox.root();
    sandbox.mkdir("wineprefix/dosdevices");
    QVERIFY(QFile::link(QStringLiteral("../drive_c"), sandbox.prefix() + "/dosdevices/c:"));
    if (onDisk) {
        sandbox.write("Games/UT3/Binaries/UT3.exe", "MZ");
        sandbox.write("Games/Steam/steam.exe", "MZ");
        sandbox.write("wineprefix/drive_c/Games/UT3/Binaries/UT3.exe", "MZ");
    }
    DuskmereWizard wizard;
    wizard.steam = steam;
    (steam ? wizard.steamPath : wizard.ut3Path) = QString(detected).replace("%1", root);
    wizard.gotoPaths();
    PathsPage *page = wizard.pathsPage;

    const QString app = steam ? QStringLiteral("Steam") : QStringLiteral("UT3");
    const QString exe = steam ? QStringLiteral("Steam.exe") : QStringLiteral("UT3.exe");
    QCOMPARE(labelText(page, "<h1>"),
             QStringLiteral("<h1>%1 Installation Path</h1><b>Please specify your %1 path.</b>")
                 .arg(app));
    const QString information = detected.isEmpty()
        ? QStringLiteral("DuskmereSetup couldn't find any copy of %1 on your computer.<br>"
                         "Please locate your <i>%2</i> manually.")
              .arg(app, exe)
        : QStringLiteral("DuskmereSetup has found <i>%1</i> in the following location.<br>"
                         "If this is not the version of %2 you want to use, please specify "
                         "the correct path manually.")
              .arg(exe, app);
    QCOMPARE(labelText(page, "DuskmereSetup "), information);
    QCOMPARE(labelText(page, "Path to "), QStringLiteral("Path to %1:").arg(exe));
    QCOMPARE(page->pathEdit->text(), QDir::toNativeSeparators(edit.replace("%1", root)));
    QCOMPARE(wizard.continueButton->isEnabled(), !edit.isEmpty());
    QCOMPARE(page->statusLabel->text().isEmpty(), edit.isEmpty());
}

void TestPathsPage::validate_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QString>("entry"); // relative to the sandbox root
    QTest::addColumn<QString>("status");

    const QString valid = QStringLiteral(
        "<b>The specified location appears to be valid.<br>Press Continue to proceed.</b>");
    const QString invalid =
        QStringLiteral("<font color=red><b>Invalid location (Please locate <i>%1</i>).</b></font>");
    const QString missing =
        QStringLiteral("<font color=red><b>The specified file does not exist.</b></font>");
    QTest::newRow("exact name") << false << "Game/Binaries/UT3.exe" << valid;
    QTest::newRow("name in other case") << false << "Other/ut3.EXE" << valid;
    QTest::newRow("through a link") << false << "Linked/Binaries/UT3.exe" << valid;
    QTest::newRow("the folder") << false << "Game/Binaries" << invalid.arg("UT3.exe");
    QTest::newRow("another file") << false << "Game/Binaries/Launcher.exe"
                                  << invalid.arg("UT3.exe");
    QTest::newRow("nothing there") << false << "Game/Binaries/UT4.exe" << missing;
    QTest::newRow("empty") << false << ""
                           << "";
    QTest::newRow("steam") << true << "Steam/Steam.exe" << valid;
    QTest::newRow("steam for Linux, its script") << true << "Steam/steam.sh" << valid;
    QTest::newRow("steam, retail file")
        << true << "Game/Binaries/UT3.exe" << invalid.arg("Steam.exe");
}

void TestPathsPage::validate()
{
    QFETCH(bool, steam);
    QFETCH(QString, entry);
    QFETCH(QString, status);
    if (entry.startsWith(QLatin1String("Linked")) || entry.endsWith(QLatin1String(".sh")))
        SKIP_ON_WINDOWS("a Unix link, or Steam for Linux");
    Sandbox sandbox;
    sandbox.write("Game/Binaries/UT3.exe", "MZ");
    sandbox.write("Game/Binaries/Launcher.exe", "MZ");
    sandbox.write("Other/ut3.EXE", "MZ");
    sandbox.write("Steam/Steam.exe", "MZ");
    sandbox.write("Steam/steam.sh", "#!/bin/sh");
    QVERIFY(QFile::link(sandbox.path("Game"), sandbox.path("Linked")));

    DuskmereWizard wizard;
    wizard.steam = steam;
    wizard.ut3Path = wizard.steamPath = QStringLiteral("before");
    wizard.gotoPaths();
    PathsPage *page = wizard.pathsPage;
    QVERIFY(!wizard.continueButton->isEnabled());

    page->pathEdit->setText(entry.isEmpty() ? QString() : sandbox.path(entry));
    QCOMPARE(page->statusLabel->text(), status);
    const bool accepted = status.contains(QLatin1String("valid.<br>"));
    QCOMPARE(wizard.continueButton->isEnabled(), accepted);
    // A valid entry is stored absolute, as entered (links kept); an invalid one stores nothing.
    QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path,
             accepted ? sandbox.path(entry) : QStringLiteral("before"));
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, QStringLiteral("before"));

    page->pathEdit->clear();
    QVERIFY(page->statusLabel->text().isEmpty());
    QVERIFY(!wizard.continueButton->isEnabled());
}

void TestPathsPage::browse_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<bool>("choose");
    QTest::newRow("retail, cancelled") << false << false;
    QTest::newRow("steam, chosen") << true << true;
}

void TestPathsPage::browse()
{
    QFETCH(bool, steam);
    QFETCH(bool, choose);
    Sandbox sandbox;
    const QString exe = steam ? QStringLiteral("Steam.exe") : QStringLiteral("UT3.exe");
    const QString programFiles = sandbox.prefix() + QStringLiteral("/drive_c/Program Files (x86)");
    sandbox.write("wineprefix/drive_c/Program Files (x86)/Game/" + exe, "MZ");
    const QString chosen = programFiles + QStringLiteral("/Game/") + exe;

    DuskmereWizard wizard;
    wizard.steam = steam;
    wizard.gotoPaths();
    PathsPage *page = wizard.pathsPage;
    page->pathEdit->setText(QStringLiteral("typed"));
    const QString statusBefore = page->statusLabel->text();

    QString title;
    QStringList filters;
    QString directory;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (title.isEmpty()) { // as it opened
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            directory = dialog->directory().absolutePath();
        }
        if (!choose) {
            dialog->reject();
            return;
        }
        // Typed into the name field, as a user would; selecting it in the list depends on the
        // file model having read the folder.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer.start(10);
    page->findChild<QPushButton *>()->click();

    QCOMPARE(title, QStringLiteral("Select %1").arg(exe));
    // Steam for Linux starts from scripts of its own.
    const bool unixSteam =
        steam && QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
    QCOMPARE(
        filters,
        QStringList {QStringLiteral("%1 (%2%3)")
                         .arg(steam ? "Steam" : "UT3", exe, unixSteam ? " steam steam.sh" : "")});
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QCOMPARE(directory, programFiles);
    QCOMPARE(page->pathEdit->text(), choose ? QDir::toNativeSeparators(chosen) : "typed");
    if (choose)
        QVERIFY(wizard.continueButton->isEnabled());
    else
        QCOMPARE(page->statusLabel->text(), statusBefore);
}

DUSKMERE_TEST_MAIN(TestPathsPage)
#include "tst_pathspage.moc"
