// Walks the wizard through a retail installation, offscreen, and saves a picture of every page
// into the folder given as its argument, each page in its own state: no two pictures are alike. It
// runs in the world its caller made: the working directory with ds.conf and the mod's files, and
// HOME, WINEPREFIX and XDG folders of the caller's choosing, so everything it installs lands there
// and every path it shows is real.
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QList>
#include <QMessageBox>
#include <QPair>
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
    // Every page looks different; a picture equal to an earlier one shows a page that was not
    // the one named (the tour ran ahead of, or behind, the wizard), so none is saved.
    QList<QPair<QImage, QString>> taken;
    const auto shoot = [&](const char *name) {
        const QImage picture = wizard.grab().toImage();
        for (const auto &earlier : taken) {
            if (earlier.first == picture) {
                std::fprintf(stderr, "the picture for %s is the same as %s\n", name,
                             qPrintable(earlier.second));
                return false;
            }
        }
        const QString file = output + QLatin1Char('/') + QLatin1String(name);
        if (!picture.save(file)) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
            return false;
        }
        taken.append({picture, QLatin1String(name)});
        std::printf("%s\n", qPrintable(file));
        return true;
    };

    // The working pages are pictured once their work is done and Continue is offered: the
    // Copy page with every file in place and the shortcuts made, as on any disk; a picture
    // taken while it copies would show the Final page whenever the copy beats the tour.
    const auto workDone = [&] {
        return waitFor([&] { return wizard.continueButton->isEnabled(); });
    };
    const bool walked = shoot("1-welcome.png") && advance(wizard) && workDone()
        && shoot("2-gather.png") && advance(wizard) && shoot("3-paths.png") && advance(wizard)
        && shoot("4-ready.png") && advance(wizard) && workDone() && shoot("5-copy.png")
        && advance(wizard) && shoot("6-final.png");
    if (!walked)
        std::fprintf(stderr, "the tour stopped after %d of 6 pictures\n", int(taken.size()));
    return walked ? 0 : 1;
}
