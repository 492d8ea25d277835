#include "HeldFolders.h"
#include "SourceFolders.h"
#include "platform/files/WinFolders.h"
#include "platform/walk/DataTree.h"

bool Platform::SourceFolders::enter(const QString &relative)
{
    const std::lock_guard lock(mutex);
    return enterLocked(relative);
}

bool Platform::SourceFolders::enterLocked(const QString &relative)
{
    if (relative.isEmpty())
        return tree.isOpen(); // the tree holds its own folder
    if (held.count(relative))
        return true;
    if (!enterLocked(HeldFolders::folderAndName(relative).first))
        return false;
    FileHandle folder = Platform::openFolder(tree.path() + QLatin1Char('/') + relative, true);
    if (!folder.valid() || !Platform::isRealFolder(folder.get()))
        return false;
    held.emplace(relative, std::move(folder));
    return true;
}
