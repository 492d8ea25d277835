#include "ShellLink.h"

bool Platform::writeShellLink(const QString &, const ShellLinkFields &)
{
    return false; // the COM writer is not written yet
}
