#include "Sandbox.h"
#include "TestMain.h"
#include "pages/WelcomePage.h"
#include "wizard/DuskmereWizard.h"

#include <QImage>
#include <QLabel>
#include <QRadioButton>

class TestWelcomePage : public QObject
{
    Q_OBJECT

private slots:
    void question_data();
    void question();
    void logo_data();
    void logo();
    void editionDrivesSteamFlag();
};

void TestWelcomePage::question_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("game");
    QTest::newRow("default") << QByteArray() << "Unreal Tournament 3";
    QTest::newRow("markup kept") << QByteArray("[Strings]\nUT3Version=<i>UT3 Black</i>\n")
                                 << "<i>UT3 Black</i>";
}

void TestWelcomePage::question()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, game);
    Sandbox sandbox;
    sandbox.writeConfig(ini);
    DuskmereWizard wizard;
    const QString expected =
        QStringLiteral("The Duskmere requires %1, please select which variant you are using:")
            .arg(game);
    QLabel *question = nullptr;
    for (QLabel *label : wizard.welcomePage->findChildren<QLabel *>())
        if (label->text() == expected)
            question = label;
    QVERIFY(question);
    QCOMPARE(question->textFormat(), Qt::RichText);
}

void TestWelcomePage::logo_data()
{
    QTest::addColumn<QByteArray>("configured"); // empty: no key
    QTest::addColumn<QSize>("shown");
    QTest::newRow("built-in") << QByteArray() << QSize(360, 580);
    QTest::newRow("configured file") << QByteArray("art/logo.png") << QSize(50, 70);
    QTest::newRow("windows separators") << QByteArray("\"art\\\\logo.png\"") << QSize(50, 70);
    QTest::newRow("missing file") << QByteArray("art/none.png") << QSize(360, 580);
}

void TestWelcomePage::logo()
{
    QFETCH(QByteArray, configured);
    QFETCH(QSize, shown);
    Sandbox sandbox;
    QImage picture(50, 70, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    sandbox.mkdir("work/art");
    QVERIFY(picture.save(sandbox.path("work/art/logo.png")));
    if (!configured.isEmpty())
        sandbox.writeConfig("[Window]\nLogo=" + configured + "\n");

    DuskmereWizard wizard;
    QLabel *logo = nullptr;
    for (QLabel *label : wizard.welcomePage->findChildren<QLabel *>())
        if (!label->pixmap().isNull())
            logo = label;
    QVERIFY(logo);
    QCOMPARE(logo->pixmap().size(), shown);
}

void TestWelcomePage::editionDrivesSteamFlag()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    const QList<QRadioButton *> buttons = wizard.welcomePage->findChildren<QRadioButton *>();
    QCOMPARE(buttons.size(), 2);
    QRadioButton *retail = buttons[0];
    QRadioButton *steam = buttons[1];
    QCOMPARE(retail->text(), QStringLiteral("Retail Version"));
    QCOMPARE(steam->text(), QStringLiteral("Steam Version"));
    QVERIFY(retail->isChecked() && !wizard.steam);

    // On the indicator, where a user presses.
    for (QRadioButton *button : {steam, retail, steam}) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QCOMPARE(wizard.steam, button == steam);
    }
}

DUSKMERE_TEST_MAIN(TestWelcomePage)
#include "tst_welcomepage.moc"
