#include "KeyList.h"

#include "platform/files/RegularFile.h"

#include <optional>

namespace {
// A key list names a few dozen registry values. A file far beyond that is no key list, and
// reading it whole could exhaust memory.
constexpr qint64 largestKeyList = 1024 * 1024;

std::optional<QByteArray> contents(const QString &path)
{
    return Platform::readRegularFile(path, largestKeyList);
}
} // namespace

QStringList KeyList::read(const QString &path, const QString &builtIn)
{
    std::optional<QByteArray> bytes = contents(path);
    if (!bytes)
        bytes = contents(builtIn);
    QStringList lines;
    const QString text = QString::fromLatin1(bytes.value_or(QByteArray()));
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed.toString());
    }
    return lines;
}

KeyList::Entry KeyList::split(const QString &line)
{
    const int backslash = line.lastIndexOf(QLatin1Char('\\'));
    if (backslash < 0)
        return {line, line};
    return {line.left(backslash), line.mid(backslash + 1)};
}
