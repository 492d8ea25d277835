#pragma once

#include <QThread>

#include <atomic>

class DuskmereWizard;

// Installs the collected files below the game's per-user folder, off the GUI thread. It shows
// nothing: every outcome leaves as a signal, which reaches the Copy page queued.
class CopyThread : public QThread
{
    Q_OBJECT

public:
    explicit CopyThread(DuskmereWizard *wizard);

    DuskmereWizard *wizard;

    // Whether the file that the last copyFileError() names failed for want of space: it did not
    // fit in what its partition still holds. Set before that signal is emitted.
    bool diskFull() const { return full; }

signals:
    void written(int mbytes);
    void currentFileChanged(QString displayPath);
    void doneCopying();
    void prepareDirError(QString dir);
    void copyFileError(QString file);

protected:
    void run() override;

private:
    std::atomic<bool> full {false};
};
