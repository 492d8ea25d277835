#include "DataTree.h"

Platform::CountedFile Platform::DataTree::counted(const QString &relative) const
{
    std::call_once(indexed, [this] {
        const qsizetype below = root.endsWith(QLatin1Char('/')) ? root.size() : root.size() + 1;
        index.reserve(qsizetype(files.size()));
        for (const auto &[path, file] : files)
            index.insert(QStringView(path).mid(below), file);
    });
    return index.value(relative);
}
