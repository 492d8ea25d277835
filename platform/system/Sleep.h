#pragma once

namespace Platform {
void sleepMs(int milliseconds);
} // namespace Platform
