#include "FileCopier.h"
#include "HeldFolders.h"
#include "SourceFolders.h"
#include "platform/files/FileHandle.h"
#include "platform/files/PartialFiles.h"
#include "platform/files/Win32Path.h"
#include "platform/removal/Removal.h"
#include "platform/walk/DataTree.h"

#include <algorithm>
#include <thread>
#include <vector>
#include <windows.h>
#include <winioctl.h>

// Each file is written into a temporary beside its target, made durable and renamed into place
// once it is complete, through the handle that wrote it. The folders from the root down to those
// written in are opened as themselves (a link is refused, removed and replaced by a folder) and
// held without sharing deletion while files copied there wait for their names: none of them can
// be renamed, removed or swapped for a link meanwhile, so every path below the root leads where it
// was checked to. A temporary left by a process that died half way goes with the next run that
// copies into its folder; marking each one for deletion until its rename would spare that, but
// costs as much as the copying of a small file under Wine. Each file is flushed by the thread
// that copied it, before it gets its name: flushes wait for the disk, and several at once let the
// system write them out together while other files are being copied. On the reading side the
// folders of the data tree are held the same way, and each source is opened as itself and must be
// the file the walk counted.

namespace {

using Platform::FileHandle;

constexpr DWORD bufferSize = 1 << 20;
// What a file takes along to its new place, as CopyFileW does; compression, encryption and the
// like belong to the target folder.
constexpr DWORD keptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
    | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Removes a temporary that will not be finished, read-only or not, through the handle that
// wrote it.
void discard(HANDLE file)
{
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    FILE_DISPOSITION_INFO disposition {};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// The final name never replaces anything: the way has just been cleared, and a name that turned
// up meanwhile is not the installer's to overwrite.
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

// Opened without sharing, so that nothing else reads a half-written file or removes it from
// under the writer.
FileHandle createTemporary(const QString &folder)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring path =
            Platform::win32Path(folder + QLatin1Char('/') + Platform::partialFileName());
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (file.valid() || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return {};
}

enum class Source { Opened, Failed, Changed };

// The data file `relative` as itself, never through a link, and still the file the walk counted,
// of as many bytes (a size of -1: not counted).
Source openSource(const Platform::DataTree &tree, Platform::SourceFolders &folders,
                  const QString &relative, const Platform::CountedFile &counted, FileHandle &in,
                  BY_HANDLE_FILE_INFORMATION &info)
{
    const qint64 size = counted.size;
    if (size < 0 || relative.contains(QLatin1Char('\\'))
        || !folders.enter(Platform::HeldFolders::folderAndName(relative).first))
        return Source::Changed;
    in.reset(CreateFileW(Platform::win32Path(tree.path() + QLatin1Char('/') + relative).c_str(),
                         GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!in.valid() || !GetFileInformationByHandle(in.get(), &info))
        return Source::Failed;
    const quint64 found = (quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)
        || GetFileType(in.get()) != FILE_TYPE_DISK || found != quint64(size))
        return Source::Changed;
    const quint64 id = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (counted.identity.inode != 0 && id != counted.identity.inode)
        return Source::Changed;
    return Source::Opened;
}

// Exactly `size` bytes, what the walk counted, never on to the end of a file that has grown; one
// that ends sooner has shrunk and fails. The buffer is no larger than the file needs.
bool copyContents(HANDLE in, HANDLE out, qint64 size)
{
    const DWORD chunk = DWORD(std::clamp<qint64>(size, 4096, bufferSize));
    std::vector<char> buffer(chunk);
    for (qint64 left = size; left > 0;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), DWORD(std::min<qint64>(left, chunk)), &got, nullptr)
            || got == 0)
            return false;
        DWORD written = 0;
        if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got)
            return false;
        left -= got;
    }
    return true;
}

} // namespace

struct Platform::FileCopier::Private
{
    Private(const DataTree &source, const QString &root)
        : source(source)
        , sourceFolders(source)
        , root(root)
        , folders(root)
    { }

    const DataTree &source;
    SourceFolders sourceFolders;
    const QString root;
    HeldFolders folders;

    bool relativeOf(const QString &path, QString &relative) const;
};

// The temporary goes, through its handle, unless it got its name; the folder's token after it.
struct Platform::StagedFile::Private
{
    Private() = default;
    ~Private()
    {
        if (file.valid())
            discard(file.get());
    }
    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;

    HeldFolder folder;
    QString targetPath;
    std::wstring target;
    FileHandle file;
    qint64 size = 0;
};

