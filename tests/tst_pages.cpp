#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/PathsPage.h"
#include "wizard/DuskmereWizard.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void pages_data();
    void pages();
    void clicks();
    void pathEntry_data();
    void pathEntry();
    void browse_data();
    void browse();
};

namespace {
// Brings the wizard to the page to describe, in the state a row wants; none: the window itself.
using Enter = std::function<void(const Sandbox &, DuskmereWizard &)>;

const QString valid = QStringLiteral(
    "<b>The specified location appears to be valid.<br>Press Continue to proceed.</b>");
const bool unix = QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows;
// What the Paths page asks for where no Steam for Linux holds the game: Steam for Windows, which
// starts the game in the prefix the mod goes to.
const QString wantedSteam = QStringLiteral("Steam.exe");
// Proton's own steam.exe in the game's prefix, which answers the game but is no Steam.
const char *const standIn =
    "Lib/steamapps/compatdata/13210/pfx/drive_c/Program Files (x86)/Steam/steam.exe";

// A layout in one line, its texts gathered. L wrapped rich text label, l other, IWxH picture, E/e
// line edit/read-only, B push, R radio, C check box, S stack, D button box (buttons), Fxx frame
// style, Pmin..max:value. Marks: + checked, ! auto default, ^ bold, _ disabled, =WxH fixed, >N
// minimum width, leading - hidden. N spacing, WxH spacer, ~ stretch; [..] box, {..} grid of
// row,column: cells, led by mL,T,R,B or mN margins, s0 no spacing, wC>N column minimum widths.
struct Walker
{
    QStringList texts;

    static QString size(QSize s) { return QString::asprintf("%dx%d", s.width(), s.height()); }

    QString widget(QWidget *w)
    {
        w->ensurePolished();
        const QString kind = w->metaObject()->className();
        static const QHash<QString, QString> kinds {
            {"QLineEdit", "E"}, {"QPushButton", "B"},    {"QRadioButton", "R"},
            {"QCheckBox", "C"}, {"QStackedWidget", "S"}, {"QDialogButtonBox", "D"}};
        QString token = w->property("readOnly").toBool() ? "e" : kinds.value(kind);
        if (auto *label = qobject_cast<QLabel *>(w))
            token = !label->pixmap().isNull() ? 'I' + size(label->pixmap().size())
                : label->wordWrap() && label->textFormat() == Qt::RichText ? "L"
                                                                           : "l";
        else if (auto *bar = qobject_cast<QProgressBar *>(w))
            token = QString::asprintf("P%d..%d:%d", bar->minimum(), bar->maximum(), bar->value());
        else if (kind == "QFrame")
            token = "F" + QString::number(qobject_cast<QFrame *>(w)->frameStyle(), 16);
        const QString text = w->property("text").toString();
        if (token != "E" && !token.startsWith('P') && !text.isEmpty())
            texts += text;
        token += QString(w->property("checked").toBool() ? "+" : "")
            + (w->property("autoDefault").toBool() ? "!" : "") + (w->font().bold() ? "^" : "")
            + (w->isEnabled() ? "" : "_");
        token += w->minimumSize() == w->maximumSize() ? '=' + size(w->size())
            : w->minimumWidth() > 0                   ? '>' + QString::number(w->minimumWidth())
                                                      : QString();
        if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            token.prepend('-');
        if (kind != "QDialogButtonBox")
            return token;
        QStringList buttons;
        for (QPushButton *button : w->findChildren<QPushButton *>())
            buttons += widget(button);
        return token + '(' + buttons.join(' ') + ')';
    }

