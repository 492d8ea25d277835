#pragma once

#include "platform/walk/TreeWalk.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

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
        // Entries whose canonical path lies outside the data directory, each with the path of
        // the link that led there, so that the copy's refusal names what the user can find.
        QHash<QString, QString> linkedFrom;
        // The data directory, held for the copy, with the size of every file counted.
        std::shared_ptr<Platform::DataTree> tree;
        // A name that could not be read; the lists then stop short of it.
        std::optional<Platform::UnreadableName> unreadable;
    };

    // `onEntry` runs once per entry met, so that a long walk can keep the window alive.
    static Result collect(const QString &directory, const std::function<void()> &onEntry);
};
