#include "EventLoop.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "UrlRecorder.h"
#include "pages/CopyPage.h"
#include "pages/FinalPage.h"
#include "pages/GatherPage.h"
#include "pages/PathsPage.h"
#include "pages/ReadyPage.h"
#include "pages/WelcomePage.h"
#include "wizard/DuskmereWizard.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

#include <functional>

// Every page's fixed texts and layout from one table, then what the pages do with the user's
// clicks and entries. The Gather page's work and the copying have programs of their own.
class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void pages_data();
    void pages();
    void windowSize_data();
    void windowSize();
    void editionDrivesSteamFlag();
    void pathEntry_data();
    void pathEntry();
    void browse_data();
    void browse();
    void shortcutChoice_data();
    void shortcutChoice();
    void closeOpensCheckedTargetsInOrder();
};

namespace {
// Brings the wizard to a page, in the state a row wants, and gives the widget to describe.
using Enter = std::function<QWidget *(const Sandbox &, DuskmereWizard &)>;

const QString valid = QStringLiteral(
    "<b>The specified location appears to be valid.<br>Press Continue to proceed.</b>");

// A layout in one line. Widgets: L word-wrapped rich text label, l other label, IWxH picture,
// E line edit (e read-only), B push button, R radio button, C check box, P progress bar, S stack,
// Fxx frame of that style, D button box with its buttons in brackets. Marks: + checked, ^ bold,
// =WxH fixed size, >N minimum width, a leading - hidden on purpose. A number is a fixed spacing,
// WxH a spacer, ~ a stretch, *N a stretch factor; [..] a box, {..} a grid of row,column: cells,
// led by mN margins, s0 no spacing and wC>N column minimum widths. Texts are gathered on the way.
struct Walker
{
    QStringList texts;

    QString widget(QWidget *w)
    {
        w->ensurePolished();
        const QString kind = QString::fromLatin1(w->metaObject()->className());
        static const QHash<QString, QString> kinds {
            {"QLineEdit", "E"},        {"QPushButton", "B"},  {"QRadioButton", "R"},
            {"QCheckBox", "C"},        {"QProgressBar", "P"}, {"QStackedWidget", "S"},
            {"QDialogButtonBox", "D"}, {"QLabel", "l"}};
        QString token = kinds.value(kind, kind);
        if (auto *label = qobject_cast<QLabel *>(w)) {
            const QSize picture = label->pixmap().size();
            if (!picture.isEmpty())
                token = QStringLiteral("I%1x%2").arg(picture.width()).arg(picture.height());
            else if (label->wordWrap() && label->textFormat() == Qt::RichText)
                token = "L";
        }
        if (auto *edit = qobject_cast<QLineEdit *>(w); edit && edit->isReadOnly())
            token = "e";
        if (kind == "QFrame")
            token = "F" + QString::number(qobject_cast<QFrame *>(w)->frameStyle(), 16);
        if (w->property("checked").toBool())
            token += '+';
        if (w->font().bold())
            token += '^';
        if (w->minimumSize() == w->maximumSize())
            token += QStringLiteral("=%1x%2").arg(w->width()).arg(w->height());
        else if (w->minimumWidth() > 0)
            token += '>' + QString::number(w->minimumWidth());
        if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            token.prepend('-');
        if (!qobject_cast<QLineEdit *>(w) && !w->property("text").toString().isEmpty())
            texts += w->property("text").toString();
        if (kind == "QDialogButtonBox") {
            QStringList buttons;
            for (QPushButton *button : w->findChildren<QPushButton *>())
                buttons += widget(button);
            token += '(' + buttons.join(' ') + ')';
        }
        return token;
    }

