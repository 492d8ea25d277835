#include "DataTree.h"

qint64 Platform::DataTree::sizeOf(const QString &relative) const
{
    std::call_once(indexed, [this] {
        const qsizetype below = root.endsWith(QLatin1Char('/')) ? root.size() : root.size() + 1;
        sizes.reserve(qsizetype(counted.size()));
        for (const auto &[path, size] : counted)
            sizes.insert(QStringView(path).mid(below), size);
    });
    return sizes.value(relative, -1);
}
