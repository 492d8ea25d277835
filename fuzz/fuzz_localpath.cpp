// The mapping of Windows paths onto this machine: separators, drive letters of the Wine prefix
// and the letter case that Windows ignores.
#include "FuzzSupport.h"
#include "platform/folders/LocalPath.h"

#include <QDir>

namespace {
QString preparePrefix()
{
    const QString prefix = FuzzSupport::scratchPath("prefix");
    for (const char *folder :
         {"drive_c/Program Files (x86)/Steam", "drive_c/Games/UT3/Binaries", "dosdevices"})
        QDir().mkpath(prefix + QLatin1Char('/') + QLatin1String(folder));
    QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
    FuzzSupport::writeScratch("prefix/drive_c/Games/UT3/Binaries/UT3.exe", "MZ");
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    QDir::setCurrent(FuzzSupport::scratch().path());
    return prefix;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString prefix = preparePrefix();
    const QString configured =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString local = Platform::localPath(configured);

    // What the mapping promises, letter case aside: separators turned, a drive letter sent into
    // the prefix's dosdevices, C: (a link there) straight into drive_c, nothing else changed.
    QString expected = configured;
    expected.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool drive = expected.size() >= 2 && expected.at(1) == QLatin1Char(':')
        && expected.at(0).isLetter() && expected.at(0).unicode() < 128;
    if (drive) {
        QString rest = expected.mid(2);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
            rest.prepend(QLatin1Char('/'));
        const bool c = expected.at(0).toLower() == QLatin1Char('c');
        expected = prefix
            + (c ? QStringLiteral("/drive_c") : "/dosdevices/" + expected.left(2).toLower()) + rest;
    }
    FuzzSupport::check(!local.contains(QLatin1Char('\\')), "a backslash survives");
    FuzzSupport::check(local.size() == expected.size(), "the mapped path changes its length");
    FuzzSupport::check(local.compare(expected, Qt::CaseInsensitive) == 0,
                       "the mapped path differs beyond letter case");
    return 0;
}
