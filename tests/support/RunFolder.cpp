#include "RunFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QRegularExpression>

#include <cstdlib>

namespace {

QHash<QString, QString> &ownFolders() // by base and kind
{
    static QHash<QString, QString> folders;
    return folders;
}

} // namespace

// Runs at exit: a run that ends normally leaves nothing, whatever its tests did.
void RunFolder::removeOwnFolders()
{
    releaseLocks();
    for (const QString &folder : std::as_const(ownFolders()))
        removeTree(folder);
}

QString RunFolder::path(const QString &kind, const QString &base)
{
    const QString parent = base.isEmpty() ? QDir::tempPath() : base;
    QString &folder = ownFolders()[parent + '/' + kind];
    if (!folder.isEmpty())
        return folder;
    removeDeadRuns(kind, parent);
    folder = parent + '/' + kind + "-run" + QString::number(QCoreApplication::applicationPid());
    // A folder of this name is a dead run's whose process id came back.
    removeTree(folder);
    if (!QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qFatal("cannot make %s", qPrintable(folder));
    holdLock(folder);
    if (ownFolders().size() == 1)
        std::atexit(&RunFolder::removeOwnFolders);
    return folder;
}

void RunFolder::removeDeadRuns(const QString &kind, const QString &base)
{
    const QRegularExpression runName('^' + QRegularExpression::escape(kind) + "-run(\\d+)$");
    const QDir temp(base);
    const QStringList names = temp.entryList(
        {kind + "-run*"}, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = runName.match(name);
        const QString folder = temp.filePath(name);
        if (match.hasMatch() && isPrivateFolder(folder)
            && !isAlive(folder, match.captured(1).toLongLong()))
            removeTree(folder);
    }
}

bool RunFolder::removeTree(const QString &path)
{
    if (path.isEmpty())
        return false;
    unmountBelow(path);
    return removeAll(path);
}

void RunFolder::removeWhenProcessEnds()
{
    watchForEnd(ownFolders().values());
}
