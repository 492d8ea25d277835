#include "LnkInfo.h"

#include <QProcess>
#include <QRegularExpression>

QMap<QString, QString> LnkInfo::read(const QString &linkPath)
{
    QProcess process;
    process.start(QStringLiteral("lnkinfo"), {linkPath});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    QMap<QString, QString> fields;
    static const QRegularExpression line(QStringLiteral("^\\t([^\\t]+)\\t+: ?(.*)$"));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString &text : output.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch() && !fields.contains(match.captured(1)))
            fields.insert(match.captured(1), match.captured(2));
    }
    return fields;
}
