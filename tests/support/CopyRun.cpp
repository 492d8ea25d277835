#include "CopyRun.h"

#include "install/CopyThread.h"
#include "platform/copy/FileCopier.h"
#include "platform/walk/TreeWalk.h"
#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QVariant>

#include <filesystem>

bool copyOne(const QString &source, const QString &target)
{
    const QFileInfo info(source);
    Platform::DataTree tree(info.path());
    const QString path = tree.path() + QLatin1Char('/') + info.fileName();
    Platform::walkTree(tree, [&](const Platform::TreeEntry &entry) {
        if (entry.path == path)
            tree.count(path, {entry.size, entry.identity});
    });
    return Platform::FileCopier(tree, QFileInfo(target).path()).copy(info.fileName(), target);
}

QStringList install(DuskmereWizard &wizard, const QString &quitAt,
                    const std::function<void(const QString &)> &onFile)
{
    CopyThread thread(&wizard);
    QStringList log;
    const auto note = [&log](const char *what) {
        return [&log, what](auto... args) {
            log << QStringList {what, QVariant(args).toString()...}.join(' ');
        };
    };
    QObject::connect(&thread, &CopyThread::written, &wizard, note("written"));
    QObject::connect(&thread, &CopyThread::currentFileChanged, &wizard, note("file"));
    QObject::connect(&thread, &CopyThread::doneCopying, &wizard, note("done"));
    QObject::connect(&thread, &CopyThread::prepareDirError, &wizard, note("dirError"));
    QObject::connect(&thread, &CopyThread::copyFileError, &wizard, [&](const QString &file) {
        log << "fileError " + file + (thread.diskFull() ? " (disk full)" : "");
    });
    const auto quit = [&](const QString &path) {
        if (onFile)
            onFile(path);
        const QMutexLocker lock(&wizard.mutex);
        wizard.quitting = wizard.quitting || path == quitAt;
    };
    QObject::connect(&thread, &CopyThread::currentFileChanged, &thread, quit, Qt::DirectConnection);
    thread.start(QThread::HighPriority);
    if (!thread.wait(60000))
        qFatal("the copy worker did not finish");
    QCoreApplication::processEvents();
    return log;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

qsizetype temporariesIn(const QString &folder)
{
    qsizetype count = 0;
    std::error_code error;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::filesystem::path(folder.toStdU16String()), error))
        count += entry.path().filename().u8string().rfind(".duskmere-partial-", 0) == 0;
#ifdef Q_OS_LINUX
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd", error))
        count += QFile::decodeName(std::filesystem::read_symlink(fd, error).c_str())
                     .startsWith(folder + "/#");
#endif
    return count;
}
