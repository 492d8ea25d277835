#include "TreeWalk.h"

#include <QFileInfo>

#include <vector>
#include <windows.h>

namespace {
// A link, as Windows marks one in a listing: a name surrogate (a symbolic link, a junction), or
// a host's link that Wine shows without a tag. Other reparse points (a cloud placeholder) are
// files and folders of their own.
bool isLink(const FILE_ID_BOTH_DIR_INFO &info)
{
    const DWORD tag = info.EaSize; // a reparse point's tag stands in place of its EA size
    return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

// Each folder is listed through its handle, which the tree holds from before the listing to the
// end of the copy: no folder of the data can be moved away and another put in its place, and
// every file is counted by its file id too, so one moved in under a counted name is refused.
void walkFolder(Platform::DataTree &tree, HANDLE folder, const QString &path,
                const std::function<void(const Platform::TreeEntry &)> &visit)
{
    std::vector<Platform::TreeEntry> entries;
    std::vector<char> buffer(64 * 1024);
    for (auto kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder, kind, buffer.data(), DWORD(buffer.size())))
            break; // ERROR_NO_MORE_FILES at the end
        for (size_t offset = 0;;) {
            const auto &info = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(&buffer[offset]);
            const QString name = QString::fromWCharArray(
                info.FileName, qsizetype(info.FileNameLength / sizeof(wchar_t)));
            if (name != QLatin1String(".") && name != QLatin1String("..")
                && !(info.FileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
                Platform::TreeEntry entry;
                entry.path = path + QLatin1Char('/') + name;
                entry.isLink = isLink(info);
                entry.isFile = !(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
                entry.size = info.EndOfFile.QuadPart;
                entry.identity.inode = quint64(info.FileId.QuadPart);
                entries.push_back(entry);
            }
            if (info.NextEntryOffset == 0)
                break;
            offset += info.NextEntryOffset;
        }
    }
    for (Platform::TreeEntry &entry : entries) {
        if (entry.isLink) {
            // Met as what it leads to, never followed; a link that leads nowhere is left out.
            const QFileInfo target(entry.path);
            if (!target.exists())
                continue;
            entry.isFile = target.isFile();
            entry.size = entry.isFile ? target.size() : 0;
            entry.identity = {};
        }
        const qintptr inside = entry.isLink || entry.isFile ? -1 : tree.holdFolder(entry.path);
        visit(entry);
        if (inside != -1)
            walkFolder(tree, reinterpret_cast<HANDLE>(inside), entry.path, visit);
    }
}
} // namespace

// Windows names are UTF-16 and always readable. Hidden entries stay out, links to folders
// (junctions, symbolic links) are met but not followed.
std::optional<Platform::UnreadableName>
Platform::walkTree(DataTree &tree, const std::function<void(const TreeEntry &)> &visit)
{
    if (tree.isOpen())
        walkFolder(tree, reinterpret_cast<HANDLE>(tree.handle()), tree.path(), visit);
    return std::nullopt;
}
