#include "Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QSettings>
#include <QTest>

Sandbox::Sandbox()
    // "%2" in every path: a message filled by a chain of arg() calls would show it garbled; and a
    // letter beyond ASCII, which every file name, registry value and link must carry through.
    : dir(QDir::tempPath() + QString::fromUtf8("/duskmere-test-%2-\u00e9-XXXXXX"))
    , previousCwd(QDir::currentPath())
    , previousFoldersRoot(Platform::standardFoldersRoot())
{
    if (!dir.isValid())
        qFatal("cannot create a sandbox: %s", qPrintable(dir.errorString()));
    for (const char *sub : {"work", "home", "wineprefix", "xdg/config", "xdg/data", "xdg/cache",
                            "xdg/state", "xdg/runtime"})
        mkdir(QString::fromLatin1(sub));
    QFile::setPermissions(path("xdg/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setEnv("HOME", home());
    setEnv("USERPROFILE", home());
    setEnv("WINEPREFIX", prefix());
    setEnv("XDG_CONFIG_HOME", path("xdg/config"));
    setEnv("XDG_DATA_HOME", path("xdg/data"));
    setEnv("XDG_CACHE_HOME", path("xdg/cache"));
    setEnv("XDG_STATE_HOME", path("xdg/state"));
    setEnv("XDG_RUNTIME_DIR", path("xdg/runtime"));
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
    for (auto it = savedEnv.cbegin(); it != savedEnv.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
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

bool Sandbox::linkFolder(const QString &target, const QString &link)
{
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        return QFile::link(target, link);
    const auto native = &QDir::toNativeSeparators;
    QProcess::execute("cmd", {"/c", "mklink", "/J", native(link), native(target)});
    return QFileInfo(link).isJunction();
}

void Sandbox::setEnv(const char *name, const QString &value)
{
    if (!savedEnv.contains(name))
        savedEnv.insert(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    qputenv(name, QFile::encodeName(value));
}
