#include "DataTree.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

Platform::DataTree::DataTree(const QString &folder)
    : root(QFileInfo(folder).canonicalFilePath())
{
    if (root.isEmpty())
        return;
    int fd;
    do
        fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    native = fd;
}

qintptr Platform::DataTree::holdFolder(const QString &path)
{
    Q_UNUSED(path);
    return -1;
}

Platform::DataTree::~DataTree()
{
    if (isOpen())
        ::close(int(native));
}
