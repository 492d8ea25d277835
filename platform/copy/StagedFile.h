#pragma once

#include <QtGlobal>

#include <memory>

namespace Platform {
class FileCopier;

// A file copied into a temporary beside its target, waiting for its name. Dropping one that was
// not given its name removes its temporary.
class StagedFile
{
public:
    StagedFile();
    ~StagedFile();
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) noexcept;

    // False when the copy failed; nothing is then left of it.
    bool ok() const { return d != nullptr; }
    // Whether it failed because its source is no longer the regular file the walk counted (a
    // link, a FIFO, a device, a file of another size), rather than for want of reading or writing.
    bool sourceChanged() const { return changed; }
    // The bytes copied.
    qint64 size() const;

private:
    friend class FileCopier;
    struct Private;
    std::unique_ptr<Private> d;
    bool changed = false;
};
} // namespace Platform
