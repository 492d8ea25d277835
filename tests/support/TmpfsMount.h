#pragma once

#include <QString>

// A small tmpfs of its own for a test that needs a file system to fill up or to watch. Mounting
// needs root and a system that allows it; where it is refused, the test skips with `reason()`.
class TmpfsMount
{
public:
    TmpfsMount(const QString &path, qint64 bytes);
    ~TmpfsMount();
    Q_DISABLE_COPY(TmpfsMount)

    bool isMounted() const { return failure.isEmpty(); }
    QString reason() const { return failure; }
    QString path() const { return mountPoint; }

private:
    QString mountPoint;
    QString failure;
};