    QString layout(QLayout *l)
    {
        const QMargins m = l->contentsMargins();
        QString head = m.isNull() ? ""
            : m == QMargins(m.left(), m.left(), m.left(), m.left())
            ? 'm' + QString::number(m.left())
            : QString::asprintf("m%d,%d,%d,%d", m.left(), m.top(), m.right(), m.bottom());
        if (l->spacing() == 0)
            head += "s0";
        auto *grid = qobject_cast<QGridLayout *>(l);
        for (int c = 0; grid && c < grid->columnCount(); ++c)
            if (grid->columnMinimumWidth(c) > 0)
                head += QString::asprintf("w%d>%d", c, grid->columnMinimumWidth(c));
        QStringList items;
        for (int i = 0, row, column, rows, columns; i < l->count(); ++i) {
            QLayoutItem *item = l->itemAt(i);
            items += item->widget()             ? widget(item->widget())
                : item->layout()                ? layout(item->layout())
                : item->expandingDirections()   ? "~"
                : item->sizeHint().width() == 0 ? QString::number(item->sizeHint().height())
                                                : size(item->sizeHint());
            if (grid) {
                grid->getItemPosition(i, &row, &column, &rows, &columns);
                items.last().prepend(QString::asprintf("%d,%d:", row, column));
            }
        }
        return head + (grid ? '{' : '[') + items.join(' ') + (grid ? '}' : ']');
    }
};
} // namespace

