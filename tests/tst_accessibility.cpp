#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "pages/GatherPage.h"
#include "pages/PathsPage.h"
#include "platform/steam/SteamClient.h"
#include "platform/system/FreeSpace.h"
#include "wizard/DuskmereWizard.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

// What a screen reader gets from each page through Qt's accessibility interface, which serves
// AT-SPI on Linux and UI Automation on Windows alike.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Platform::setFreeSpaceQuery(nullptr); }
    void pageEntry_data();
    void pageEntry();
    void busyBar();
    void enterOnCancel();
};

namespace {
using Enter = std::function<void(const Sandbox &, DuskmereWizard &)>;

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Gathering on a world without the game: one file of 3 MB, 12048 MB free.
void gather(const Sandbox &sandbox, DuskmereWizard &wizard)
{
    sandbox.write("GameFiles/data.bin", QByteArray(3 * 1048576, 'x'));
    Platform::setFreeSpaceQuery([](const QString &) { return qint64(12048) * 1048576; });
    wizard.gotoGather();
    QTRY_VERIFY(wizard.continueButton->isEnabled());
}
} // namespace

void TestAccessibility::pageEntry_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<Enter>("enter");
    QTest::addColumn<QString>("focusName");
    QTest::addColumn<QString>("focusDescription"); // contained
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QString>("pageDescription"); // contained
    const auto row = [](const char *name, const char *ini, const Enter &enter, const QString &focus,
                        const char *focusText, const char *page, const char *pageText) {
        QTest::newRow(name) << QByteArray(ini) << enter << focus << QString(focusText)
                            << QString(page) << QString(pageText);
    };
    using W = DuskmereWizard;
    // A page as the earlier ones leave it; present: an earlier version's folder; typed: into
    // the path field.
    const auto at = [](void (W::*go)(), bool steam = false, const char *present = "",
                       const char *typed = nullptr) -> Enter {
        return [=](const Sandbox &sandbox, W &w) {
            if (*present)
                sandbox.write(w.ut3UserDir + '/' + present, "x");
            sandbox.write("UT3.exe", "MZ");
            w.ut3Path = sandbox.path("UT3.exe");
            w.steam = steam;
            (w.*go)();
            if (typed)
                w.pathsPage->pathEdit->setText(sandbox.path(typed));
        };
    };
    const char *vista = "Important Note for Windows Vista Users: If you are using";

    row("welcome", "", {}, "Retail Version",
        "please select which variant you are using:", "The Duskmere Setup",
        "walk you through the process");
    row("gather finished: Continue tells what was found", "", gather, "Continue",
        "UT3 not found; 3 MBytes in 1 files; 12048 MBytes free; Done", "Gathering Data",
        "about the files to be installed and your UT3 installation.");
    row("paths, found", "", at(&W::gotoPaths), "Path to UT3.exe:",
        "The specified location appears to be valid. Press Continue to proceed.",
        "UT3 Installation Path", "Please specify your UT3 path. DuskmereSetup has found UT3.exe");
    row("paths, steam: the verdict follows the entry", "", at(&W::gotoPaths, true, "", "none"),
        "Path to " + Platform::steamClientName("").title + ":",
        "The specified file does not exist.", "Steam Installation Path",
        "couldn't find any copy of Steam");
    row("ready, earlier version", "", at(&W::gotoReady, false, "DuskmereGame/x"),
        "Desktop and Start Menu",
        "Please choose where you would like shortcuts to be created:", "Ready to Install",
        "The target directory seems to already contain a version of The Duskmere, which will be "
        "overwritten. Press Install");
    row("ready, empty target", "", at(&W::gotoReady), "Desktop and Start Menu", "",
        "Ready to Install", "doesn't seem to contain any version of The Duskmere yet.");
    const Enter copied = [](const Sandbox &, W &w) {
        w.gotoCopy();
        QCoreApplication::removePostedEvents(w.copyPage, QEvent::MetaCall); // no worker
        w.copyPage->setDoneCopying();
    };
    row("copy finished: Continue tells so", "", copied, "Continue",
        "Finished copying. Press Continue to proceed.", "Installing The Duskmere", "");
    row("final, no extras: Close carries the note", "", at(&W::gotoFinal), "Close", vista,
        "Installation Successful", vista);
    row("final, extras: the first one, its '&' kept",
        "[Extras]\nURL1=a\nDesc1=R&D && more\nURL2=b\nDesc2=Two\nDefault2=yes\n", at(&W::gotoFinal),
        "R&D && more",
        "Select additional actions to perform when pressing Close:", "Installation Successful",
        "Press Close to exit DuskmereSetup.");
}

