#include "CopyThread.h"

#include "CopyAhead.h"
#include "pages/gather/ByteCount.h"
#include "platform/copy/FileCopier.h"
#include "platform/folders/LocalPath.h"
#include "platform/system/FreeSpace.h"
#include "platform/walk/DataTree.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

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

// The data directory that the walk held, else (no walk ran) one opened now, which has counted no
// file and so lets none be copied.
std::shared_ptr<const Platform::DataTree> treeOf(const DuskmereWizard &wizard)
{
    if (wizard.dataTree)
        return wizard.dataTree;
    return std::make_shared<Platform::DataTree>(Platform::localPath(wizard.dataDir));
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
    // directory reached through a link would map every entry outside the target. It is the one
    // the walk saw, even if another has taken its place since.
    const std::shared_ptr<const Platform::DataTree> tree = treeOf(*wizard);
    const QString sourceRoot = tree->isOpen() ? tree->path() : sourceRootOf(wizard->dataDir);
    const QString targetRoot = QDir::cleanPath(QDir(wizard->ut3UserDir).absolutePath());
    const TreeMapper mapper(sourceRoot, targetRoot);

    // The target root itself may well be reached through a link (a moved Documents folder); only
    // what lies below it is the installer's to replace. A link standing in the installed tree is
    // never written through, even one made while the copy runs: the mod's entry replaces the link
    // itself, so nothing lands outside the game's folder.
    Platform::FileCopier copier(*tree, targetRoot);
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

    // Files are copied ahead on a few threads into temporaries; each gets its name here, strictly
    // in order, as its turn comes, so that what a user sees (and what a quit or a failure leaves)
    // is as if one file were copied after the other. Nothing is copied ahead past an entry that
    // leads out of the data directory.
    std::vector<Mapping> mappings;
    std::vector<CopyAhead::Job> jobs;
    bool ledOut = false;
    for (const QString &file : std::as_const(files)) {
        mappings.push_back(mapper.map(file));
        ledOut = ledOut || !mappings.back().inside;
        if (!ledOut)
            jobs.push_back({mappings.back().relative, mappings.back().target,
                            tree->sizeOf(mappings.back().relative)});
    }
    const int threads = Platform::FileCopier::parallelCopies(targetRoot);
    CopyAhead ahead(copier, std::move(jobs), threads, 4 * threads);

    // The game's folder must still be where its path leads as each folder is entered, and at the
    // end; else the files went to a folder moved aside, which is no install.
    std::optional<QString> folder;
    qint64 total = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (wizard->isQuitting())
            break;
        const Mapping &mapping = mappings[size_t(i)];
        if (!mapping.inside) {
            ahead.stop();
            emit copyFileError(wizard->linkedFrom.value(files[i], files[i]));
            return;
        }
        emit currentFileChanged(QDir::toNativeSeparators(mapping.relative));
        const QString fileFolder = mapping.relative.left(
            std::max<qsizetype>(mapping.relative.lastIndexOf(QLatin1Char('/')), 0));
        if (fileFolder != folder && !copier.rootInPlace()) {
            ahead.stop();
            emit copyFileError(targetRoot);
            return;
        }
        folder = fileFolder;

        bool sourceChanged = false;
        const auto place = [&](Platform::StagedFile file) {
            const qint64 size = file.size();
            sourceChanged = file.sourceChanged();
            if (!copier.replace(file))
                return false;
            total += size;
            return true;
        };
        // A file fails only if it fails without the files copied ahead of it; its first copy is
        // gone before the second is made. A source that is no longer the file the walk counted
        // is refused as it lies in the data, like an entry that leads out.
        bool placed = place(ahead.takeNext());
        if (!placed && !sourceChanged)
            placed = place(ahead.againAlone());
        if (!placed) {
            ahead.stop();
            // The temporaries are gone by now, so what is free is what the file had. A margin
            // covers the blocks and metadata a file takes beyond its bytes.
            const qint64 needed = tree->sizeOf(mapping.relative);
            const std::optional<qint64> free = Platform::freeBytes(mapping.target);
            full = !sourceChanged && needed > 0 && free && *free < needed + (1 << 20);
            emit copyFileError(sourceChanged ? files[i] : mapping.target);
            return;
        }
        emit written(int(ByteCount::megabytes(total)));
    }
    ahead.stop();

    // Completion is announced only for bytes that are on the disk, in the game's folder. The
    // folders below the root are looked at from the root the copy holds, so the root's own place
    // is checked last.
    if (!copier.sync()) {
        emit copyFileError(targetRoot);
        return;
    }
    if (const std::optional<QString> moved = copier.folderMovedAside()) {
        emit copyFileError(targetRoot + QLatin1Char('/') + *moved);
        return;
    }
    if (!copier.rootInPlace()) {
        emit copyFileError(targetRoot);
        return;
    }
    emit doneCopying();
    emit written(int(ByteCount::megabytes(wizard->size)));
}
