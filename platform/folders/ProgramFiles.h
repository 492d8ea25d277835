#pragma once

#include <QString>

namespace Platform {
// The folder that programs are installed in: the 32-bit Program Files folder where the system
// has one, else Program Files, else "C:\Program Files".
QString programFilesFolder();
} // namespace Platform
