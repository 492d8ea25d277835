// The Wine hive reader: indexing any file, then lookups of the keys and values it names.
#include "FuzzSupport.h"
#include "platform/registry/WineRegistryFile.h"

#include <QList>
#include <QRegularExpression>

namespace {
// Keys and value names as the file writes them, so that lookups find something to read.
QList<QPair<QString, QString>> queries(const QByteArray &bytes)
{
    QList<QPair<QString, QString>> result {
        {QStringLiteral("Software\\Valve\\Steam"), QStringLiteral("InstallPath")},
        {QString(), QString()}};
    QString key;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size() && result.size() < 12; ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.startsWith('[') && line.contains(']'))
            key = QString::fromUtf8(line.mid(1, line.indexOf(']') - 1))
                      .replace(QLatin1String("\\\\"), QLatin1String("\\"));
        else if (line.startsWith('"') && line.indexOf('"', 1) > 0)
            result.append({key, QString::fromUtf8(line.mid(1, line.indexOf('"', 1) - 1))});
        else if (line.startsWith('@'))
            result.append({key, QString()});
    }
    return result;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = FuzzSupport::writeScratch("system.reg", bytes);
    Platform::WineRegistryFile forward(path);
    Platform::WineRegistryFile backward(path);
    const auto asked = queries(bytes);
    QStringList answers;
    for (const auto &[key, value] : asked)
        answers.append(forward.string(key, value));
    // The answer must not hang on what was asked before, nor on asking again.
    for (qsizetype i = asked.size() - 1; i >= 0; --i) {
        FuzzSupport::check(backward.string(asked[i].first, asked[i].second) == answers[i],
                           "a lookup depends on the lookups before it");
        FuzzSupport::check(forward.string(asked[i].first, asked[i].second) == answers[i],
                           "asking again gives another answer");
    }
    FuzzSupport::check(!bytes.startsWith("WINE REGISTRY Version 2") ? forward.isEmpty() : true,
                       "a foreign file has keys");
    return 0;
}
