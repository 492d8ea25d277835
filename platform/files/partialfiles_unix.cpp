#include "PartialFiles.h"

#include <QFile>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void Platform::removePartialFiles(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    removePartialFilesIn(fd);
    ::close(fd);
}

void Platform::removePartialFilesIn(int folder)
{
    // The listing gets a descriptor of its own, which closedir takes along.
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    const size_t prefixSize = std::strlen(partialFilePrefix);
    // Removing entries while reading on is safe: readdir may or may not show them, and a name
    // that it shows again is simply not found.
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, partialFilePrefix, prefixSize) != 0)
            continue;
        struct stat st;
        if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}
