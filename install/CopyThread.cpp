#include "CopyThread.h"

#include "pages/gather/ByteCount.h"
#include "platform/copy/FileCopier.h"
#include "platform/folders/LocalPath.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Where a collected entry goes: its path below the data directory and the same path below the
// target root. An entry that lies outside the data directory (reached through a link) keeps the
// plain mapping for the message, but nothing may be written there.
struct Mapping
{
    QString relative;
    QString target;
    bool inside = true;
};

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

class TreeMapper
{
public:
    TreeMapper(const QString &sourceRoot, const QString &targetRoot)
        : source(sourceRoot)
        , sourcePrefix(withSlash(sourceRoot))
        , target(targetRoot)
        , targetPrefix(withSlash(target.absolutePath()))
    { }

    Mapping map(const QString &entry) const
    {
        // Cleaning first: a ".." that survived in an entry must not climb out of the target.
        const QString clean = QDir::cleanPath(entry);
        Mapping mapping;
        if (clean.startsWith(sourcePrefix)) {
            mapping.relative = clean.mid(sourcePrefix.size());
            mapping.target = targetPrefix + mapping.relative;
            return mapping;
        }
        // The slow way also covers file systems that compare names without regard to case.
        mapping.relative = source.relativeFilePath(clean);
        if (mapping.relative == QLatin1String("."))
            mapping.relative.clear();
        mapping.inside = !QDir::isAbsolutePath(mapping.relative)
            && mapping.relative != QLatin1String("..")
            && !mapping.relative.startsWith(QLatin1String("../"));
        mapping.target = mapping.relative.isEmpty()
            ? target.absolutePath()
            : QDir::cleanPath(target.absoluteFilePath(mapping.relative));
        return mapping;
    }

private:
    QDir source;
    QString sourcePrefix;
    QDir target;
    QString targetPrefix;
};

QString sourceRootOf(const QString &dataDir)
{
    const QFileInfo info(Platform::localPath(dataDir));
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

CopyThread::CopyThread(DuskmereWizard *wizard)
    : wizard(wizard)
{ }

void CopyThread::run()
{
    QStringList files = wizard->files;
    std::sort(files.begin(), files.end());
    QStringList dirs = wizard->dirs;

    // The collected entries are canonical, so the data directory must be too, or a data
    // directory reached through a link would map every entry outside the target.
    const QString sourceRoot = sourceRootOf(wizard->dataDir);
    const QString targetRoot = QDir::cleanPath(QDir(wizard->ut3UserDir).absolutePath());
    const TreeMapper mapper(sourceRoot, targetRoot);

    // The target root itself may well be reached through a link (a moved Documents folder); only
    // what lies below it is the installer's to replace. A link standing in the installed tree is
    // never written through, even one made while the copy runs: the mod's entry replaces the link
    // itself, so nothing lands outside the game's folder.
    Platform::FileCopier copier(targetRoot);
    dirs.prepend(sourceRoot);
    for (const QString &dir : std::as_const(dirs)) {
        const Mapping mapping = mapper.map(dir);
        if (!mapping.inside || !copier.makeFolder(mapping.target)) {
            // One that leads out is refused by the name it has in the data, never tried.
            emit prepareDirError(mapping.inside ? mapping.target
                                                : wizard->linkedFrom.value(dir, dir));
            return;
        }
    }

    qint64 total = 0;
    for (const QString &file : std::as_const(files)) {
        if (wizard->isQuitting())
            break;
        const Mapping mapping = mapper.map(file);
        if (!mapping.inside) {
            emit copyFileError(wizard->linkedFrom.value(file, file));
            return;
        }
        emit currentFileChanged(QDir::toNativeSeparators(mapping.relative));

        qint64 copied = 0;
        if (!copier.clear(mapping.target) || !copier.copy(file, mapping.target, &copied)) {
            emit copyFileError(mapping.target);
            return;
        }
        total += copied;
        emit written(int(ByteCount::megabytes(total)));
    }

    // Completion is announced only for bytes that are on the disk.
    if (!copier.sync()) {
        emit copyFileError(targetRoot);
        return;
    }
    emit doneCopying();
    emit written(int(ByteCount::megabytes(wizard->size)));
}
