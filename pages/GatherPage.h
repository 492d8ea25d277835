#pragma once

#include <QWidget>

class DuskmereWizard;
class QLabel;
class QProgressBar;

// Page 2: finds out, in four steps on the GUI thread, what the installation needs: the game's
// executable, the mod's files, the free space, and an old version in the way.
class GatherPage : public QWidget
{
    Q_OBJECT

public:
    explicit GatherPage(DuskmereWizard *wizard);

    void detectUt3();
    void detectSteam();
    void collectFiles();
    void checkFreeSpace();
    void checkOldVersion();

public slots:
    void startProcessing();

public:
    static constexpr int StepCount = 4;

    int pageIndex = 0;
    DuskmereWizard *wizard;
    QLabel *bulletLabels[StepCount];
    QLabel *stepLabels[StepCount];
    QLabel *statusLabels[StepCount];
    QProgressBar *progressBar;
    QLabel *finalLabel;
    QLabel *headingLabel;

private:
    void beginStep(int step);
    void finishStep(int step, const QString &status);
    QString freeSpaceStatus() const;
    void fatalError(const QString &message);

    bool freeSpaceKnown = false;
};
