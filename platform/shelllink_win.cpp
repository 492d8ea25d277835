#include "ShellLink.h"

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

bool save(IShellLinkW *link, const QString &linkPath)
{
    IPersistFile *file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))))
        return false;
    const bool saved = SUCCEEDED(file->Save(wide(linkPath), TRUE));
    file->Release();
    return saved;
}

HRESULT createShellLink(IShellLinkW **link)
{
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            reinterpret_cast<void **>(link));
}
} // namespace

bool Platform::writeShellLink(const QString &linkPath, const ShellLinkFields &fields)
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

    bool written = false;
    if (SUCCEEDED(created) && link) {
        written = describe(link, fields) && save(link, linkPath);
        link->Release();
    }
    if (initialisedHere)
        CoUninitialize();
    return written;
}
