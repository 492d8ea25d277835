#include "Relaunch.h"

#include <QCoreApplication>
#include <QProcess>

namespace {
Relaunch::Starter &starter()
{
    static Relaunch::Starter current;
    return current;
}
} // namespace

void Relaunch::startNewCopy()
{
    const QString program = QCoreApplication::applicationFilePath();
    if (starter()) {
        starter()(program);
        return;
    }
    // The program as a single argument, never a command line, so a path with spaces works.
    QProcess::startDetached(program, {});
}

void Relaunch::setStarter(Starter newStarter)
{
    starter() = std::move(newStarter);
}
