// ds.conf as the pages read it: every key of the table through the conversion its page makes.
#include "FuzzSupport.h"
#include "pages/gather/ByteCount.h"
#include "pages/widgets/SlideShow.h"
#include "wizard/Config.h"

#include <QDir>

#include <climits>
#include <cstring>

namespace {
// The sum as it would be with room for every bit, held at the ends of the 64-bit range.
qint64 clampedSum(qint64 a, qint64 b)
{
    const __int128 sum = __int128(a) + b;
    return sum > LLONG_MAX ? LLONG_MAX : sum < LLONG_MIN ? LLONG_MIN : qint64(sum);
}

bool isDecimal(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype sign =
        trimmed.startsWith(QLatin1Char('+')) || trimmed.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (trimmed.size() <= sign)
        return false;
    for (qsizetype i = sign; i < trimmed.size(); ++i) {
        if (trimmed.at(i) < QLatin1Char('0') || trimmed.at(i) > QLatin1Char('9'))
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool inScratch = QDir::setCurrent(FuzzSupport::scratch().path());
    FuzzSupport::check(inScratch, "no scratch folder");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzSupport::writeScratch("ds.conf", bytes);

    const ConfigFile config;
    for (const ConfigKey *key :
         {&Config::WindowHeight, &Config::WindowWidth, &Config::ShortcutIconIndex})
        config.value(*key).toInt();
    for (const ConfigKey *key :
         {&Config::WindowLogo, &Config::UT3Version, &Config::UT3Keys, &Config::SteamKeys,
          &Config::UT3Path, &Config::SteamPath, &Config::DataDir, &Config::ShortcutIcon,
          &Config::ShortcutName, &Config::ShortcutGroupName})
        config.value(*key).toString();

    // A demand beyond 64 bits stays beyond any disk; a number that fits reads as it is.
    const QVariant extra = config.value(Config::ExtraSpace);
    const qint64 extraSpace = ByteCount::fromConfig(extra);
    bool fits = false;
    const qint64 plain = extra.toLongLong(&fits);
    FuzzSupport::check(
        fits ? extraSpace == plain
             : extraSpace
                == (isDecimal(extra.toString())
                        ? (extra.toString().trimmed().startsWith(QLatin1Char('-')) ? LLONG_MIN
                                                                                   : LLONG_MAX)
                        : 0),
        "ExtraSpace read wrongly");
    // The files' size is any 64-bit figure; the sum must never wrap.
    qint64 files = 0;
    std::memcpy(&files, data, std::min(sizeof files, size));
    FuzzSupport::check(ByteCount::add(files, extraSpace) == clampedSum(files, extraSpace),
                       "the need wraps");

    // The numbered lists end at their first gap, so they are as long as the file allows.
    int slides = 0;
    for (int n = 1; config.contains(Config::ImageFile, n); ++n, ++slides) {
        const int hold = SlideShow::holdMilliseconds(config.value(Config::ImageTime, n).toInt());
        FuzzSupport::check(hold >= 0, "a negative hold");
    }
    int extras = 0;
    for (int n = 1; config.contains(Config::ExtraUrl, n); ++n, ++extras) {
        config.value(Config::ExtraDefault, n).toBool();
        config.value(Config::ExtraDesc, n).toString();
    }
    FuzzSupport::check(slides + extras <= bytes.size(), "a list longer than the file");
    return 0;
}