void TestPages::pages_data()
{
    QTest::addColumn<QByteArray>("ini"); // null: ds.conf is a FIFO
    QTest::addColumn<Enter>("enter");
    QTest::addColumn<QString>("texts"); // in layout order, then Continue's, '|' between
    QTest::addColumn<QString>("layout");
    const auto row = [](const char *name, const char *ini, const Enter &enter, const QString &texts,
                        const QString &layout) {
        QTest::newRow(name) << QByteArray(ini) << enter << texts << layout;
    };

    // A page as the earlier ones leave it; present: an earlier version's folder, or a plain file.
    using W = DuskmereWizard;
    const auto at = [](void (W::*go)(), bool steam = false, qint64 size = 0, qint64 free = 0,
                       const char *present = "") -> Enter {
        return [=](const Sandbox &sandbox, W &w) {
            if (*present)
                sandbox.write(w.ut3UserDir + '/' + present, "x");
            sandbox.write("UT3.exe", "MZ");
            w.ut3Path = sandbox.path("UT3.exe");
            std::tie(w.steam, w.size, w.bytesFree) = std::tuple(steam, size, free);
            (w.*go)();
        };
    };

    const QString windowTexts = "The Duskmere Setup|&Reset|&Cancel|C&ontinue|C&ontinue";
    const QString windowLayout = "s0[S=%1 F34 m8s0[D(B_ B B!^>128)]]";
    row("window, ds.conf a FIFO: defaults", nullptr, {}, windowTexts, windowLayout.arg("640x580"));
    row("window, 800 wide, height not a number", "[Window]\nWidth=800\nHeight=big\n", {},
        windowTexts, windowLayout.arg("800x0"));

    const Enter welcome = [](auto &, auto &) {};
    const QString welcomeTexts =
        "<h1>The Duskmere Setup</h1><br><br><b>DuskmereSetup will walk you through the process of "
        "installing The Duskmere on your computer.</b>|The Duskmere requires %1, please select "
        "which variant you are using:|Retail Version|Steam Version|<b>When you click on Continue, "
        "DuskmereSetup will collect information about the files to be installed and your UT3 or "
        "Steam installation in order to make the following steps easier.</b>|C&ontinue";
    const QString welcomeLayout = "s0[I%1 m16s0[L ~ L 10 R+ R ~ L]]";
    row("welcome, game with markup, a logo",
        "[Strings]\nUT3Version=<i>UT3 Black</i>\n[Window]\nLogo=:/res/bullet.png\n", welcome,
        welcomeTexts.arg("<i>UT3 Black</i>"), welcomeLayout.arg("16x16"));
    row("welcome, missing logo: the built-in one", "[Window]\nLogo=art/none.png\n", welcome,
        welcomeTexts.arg("Unreal Tournament 3"), welcomeLayout.arg("360x580"));

    row("gather", "", at(&W::gotoGather),
        QString(
            "<h1>Gathering Data</h1><b>Please wait while DuskmereSetup is collecting information "
            "about the files to be installed and your UT3 or Steam installation.</b>|Scanning "
            "registry%1Collecting files%1Checking available space%1Checking for old versions%1"
            "<b>Finished gathering data.<br>Press Continue to proceed.</b>|C&ontinue")
            .arg("|<b>[unknown status]</b>|"),
        "m32[L 20 [w2>200{1,1:-I16x16 1,2:-l 1,3:20x1 1,4:-l 2,1:-I16x16 2,2:-l 2,3:20x1 2,4:-l "
        "3,1:-I16x16 3,2:-l 3,3:20x1 3,4:-l 4,1:-I16x16 4,2:-l 4,3:20x1 4,4:-l} "
        "~] 40 -L ~ P0..1:-1]");

    const QString pathsLayout = "m32[L 40 L 40 l [E B!^] 40 L ~]";
    row("paths, retail found", "", at(&W::gotoPaths),
        "<h1>UT3 Installation Path</h1><b>Please specify your UT3 path.</b>|DuskmereSetup has "
        "found <i>UT3.exe</i> in the following location.<br>If this is not the version of UT3 "
        "you want to use, please specify the correct path manually.|Path to UT3.exe:|&Browse...|"
            + valid + "|C&ontinue",
        pathsLayout);
    const QString steamHeading =
        "<h1>Steam Installation Path</h1><b>Please specify your Steam path.</b>|DuskmereSetup ";
    row("paths, steam not found", "", at(&W::gotoPaths, true),
        QString(steamHeading
                + "couldn't find any copy of Steam on your computer.<br>Please locate "
                  "your <i>%1</i> manually.|Path to %1:|&Browse...|C&ontinue")
            .arg(wantedSteam),
        pathsLayout);
    // Steam's program named as found: Steam for Windows, or on Linux the client of the Steam root
    // (below HOME; null: none) that holds the game.
    const auto steamFound = [&](const char *name, const char *file, const char *shown,
                                const char *root = nullptr) {
        const Enter enter = [=](const Sandbox &sandbox, W &w) {
            if (root) {
                SampleWorld::steamHome(sandbox, root);
                qunsetenv("WINEPREFIX");
            }
            sandbox.write(file, "MZ");
            w.toggleSteam(true);
            w.steamPath = sandbox.path(file);
            w.gotoPaths();
        };
        row(name, "", enter,
            QString(steamHeading
                    + "has found <i>%1</i> in the following location.<br>If this is "
                      "not the version of Steam you want to use, please specify the "
                      "correct path manually.|Path to %1:|&Browse...|")
                    .arg(shown)
                + valid + "|C&ontinue",
            pathsLayout);
    };
    steamFound("paths, Steam for Windows", "Steam/Steam.exe", "Steam.exe");
    if (unix) {
        steamFound("paths, Steam for Linux's script", "Steam/steam.sh", "steam", "");
        steamFound("paths, Flatpak's Steam", "bin/flatpak", "Steam (Flatpak)",
                   ".var/app/com.valvesoftware.Steam/data/Steam");
        steamFound("paths, Snap's Steam", "bin/snap", "Steam (Snap)",
                   "snap/steam/common/.local/share/Steam");
        // Flatpak's Steam holds the game, but its command is not on PATH; a folder typed.
        const Enter noFlatpak = [](const Sandbox &sandbox, W &w) {
            SampleWorld::steamHome(sandbox, ".var/app/com.valvesoftware.Steam/data/Steam");
            qunsetenv("WINEPREFIX");
            w.toggleSteam(true);
            w.gotoPaths();
            w.pathsPage->pathEdit->setText(sandbox.root());
        };
        row("paths, Flatpak's Steam without its command", "", noFlatpak,
            steamHeading
                + "has found <i>Steam (Flatpak)</i>, but not the command <i>flatpak</i> that "
                  "starts it.<br>Please locate your <i>flatpak</i> manually.|Path to Steam "
                  "(Flatpak):|&Browse...|<font color=red><b>Invalid location (Please locate "
                  "<i>flatpak</i>).</b></font>|C&ontinue",
            pathsLayout);
    }

    const QString readyTexts =
        "<h1>Ready to Install</h1><b>DuskmereSetup is ready to install The Duskmere to your "
        "computer.</b>|DuskmereSetup will create an icon on your Desktop, in your Start Menu, or "
        "both to allow you to start The Duskmere.<br><br>Please choose where you would like "
        "shortcuts to be created:|Desktop only|Start Menu only|Desktop and Start Menu|"
        "DuskmereSetup will install The Duskmere to the following directory (this location is "
        "mandatory):|<game>|The installed files will use %1 MB of the available %2 MB on the "
        "corresponding partition.<br>The target directory %3.|<b>Press Install to begin copying "
        "files.</b>|&Install";
    const auto ready = [&](const char *name, qint64 size, qint64 free, const char *present,
                           const char *usedMb, const char *freeMb) {
        const char *state = *present
            ? "seems to already contain a version of The Duskmere, which will be overwritten"
            : "doesn't seem to contain any version of The Duskmere yet";
        row(name, "", at(&W::gotoReady, false, size, free, present),
            readyTexts.arg(usedMb, freeMb, state), "m32[L 40 L 10 R R R+ 40 L e 10 L 40 L ~]");
    };
    ready("ready, 50 of 1024, empty target", 52428800, 1073741824, "", "50", "1024");
    ready("ready, under 1 MB, earlier version", 1048575, 5000000000, "DuskmereGame/x", "0", "4768");
    ready("ready, a plain file counts", 0, 2097151, "DuskmereGame", "0", "1");

    const auto copy = [&](qint64 size) { return at(&W::gotoCopy, false, size); };
    const QString copyLayout = "s0[I640x480 F34 m16,8,16,8s0[~ l^ 10 P0..%1:0 ~]]";
    const QString copyTexts = "Preparing directories ...|C&ontinue";
    row("copy, under a megabyte: busy bar", "", copy(1048575), copyTexts, copyLayout.arg(0));
    row("copy, exactly one megabyte", "", copy(1048576), copyTexts, copyLayout.arg(1));

    const QString success =
        "<h1>Installation Successful</h1><b>The Duskmere was successfully installed on your "
        "computer.</b>|<font color=red>Important Note for Windows Vista Users:<br><br>If you are "
        "using Windows Vista (or newer), you may receive a message saying <i>\"This program might "
        "not have installed correctly\"</i> (or similar) after pressing Close and exiting "
        "DuskmereSetup. This message is not correct, so please ignore it. DuskmereSetup finished "
        "successfully.|";
    const QString extras = "Select additional actions to perform when pressing Close:|";
    const QString close = "<b>Press Close to exit DuskmereSetup.</b>|Cl&ose";
    row("final, no extras", "", at(&W::gotoFinal), success + close, "m32[L 40 L 40 L ~]");
    row("final, extras: one without text skipped, a gap ends them",
        "[Extras]\nURL1=a\nDesc1=One\nURL2=b\nURL3=c\nDesc3=Two\nDefault3=yes\nURL5=e\nDesc5=X\n",
        at(&W::gotoFinal), success + extras + "One|Two|" + close,
        "m32[L 40 L 40 L 10 C C+ 40 L ~]");
}

