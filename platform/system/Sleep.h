#pragma once

namespace Platform {
void sleepMs(int milliseconds);

// Sleeps about a millisecond where the system's timers are that fine, and says whether it did;
// elsewhere it returns false at once rather than sleep a whole tick of the system's clock.
bool sleepOneMillisecond();
} // namespace Platform
