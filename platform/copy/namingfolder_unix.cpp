#include "HeldFolders.h"
#include "NamingFolder.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/OpenBeneath.h"

#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
std::optional<std::pair<quint64, quint64>> identityOf(const Platform::HeldFolder &folder)
{
    struct stat st;
    if (!folder.valid() || ::fstat(int(folder.handle()), &st) != 0)
        return std::nullopt;
    return std::pair {quint64(st.st_dev), quint64(st.st_ino)};
}
} // namespace

const Platform::HeldFolder &Platform::NamingFolder::at(const QString &relative)
{
    if (!watch.unchanged()) {
        forget();
        // Folders that keep changing (another program at work in the tree) would cost a walk and
        // new watches for every file, more than the walk alone: from then on each file walks.
        watching = watching && ++changes < maxChanges;
    }
    if (kept && relative == name)
        return found;
    // The watches come first: a change after them shows, one before them is already in place when
    // the path is walked.
    const bool above = watching && watchAbove(relative);
    name = relative;
    found = folders.findNow(relative);
    const auto identity = identityOf(found);
    if (!identity)
        found = HeldFolder();
    else if (!relative.isEmpty()) // the root is the copy's to check
        given.insert({relative, *identity});
    kept = above && found.valid() && watch.unchanged();
    return found;
}

// Only looks: a folder missing, or a link in a folder's place, stays as it is.
std::optional<QString> Platform::NamingFolder::movedAside()
{
    const HeldFolder root = folders.findNow(QString());
    for (const auto &[relative, identity] : given) {
        const FileDescriptor now(openBeneath(int(root.handle()), QFile::encodeName(relative),
                                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (!now.valid() || ::fstat(now.get(), &st) != 0
            || std::pair {quint64(st.st_dev), quint64(st.st_ino)} != identity)
            return relative;
    }
    return std::nullopt;
}

// Watches each folder above `relative`, the root first, each before the one below it is opened.
bool Platform::NamingFolder::watchAbove(const QString &relative)
{
    if (relative.isEmpty())
        return true; // the root's own place is the copy's to check
    QStringList above {QString()};
    for (qsizetype slash = relative.indexOf(QLatin1Char('/')); slash >= 0;
         slash = relative.indexOf(QLatin1Char('/'), slash + 1))
        above << relative.left(slash);
    for (const QString &folder : std::as_const(above)) {
        if (watched.count(folder))
            continue;
        const HeldFolder opened = folders.findNow(folder);
        if (!opened.valid())
            return false;
        if (!watch.add(int(opened.handle()))) {
            watching = false;
            forget();
            return false;
        }
        watched.insert(folder);
    }
    return true;
}

void Platform::NamingFolder::forget()
{
    watch.reset();
    watched.clear();
    kept = false;
}
