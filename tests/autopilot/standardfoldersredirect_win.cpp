#include "StandardFoldersRedirect.h"

#include <QDir>

#include <cstring>
#include <shlobj.h>
#include <windows.h>

namespace {
QString root;

// Windows keeps these folders in the account's profile, not in the environment: the one way to
// move them for a single process is to answer Qt's own question for them.
HRESULT WINAPI knownFolderPath(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR *path)
{
    const char *below = IsEqualGUID(id, FOLDERID_Documents) ? "Documents"
        : IsEqualGUID(id, FOLDERID_Desktop)                 ? "Desktop"
        : IsEqualGUID(id, FOLDERID_Programs)                ? "Start Menu"
                                                            : nullptr;
    if (!below)
        return SHGetKnownFolderPath(id, flags, token, path);
    const QString folder = QDir::toNativeSeparators(root + QLatin1Char('/') + below);
    const size_t bytes = (folder.size() + 1) * sizeof(wchar_t);
    *path = static_cast<PWSTR>(CoTaskMemAlloc(bytes));
    std::memcpy(*path, folder.utf16(), bytes);
    return S_OK;
}

// Points Qt Core's import of SHGetKnownFolderPath at the function above.
void patchImport(HMODULE module)
{
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         dll->Name; ++dll) {
        auto *name = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
        auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)
                || std::strcmp(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + name->u1.AddressOfData)->Name,
                    "SHGetKnownFolderPath"))
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                           &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&knownFolderPath);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
        }
    }
}
} // namespace

void redirectStandardFolders(const QString &folder)
{
    root = QDir::fromNativeSeparators(folder);
    HMODULE qtCore = nullptr; // whatever its file is called in this build
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                               | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&qVersion), &qtCore))
        patchImport(qtCore);
}