void TestPages::pages()
{
    QFETCH(QByteArray, ini);
    QFETCH(Enter, enter);
    QFETCH(QString, texts);
    QFETCH(QString, layout);
    Sandbox sandbox;
    ini.isNull() ? sandbox.mkfifo("work/ds.conf") : sandbox.writeConfig(ini);
    if (unix)
        sandbox.setEnv("PATH", sandbox.path("bin")); // no Steam client of this machine's shows

    DuskmereWizard wizard;
    Walker walker;
    if (enter)
        enter(sandbox, wizard);
    else
        walker.texts += wizard.windowTitle();
    QCOMPARE(walker.layout((enter ? wizard.stack->currentWidget() : &wizard)->layout()), layout);
    walker.texts.replaceInStrings(
        QDir::toNativeSeparators(sandbox.documents() + "/My Games/Unreal Tournament 3"), "<game>");
    QCOMPARE(walker.texts << wizard.continueButton->text(), texts.split('|'));
    // The window keeps its size and room below the pages for the buttons.
    QCOMPARE(wizard.minimumSize(), wizard.QWidget::size());
    QCOMPARE(wizard.maximumSize(), wizard.QWidget::size());
    QVERIFY(wizard.height() > wizard.stack->height() + 30);
}

// Each click, on the indicator where a user presses, then the steam, desktop, start menu flags.
void TestPages::clicks()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoReady();
    const std::pair<QString, QList<bool>> steps[] {{"Steam Version", {1, 1, 1}},
                                                   {"Retail Version", {0, 1, 1}},
                                                   {"Start Menu only", {0, 0, 1}},
                                                   {"Desktop only", {0, 1, 0}},
                                                   {"Desktop and Start Menu", {0, 1, 1}}};
    for (const auto &[text, flags] : steps) {
        for (QRadioButton *button : wizard.findChildren<QRadioButton *>())
            if (button->text() == text)
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QCOMPARE((QList<bool> {wizard.steam, wizard.desktopLink, wizard.startMenuLink}), flags);
    }
}

