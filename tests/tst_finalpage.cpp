#include "EventLoop.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "UrlRecorder.h"
#include "pages/FinalPage.h"
#include "wizard/DuskmereWizard.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

class TestFinalPage : public QObject
{
    Q_OBJECT

private slots:
    void texts();
    void extras_data();
    void extras();
    void closeOpensCheckedTargetsInOrder();
};

void TestFinalPage::texts()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoFinal();
    QStringList texts;
    for (QLabel *label : wizard.finalPage->findChildren<QLabel *>())
        texts.append(label->text());
    QCOMPARE(texts,
             (QStringList {
                 "<h1>Installation Successful</h1><b>The Duskmere was successfully installed on "
                 "your computer.</b>",
                 "<font color=red>Important Note for Windows Vista Users:<br><br>If you are using "
                 "Windows Vista (or newer), you may receive a message saying <i>\"This program "
                 "might not have installed correctly\"</i> (or similar) after pressing Close and "
                 "exiting DuskmereSetup. This message is not correct, so please ignore it. "
                 "DuskmereSetup finished successfully.",
                 "<b>Press Close to exit DuskmereSetup.</b>"}));
    QCOMPARE(wizard.continueButton->text(), QStringLiteral("Cl&ose"));
}

void TestFinalPage::extras_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("shown"); // "text|checked|target"
    QTest::newRow("two actions") << QByteArray(
        "URL1=http://a\nDesc1=Site\nDefault1=true\nURL2=b.txt\nDesc2=Read me\n")
                                 << QStringList {"Site|1|http://a", "Read me|0|b.txt"};
    QTest::newRow("gap ends the list")
        << QByteArray("URL1=a\nDesc1=One\nURL3=c\nDesc3=Three\n") << QStringList {"One|0|a"};
    QTest::newRow("no text skips only that action")
        << QByteArray("URL1=a\nURL2=b\nDesc2=Two\nDefault2=yes\n") << QStringList {"Two|1|b"};
}

void TestFinalPage::extras()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, shown);
    Sandbox sandbox;
    sandbox.writeConfig("[Extras]\n" + ini);
    DuskmereWizard wizard;
    wizard.gotoFinal();
    QStringList actual;
    for (const auto &[box, target] : std::as_const(wizard.finalPage->extras))
        actual.append(
            QStringLiteral("%1|%2|%3").arg(box->text()).arg(box->isChecked()).arg(target));
    QCOMPARE(actual, shown);
    QCOMPARE(wizard.finalPage->findChildren<QCheckBox *>().size(), shown.size());
    bool prompt = false;
    for (QLabel *label : wizard.finalPage->findChildren<QLabel *>())
        prompt |= label->text() == "Select additional actions to perform when pressing Close:";
    QVERIFY(prompt);
}

void TestFinalPage::closeOpensCheckedTargetsInOrder()
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

DUSKMERE_TEST_MAIN(TestFinalPage)
#include "tst_finalpage.moc"
