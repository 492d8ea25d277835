#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "WizardDriver.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"
#include "wizard/Relaunch.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

// The window, its buttons at start-up, and the ways out.
class TestWizard : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data();
    void windowSize();
    void buttonsAtStartUp();
    void installDoubleClickStartsCopyingOnce();
    void quitAsks_data();
    void quitAsks();
    void resetAsksAndStartsANewCopy();
};

void TestWizard::windowSize_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QSize>("pageArea");
    QTest::newRow("no ds.conf") << QString() << QByteArray() << QSize(640, 580);
    QTest::newRow("800 x 600") << "work/ds.conf" << QByteArray("[Window]\nWidth=800\nHeight=600\n")
                               << QSize(800, 600);
    QTest::newRow("width only, height not a number")
        << "work/ds.conf" << QByteArray("[Window]\nWidth=700\nHeight=big\n") << QSize(700, 0);
    QTest::newRow("ds.conf of another folder")
        << "elsewhere/ds.conf" << QByteArray("[Window]\nWidth=800\n") << QSize(640, 580);
    QTest::newRow("ds.conf a FIFO") << "fifo" << QByteArray() << QSize(640, 580);
}

void TestWizard::windowSize()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, ini);
    QFETCH(QSize, pageArea);
    Sandbox sandbox;
    if (file == "fifo")
        sandbox.mkfifo("work/ds.conf");
    else if (!file.isEmpty())
        sandbox.write(file, ini);

    DuskmereWizard wizard;
    QVERIFY(wizard.isVisible());
    QCOMPARE(wizard.windowTitle(), QStringLiteral("The Duskmere Setup"));
    QCOMPARE(wizard.stack->size(), pageArea);
    QCOMPARE(wizard.minimumSize(), wizard.QWidget::size()); // cannot be resized
    QCOMPARE(wizard.maximumSize(), wizard.QWidget::size());
    QVERIFY(wizard.height() > pageArea.height() + 30); // room for the buttons
}

void TestWizard::buttonsAtStartUp()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    QCOMPARE(wizard.stack->currentIndex(), 0);
    QVERIFY(wizard.continueButton->isEnabled() && wizard.cancelButton->isEnabled());
    QVERIFY(!wizard.resetButton->isEnabled());
    QVERIFY(wizard.continueButton->autoDefault() && !wizard.cancelButton->autoDefault());
    wizard.continueButton->ensurePolished();
    QVERIFY(wizard.continueButton->font().bold());
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("C&ontinue"));
    QCOMPARE(wizard.cancelButton->text(), QStringLiteral("&Cancel"));
    QCOMPARE(wizard.resetButton->text(), QStringLiteral("&Reset"));
    QVERIFY(!wizard.isQuitting());
}

void TestWizard::installDoubleClickStartsCopyingOnce()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    DuskmereWizard wizard;
    for (int page = 0; page < 3; ++page)
        QVERIFY(advance(wizard));
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("&Install"));

    QSignalSpy pages(wizard.stack, &QStackedWidget::currentChanged);
    QTest::mouseDClick(wizard.continueButton, Qt::LeftButton);
    QTest::mouseClick(wizard.continueButton, Qt::LeftButton);
    QCOMPARE(pages.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(wizard.continueButton->isEnabled(), 30000);
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
    SampleWorld::prepare(sandbox);
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

    ask(); // No keeps everything as it was
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Really quit?"));
    QCOMPARE(boxes.seen[0].text, QStringLiteral("Are you sure you want to quit DuskmereSetup?"));
    QVERIFY(wizard.isVisible() && !wizard.isQuitting());
    QCOMPARE(wizard.stack->currentIndex(), page);

    boxes.then(QMessageBox::Yes);
    QCOMPARE(EventLoop::runUntilExit(ask), 0);
    QVERIFY(wizard.isQuitting());
}

void TestWizard::resetAsksAndStartsANewCopy()
{
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    QStringList started;
    Relaunch::setStarter([&](const QString &program) { started.append(program); });
    MessageBoxAnswerer boxes(QMessageBox::No);
    DuskmereWizard wizard;
    QVERIFY(advance(wizard));
    QTRY_VERIFY_WITH_TIMEOUT(wizard.resetButton->isEnabled(), 30000);

    wizard.resetButton->click();
    QCOMPARE(boxes.titles(), QStringList {QStringLiteral("DuskmereSetup - Really reset?")});
    QCOMPARE(boxes.seen[0].text, QStringLiteral("Are you sure you want to reset DuskmereSetup?"));
    QVERIFY(started.isEmpty() && !wizard.isQuitting());

    boxes.then(QMessageBox::Yes);
    QCOMPARE(EventLoop::runUntilExit([&] { wizard.resetButton->click(); }), 0);
    QCOMPARE(started, QStringList {QCoreApplication::applicationFilePath()});
    QVERIFY(wizard.isQuitting());
    Relaunch::setStarter(nullptr);
}

DUSKMERE_TEST_MAIN(TestWizard)
#include "tst_wizard.moc"
