#pragma once

#include <QList>
#include <QPair>
#include <QPixmap>
#include <QWidget>

#include <memory>

class CopyThread;
class DuskmereWizard;
class EventLoopPacing;
class QLabel;
class QProgressBar;
class QTimer;

// Page 5: runs the copy worker, shows its progress under a cross-fading slide show, and makes
// the shortcuts once every file is in place.
class CopyPage : public QWidget
{
    Q_OBJECT

public:
    explicit CopyPage(DuskmereWizard *wizard);
    ~CopyPage() override;

    void initPage();

public slots:
    void startProcessing();
    void setCurrentFile(QString displayPath);
    void setDoneCopying();
    void prepareDirError(QString dir);
    void copyFileError(QString file);
    void nextImage();

public:
    int pageIndex = 0;
    DuskmereWizard *wizard;
    QProgressBar *progressBar = nullptr;
    QLabel *statusLabel = nullptr;
    QLabel *imageLabel = nullptr;
    QList<QPair<QPixmap, int>> images;
    int currentImage = 0;
    int followingImage = 0;
    int fadeStep = 0;
    CopyThread *thread = nullptr;
    QTimer *slideTimer; // single shot: at most one picture change is ever pending

private:
    void showError(const QString &message, const QString &cause = QString());
    void stopWorker();

    std::unique_ptr<EventLoopPacing> pacing; // while the worker runs
};
