#include "PartialFiles.h"

#include <QFile>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void Platform::removePartialFiles(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const size_t prefixSize = std::strlen(partialFilePrefix);
    // Removing entries while reading on is safe: readdir may or may not show them, and a name
    // that it shows again is simply not found.
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, partialFilePrefix, prefixSize) != 0)
            continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}
