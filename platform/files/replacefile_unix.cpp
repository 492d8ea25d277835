#include "PartialFiles.h"
#include "ReplaceFile.h"
#include "WriteAll.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// QSaveFile would write into the file that a link at `path` points to, which may lie anywhere.
bool Platform::replaceFile(const QString &path, const QByteArray &bytes, unsigned mode)
{
    const QString folder = QFileInfo(path).absolutePath();
    removePartialFiles(folder);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = QFile::encodeName(folder + QLatin1Char('/') + partialFileName());
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    if (::close(fd) == 0 && written
        && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}