    QString layout(QLayout *l)
    {
        QString head;
        const QMargins m = l->contentsMargins();
        if (!m.isNull())
            head = m.left() == m.top() && m.top() == m.right() && m.right() == m.bottom()
                ? QStringLiteral("m%1").arg(m.left())
                : QStringLiteral("m%1,%2,%3,%4")
                      .arg(m.left())
                      .arg(m.top())
                      .arg(m.right())
                      .arg(m.bottom());
        if (l->spacing() == 0)
            head += "s0";
        auto *grid = qobject_cast<QGridLayout *>(l);
        for (int c = 0; grid && c < grid->columnCount(); ++c)
            if (grid->columnMinimumWidth(c) > 0)
                head += QStringLiteral("w%1>%2").arg(c).arg(grid->columnMinimumWidth(c));
        QStringList items;
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem *item = l->itemAt(i);
            const QSize size = item->sizeHint();
            QString token = item->widget()    ? widget(item->widget())
                : item->layout()              ? layout(item->layout())
                : item->expandingDirections() ? QStringLiteral("~")
                : size.width() == 0           ? QString::number(size.height())
                : size.height() == 0          ? QString::number(size.width())
                                     : QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            int row, column, rows, columns;
            if (grid) {
                grid->getItemPosition(i, &row, &column, &rows, &columns);
                token.prepend(QStringLiteral("%1,%2:").arg(row).arg(column));
            } else if (int stretch = qobject_cast<QBoxLayout *>(l)->stretch(i)) {
                token += '*' + QString::number(stretch);
            }
            items += token;
        }
        return head + (grid ? '{' : '[') + items.join(' ') + (grid ? '}' : ']');
    }
};
} // namespace

