#pragma once

namespace Platform {
// Lets the calling thread, which does bulk work in the background, give way to the window's
// thread whenever both want a processor, so that the window keeps answering.
void lowerCurrentThreadPriority();
} // namespace Platform
