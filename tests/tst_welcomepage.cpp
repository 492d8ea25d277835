#include "Sandbox.h"
#include "TestMain.h"
#include "pages/WelcomePage.h"
#include "wizard/DuskmereWizard.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QRadioButton>

class TestWelcomePage : public QObject
{
    Q_OBJECT

private slots:
    void questionNamesTheGame_data();
    void questionNamesTheGame();
    void logo_data();
    void logo();
    void editionDrivesSteamFlag();

private:
    static QLabel *labelContaining(QWidget *page, const QString &part)
    {
        for (QLabel *label : page->findChildren<QLabel *>())
            if (label->text().contains(part))
                return label;
        return nullptr;
    }
    static QRadioButton *radio(QWidget *page, const QString &text)
    {
        for (QRadioButton *button : page->findChildren<QRadioButton *>())
            if (button->text() == text)
                return button;
        return nullptr;
    }
};

void TestWelcomePage::questionNamesTheGame_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("question");
    QTest::newRow("default") << QByteArray()
                             << "The Duskmere requires Unreal Tournament 3, please select which "
                                "variant you are using:";
    QTest::newRow("markup kept") << QByteArray("[Strings]\nUT3Version=<i>UT3 Black</i>\n")
                                 << "The Duskmere requires <i>UT3 Black</i>, please select which "
                                    "variant you are using:";
}

void TestWelcomePage::questionNamesTheGame()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, question);
    Sandbox sandbox;
    if (!ini.isNull())
        sandbox.writeConfig(ini);
    DuskmereWizard wizard;
    QLabel *label = labelContaining(wizard.welcomePage, QStringLiteral("The Duskmere requires"));
    QVERIFY(label);
    QCOMPARE(label->text(), question);
    QCOMPARE(label->textFormat(), Qt::RichText);
    QVERIFY(label->wordWrap());
}

void TestWelcomePage::logo_data()
{
    QTest::addColumn<QString>("configured"); // empty: no key
    QTest::addColumn<QByteArray>("fileContent");
    QTest::addColumn<QSize>("shown");

    QImage small(50, 70, QImage::Format_RGB32);
    small.fill(Qt::darkBlue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "PNG");

    QTest::newRow("built-in") << QString() << QByteArray() << QSize(360, 580);
    QTest::newRow("configured file") << "art/logo.png" << png << QSize(50, 70);
    QTest::newRow("windows separators") << "art\\\\logo.png" << png << QSize(50, 70);
    QTest::newRow("missing file") << "art/none.png" << QByteArray() << QSize(360, 580);
    QTest::newRow("not a picture") << "art/logo.png" << QByteArray("garbage") << QSize(360, 580);
}

void TestWelcomePage::logo()
{
    QFETCH(QString, configured);
    QFETCH(QByteArray, fileContent);
    QFETCH(QSize, shown);
    Sandbox sandbox;
    if (!fileContent.isEmpty())
        sandbox.write(QStringLiteral("work/art/logo.png"), fileContent);
    if (!configured.isEmpty())
        sandbox.writeConfig("[Window]\nLogo=" + configured.toUtf8() + "\n");

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
    QRadioButton *retail = radio(wizard.welcomePage, QStringLiteral("Retail Version"));
    QRadioButton *steam = radio(wizard.welcomePage, QStringLiteral("Steam Version"));
    QVERIFY(retail && steam);
    QVERIFY(retail->isChecked());
    QVERIFY(!wizard.steam);

    // Clicks on the indicator, which is where a user presses.
    const auto press = [](QRadioButton *button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    };
    press(steam);
    QVERIFY(wizard.steam);
    QVERIFY(!retail->isChecked());
    press(retail);
    QVERIFY(!wizard.steam);
    press(steam);
    QVERIFY(wizard.steam);
}

DUSKMERE_TEST_MAIN(TestWelcomePage)
#include "tst_welcomepage.moc"