void TestPages::pages_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<Enter>("enter");
    QTest::addColumn<QStringList>("texts"); // labels and buttons in layout order, then Continue
    QTest::addColumn<QString>("layout");
    const auto row = [](const char *name, const char *ini, const Enter &enter,
                        const QStringList &texts, const QString &layout) {
        QTest::newRow(name) << QByteArray(ini) << enter << texts << layout;
    };

    const Enter window = [](auto &, DuskmereWizard &w) { return &w; };
    row("window", "", window, {"The Duskmere Setup", "&Reset", "&Cancel", "C&ontinue", "C&ontinue"},
        "s0[S=640x580 F34 m8s0[D(B B B^>128)]]");

    const Enter welcome = [](auto &, DuskmereWizard &w) { return w.welcomePage; };
    const auto welcomeTexts = [](const QString &game) {
        return QStringList {
            "<h1>The Duskmere Setup</h1><br><br><b>DuskmereSetup will walk you through the process "
            "of installing The Duskmere on your computer.</b>",
            QStringLiteral("The Duskmere requires %1, please select which variant you are using:")
                .arg(game),
            "Retail Version",
            "Steam Version",
            "<b>When you click on Continue, DuskmereSetup will collect information about the files "
            "to be installed and your UT3 or Steam installation in order to make the following "
            "steps easier.</b>",
            "C&ontinue"};
    };
    const QString welcomeLayout = "s0[I%1 m16s0[L ~ L 10 R+ R ~ L]]";
    row("welcome", "", welcome, welcomeTexts("Unreal Tournament 3"), welcomeLayout.arg("360x580"));
    row("welcome, game with markup and a logo",
        "[Strings]\nUT3Version=<i>UT3 Black</i>\n[Window]\nLogo=art/logo.png\n", welcome,
        welcomeTexts("<i>UT3 Black</i>"), welcomeLayout.arg("50x70"));
    row("welcome, logo with windows separators", "[Window]\nLogo=\"art\\\\logo.png\"\n", welcome,
        welcomeTexts("Unreal Tournament 3"), welcomeLayout.arg("50x70"));
    row("welcome, missing logo", "[Window]\nLogo=art/none.png\n", welcome,
        welcomeTexts("Unreal Tournament 3"), welcomeLayout.arg("360x580"));

    QStringList gatherTexts {
        "<h1>Gathering Data</h1><b>Please wait while DuskmereSetup is collecting information "
        "about the files to be installed and your UT3 or Steam installation.</b>"};
    QString grid;
    for (const char *step : {"Scanning registry", "Collecting files", "Checking available space",
                             "Checking for old versions"}) {
        gatherTexts << step << "<b>[unknown status]</b>";
        grid +=
            QStringLiteral(" %1,1:-I16x16 %1,2:-l %1,3:20x1 %1,4:-l").arg(gatherTexts.size() / 2);
    }
    gatherTexts << "<b>Finished gathering data.<br>Press Continue to proceed.</b>"
                << "C&ontinue";
    row(
        "gather", "", [](auto &, DuskmereWizard &w) { return w.gatherPage; }, gatherTexts,
        "m32[L 20 [w2>200{" + grid.mid(1) + "} ~] 40 -L ~ P]");

    const auto paths = [](bool steam, bool found) -> Enter {
        return [=](const Sandbox &sandbox, DuskmereWizard &w) {
            sandbox.write("UT3.exe", "MZ");
            w.steam = steam;
            w.ut3Path = found ? sandbox.path("UT3.exe") : QString();
            w.gotoPaths();
            return w.pathsPage;
        };
    };
    const QString pathsLayout = "m32[L 40 L 40 l [E B^] 40 L ~]";
    row("paths, retail found", "", paths(false, true),
        {"<h1>UT3 Installation Path</h1><b>Please specify your UT3 path.</b>",
         "DuskmereSetup has found <i>UT3.exe</i> in the following location.<br>If this is not "
         "the version of UT3 you want to use, please specify the correct path manually.",
         "Path to UT3.exe:", "&Browse...", valid, "C&ontinue"},
        pathsLayout);
    row("paths, steam not found", "", paths(true, false),
        {"<h1>Steam Installation Path</h1><b>Please specify your Steam path.</b>",
         "DuskmereSetup couldn't find any copy of Steam on your computer.<br>Please locate your "
         "<i>Steam.exe</i> manually.",
         "Path to Steam.exe:", "&Browse...", "C&ontinue"},
        pathsLayout);

    // Present at the target: "" nothing, "dir" an earlier version, "file" a plain file.
    const auto ready = [](qint64 size, qint64 free, QString present) -> Enter {
        return [=](const Sandbox &sandbox, DuskmereWizard &w) {
            const QString target =
                sandbox.documents() + QStringLiteral("/My Games/Unreal Tournament 3/DuskmereGame");
            if (present == "dir")
                QDir().mkpath(target);
            else if (present == "file")
                sandbox.write(target, "x");
            w.size = size;
            w.bytesFree = free;
            w.gotoReady();
            return w.readyPage;
        };
    };
    const auto readyTexts = [](const char *used, const char *free, bool overwritten) {
        return QStringList {
            "<h1>Ready to Install</h1><b>DuskmereSetup is ready to install The Duskmere to your "
            "computer.</b>",
            "DuskmereSetup will create an icon on your Desktop, in your Start Menu, or both to "
            "allow you to start The Duskmere.<br><br>Please choose where you would like shortcuts "
            "to be created:",
            "Desktop only",
            "Start Menu only",
            "Desktop and Start Menu",
            "DuskmereSetup will install The Duskmere to the following directory (this location is "
            "mandatory):",
            QStringLiteral("The installed files will use %1 MB of the available %2 MB on the "
                           "corresponding partition.<br>The target directory %3.")
                .arg(used, free,
                     overwritten ? "seems to already contain a version of The Duskmere, which "
                                   "will be overwritten"
                                 : "doesn't seem to contain any version of The Duskmere yet"),
            "<b>Press Install to begin copying files.</b>",
            "&Install"};
    };
    const QString readyLayout = "m32[L 40 L 10 R R R+ 40 L e 10 L 40 L ~]";
    row("ready, 50 of 1024, empty target", "", ready(52428800, 1073741824, ""),
        readyTexts("50", "1024", false), readyLayout);
    row("ready, under a megabyte, earlier version", "", ready(1048575, 5000000000, "dir"),
        readyTexts("0", "4768", true), readyLayout);
    row("ready, a plain file counts", "", ready(0, 2097151, "file"), readyTexts("0", "1", true),
        readyLayout);

    row(
        "copy", "",
        [](auto &, DuskmereWizard &w) {
            w.size = 0;
            w.copyPage->initPage();
            return w.copyPage;
        },
        {"Preparing directories ...", "C&ontinue"}, "s0[I640x480 F34 m16,8,16,8s0[~ l^ 10 P ~]]");

    const Enter finalPage = [](auto &, DuskmereWizard &w) {
        w.gotoFinal();
        return w.finalPage;
    };
    const QStringList success {
        "<h1>Installation Successful</h1><b>The Duskmere was successfully installed on your "
        "computer.</b>",
        "<font color=red>Important Note for Windows Vista Users:<br><br>If you are using Windows "
        "Vista (or newer), you may receive a message saying <i>\"This program might not have "
        "installed correctly\"</i> (or similar) after pressing Close and exiting DuskmereSetup. "
        "This message is not correct, so please ignore it. DuskmereSetup finished successfully."};
    const QString select = "Select additional actions to perform when pressing Close:";
    const QStringList close {"<b>Press Close to exit DuskmereSetup.</b>", "Cl&ose"};
    row("final, no extras", "", finalPage, success + close, "m32[L 40 L 40 L ~]");
    row("final, two extras",
        "[Extras]\nURL1=http://a\nDesc1=Site\nDefault1=true\nURL2=b.txt\nDesc2=Read me\n",
        finalPage, success + QStringList {select, "Site", "Read me"} + close,
        "m32[L 40 L 40 L 10 C+ C 40 L ~]");
    row("final, one without text is skipped, a gap ends the list",
        "[Extras]\nURL1=a\nURL2=b\nDesc2=Two\nDefault2=yes\nURL4=d\nDesc4=Four\n", finalPage,
        success + QStringList {select, "Two"} + close, "m32[L 40 L 40 L 10 C+ 40 L ~]");
}

