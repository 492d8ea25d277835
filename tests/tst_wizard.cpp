#include "EventLoop.h"
#include "GameFixture.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"
#include "wizard/Relaunch.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

// The window, its buttons through the whole journey, and the ways out.
class TestWizard : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data();
    void windowSize();
    void buttonsAtStartUp();
    void buttonsThroughTheJourney();
    void installDoubleClickStartsCopyingOnce();
    void quitAsks_data();
    void quitAsks();
    void resetAsksAndStartsANewCopy();

private:
    // Presses Continue once it is enabled and waits for the page to change.
    static bool advance(DuskmereWizard &wizard)
    {
        const int page = wizard.stack->currentIndex();
        if (!QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, 20000))
            return false;
        wizard.continueButton->click();
        return QTest::qWaitFor([&] { return wizard.stack->currentIndex() == page + 1; }, 20000);
    }
};

void TestWizard::windowSize_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QSize>("pageArea");
    QTest::newRow("no ds.conf") << QByteArray() << QSize(640, 580);
    QTest::newRow("800 x 600") << QByteArray("[Window]\nWidth=800\nHeight=600\n")
                               << QSize(800, 600);
    QTest::newRow("height not a number")
        << QByteArray("[Window]\nWidth=700\nHeight=big\n") << QSize(700, 0);
}

void TestWizard::windowSize()
{
    QFETCH(QByteArray, ini);
    QFETCH(QSize, pageArea);
    Sandbox sandbox;
    if (!ini.isNull())
        sandbox.writeConfig(ini);

    DuskmereWizard wizard;
    QCOMPARE(wizard.stack->size(), pageArea);
    QCOMPARE(wizard.windowTitle(), QStringLiteral("The Duskmere Setup"));
    QVERIFY(wizard.isVisible());
    // Fixed: neither smaller nor larger than shown, and wider/taller than the pages alone.
    QCOMPARE(wizard.minimumSize(), wizard.QWidget::size());
    QCOMPARE(wizard.maximumSize(), wizard.QWidget::size());
    QVERIFY(wizard.height() > pageArea.height());
}

void TestWizard::buttonsAtStartUp()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    QCOMPARE(wizard.stack->currentIndex(), 0);
    QVERIFY(wizard.continueButton->isEnabled());
    QVERIFY(wizard.cancelButton->isEnabled());
    QVERIFY(!wizard.resetButton->isEnabled());
    QVERIFY(wizard.continueButton->isDefault() || wizard.continueButton->autoDefault());
    wizard.continueButton->ensurePolished();
    QVERIFY(wizard.continueButton->font().bold());
    QVERIFY(!wizard.cancelButton->font().bold());
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("C&ontinue"));
    QCOMPARE(wizard.cancelButton->text(), QStringLiteral("&Cancel"));
    QCOMPARE(wizard.resetButton->text(), QStringLiteral("&Reset"));
    QVERIFY(!wizard.isQuitting());
    QVERIFY(!wizard.steam);
}