void TestAccessibility::pageEntry()
{
    QFETCH(QByteArray, ini);
    QFETCH(Enter, enter);
    QFETCH(QString, focusName);
    QFETCH(QString, focusDescription);
    QFETCH(QString, pageName);
    QFETCH(QString, pageDescription);
    Sandbox sandbox;
    sandbox.writeConfig(ini);
    DuskmereWizard wizard;
    if (enter)
        enter(sandbox, wizard);
    QWidget *page = wizard.stack->currentWidget();

    QWidget *focus = wizard.focusWidget();
    QVERIFY(focus && focus->isEnabled() && focus->isVisible());
    QVERIFY(page->isAncestorOf(focus) || focus == wizard.continueButton);
    QCOMPARE(accessible(focus)->text(QAccessible::Name), focusName);
    QVERIFY2(accessible(focus)->text(QAccessible::Description).contains(focusDescription),
             qPrintable(accessible(focus)->text(QAccessible::Description)));
    QCOMPARE(accessible(page)->text(QAccessible::Name), pageName);
    QVERIFY2(accessible(page)->text(QAccessible::Description).contains(pageDescription),
             qPrintable(accessible(page)->text(QAccessible::Description)));

    // Every control is named; a field by the label above it.
    for (QWidget *control : page->findChildren<QWidget *>()) {
        if (!qobject_cast<QLineEdit *>(control) && !qobject_cast<QProgressBar *>(control)
            && !qobject_cast<QAbstractButton *>(control))
            continue;
        QAccessibleInterface *controlView = accessible(control);
        QVERIFY2(!controlView->text(QAccessible::Name).isEmpty(),
                 control->metaObject()->className());
        if (!qobject_cast<QLineEdit *>(control))
            continue;
        const auto labels = controlView->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name),
                 controlView->text(QAccessible::Name));
    }
}

// The Gather page's bar while the steps run (asked from the free space step) and after.
void TestAccessibility::busyBar()
{
    Sandbox sandbox;
    sandbox.mkdir("GameFiles");
    DuskmereWizard wizard;
    QAccessibleInterface *bar = accessible(wizard.gatherPage->progressBar);
    QString whileBusy;
    Platform::setFreeSpaceQuery([&](const QString &) {
        whileBusy = QString::asprintf("%d %s of %s..%s", bar->state().busy,
                                      qPrintable(bar->valueInterface()->currentValue().toString()),
                                      qPrintable(bar->valueInterface()->minimumValue().toString()),
                                      qPrintable(bar->valueInterface()->maximumValue().toString()));
        return qint64(1) << 40;
    });
    QCOMPARE(bar->valueInterface()->currentValue().toInt(), 0);
    wizard.gotoGather();
    QTRY_VERIFY(wizard.continueButton->isEnabled());
    QCOMPARE(whileBusy, "1 0 of 0..0");
    QVERIFY(!bar->state().busy && bar->valueInterface()->currentValue().toInt() == 1);
    QCOMPARE(bar->text(QAccessible::Name), "Gathering data");
}

// Enter presses the button a user hears, not the default one.
void TestAccessibility::enterOnCancel()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoPaths();
    wizard.enableContinue();
    MessageBoxAnswerer boxes(QMessageBox::No);
    QTest::keyClick(wizard.cancelButton, Qt::Key_Return);
    QCOMPARE(boxes.titles(), QStringList {"DuskmereSetup - Really quit?"});
    QCOMPARE(wizard.stack->currentWidget(), wizard.pathsPage);
}

DUSKMERE_TEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
