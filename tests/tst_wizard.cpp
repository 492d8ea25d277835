#include "Sandbox.h"
#include "TestMain.h"
#include "wizard/DuskmereWizard.h"

#include <QPushButton>
#include <QStackedWidget>

// The window and its buttons at start-up; the journey and the real program's ways out take it
// from there.
class TestWizard : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data();
    void windowSize();
    void buttonsAtStartUp();
};

void TestWizard::windowSize_data()
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

void TestWizard::windowSize()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, ini);
    QFETCH(QSize, pageArea);
    Sandbox sandbox;
    if (!file.isEmpty())
        ini.isNull() ? sandbox.mkfifo(file) : sandbox.write(file, ini);

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

DUSKMERE_TEST_MAIN(TestWizard)
#include "tst_wizard.moc"
