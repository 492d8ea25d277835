#pragma once

#include <QString>

// For tests that change a file under the program while it reads.
namespace NameSwap {
// Exchanges the two names in one step, so that each always names one of the two files. False
// where the system cannot (only Linux can).
bool exchange(const QString &a, const QString &b);
// Opens the FIFO at `path` for writing, without waiting, and closes it: a reader that waits in
// its open goes on and reads the end of the file at once.
void releaseFifoReader(const QString &path);
} // namespace NameSwap
