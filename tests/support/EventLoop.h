#pragma once

#include <functional>

// Runs the application's event loop, starting with `start`, until the code under test ends it
// with QCoreApplication::exit(). Returns the exit code, or TimedOut after timeoutMs.
namespace EventLoop {
constexpr int TimedOut = -99;
int runUntilExit(const std::function<void()> &start, int timeoutMs = 30000);

// Runs `action` inside the event loop and tells whether it asked the application to quit.
bool requestsQuit(const std::function<void()> &action);
} // namespace EventLoop
