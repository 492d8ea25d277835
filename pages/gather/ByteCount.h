#pragma once

#include <QVariant>

// Byte counts are signed 64-bit. Sums of them and figures from ds.conf stop at the ends of the
// range instead of wrapping: a demand larger than any disk must stay larger than any disk.
namespace ByteCount {
qint64 add(qint64 a, qint64 b);

// A decimal number from ds.conf. One beyond 64 bits is held at the nearest end of the range;
// anything that is not a number reads as 0.
qint64 fromConfig(const QVariant &value);

// Whole megabytes (2^20 bytes), rounded down, as every page and the progress bar count them.
constexpr qint64 megabytes(qint64 bytes)
{
    return bytes / 1048576;
}
} // namespace ByteCount
