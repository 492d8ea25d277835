#pragma once

#include <functional>

class QString;

// Starting a new copy of the program on Reset. Tests put their own starter in place so that a
// test program never starts itself again.
namespace Relaunch {
using Starter = std::function<void(const QString &program)>;

void startNewCopy();
void setStarter(Starter starter); // an empty starter restores the real one
} // namespace Relaunch
