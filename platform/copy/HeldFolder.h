#pragma once

#include <QString>

namespace Platform {
class HeldFolders;

// One folder of the install tree, held as long as the token lives (see HeldFolders). It moves,
// never copies; an empty token holds nothing.
class HeldFolder
{
public:
    HeldFolder() = default;
    ~HeldFolder();
    HeldFolder(HeldFolder &&other) noexcept;
    HeldFolder &operator=(HeldFolder &&other) noexcept;

    bool valid() const { return native != -1; }
    // The folder's descriptor on Linux, where names are made relative to it; its handle on
    // Windows.
    qintptr handle() const { return native; }
    // Its path below the root, '/'-separated, empty for the root itself.
    const QString &relative() const { return name; }

private:
    friend class HeldFolders;
    void drop();

    HeldFolders *owner = nullptr; // none: the token alone holds the folder
    QString name;
    qintptr native = -1;
};
} // namespace Platform
