#include "Removal.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

// Write permission on a file does not matter for its removal here, and unlink never follows a
// link: the folder's entry is all that goes.
bool Platform::isLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool Platform::removeFileOrLink(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}