void TestPages::pathEntry_data()
{
    QTest::addColumn<QString>("typed"); // below the sandbox root; null: nothing typed
    QTest::addColumn<QString>("status");
    const QString invalid =
        "<font color=red><b>Invalid location (Please locate <i>%1</i>).</b></font>";
    QTest::newRow("found through a link, shown resolved") << QString() << valid;
    QTest::newRow("name in other case") << "Other/ut3.EXE" << valid;
    QTest::newRow("through a link, kept") << "Linked/Binaries/UT3.exe" << valid;
    QTest::newRow("a folder of that name") << "Folder/UT3.exe" << invalid.arg("UT3.exe");
    QTest::newRow("nothing there")
        << "Game/Binaries/UT4.exe"
        << "<font color=red><b>The specified file does not exist.</b></font>";
    // Only the client that runs the game where the mod goes.
    QTest::newRow("steam, Steam for Linux's script beside Wine's prefix")
        << "Steam/steam.sh" << invalid.arg(wantedSteam);
    QTest::newRow("steam, Steam for Linux's script where it holds the game")
        << "Steam/steam.sh" << valid;
    QTest::newRow("steam, Steam.exe where Steam for Linux holds the game")
        << "Steam/Steam.exe" << invalid.arg("steam");
    QTest::newRow("steam, retail file") << "Game/Binaries/UT3.exe" << invalid.arg(wantedSteam);
    QTest::newRow("steam, Proton's stand-in") << standIn << invalid.arg(wantedSteam);
}

