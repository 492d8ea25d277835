#include "FileCopier.h"
#include "PartialFiles.h"
#include "platform/files/Win32Path.h"
#include "platform/removal/Removal.h"

#include <QDir>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>
#include <windows.h>

// Each file is written into a temporary beside its target and renamed into place once it is
// complete, through the handle that wrote it. The folders from the root down to the one written
// in are opened as themselves (a link is refused, removed and replaced by a folder) and held
// without sharing deletion while the copy works there: none of them can be renamed, removed or
// swapped for a link meanwhile, so every path below the root leads where it was checked to. A
// temporary left by a process that died half way goes with the next run that copies into its
// folder; marking each one for deletion until its rename would spare that, but costs as much as the
// copying of a small file under Wine. Durability is bought at the end of the run, for all files at
// once: flushing every file as it is done costs more than the copying itself on a tree of many
// small files.

namespace {

constexpr DWORD bufferSize = 1 << 20;
// What a file takes along to its new place, as CopyFileW does; compression, encryption and the
// like belong to the target folder.
constexpr DWORD keptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
    | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : handle(handle)
    { }
    ~Handle()
    {
        if (valid())
            CloseHandle(handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
};

// A folder as itself, never what a link there points to, held so that it stays where it is.
HANDLE openFolder(const QString &path, bool asItself)
{
    return CreateFileW(
        Platform::win32Path(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (asItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

// A symbolic link or a junction stands for another folder; a cloud placeholder or another
// reparse point that is not a name surrogate is a folder of its own. Wine shows a host's link
// without a tag.
bool isRealFolder(HANDLE folder)
{
    FILE_ATTRIBUTE_TAG_INFO info {};
    if (!GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &info, sizeof info)) {
        BY_HANDLE_FILE_INFORMATION basic;
        if (!GetFileInformationByHandle(folder, &basic))
            return false;
        info.FileAttributes = basic.dwFileAttributes;
    }
    if (!(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return !(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || (info.ReparseTag != 0 && !IsReparseTagNameSurrogate(info.ReparseTag));
}

// One folder below a held one, made a real folder first where needed. A rival that keeps
// swapping the entry could go on for ever; a few rounds then count as failure.
HANDLE openStep(const QString &path)
{
    for (int round = 0; round < 4; ++round) {
        const HANDLE folder = openFolder(path, true);
        if (folder != INVALID_HANDLE_VALUE) {
            if (isRealFolder(folder))
                return folder;
            CloseHandle(folder);
            if (!Platform::removeFileOrLink(path))
                return INVALID_HANDLE_VALUE;
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return INVALID_HANDLE_VALUE;
        if (!CreateDirectoryW(Platform::win32Path(path).c_str(), nullptr)
            && GetLastError() != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// Removes a temporary that will not be finished, read-only or not, through the handle that
// wrote it; always false, the copy's result.
bool discard(HANDLE file)
{
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    FILE_DISPOSITION_INFO disposition {};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    return false;
}

// The final name never replaces anything: the worker has cleared the way, and a name that
// turned up meanwhile is not the installer's to overwrite.
bool renameTo(HANDLE file, const std::wstring &target)
{
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = DWORD(nameBytes);
    std::copy(target.begin(), target.end(), rename->FileName);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, DWORD(buffer.size()));
}

bool flush(const std::wstring &path, DWORD flags)
{
    const Handle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, flags, nullptr));
    return file.valid() && FlushFileBuffers(file.get());
}

// A flush waits for the disk; several at once let the system write them out together.
bool flushAll(const std::vector<std::wstring> &files)
{
    std::atomic<size_t> next {0};
    std::atomic<bool> ok {true};
    const auto work = [&] {
        for (size_t i = next++; i < files.size(); i = next++) {
            if (!flush(files[i], FILE_ATTRIBUTE_NORMAL))
                ok = false;
        }
    };
    const size_t threads = std::min<size_t>(16, (files.size() + 63) / 64);
    std::vector<std::thread> workers;
    for (size_t i = 1; i < threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    return ok;
}

// Opened without sharing, so that nothing else reads a half-written file or removes it from
// under the writer.
HANDLE createTemporary(const QString &folder, std::wstring &path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        path = Platform::win32Path(folder + QLatin1Char('/') + Platform::partialFileName());
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

struct Platform::FileCopier::Private
{
    explicit Private(const QString &root)
        : root(root)
    { }
    ~Private() { leave(); }

    QString root;
    // The folders from the root down to the one written in, held; its path below the root.
    std::vector<HANDLE> chain;
    QString folderName;
    QString folderPath;
    std::vector<char> buffer;
    // Flushed by sync(); a read-only file is flushed before it gets its attributes, since it
    // cannot be opened for writing afterwards.
    std::vector<std::wstring> unflushed;
    // Folders that received a new name, which the sync makes durable too; the sweep of
    // leftovers comes once to each.
    std::set<QString> folders;

    bool relativeOf(const QString &path, QString &relative) const;
    bool enter(const QString &relative);
    void leave();
    bool write(HANDLE in, HANDLE out, qint64 &copied);
};

bool Platform::FileCopier::Private::relativeOf(const QString &path, QString &relative) const
{
    if (path == root) {
        relative.clear();
        return true;
    }
    if (!path.startsWith(root + QLatin1Char('/')))
        return false;
    relative = path.mid(root.size() + 1);
    return !relative.isEmpty() && !relative.contains(QLatin1Char('\\'));
}

void Platform::FileCopier::Private::leave()
{
    for (const HANDLE folder : chain)
        CloseHandle(folder);
    chain.clear();
    folderName.clear();
    folderPath.clear();
}

bool Platform::FileCopier::Private::enter(const QString &relative)
{
    if (!chain.empty() && relative == folderName)
        return true;
    leave();
    // The root may be reached through a link: only what lies below it is checked.
    QString path = root;
    HANDLE folder = openFolder(path, false);
    const QStringList names = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; folder != INVALID_HANDLE_VALUE; ++i) {
        chain.push_back(folder);
        if (i == names.size())
            break;
        // The worker hands clean paths below the root; a step up would leave it.
        if (names[i] == QLatin1String(".") || names[i] == QLatin1String(".."))
            break;
        path += QLatin1Char('/') + names[i];
        folder = openStep(path);
    }
    if (chain.size() != size_t(names.size()) + 1) {
        leave();
        return false;
    }
    folderName = relative;
    folderPath = path;
    if (folders.insert(path).second)
        Platform::removePartialFiles(path);
    return true;
}

bool Platform::FileCopier::Private::write(HANDLE in, HANDLE out, qint64 &copied)
{
    if (buffer.empty())
        buffer.resize(bufferSize);
    copied = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), bufferSize, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got)
            return false;
        copied += got;
    }
}

Platform::FileCopier::FileCopier(const QString &targetRoot)
    : d(std::make_unique<Private>(targetRoot))
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::makeFolder(const QString &folder)
{
    QString relative;
    if (!d->relativeOf(folder, relative))
        return false;
    if (relative.isEmpty() && !makeRoot(folder))
        return false;
    return d->enter(relative);
}

bool Platform::FileCopier::clear(const QString &target)
{
    QString relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return false;
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return d->enter(slash < 0 ? QString() : relative.left(slash))
        && Platform::removeFileOrLink(target);
}

bool Platform::FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    QString relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return false;
    const Handle in(CreateFileW(Platform::win32Path(source).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!in.valid() || !GetFileInformationByHandle(in.get(), &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;

    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    if (!d->enter(slash < 0 ? QString() : relative.left(slash)))
        return false;
    const std::wstring finalPath = Platform::win32Path(target);
    std::wstring temporaryPath;
    const Handle out(createTemporary(d->folderPath, temporaryPath));
    if (!out.valid())
        return false;
    // From here on, any failure removes the temporary through its handle.
    qint64 copied = 0;
    const DWORD attributes = info.dwFileAttributes & keptAttributes;
    const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    if (!d->write(in.get(), out.get(), copied) || (readOnly && !FlushFileBuffers(out.get())))
        return discard(out.get());
    // Writing has moved the time of the last change; it comes back to the source's, as with
    // CopyFileW. Attributes last: read-only stops nothing on a handle that is already open.
    FILE_BASIC_INFO basic {};
    basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = LONG(info.ftLastWriteTime.dwHighDateTime);
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(out.get(), FileBasicInfo, &basic, sizeof basic)
        || !renameTo(out.get(), finalPath))
        return discard(out.get());
    if (!readOnly)
        d->unflushed.push_back(finalPath);
    if (size)
        *size = copied;
    return true;
}

bool Platform::FileCopier::sync()
{
    d->leave();
    bool ok = flushAll(d->unflushed);
    // A folder keeps the new names; some file systems refuse to flush a folder, and then the
    // names are as safe as that file system makes them.
    d->folders.insert(d->root);
    for (const QString &folder : d->folders)
        flush(Platform::win32Path(folder), FILE_FLAG_BACKUP_SEMANTICS);
    const DWORD root = GetFileAttributesW(Platform::win32Path(d->root).c_str());
    ok = ok && root != INVALID_FILE_ATTRIBUTES && (root & FILE_ATTRIBUTE_DIRECTORY);
    d->unflushed.clear();
    d->folders.clear();
    return ok;
}
