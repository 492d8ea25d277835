#include "Sandbox.h"
#include "TestMain.h"
#include "pages/ReadyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

// The shortcut choice and the summary of what goes where.
class TestReadyPage : public QObject
{
    Q_OBJECT

private slots:
    void shortcutChoice_data();
    void shortcutChoice();
    void summary_data();
    void summary();
};

void TestReadyPage::shortcutChoice_data()
{
    QTest::addColumn<QString>("click"); // empty: nothing clicked
    QTest::addColumn<bool>("desktop");
    QTest::addColumn<bool>("startMenu");
    QTest::newRow("default") << QString() << true << true;
    QTest::newRow("desktop only") << "Desktop only" << true << false;
    QTest::newRow("start menu only") << "Start Menu only" << false << true;
    QTest::newRow("both again") << "Desktop and Start Menu" << true << true;
}

void TestReadyPage::shortcutChoice()
{
    QFETCH(QString, click);
    QFETCH(bool, desktop);
    QFETCH(bool, startMenu);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoReady();
    if (!click.isEmpty()) {
        // A different choice first, so the row's click has something to change.
        wizard.readyPage->desktopOnlyButton->click();
        wizard.readyPage->startMenuOnlyButton->click();
        for (QRadioButton *button : wizard.readyPage->findChildren<QRadioButton *>())
            if (button->text() == click)
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    QCOMPARE(wizard.desktopLink, desktop);
    QCOMPARE(wizard.startMenuLink, startMenu);
}

void TestReadyPage::summary_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<QString>("present"); // "", "dir" or "file" at the target
    QTest::addColumn<QString>("figures");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("50 of 1024, empty target") << 52428800LL << 1073741824LL << ""
                                              << "50|1024" << false;
    QTest::newRow("under a megabyte, earlier version") << 1048575LL << 5000000000LL << "dir"
                                                       << "0|4768" << true;
    QTest::newRow("a plain file counts") << 0LL << 2097151LL << "file"
                                         << "0|1" << true;
}

void TestReadyPage::summary()
{
    QFETCH(qint64, size);
    QFETCH(qint64, free);
    QFETCH(QString, present);
    QFETCH(QString, figures);
    QFETCH(bool, overwrite);
    Sandbox sandbox;
    const QString target =
        sandbox.documents() + QStringLiteral("/My Games/Unreal Tournament 3/DuskmereGame");
    if (present == QLatin1String("dir"))
        QVERIFY(QDir().mkpath(target));
    else if (present == QLatin1String("file"))
        sandbox.write(target, "x");

    DuskmereWizard wizard;
    wizard.size = size;
    wizard.bytesFree = free;
    wizard.gotoReady();
    const QString expected =
        QStringLiteral("The installed files will use %1 MB of the available %2 MB on the "
                       "corresponding partition.<br>The target directory %3.")
            .arg(figures.section('|', 0, 0), figures.section('|', 1, 1),
                 overwrite ? "seems to already contain a version of The Duskmere, which will "
                             "be overwritten"
                           : "doesn't seem to contain any version of The Duskmere yet");
    QStringList texts;
    for (QLabel *label : wizard.readyPage->findChildren<QLabel *>())
        texts.append(label->text());
    QVERIFY2(texts.contains(expected), qPrintable(texts.join('\n')));

    auto *directory = wizard.readyPage->findChild<QLineEdit *>();
    QVERIFY(directory->isReadOnly());
    QCOMPARE(directory->text(), QDir::toNativeSeparators(wizard.ut3UserDir));
    QVERIFY(wizard.ut3UserDir.endsWith(QLatin1String("/My Games/Unreal Tournament 3")));
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("&Install"));
}

DUSKMERE_TEST_MAIN(TestReadyPage)
#include "tst_readypage.moc"
