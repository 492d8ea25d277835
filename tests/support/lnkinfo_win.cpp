#include "LnkInfo.h"

#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <windows.h>

// Windows reads the link back through the shell's own link object.
QMap<QString, QString> LnkInfo::read(const QString &linkPath)
{
    QMap<QString, QString> fields;
    const bool ownCom = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    wchar_t text[INFOTIPSIZE];
    int index = -1;
    const auto field = [&](const char *name, HRESULT got) {
        if (SUCCEEDED(got))
            fields.insert(QString::fromLatin1(name), QString::fromWCharArray(text));
    };
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void **>(&link)))
        && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))
        && SUCCEEDED(file->Load(reinterpret_cast<const wchar_t *>(linkPath.utf16()), STGM_READ))) {
        field("Local path", link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH));
        field("Command line arguments", link->GetArguments(text, INFOTIPSIZE));
        field("Working directory", link->GetWorkingDirectory(text, MAX_PATH));
        field("Icon location", link->GetIconLocation(text, MAX_PATH, &index));
        fields.insert(QStringLiteral("Icon index"), QString::number(index));
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (ownCom)
        CoUninitialize();
    return fields;
}