void TestPages::pages()
{
    QFETCH(QByteArray, ini);
    QFETCH(Enter, enter);
    QFETCH(QStringList, texts);
    QFETCH(QString, layout);
    Sandbox sandbox;
    sandbox.writeConfig(ini);
    QImage logo(50, 70, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    sandbox.mkdir("work/art");
    QVERIFY(logo.save(sandbox.path("work/art/logo.png")));

    DuskmereWizard wizard;
    QWidget *page = enter(sandbox, wizard);
    Walker walker;
    if (page->isWindow())
        walker.texts += page->windowTitle();
    QCOMPARE(walker.layout(page->layout()), layout);
    QCOMPARE(walker.texts << wizard.continueButton->text(), texts);
}

void TestPages::windowSize_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("ini"); // null: the file is a FIFO
    QTest::addColumn<QSize>("pageArea");
    QTest::newRow("no ds.conf") << QString() << QByteArray() << QSize(640, 580);
    QTest::newRow("800 x 600") << "work/ds.conf" << QByteArray("[Window]\nWidth=800\nHeight=600\n")
                               << QSize(800, 600);
    QTest::newRow("width only, height not a number")
        << "work/ds.conf" << QByteArray("[Window]\nWidth=700\nHeight=big\n") << QSize(700, 0);
    QTest::newRow("ds.conf of another folder")
        << "elsewhere/ds.conf" << QByteArray("[Window]\nWidth=800\n") << QSize(640, 580);
    QTest::newRow("ds.conf a FIFO") << "work/ds.conf" << QByteArray() << QSize(640, 580);
}

void TestPages::windowSize()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, ini);
    QFETCH(QSize, pageArea);
    Sandbox sandbox;
    if (!file.isEmpty())
        ini.isNull() ? sandbox.mkfifo(file) : sandbox.write(file, ini);
    DuskmereWizard wizard;
    QVERIFY(wizard.isVisible());
    QCOMPARE(wizard.stack->size(), pageArea);
    QCOMPARE(wizard.minimumSize(), wizard.QWidget::size()); // cannot be resized
    QCOMPARE(wizard.maximumSize(), wizard.QWidget::size());
    QVERIFY(wizard.height() > pageArea.height() + 30); // room for the buttons
    QVERIFY(wizard.continueButton->autoDefault() && !wizard.cancelButton->autoDefault());
}

