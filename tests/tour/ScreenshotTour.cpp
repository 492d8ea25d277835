// Walks the wizard through a retail installation of the sample mod, offscreen, and saves a
// picture of every page into the folder given as its argument. Everything it installs lands in
// a scratch folder with its own HOME, Wine prefix and XDG folders, which goes away at the end.
#include "install/CopyThread.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(it.filePath());
        if (it.fileInfo().isDir() ? !QDir().mkpath(target)
                                  : !(QDir().mkpath(QFileInfo(target).absolutePath())
                                      && QFile::copy(it.filePath(), target)))
            return false;
    }
    return true;
}

void setEnv(const char *name, const QString &value)
{
    QDir().mkpath(value);
    qputenv(name, QFile::encodeName(value));
}

// A home with a Desktop and a Wine prefix that holds a retail game where detection looks.
void prepareScratch(const QString &root)
{
    setEnv("HOME", root + QStringLiteral("/home"));
    setEnv("WINEPREFIX", root + QStringLiteral("/home/.wine"));
    setEnv("XDG_CONFIG_HOME", root + QStringLiteral("/xdg/config"));
    setEnv("XDG_DATA_HOME", root + QStringLiteral("/xdg/data"));
    setEnv("XDG_CACHE_HOME", root + QStringLiteral("/xdg/cache"));
    setEnv("XDG_RUNTIME_DIR", root + QStringLiteral("/xdg/runtime"));
    QFile::setPermissions(root + QStringLiteral("/xdg/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(root + QStringLiteral("/home/Desktop"));
    const QString game = root
                         + QStringLiteral("/home/.wine/drive_c/Program Files (x86)/Unreal "
                                          "Tournament 3/Binaries");
    QDir().mkpath(game);
    QFile exe(game + QStringLiteral("/UT3.exe"));
    exe.open(QIODevice::WriteOnly);
    exe.write("MZ");
    QDir().mkpath(root + QStringLiteral("/home/.wine/dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), root + QStringLiteral("/home/.wine/dosdevices/c:"));
}

bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 60000);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder for the pictures>\n", argv[0]);
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/duskmere-tour-XXXXXX"));
    prepareScratch(scratch.path());
    const QString setup = scratch.path() + QStringLiteral("/setup");
    if (!copyTree(QStringLiteral(DUSKMERE_SOURCE_DIR "/sample"), setup)) {
        std::fprintf(stderr, "cannot copy the sample mod\n");
        return 1;
    }
    QDir::setCurrent(setup);
    QDir().mkpath(output);

    QApplication app(argc, argv);
    DuskmereWizard wizard;
    int shots = 0;
    const auto shoot = [&](const char *name) {
        const QString file = output + QLatin1Char('/') + QLatin1String(name);
        if (wizard.grab().save(file))
            ++shots;
        std::printf("%s\n", qPrintable(file));
    };
    const auto next = [&] {
        const int page = wizard.stack->currentIndex();
        return waitFor([&] { return wizard.continueButton->isEnabled(); })
               && (wizard.continueButton->click(), true)
               && waitFor([&] { return wizard.stack->currentIndex() == page + 1; });
    };

    shoot("1-welcome.png");
    if (!next() || !waitFor([&] { return wizard.continueButton->isEnabled(); }))
        return 1;
    shoot("2-gather.png");
    if (!next())
        return 1;
    shoot("3-paths.png");
    if (!next())
        return 1;
    shoot("4-ready.png");
    wizard.continueButton->click();
    if (!waitFor([&] { return wizard.copyPage->thread != nullptr; }))
        return 1;
    // Queued behind the page's own slot, so the picture shows the file being copied.
    int files = 0;
    QObject::connect(wizard.copyPage->thread, &CopyThread::currentFileChanged, &wizard, [&] {
        if (++files == 4)
            shoot("5-copy.png");
    });
    if (!next())
        return 1;
    if (files < 4)
        shoot("5-copy.png");
    shoot("6-final.png");
    return shots == 6 ? 0 : 1;
}
