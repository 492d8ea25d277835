#include "ShortcutFiles.h"
#include "platform/files/MoveOver.h"
#include "platform/files/PartialFiles.h"
#include "platform/files/Win32Path.h"
#include "platform/files/WinFolders.h"

#include <QDir>

#include <algorithm>
#include <vector>
#include <windows.h>

namespace {
// Holding a folder without sharing deletion keeps it from being renamed, removed or swapped for
// a link (or junction) while its files are written by path.
Platform::FileHandle holdFolder(const QString &path, bool throughLink)
{
    Platform::FileHandle folder = Platform::openFolder(path, !throughLink);
    if (folder.valid() && !Platform::isRealFolder(folder.get()))
        folder.reset();
    return folder;
}

bool isOneName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QLatin1Char(':'));
}
} // namespace

struct Platform::ShortcutFiles::Held
{
    struct Staged
    {
        std::wstring temporary;
        std::wstring name;
    };

    ~Held()
    {
        for (const Staged &file : staged)
            DeleteFileW(file.temporary.c_str());
    }

    std::vector<FileHandle> handles;
    std::vector<QString> folders;
    std::vector<Staged> staged; // not named yet

    std::wstring pathIn(int folder, const QString &name) const
    {
        return Platform::win32Path(folders[size_t(folder)] + QLatin1Char('\\') + name);
    }
};

Platform::ShortcutFiles::ShortcutFiles()
    : held(std::make_unique<Held>())
{ }

Platform::ShortcutFiles::~ShortcutFiles() = default;

int Platform::ShortcutFiles::folder(const QString &path, const QStringList &below)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return -1;
    QString current = QDir::toNativeSeparators(QDir(path).absolutePath());
    FileHandle handle = holdFolder(current, true);
    for (const QString &name : below) {
        if (!handle.valid())
            return -1;
        held->handles.push_back(std::move(handle)); // each folder above the next stays held
        if (!isOneName(name))
            return -1;
        current += QLatin1Char('\\') + name;
        const std::wstring native = win32Path(current);
        if (!CreateDirectoryW(native.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return -1;
        handle = holdFolder(current, false);
    }
    if (!handle.valid())
        return -1;
    held->handles.push_back(std::move(handle));
    // The same folder met again holds this shortcut's own temporaries by now.
    if (std::none_of(held->folders.cbegin(), held->folders.cend(), [&](const QString &other) {
            return other.compare(current, Qt::CaseInsensitive) == 0;
        }))
        removePartialFiles(current);
    held->folders.push_back(current);
    return int(held->folders.size() - 1);
}

bool Platform::ShortcutFiles::stage(int folder, const QString &name, const QByteArray &bytes,
                                    unsigned)
{
    if (folder < 0 || size_t(folder) >= held->folders.size() || !isOneName(name))
        return false;
    const std::wstring temporary = held->pathIn(folder, partialFileName());
    FileHandle out(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid())
        return false;
    DWORD written = 0;
    const bool complete =
        WriteFile(out.get(), bytes.constData(), DWORD(bytes.size()), &written, nullptr)
        && written == DWORD(bytes.size()) && FlushFileBuffers(out.get());
    out.reset();
    if (!complete) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    held->staged.push_back({temporary, held->pathIn(folder, name)});
    return true;
}

bool Platform::ShortcutFiles::stageLink(int folder, const QString &name,
                                        const ShellLinkFields &fields)
{
    if (folder < 0 || size_t(folder) >= held->folders.size() || !isOneName(name))
        return false;
    const QString temporary = held->folders[size_t(folder)] + QLatin1Char('\\') + partialFileName()
        + QLatin1String(".lnk");
    if (!saveShellLink(temporary, fields))
        return false;
    held->staged.push_back({win32Path(temporary), held->pathIn(folder, name)});
    return true;
}

bool Platform::ShortcutFiles::nameAll()
{
    std::vector<Held::Staged> named;
    while (!held->staged.empty()) {
        const Held::Staged file = held->staged.front();
        if (!Platform::moveOver(file.temporary, file.name)) {
            for (const Held::Staged &done : named)
                DeleteFileW(done.name.c_str());
            return false; // the temporaries left go with `held`
        }
        named.push_back(file);
        held->staged.erase(held->staged.begin());
    }
    return true;
}

bool Platform::ShortcutFiles::namesFit(const QStringList &names)
{
    for (const QString &name : names) {
        if (name.size() > 255) // the longest name of a file that NTFS and FAT hold
            return false;
    }
    return true;
}
