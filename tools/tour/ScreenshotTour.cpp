// Walks the wizard through a retail installation, offscreen, and saves a picture of every page
// into the folder given as its argument. It runs in the world its caller made: the working
// directory with ds.conf and the mod's files, and HOME, WINEPREFIX and XDG folders of the
// caller's choosing, so everything it installs lands there and every path it shows is real.
#include "install/CopyThread.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {
bool waitFor(const std::function<bool()> &done, int timeoutMs = 60000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Presses Continue once it is enabled and waits for the next page, as a user would.
bool advance(DuskmereWizard &wizard)
{
    const int page = wizard.stack->currentIndex();
    if (!waitFor([&] { return wizard.continueButton->isEnabled(); }))
        return false;
    wizard.continueButton->click();
    return waitFor([&] { return wizard.stack->currentIndex() == page + 1; });
}

// The offscreen platform cannot pass a fixed size on to a window manager, and says so for every
// window; for pictures that is of no interest.
QtMessageHandler defaultHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        defaultHandler(type, context, message);
}
} // namespace

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
    defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);

    // A retail installation asks nothing; a message box means the world is not what the tour
    // needs (no data folder, no space), and it would wait for an answer for ever.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "the wizard stopped with \"%s\": %s\n",
                         qPrintable(box->windowTitle()), qPrintable(box->text()));
            std::_Exit(1);
        }
    });
    watch.start(500);

    DuskmereWizard wizard;
    int shots = 0;
    const auto shoot = [&](const char *name) {
        const QString file = output + QLatin1Char('/') + QLatin1String(name);
        shots += wizard.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    };

    shoot("1-welcome.png");
    if (!advance(wizard) || !waitFor([&] { return wizard.continueButton->isEnabled(); }))
        return 1;
    shoot("2-gather.png");
    if (!advance(wizard))
        return 1;
    shoot("3-paths.png");
    if (!advance(wizard))
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
    if (!advance(wizard))
        return 1;
    if (files < 4)
        shoot("5-copy.png");
    shoot("6-final.png");
    return shots == 6 ? 0 : 1;
}
