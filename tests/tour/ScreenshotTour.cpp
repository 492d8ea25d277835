// Walks the wizard through a retail installation of the sample mod, offscreen, and saves a
// picture of every page into the folder given as its argument. Everything it installs lands in
// a sandbox of its own (HOME, Wine prefix, XDG folders) that goes away at the end.
#include "SampleWorld.h"
#include "Sandbox.h"
#include "WizardDriver.h"
#include "install/CopyThread.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder for the pictures>\n", argv[0]);
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Sandbox sandbox;
    QApplication app(argc, argv);
    SampleWorld::prepare(sandbox);

    DuskmereWizard wizard;
    int shots = 0;
    const auto shoot = [&](const char *name) {
        const QString file = output + QLatin1Char('/') + QLatin1String(name);
        shots += wizard.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    };
    const auto finished = [&] {
        return QTest::qWaitFor([&] { return wizard.continueButton->isEnabled(); }, 60000);
    };

    shoot("1-welcome.png");
    if (!advance(wizard) || !finished())
        return 1;
    shoot("2-gather.png");
    if (!advance(wizard))
        return 1;
    shoot("3-paths.png");
    if (!advance(wizard))
        return 1;
    shoot("4-ready.png");
    wizard.continueButton->click();
    if (!QTest::qWaitFor([&] { return wizard.copyPage->thread != nullptr; }, 60000))
        return 1;
    // Queued behind the page's own slot, so the picture shows the file being copied.
    int files = 0;
    QObject::connect(wizard.copyPage->thread, &CopyThread::currentFileChanged, &wizard, [&] {
        if (++files == 4)
            shoot("5-copy.png");
    });
    if (!advance(wizard, 60000))
        return 1;
    if (files < 4)
        shoot("5-copy.png");
    shoot("6-final.png");
    return shots == 6 ? 0 : 1;
}
