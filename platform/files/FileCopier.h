#pragma once

#include <QString>

#include <memory>

namespace Platform {
// The install copy of single files. A target appears under its name only once it is complete,
// even if the process dies half way; durability is bought once per run, not once per file. The
// temporaries that a killed earlier run left in a folder go with the first file copied there.
class FileCopier
{
public:
    FileCopier();
    ~FileCopier();
    FileCopier(const FileCopier &) = delete;
    FileCopier &operator=(const FileCopier &) = delete;

    // Copies `source` to `target`, which must not exist (nothing is overwritten). Copies the
    // permission bits (on Windows the attributes, read-only included, and the time of the last
    // change), and tells the bytes copied through `size`. False on failure, with nothing left at
    // `target`.
    bool copy(const QString &source, const QString &target, qint64 *size = nullptr);

    // Makes every byte copied so far durable on the file system that holds `targetRoot`.
    bool sync(const QString &targetRoot);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
} // namespace Platform
