#pragma once

#include <QThread>

class DuskmereWizard;

// Installs the collected files below the game's per-user folder, off the GUI thread. It shows
// nothing: every outcome leaves as a signal, which reaches the Copy page queued.
class CopyThread : public QThread
{
    Q_OBJECT

public:
    explicit CopyThread(DuskmereWizard *wizard);

    DuskmereWizard *wizard;

signals:
    void written(int mbytes);
    void currentFileChanged(QString displayPath);
    void doneCopying();
    void prepareDirError(QString dir);
    void copyFileError(QString file);

protected:
    void run() override;
};