Platform::StagedFile::StagedFile() = default;
Platform::StagedFile::~StagedFile() = default;
Platform::StagedFile::StagedFile(StagedFile &&other) noexcept = default;
Platform::StagedFile &Platform::StagedFile::operator=(StagedFile &&other) noexcept = default;

qint64 Platform::StagedFile::size() const
{
    return d ? d->size : 0;
}

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

Platform::FileCopier::FileCopier(const DataTree &source, const QString &targetRoot)
    : d(std::make_unique<Private>(source, targetRoot))
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::makeFolder(const QString &folder)
{
    QString relative;
    return d->relativeOf(folder, relative) && (!relative.isEmpty() || makeRoot(folder))
        && d->folders.acquire(relative).valid();
}

Platform::StagedFile Platform::FileCopier::stage(const QString &source, const QString &target)
{
    StagedFile file;
    QString relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return file;
    const CountedFile counted = d->source.counted(source);
    const qint64 size = counted.size;
    FileHandle in;
    BY_HANDLE_FILE_INFORMATION info;
    switch (openSource(d->source, d->sourceFolders, source, counted, in, info)) {
    case Source::Opened:
        break;
    case Source::Failed:
        return file;
    case Source::Changed:
        file.changed = true;
        return file;
    }

    // From here on, the folder is released and the temporary removed on every way out.
    auto staged = std::make_unique<StagedFile::Private>();
    const QString folderName = HeldFolders::folderAndName(relative).first;
    staged->folder = d->folders.acquire(folderName);
    if (!staged->folder.valid())
        return file;
    staged->file =
        createTemporary(folderName.isEmpty() ? d->root : d->root + QLatin1Char('/') + folderName);
    staged->size = size;
    if (!staged->file.valid() || !copyContents(in.get(), staged->file.get(), size)
        || !FlushFileBuffers(staged->file.get()))
        return file;
    // Writing has moved the time of the last change; it comes back to the source's, as with
    // CopyFileW. Attributes last: read-only stops nothing on a handle that is already open.
    const DWORD attributes = info.dwFileAttributes & keptAttributes;
    FILE_BASIC_INFO basic {};
    basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = LONG(info.ftLastWriteTime.dwHighDateTime);
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(staged->file.get(), FileBasicInfo, &basic, sizeof basic))
        return file;
    staged->targetPath = target;
    staged->target = Platform::win32Path(target);
    file.d = std::move(staged);
    return file;
}

// The staged file holds its folder and those above it, so the target's path leads to the folder
// it was copied into; what stands at the name goes, then the file takes it through its handle.
bool Platform::FileCopier::replace(StagedFile &file)
{
    if (!file.ok())
        return false;
    const std::unique_ptr<StagedFile::Private> staged = std::move(file.d);
    if (!Platform::removeFileOrLink(staged->targetPath)
        || !renameTo(staged->file.get(), staged->target))
        return false;
    staged->file.reset(); // it is the file now
    return true;
}

bool Platform::FileCopier::sync()
{
    return d->folders.sync();
}

bool Platform::FileCopier::rootInPlace()
{
    return d->folders.rootInPlace();
}

std::optional<QString> Platform::FileCopier::folderMovedAside()
{
    return std::nullopt;
}

int Platform::FileCopier::parallelCopies(const QString &folder)
{
    // A disk that pays for seeks gets one file at a time; Wine and older systems cannot tell,
    // and are taken for the usual solid-state disk.
    wchar_t mountPoint[MAX_PATH];
    wchar_t volume[MAX_PATH];
    if (GetVolumePathNameW(Platform::win32Path(folder).c_str(), mountPoint, MAX_PATH)
        && GetVolumeNameForVolumeMountPointW(mountPoint, volume, MAX_PATH)) {
        std::wstring device(volume);
        if (!device.empty() && device.back() == L'\\')
            device.pop_back(); // the volume itself, not its root folder
        const FileHandle handle(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
        STORAGE_PROPERTY_QUERY query {};
        query.PropertyId = StorageDeviceSeekPenaltyProperty;
        query.QueryType = PropertyStandardQuery;
        DEVICE_SEEK_PENALTY_DESCRIPTOR seekPenalty {};
        DWORD bytes = 0;
        if (handle.valid()
            && DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                               &seekPenalty, sizeof seekPenalty, &bytes, nullptr)
            && bytes >= sizeof seekPenalty && seekPenalty.IncursSeekPenalty)
            return 1;
    }
    return std::clamp(int(std::thread::hardware_concurrency()) * 2, 2, 8);
}
