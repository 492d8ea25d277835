#pragma once

#include "platform/folders/StandardFolders.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QProcess> // mkfifo(): none on Windows, where it does nothing
#include <QString>
#include <QTemporaryDir>

// A scratch world for one test: its own working directory, HOME, WINEPREFIX and XDG folders, all
// inside one folder that goes away with the sandbox, in this run's RunFolder. The previous working
// directory and environment come back on destruction, so sandboxes nest, and the edition the
// program works for is the retail one again.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    QString root() const { return dir.path(); }
    QString path(const QString &relative) const { return root() + '/' + relative; }
    QString work() const { return path("work"); }
    QString home() const { return path("home"); }
    QString prefix() const { return path("wineprefix"); }
    QString documents() const { return Platform::documentsFolder(); }
    QString desktop() const { return Platform::desktopFolder(); }
    QString startMenu() const { return Platform::startMenuFolder(); }
    // A registry key of its own below HKEY_CURRENT_USER (Windows), for what an installer would
    // register there; it goes with the sandbox.
    QString registryKey() const;

    // Files and folders are made below the sandbox root (or at an absolute path), with their
    // parents.
    void write(const QString &relative, const QByteArray &content) const;
    QByteArray read(const QString &path) const; // relative or absolute; empty when unreadable
    void writeConfig(const QByteArray &ini) const { write("work/ds.conf", ini); }
    void mkdir(const QString &relative) const;
    void mkfifo(const QString &relative) const { QProcess::execute("mkfifo", {at(relative)}); }
    // Every file below `root` by its relative path, with a digest of its bytes.
    static QMap<QString, QByteArray> tree(const QString &root);
    // A symbolic link to a folder, on Windows a junction (no privilege needed; Wine makes none).
    static bool linkFolder(const QString &target, const QString &link);
    // Sets a variable until the sandbox goes (also one that the sandbox set itself).
    void setEnv(const QByteArray &name, const QString &value);

private:
    QString at(const QString &relative) const; // below the root unless absolute

    QTemporaryDir dir;
    QString previousCwd;
    QString previousFoldersRoot;
    QHash<QByteArray, QByteArray> savedEnv; // a null value means "was unset"
};
