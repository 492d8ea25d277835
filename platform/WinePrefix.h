#pragma once

#include <QString>

namespace Platform {
// The Wine prefix that stands in for Windows on this machine: $WINEPREFIX, else ~/.wine.
QString winePrefix();
} // namespace Platform
