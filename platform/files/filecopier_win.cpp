#include "FileCopier.h"
#include "PartialFiles.h"
#include "Win32Path.h"

#include <QDir>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>
#include <windows.h>

// Each file is written into a temporary beside its target and renamed into place once it is
// complete, through the handle that wrote it. A temporary left by a process that died half way
// goes with the next run that copies into its folder; marking each one for deletion until its
// rename would spare that, but costs as much as the copying of a small file under Wine.
// Durability is bought at the end of the run, for all files at once: flushing every file as it
// is done costs more than the copying itself on a tree of many small files.

namespace {

constexpr DWORD bufferSize = 1 << 20;
// What a file takes along to its new place, as CopyFileW does; compression, encryption and the
// like belong to the target folder.
constexpr DWORD keptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
    | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

QString folderOf(const QString &path)
{
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash < 0 ? QStringLiteral(".") : path.left(slash);
}

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
    std::vector<char> buffer;
    // Flushed by sync(); a read-only file is flushed before it gets its attributes, since it
    // cannot be opened for writing afterwards.
    std::vector<std::wstring> unflushed;
    // Folders that received a new name, which the sync makes durable too.
    std::set<QString> folders;
    QString lastFolder;

    bool write(HANDLE in, HANDLE out, qint64 &copied);
    void enterFolder(const QString &folder);
};

void Platform::FileCopier::Private::enterFolder(const QString &folder)
{
    if (folder == lastFolder)
        return;
    lastFolder = folder;
    if (folders.insert(folder).second)
        Platform::removePartialFiles(folder);
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

Platform::FileCopier::FileCopier()
    : d(std::make_unique<Private>())
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    const Handle in(CreateFileW(Platform::win32Path(source).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!in.valid() || !GetFileInformationByHandle(in.get(), &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;

    const QString folder = folderOf(target);
    d->enterFolder(folder);
    const std::wstring finalPath = Platform::win32Path(target);
    std::wstring temporaryPath;
    const Handle out(createTemporary(folder, temporaryPath));
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

bool Platform::FileCopier::sync(const QString &targetRoot)
{
    bool ok = flushAll(d->unflushed);
    // A folder keeps the new names; some file systems refuse to flush a folder, and then the
    // names are as safe as that file system makes them.
    d->folders.insert(targetRoot);
    for (const QString &folder : d->folders)
        flush(Platform::win32Path(folder), FILE_FLAG_BACKUP_SEMANTICS);
    const DWORD root = GetFileAttributesW(Platform::win32Path(targetRoot).c_str());
    ok = ok && root != INVALID_FILE_ATTRIBUTES && (root & FILE_ATTRIBUTE_DIRECTORY);
    d->unflushed.clear();
    d->folders.clear();
    d->lastFolder.clear();
    return ok;
}
