#include "ByteCount.h"

#include <algorithm>
#include <limits>

qint64 ByteCount::add(qint64 a, qint64 b)
{
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    constexpr qint64 least = std::numeric_limits<qint64>::min();
    if (b > 0 && a > most - b)
        return most;
    if (b < 0 && a < least - b)
        return least;
    return a + b;
}

qint64 ByteCount::fromConfig(const QVariant &value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (ok)
        return number;
    // What toLongLong() turns down as too large has the same form as a number that fits.
    const QString text = value.toString().trimmed();
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QStringView digits =
        QStringView(text).mid(text.startsWith(QLatin1Char('+')) || negative ? 1 : 0);
    const bool allDigits = !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (!allDigits)
        return 0;
    return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
}
