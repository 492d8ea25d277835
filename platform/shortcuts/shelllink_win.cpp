#include "ShellLink.h"
#include "platform/files/FileHandle.h"
#include "platform/files/MoveOver.h"
#include "platform/files/PartialFiles.h"
#include "platform/files/Win32Path.h"

#include <QDir>
#include <QFileInfo>

#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <windows.h>

namespace {
const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The link carries no description, hot key or show command: only what starts the game.
bool describe(IShellLinkW *link, const Platform::ShellLinkFields &fields)
{
    if (FAILED(link->SetPath(wide(fields.target))))
        return false;
    if (FAILED(link->SetWorkingDirectory(wide(fields.workingDirectory))))
        return false;
    if (!fields.arguments.isNull() && FAILED(link->SetArguments(wide(fields.arguments))))
        return false;
    if (!fields.iconPath.isNull()
        && FAILED(link->SetIconLocation(wide(fields.iconPath), fields.iconIndex)))
        return false;
    return true;
}

// The shell gets the long-path form too: a link's temporary in a deep folder would pass the
// limit of MAX_PATH characters that the plain form keeps.
bool saveTo(IShellLinkW *link, const QString &path)
{
    IPersistFile *file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))))
        return false;
    const bool saved = SUCCEEDED(file->Save(Platform::win32Path(path).c_str(), TRUE));
    file->Release();
    return saved;
}

bool flush(const QString &path)
{
    const Platform::FileHandle file(CreateFileW(Platform::win32Path(path).c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.get());
}

// The shell writes the link in place; written under a temporary name beside it and moved over
// it once complete, a reader never meets half a link.
bool save(IShellLinkW *link, const QString &linkPath)
{
    const QString folder = QFileInfo(linkPath).absolutePath();
    Platform::removePartialFiles(folder);
    const QString temporary = QDir::toNativeSeparators(
        folder + QLatin1Char('/') + Platform::partialFileName() + QLatin1String(".lnk"));
    if (saveTo(link, temporary) && flush(temporary)
        && Platform::moveOver(Platform::win32Path(temporary), Platform::win32Path(linkPath)))
        return true;
    DeleteFileW(Platform::win32Path(temporary).c_str());
    return false;
}

HRESULT createShellLink(IShellLinkW **link)
{
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            reinterpret_cast<void **>(link));
}

// Runs `use` on a new shell link object and gives its answer; false when there is no object.
template<typename Use> bool withShellLink(Use use)
{
    IShellLinkW *link = nullptr;
    HRESULT created = createShellLink(&link);
    // The windows platform plug-in has COM running on the GUI thread already; elsewhere (another
    // thread, another platform plug-in) this call brings it up for itself and leaves the thread
    // as it found it.
    bool initialisedHere = false;
    if (created == CO_E_NOTINITIALIZED) {
        initialisedHere = SUCCEEDED(CoInitialize(nullptr));
        created = createShellLink(&link);
    }

    bool done = false;
    if (SUCCEEDED(created) && link) {
        done = use(link);
        link->Release();
    }
    if (initialisedHere)
        CoUninitialize();
    return done;
}
} // namespace

bool Platform::writeShellLink(const QString &linkPath, const ShellLinkFields &fields)
{
    return withShellLink(
        [&](IShellLinkW *link) { return describe(link, fields) && save(link, linkPath); });
}

bool Platform::saveShellLink(const QString &path, const ShellLinkFields &fields)
{
    return withShellLink([&](IShellLinkW *link) {
        if (describe(link, fields) && saveTo(link, path) && flush(path))
            return true;
        DeleteFileW(Platform::win32Path(path).c_str());
        return false;
    });
}