void TestWizard::buttonsThroughTheJourney()
{
    Sandbox sandbox;
    GameFixture::prepare(sandbox);
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;

    struct Row
    {
        const char *continueText;
        bool cancel;
        bool reset;
    };
    const Row rows[] = {
        {"C&ontinue", true, false}, // Welcome
        {"C&ontinue", true, true}, // Gather, once finished
        {"C&ontinue", true, true}, // Paths
        {"&Install", true, true}, // Ready
        {"C&ontinue", false, true}, // Copy, once finished
        {"Cl&ose", false, true}, // Final
    };
    for (int page = 0; page < 6; ++page) {
        QCOMPARE(wizard.stack->currentIndex(), page);
        if (page == 1 || page == 4) {
            // Gather and Copy start with Continue off and switch it on when their work is done.
            QVERIFY(!wizard.continueButton->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(wizard.continueButton->isEnabled(), 20000);
            QVERIFY(wizard.continueButton->isDefault());
        }
        const Row &row = rows[page];
        QCOMPARE(wizard.continueButton->text(), QString::fromLatin1(row.continueText));
        QCOMPARE(wizard.cancelButton->isEnabled(), row.cancel);
        QCOMPARE(wizard.resetButton->isEnabled(), row.reset);
        if (page < 5)
            QVERIFY(advance(wizard));
    }
    QVERIFY(boxes.seen.isEmpty());

    // Reset still asks on the last page; Close ends without a question.
    wizard.resetButton->click();
    QCOMPARE(boxes.titles(), QStringList {QStringLiteral("DuskmereSetup - Really reset?")});
    const int code = EventLoop::runUntilExit([&] { wizard.continueButton->click(); });
    QCOMPARE(code, 0);
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY(!wizard.isQuitting());
}

void TestWizard::installDoubleClickStartsCopyingOnce()
{
    Sandbox sandbox;
    GameFixture::prepare(sandbox);
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;
    for (int page = 0; page < 3; ++page)
        QVERIFY(advance(wizard));
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("&Install"));

    QSignalSpy pages(wizard.stack, &QStackedWidget::currentChanged);
    QTest::mouseDClick(wizard.continueButton, Qt::LeftButton);
    QTest::mouseClick(wizard.continueButton, Qt::LeftButton);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(wizard.stack->currentIndex(), 4);
    QTRY_VERIFY_WITH_TIMEOUT(wizard.continueButton->isEnabled(), 20000);
    QCOMPARE(wizard.stack->currentIndex(), 4);
}

void TestWizard::quitAsks_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("page");
    for (const char *way : {"escape", "close button", "cancel"}) {
        QTest::addRow("%s on Welcome", way) << way << 0;
        QTest::addRow("%s on Paths", way) << way << 2;
    }
}

void TestWizard::quitAsks()
{
    QFETCH(QString, way);
    QFETCH(int, page);
    Sandbox sandbox;
    GameFixture::prepare(sandbox);
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;
    while (wizard.stack->currentIndex() < page)
        QVERIFY(advance(wizard));
    const auto ask = [&] {
        if (way == QLatin1String("escape"))
            QTest::keyClick(&wizard, Qt::Key_Escape);
        else if (way == QLatin1String("close button"))
            wizard.close();
        else
            wizard.cancelButton->click();
    };

    ask(); // answered No
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Really quit?"));
    QCOMPARE(boxes.seen[0].text, QStringLiteral("Are you sure you want to quit DuskmereSetup?"));
    QVERIFY(wizard.isVisible());
    QVERIFY(!wizard.isQuitting());
    QCOMPARE(wizard.stack->currentIndex(), page);

    boxes.then(QMessageBox::Yes);
    QCOMPARE(EventLoop::runUntilExit(ask), 0);
    QCOMPARE(boxes.seen.size(), 2);
    QVERIFY(wizard.isQuitting());
}

void TestWizard::resetAsksAndStartsANewCopy()
{
    Sandbox sandbox;
    GameFixture::prepare(sandbox);
    QStringList started;
    Relaunch::setStarter([&](const QString &program) { started.append(program); });
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;
    QVERIFY(advance(wizard));
    QTRY_VERIFY_WITH_TIMEOUT(wizard.resetButton->isEnabled(), 20000);

    wizard.resetButton->click(); // No
    QCOMPARE(boxes.titles(), QStringList {QStringLiteral("DuskmereSetup - Really reset?")});
    QCOMPARE(boxes.seen[0].text, QStringLiteral("Are you sure you want to reset DuskmereSetup?"));
    QVERIFY(started.isEmpty());
    QVERIFY(!wizard.isQuitting());

    boxes.then(QMessageBox::Yes);
    QCOMPARE(EventLoop::runUntilExit([&] { wizard.resetButton->click(); }), 0);
    QCOMPARE(started, QStringList {QCoreApplication::applicationFilePath()});
    QVERIFY(wizard.isQuitting());
    Relaunch::setStarter(nullptr);
}

DUSKMERE_TEST_MAIN(TestWizard)
#include "tst_wizard.moc"
