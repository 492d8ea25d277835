#pragma once

#include "ShellLink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace Platform {
// The files of one shortcut (its link, and on Unix desktops its launcher and the launcher's
// icon), written whole or not at all: each is first written complete under a temporary name in
// its folder, and the names are given only once all of them are; a failure on the way leaves
// none of them, puts back what stood at their names and, on Unix, removes the folders made for
// them that are still empty. The folders are held from the moment they are found, so a folder
// swapped for a link meanwhile is never followed.
class ShortcutFiles
{
public:
    ShortcutFiles();
    ~ShortcutFiles(); // removes the temporaries of files not named
    ShortcutFiles(const ShortcutFiles &) = delete;
    ShortcutFiles &operator=(const ShortcutFiles &) = delete;

    // A folder to write in: `path` found as given (a link there is followed, as the system's
    // Desktop and Start Menu may be links) and made with its parents when missing, then the
    // chain of `below` in it, each made when missing and never through a link: a link or a file
    // where one of them belongs fails. -1 on failure, else a number for the calls below.
    int folder(const QString &path, const QStringList &below = {});

    // Writes `bytes` as the file `name` of the folder, under a temporary name for now.
    bool stage(int folder, const QString &name, const QByteArray &bytes, unsigned mode = 0666);
    // Writes the shell link `fields` describe as the file `name` of the folder, the same way.
    bool stageLink(int folder, const QString &name, const ShellLinkFields &fields);

    // Gives every file staged its name, replacing a file or link standing there. When one
    // cannot be named, those named already go again and the rest stay unnamed.
    bool nameAll();

    // Whether every one of `names` can be a file name on this system: at most 255 bytes of the
    // system's encoding on Unix, 255 UTF-16 units on Windows.
    static bool namesFit(const QStringList &names);

private:
    struct Held;
    std::unique_ptr<Held> held;
};
} // namespace Platform