void TestPages::editionDrivesSteamFlag()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    const QList<QRadioButton *> buttons = wizard.welcomePage->findChildren<QRadioButton *>();
    QVERIFY(!wizard.steam);
    // On the indicator, where a user presses.
    for (QRadioButton *button : {buttons[1], buttons[0], buttons[1]}) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QCOMPARE(wizard.steam, button == buttons[1]);
    }
}

void TestPages::pathEntry_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QString>("detected"); // all paths below the sandbox root
    QTest::addColumn<QString>("typed"); // null: nothing typed
    QTest::addColumn<QString>("shown"); // the entry on arrival
    QTest::addColumn<QString>("status");
    const auto row = [](const char *name, bool steam, const char *detected, const char *typed,
                        const char *shown, const QString &status) {
        QTest::newRow(name) << steam << detected << QString(typed) << shown << status;
    };
    const QString invalid =
        QStringLiteral("<font color=red><b>Invalid location (Please locate <i>%1</i>).</b></font>");
    // Detection found a file that has gone since: nothing shown.
    const char *gone = "Gone/UT3.exe";
    row("found through a link, shown resolved", false, "Linked/Binaries/UT3.exe", nullptr,
        "Game/Binaries/UT3.exe", valid);
    row("exact name", false, gone, "Game/Binaries/UT3.exe", "", valid);
    row("name in other case", false, gone, "Other/ut3.EXE", "", valid);
    row("through a link, kept", false, gone, "Linked/Binaries/UT3.exe", "", valid);
    row("the folder", false, gone, "Game/Binaries", "", invalid.arg("UT3.exe"));
    row("another file", false, gone, "Game/Binaries/Launcher.exe", "", invalid.arg("UT3.exe"));
    row("nothing there", false, gone, "Game/Binaries/UT4.exe", "",
        "<font color=red><b>The specified file does not exist.</b></font>");
    row("steam", true, gone, "Steam/Steam.exe", "", valid);
    row("steam, retail file", true, gone, "Game/Binaries/UT3.exe", "", invalid.arg("Steam.exe"));
}

void TestPages::pathEntry()
{
    QFETCH(bool, steam);
    QFETCH(QString, detected);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, status);
    if (detected.startsWith("Linked") || typed.startsWith("Linked"))
        SKIP_ON_WINDOWS("the link is made with the Unix call");
    Sandbox sandbox;
    const QString root = QFileInfo(sandbox.root()).canonicalFilePath() + '/';
    for (const char *file : {"Game/Binaries/UT3.exe", "Game/Binaries/Launcher.exe", "Other/ut3.EXE",
                             "Steam/Steam.exe"})
        sandbox.write(file, "MZ");
    QVERIFY(QFile::link(root + "Game", root + "Linked"));

    DuskmereWizard wizard;
    wizard.steam = steam;
    wizard.ut3Path = wizard.steamPath = root + detected;
    wizard.gotoPaths();
    QLineEdit *edit = wizard.pathsPage->pathEdit;
    QCOMPARE(edit->text(), shown.isEmpty() ? "" : QDir::toNativeSeparators(root + shown));
    if (!typed.isNull())
        edit->setText(root + typed);
    QCOMPARE(wizard.pathsPage->statusLabel->text(), status);
    const bool accepted = status == valid;
    QCOMPARE(wizard.continueButton->isEnabled(), accepted);
    // A valid entry is stored absolute, as entered (links kept); an invalid one stores nothing.
    QCOMPARE(steam ? wizard.steamPath : wizard.ut3Path,
             root
                 + (!accepted            ? detected
                        : typed.isNull() ? shown
                                         : typed));
    QCOMPARE(steam ? wizard.ut3Path : wizard.steamPath, root + detected);

    edit->clear();
    QVERIFY(wizard.pathsPage->statusLabel->text().isEmpty());
    QVERIFY(!wizard.continueButton->isEnabled());
}

void TestPages::browse_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<bool>("choose");
    QTest::newRow("retail, cancelled") << false << false;
    QTest::newRow("steam, chosen") << true << true;
}

