#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class DuskmereWizard;

// The copy worker and the single-file copy below it, run as the Copy page runs them.

constexpr int megabyte = 1048576;
// More than the copy worker ever copies ahead of the file whose turn it is.
constexpr int laterFiles = 40;

// One file copied as the worker copies it, from a data tree of the source's folder.
bool copyOne(const QString &source, const QString &target);

// The worker's signals as the Copy page gets them; the user confirms quitting as `quitAt` comes up.
// `onFile` runs on the worker as each file's turn comes, before it is placed.
QStringList install(DuskmereWizard &wizard, const QString &quitAt = QString(),
                    const std::function<void(const QString &)> &onFile = {});

// Every entry of `folder`, hidden ones too.
QStringList entriesOf(const QString &folder);

// The temporaries of files copied ahead into `folder`: the named ones, and on Linux the anonymous
// ones that this process holds open there. Called on the copy worker's thread, where the
// toolkit's listing of a folder leaves the Windows build hanging at its exit under Wine.
qsizetype temporariesIn(const QString &folder);
