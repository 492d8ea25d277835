#pragma once

namespace Platform {
void sleepMs(int milliseconds);

// Sleeps about a millisecond where a loop paced by such sleeps runs faster for it (Linux), and
// says whether it did; elsewhere (Windows) it returns false at once.
bool sleepOneMillisecond();
} // namespace Platform
