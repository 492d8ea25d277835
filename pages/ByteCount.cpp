#include "ByteCount.h"

#include <algorithm>
#include <limits>

qint64 ByteCount::add(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
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
