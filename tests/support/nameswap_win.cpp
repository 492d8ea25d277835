#include "NameSwap.h"

// Windows has no FIFOs in its file system and no exchange of two names.
bool NameSwap::exchange(const QString &, const QString &)
{
    return false;
}

void NameSwap::releaseFifoReader(const QString &)
{ }
