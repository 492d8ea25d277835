#include "FileCopier.h"

#include <QFile>

struct FileCopier::Private
{
};

FileCopier::FileCopier()
    : d(std::make_unique<Private>())
{
}

FileCopier::~FileCopier() = default;

bool FileCopier::copy(const QString &source, const QString &target)
{
    return QFile::copy(source, target);
}

bool FileCopier::sync(const QString &)
{
    return true;
}
