#include "EventLoop.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

// The Copy page's own texts, progress range, error messages and completion.
class TestCopyPage : public QObject
{
    Q_OBJECT

private slots:
    void progressRange_data();
    void progressRange();
    void errorsEndTheProgram_data();
    void errorsEndTheProgram();
    void completion();
    void completionAfterAConfirmedQuitChangesNothing();
};

void TestCopyPage::progressRange_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("maximum");
    QTest::newRow("under a megabyte: busy bar") << 1048575LL << 0;
    QTest::newRow("exactly one") << 1048576LL << 1;
    QTest::newRow("3.5 megabytes") << 3670016LL << 3;
}

void TestCopyPage::progressRange()
{
    QFETCH(qint64, size);
    QFETCH(int, maximum);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.size = size;
    wizard.copyPage->initPage();
    QCOMPARE(wizard.copyPage->progressBar->minimum(), 0);
    QCOMPARE(wizard.copyPage->progressBar->maximum(), maximum);
    QCOMPARE(wizard.copyPage->progressBar->value(), 0);
    QCOMPARE(wizard.copyPage->statusLabel->text(), QStringLiteral("Preparing directories ..."));
    wizard.copyPage->setCurrentFile(QStringLiteral("DuskmereGame/Splash/duskmereicon.ico"));
    QCOMPARE(wizard.copyPage->statusLabel->text(),
             QStringLiteral("Copying DuskmereGame/Splash/duskmereicon.ico ..."));
}

void TestCopyPage::errorsEndTheProgram_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QString>("opening");
    QTest::newRow("directory") << true << "DuskmereSetup couldn't prepare the directory";
    QTest::newRow("file") << false << "DuskmereSetup couldn't copy the file";
}

void TestCopyPage::errorsEndTheProgram()
{
    QFETCH(bool, directory);
    QFETCH(QString, opening);
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.copyPage->initPage();
    MessageBoxAnswerer boxes;
    const QString path = QStringLiteral("/home/user/Documents/My Games/Unreal Tournament 3/x");
    QVERIFY(EventLoop::requestsQuit([&] {
        if (directory)
            wizard.copyPage->prepareDirError(path);
        else
            wizard.copyPage->copyFileError(path);
    }));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("DuskmereSetup - Critical Error"));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("<html>%1<br><i>%2</i><br><br>Please make sure you have permission to "
                            "write to this location and restart DuskmereSetup. Another possible "
                            "cause is a faulty existing installation. Deleting existing files may "
                            "help.</html>")
                 .arg(opening, path));
}

void TestCopyPage::completion()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoCopy();
    QVERIFY(!wizard.continueButton->isEnabled());
    wizard.copyPage->setDoneCopying();
    QCOMPARE(wizard.copyPage->statusLabel->text(),
             QStringLiteral("Finished copying. Press Continue to proceed."));
    QVERIFY(wizard.continueButton->isEnabled());
    QVERIFY(wizard.continueButton->isDefault());
    QVERIFY(!wizard.cancelButton->isEnabled());
}

void TestCopyPage::completionAfterAConfirmedQuitChangesNothing()
{
    Sandbox sandbox;
    DuskmereWizard wizard;
    wizard.gotoCopy();
    {
        const QMutexLocker lock(&wizard.mutex);
        wizard.quitting = true;
    }
    wizard.copyPage->setDoneCopying();
    QCOMPARE(wizard.copyPage->statusLabel->text(), QStringLiteral("Preparing directories ..."));
    QVERIFY(!wizard.continueButton->isEnabled());
    QVERIFY(wizard.cancelButton->isEnabled());
}

DUSKMERE_TEST_MAIN(TestCopyPage)
#include "tst_copypage.moc"
