#pragma once

// Starting a new copy of the program on Reset, in the same working directory.
namespace Relaunch {
void startNewCopy();
} // namespace Relaunch
