#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// What the harnesses share: a scratch folder of their own, and a check that aborts, so that
// libFuzzer keeps the input that broke a promise as it keeps one that crashed.
namespace FuzzSupport {

inline const QTemporaryDir &scratch()
{
    static const QTemporaryDir dir;
    return dir;
}

inline QString scratchPath(const char *name)
{
    return scratch().path() + QLatin1Char('/') + QLatin1String(name);
}

inline QString writeScratch(const char *name, const QByteArray &bytes)
{
    const QString path = scratchPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    return path;
}

inline void check(bool promise, const char *what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

} // namespace FuzzSupport
