#include "ShellLink.h"

bool Platform::writeShellLink(const QString &, const ShellLinkFields &)
{
    return false; // the Shell Link format writer is not written yet
}
