#include "Relaunch.h"

#include <QCoreApplication>
#include <QProcess>

void Relaunch::startNewCopy()
{
    // The program as a single argument, never a command line, so a path with spaces works.
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}
