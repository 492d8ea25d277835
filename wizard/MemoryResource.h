#pragma once

#include <QByteArray>
#include <QString>

// Bytes already read, offered under a resource path of their own for the readers that take
// only a path (QSettings): such a reader then sees exactly the bytes that were checked, and no
// file that was put in their place meanwhile. Each object has its own path, so no reader's
// cache mistakes one for another.
class MemoryResource
{
public:
    explicit MemoryResource(const QByteArray &contents);
    ~MemoryResource();
    MemoryResource(const MemoryResource &) = delete;
    MemoryResource &operator=(const MemoryResource &) = delete;

    // Empty when the bytes could not be registered.
    QString path() const { return registered ? filePath : QString(); }

private:
    QByteArray image; // the resource collection, as the resource compiler writes one
    QString root;
    QString filePath;
    bool registered = false;
};