void TestPages::pathEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, status);
    const bool steam = QByteArray(QTest::currentDataTag()).startsWith("steam"); // rows so named
    // Untouched: the detected file, resolved; typed: detection found a file gone since.
    const QString detected = typed.isNull() ? "Linked/Binaries/UT3.exe" : "Gone/UT3.exe";
    const QString shown = typed.isNull() ? "Game/Binaries/UT3.exe" : "";
    const bool steamForLinux = QByteArray(QTest::currentDataTag()).contains("holds the game");
    if (typed.isNull() || typed.startsWith("Linked") || steamForLinux || typed == standIn)
        SKIP_ON_WINDOWS("a Unix link, or Steam for Linux");
    Sandbox sandbox;
    if (steamForLinux) {
        SampleWorld::steamHome(sandbox);
        qunsetenv("WINEPREFIX");
    }
    const QString root = QFileInfo(sandbox.root()).canonicalFilePath() + '/';
    for (const char *file : {"Game/Binaries/UT3.exe", "Other/ut3.EXE", "Folder/UT3.exe/x",
                             "Steam/steam.sh", "Steam/Steam.exe", standIn})
        sandbox.write(file, "MZ");
    QVERIFY(QFile::link(root + "Game", root + "Linked"));
    DuskmereWizard wizard;
    wizard.toggleSteam(steam);
    wizard.ut3Path = wizard.steamPath = root + detected;
    wizard.gotoPaths();
    QLineEdit *edit = wizard.pathsPage->pathEdit;
    QCOMPARE(edit->text(), shown.isEmpty() ? "" : QDir::toNativeSeparators(root + shown));
    if (!typed.isNull())
        edit->setText(root + typed);
    QCOMPARE(wizard.pathsPage->statusLabel->text(), status);
    QCOMPARE(wizard.continueButton->isEnabled(), status == valid);
    // A valid entry is stored absolute, as entered (links kept); an invalid one stores nothing.
    const QString stored = status != valid ? detected : typed.isNull() ? shown : typed;
    QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path, root + stored);
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, root + detected);
    edit->clear();
    QVERIFY(wizard.pathsPage->statusLabel->text().isEmpty() && !wizard.continueButton->isEnabled());
}

void TestPages::browse_data()
{
    QTest::addColumn<bool>("steamForLinux"); // holds the game; else Wine's prefix
    QTest::newRow("Steam for Windows: Program Files") << false;
    if (unix)
        QTest::newRow("Steam for Linux: where its client is") << true;
}

void TestPages::browse()
{
    QFETCH(bool, steamForLinux);
    Sandbox sandbox;
    const QString programFiles = sandbox.prefix() + "/drive_c/Program Files (x86)";
    const QString chosen =
        steamForLinux ? sandbox.path("bin/steam") : programFiles + "/Game/Steam.exe";
    sandbox.write(programFiles + "/Game/Steam.exe", "MZ");
    if (steamForLinux) {
        SampleWorld::steamHome(sandbox);
        sandbox.write("bin/steam", "#!/bin/sh\n");
        QFile::setPermissions(sandbox.path("bin/steam"), QFile::ReadOwner | QFile::ExeOwner);
        sandbox.setEnv("PATH", sandbox.path("bin"));
        qunsetenv("WINEPREFIX");
    }
    DuskmereWizard wizard;
    wizard.toggleSteam(true);
    wizard.gotoPaths();
    wizard.pathsPage->pathEdit->setText("typed");
    QStringList opened; // title, filter and folder of each dialog as it opened
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened << dialog->windowTitle() << dialog->nameFilters()
               << dialog->directory().absolutePath();
        if (opened.size() == 3)
            return dialog->reject();
        // Typed, as a user would: picking it in the list would wait for the file model.
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer.start(10);
    auto *browse = wizard.pathsPage->findChild<QPushButton *>();
    browse->click();
    QCOMPARE(wizard.pathsPage->pathEdit->text(), "typed");
    browse->click();
    // Steam for Linux starts from scripts of its own; Steam for Windows is its program.
    const QStringList dialog {steamForLinux ? "Select steam" : "Select " + wantedSteam,
                              steamForLinux ? "Steam (steam steam.sh)" : "Steam (Steam.exe)",
                              steamForLinux ? sandbox.path("bin")
                                  : unix    ? programFiles
                                            : opened.value(2)};
    QCOMPARE(opened, dialog + dialog);
    QCOMPARE(wizard.pathsPage->pathEdit->text(), QDir::toNativeSeparators(chosen));
    QVERIFY(wizard.continueButton->isEnabled());
}

DUSKMERE_TEST_MAIN(TestPages)
#include "tst_pages.moc"
