#include "KeyList.h"

#include <QFile>

namespace {
bool openEither(QFile &file, const QString &path, const QString &builtIn)
{
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    file.setFileName(builtIn);
    return file.open(QIODevice::ReadOnly);
}
} // namespace

QStringList KeyList::read(const QString &path, const QString &builtIn)
{
    QFile file;
    if (!openEither(file, path, builtIn))
        return {};
    QStringList lines;
    const QString text = QString::fromLatin1(file.readAll());
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