void TestPages::browse()
{
    QFETCH(bool, steam);
    QFETCH(bool, choose);
    Sandbox sandbox;
    const QString exe = steam ? "Steam.exe" : "UT3.exe";
    const QString programFiles = sandbox.prefix() + "/drive_c/Program Files (x86)";
    const QString chosen = programFiles + "/Game/" + exe;
    sandbox.write(chosen, "MZ");
    DuskmereWizard wizard;
    wizard.steam = steam;
    wizard.gotoPaths();
    wizard.pathsPage->pathEdit->setText("typed");

    QStringList opened; // title, filter and folder of the dialog as it opened
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (opened.isEmpty())
            opened << dialog->windowTitle() << dialog->nameFilters()
                   << dialog->directory().absolutePath();
        if (!choose)
            return dialog->reject();
        // Typed into the name field, as a user would; selecting it in the list depends on the
        // file model having read the folder.
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer.start(10);
    wizard.pathsPage->findChild<QPushButton *>()->click();

    QCOMPARE(opened.mid(0, 2),
             (QStringList {"Select " + exe,
                           QStringLiteral("%1 (%2)").arg(steam ? "Steam" : "UT3", exe)}));
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QCOMPARE(opened.value(2), programFiles);
    QCOMPARE(wizard.pathsPage->pathEdit->text(),
             choose ? QDir::toNativeSeparators(chosen) : "typed");
    QCOMPARE(wizard.continueButton->isEnabled(), choose);
}

void TestPages::shortcutChoice_data()
{
    QTest::addColumn<QString>("click");
    QTest::addColumn<bool>("desktop");
    QTest::addColumn<bool>("startMenu");
    QTest::newRow("desktop only") << "Desktop only" << true << false;
    QTest::newRow("start menu only") << "Start Menu only" << false << true;
    QTest::newRow("both again") << "Desktop and Start Menu" << true << true;
}

void TestPages::shortcutChoice()
{
    QFETCH(QString, click);
    QFETCH(bool, desktop);
    QFETCH(bool, startMenu);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoReady();
    // A different choice first, so the row's click has something to change.
    wizard.readyPage->desktopOnlyButton->click();
    wizard.readyPage->startMenuOnlyButton->click();
    for (QRadioButton *button : wizard.readyPage->findChildren<QRadioButton *>())
        if (button->text() == click)
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    QCOMPARE(wizard.desktopLink, desktop);
    QCOMPARE(wizard.startMenuLink, startMenu);
    QCOMPARE(wizard.readyPage->findChild<QLineEdit *>()->text(),
             QDir::toNativeSeparators(sandbox.documents() + "/My Games/Unreal Tournament 3"));
}

void TestPages::closeOpensCheckedTargetsInOrder()
{
    Sandbox sandbox;
    sandbox.write("work/docs/Read Me.txt", "hello");
    sandbox.writeConfig("[Extras]\n"
                        "URL1=HTTP://example.com/Duskmere\nDesc1=Web\nDefault1=true\n"
                        "URL2=docs/Read Me.txt\nDesc2=Relative file\nDefault2=true\n"
                        "URL3=http://example.com/not-ticked\nDesc3=Unticked\n"
                        "URL4=https://example.com/secure\nDesc4=Not a web address\nDefault4=1\n"
                        "URL5=docs/missing.txt\nDesc5=Missing\nDefault5=true\n"
                        "URL6=http://example.com/last\nDesc6=Last\n");
    UrlRecorder recorder;
    DuskmereWizard wizard;
    wizard.gotoFinal();
    wizard.finalPage->extras.last().first->setChecked(true); // the user ticks one

    QCOMPARE(EventLoop::runUntilExit([&] { wizard.continueButton->click(); }), 0);
    const QString readMe =
        QUrl::fromLocalFile(QFileInfo(sandbox.path("work/docs/Read Me.txt")).canonicalFilePath())
            .toString();
    QCOMPARE(recorder.opened,
             (QStringList {"http://example.com/Duskmere", readMe, "http://example.com/last"}));
    QVERIFY(!wizard.isQuitting()); // Close ends without asking
}

DUSKMERE_TEST_MAIN(TestPages)
#include "tst_pages.moc"
