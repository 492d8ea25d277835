#pragma once

#include <QStringList>

#include <functional>

// Walks the mod's data directory: every visible file and directory below it, by canonical path,
// with the files' total size. Hidden and system entries are left out, and links to directories
// are listed but not followed.
class DataCollector
{
public:
    struct Result
    {
        QStringList files;
        QStringList dirs;
        qint64 size = 0;
    };

    // `onEntry` runs once per entry met, so that a long walk can keep the window alive.
    static Result collect(const QString &directory, const std::function<void()> &onEntry);
};
