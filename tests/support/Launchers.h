#pragma once

#include <QStringList>

class Sandbox;

// Desktop launchers checked with tools written apart from this program: desktop-file-validate
// (Debian package desktop-file-utils) and gio (libglib2.0-bin), which starts one as a desktop
// does. Where a tool is missing, the check fails and says so.
namespace Launchers {
// What desktop-file-validate has to say about the file; empty when it passes.
QString problems(const QString &desktopFile);

// Puts stand-ins for `steam` and `wine` into the sandbox's "bin" and returns that folder.
QString standIns(const Sandbox &sandbox);

// Starts the launcher with the stand-ins first on PATH: what was started, its arguments, then
// "cwd=<folder>" and "WINEPREFIX=<as set>", one a line; empty when nothing started.
QStringList started(const Sandbox &sandbox, const QString &desktopFile);
} // namespace Launchers
