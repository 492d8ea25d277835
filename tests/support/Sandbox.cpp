#include "Sandbox.h"

#include "RunFolder.h"
#include "platform/wine/Edition.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QSettings>
#include <QTest>

Sandbox::Sandbox()
    // "%2" in every path: a message filled by a chain of arg() calls would show it garbled; and a
    // letter beyond ASCII, which every file name, registry value and link must carry through.
    : dir(RunFolder::path("duskmere-tests") + QString::fromUtf8("/%2-\u00e9-XXXXXX"))
    , previousCwd(QDir::currentPath())
    , previousFoldersRoot(Platform::standardFoldersRoot())
{
    if (!dir.isValid())
        qFatal("cannot create a sandbox: %s", qPrintable(dir.errorString()));
    // Removed by the bytes of its names, below: a test may leave one that is not UTF-8.
    dir.setAutoRemove(false);
    for (const char *sub : {"work", "home", "wineprefix"})
        mkdir(sub);
    for (const QByteArray xdg : {"config", "data", "cache", "state", "runtime"}) {
        mkdir("xdg/" + xdg);
        setEnv("XDG_" + xdg.toUpper() + (xdg == "runtime" ? "_DIR" : "_HOME"), path("xdg/" + xdg));
    }
    // The runtime folder must be its owner's alone.
    QFile::setPermissions(path("xdg/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setEnv("HOME", home());
    setEnv("USERPROFILE", home());
    setEnv("WINEPREFIX", prefix());
    // Windows has no environment variable for these; on Unix the HOME above would do.
    Platform::setStandardFoldersRoot(home());
    QDir::setCurrent(work());
}

Sandbox::~Sandbox()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSettings(registryKey().section('\\', 0, -2), QSettings::NativeFormat)
            .remove(registryKey().section('\\', -1));
    QDir::setCurrent(previousCwd);
    Platform::setStandardFoldersRoot(previousFoldersRoot);
    Platform::setSteamEdition(false);
    for (auto it = savedEnv.cbegin(); it != savedEnv.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
    if (!RunFolder::removeTree(root()))
        qWarning("cannot remove %s", qPrintable(root()));
}

QString Sandbox::registryKey() const
{
    return "HKEY_CURRENT_USER\\Software\\DuskmereSetup test " + QFileInfo(root()).fileName();
}

QString Sandbox::at(const QString &relative) const
{
    return QDir::isAbsolutePath(relative) ? relative : path(relative);
}

void Sandbox::write(const QString &relative, const QByteArray &content) const
{
    const QString target = at(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(target));
}

QByteArray Sandbox::read(const QString &relative) const
{
    QFile file(at(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Sandbox::mkdir(const QString &relative) const
{
    if (!QDir().mkpath(at(relative)))
        qFatal("cannot make %s", qPrintable(at(relative)));
}

QMap<QString, QByteArray> Sandbox::tree(const QString &root)
{
    QMap<QString, QByteArray> files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(root).relativeFilePath(file.fileName()),
                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

bool Sandbox::linkFolder(const QString &target, const QString &link)
{
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        return QFile::link(target, link);
    const auto native = &QDir::toNativeSeparators;
    QProcess::execute("cmd", {"/c", "mklink", "/J", native(link), native(target)});
    return QFileInfo(link).isJunction();
}

void Sandbox::setEnv(const QByteArray &name, const QString &value)
{
    if (!savedEnv.contains(name))
        savedEnv.insert(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    qputenv(name, QFile::encodeName(value));
}
