#pragma once

#include <QDialog>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <memory>

class QDialogButtonBox;
class QPushButton;
class QStackedWidget;
class WelcomePage;
class GatherPage;
class PathsPage;
class ReadyPage;
class CopyPage;
class FinalPage;
namespace Platform {
class DataTree;
}

// The setup window: six pages on a stack above the button row, and the install state that the
// pages fill in one after another and the copy worker reads.
class DuskmereWizard : public QDialog
{
    Q_OBJECT

public:
    explicit DuskmereWizard(QWidget *parent = nullptr);
    ~DuskmereWizard() override;

    // Safe from any thread; the copy worker asks before every file.
    bool isQuitting();

public slots:
    void toggleSteam(bool steam);
    void setUt3Path(QString ut3Path);
    void setSteamPath(QString steamPath);
    void setDataDir(QString dataDir);
    void setFiles(QStringList files);
    void setDirs(QStringList dirs);
    void setSize(qint64 size);
    void setExtraSpace(qint64 extraSpace);
    void setBytesFree(qint64 bytesFree);
    void setDesktopLink(bool dl);
    void setStartMenuLink(bool sml);

    void quit();
    void restart();
    void reject() override;

    void gotoWelcome();
    void gotoGather();
    void gotoPaths();
    void gotoReady();
    void gotoCopy();
    void gotoFinal();

    void enableContinue();
    void disableContinue();
    void enableRestart();
    void disableRestart();
    void enableCancel();
    void disableCancel();

public:
    QStackedWidget *stack = nullptr;
    QDialogButtonBox *buttonBox = nullptr;
    QPushButton *continueButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *resetButton = nullptr;

    QString ut3UserDir;
    bool steam = false;
    QString ut3Path;
    QString steamPath;
    QString dataDir;
    QStringList files;
    QStringList dirs;
    // Entries of files and dirs whose canonical path lies outside dataDir, each with the path
    // of the link in dataDir that leads there: the copy refuses them by that name.
    QHash<QString, QString> linkedFrom;
    // The data directory as the walk opened it, and what it counted there: the copy reads
    // through it, never by the paths in files.
    std::shared_ptr<const Platform::DataTree> dataTree;
    qint64 size = 0;
    qint64 extraSpace = 0;
    qint64 bytesFree = 0;
    bool desktopLink = false;
    bool startMenuLink = false;

    WelcomePage *welcomePage = nullptr;
    GatherPage *gatherPage = nullptr;
    PathsPage *pathsPage = nullptr;
    ReadyPage *readyPage = nullptr;
    CopyPage *copyPage = nullptr;
    FinalPage *finalPage = nullptr;

    bool quitting = false;
    QMutex mutex;

private:
    void findUserDir();
    template<typename Page> Page *addPage();
    template<typename Page> void showPage(Page *page);
    void disconnectContinue();
    bool confirm(const QString &title, const QString &question);
};
