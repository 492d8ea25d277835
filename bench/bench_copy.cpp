// The install copy against `cp -r` followed by `sync -f` on the same trees: the copy worker alone,
// run to its end as the Copy page runs it, with the install state the Gather page would leave.
// Prints one line per case and round, and last the median ratios (worker time over the tools'
// time), worst case last. No arguments; the trees live in a scratch folder that goes away.

#include "CopyCases.h"
#include "install/CopyThread.h"
#include "pages/CopyPage.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

using namespace CopyCases;

struct Case
{
    const char *name;
    int rounds;
    // Removing thousands of files leaves the file system work that lands on whatever creates
    // files next (ext4 skips recently freed inodes), so many small copies stay until the case
    // is done. Large copies go at once: their space comes back without that cost, and a disk
    // that keeps filling up slows down half way through a pair.
    bool removeEachCopy;
    std::vector<double> ratios;
};

// The whole Copy page: the worker, its signals to the page's slots and the progress bar, and the
// slide show; `longestGap` is the longest pause between two ticks of a 10 ms timer meanwhile.
double runPage(DuskmereWizard &wizard, const QString &target, double *longestGap)
{
    wizard.ut3UserDir = target;
    wizard.desktopLink = wizard.startMenuLink = false;
    CopyPage page(&wizard);
    page.initPage();
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 gap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        gap = std::max(gap, clock.nsecsElapsed() - lastTick);
        lastTick = clock.nsecsElapsed();
    });
    ticker.start(10);
    clock.start();
    page.startProcessing();
    // Queued behind every signal the worker sent, so the page has handled them all.
    QObject::connect(page.thread, &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    *longestGap = std::max(gap, clock.nsecsElapsed() - lastTick) / 1e6;
    if (page.statusLabel->text() != QLatin1String("Finished copying. Press Continue to proceed."))
        fail(QStringLiteral("the Copy page did not finish: %1").arg(page.statusLabel->text()));
    return seconds;
}

void runTool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit
        || tool.exitCode() != 0)
        fail(QStringLiteral("%1 %2 failed").arg(program, arguments.join(QLatin1Char(' '))));
}

double runTools(const QString &source, const QString &target)
{
    QElapsedTimer clock;
    clock.start();
    runTool(QStringLiteral("cp"), {QStringLiteral("-r"), source, target});
    runTool(QStringLiteral("sync"), {QStringLiteral("-f"), target});
    return clock.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch(QDir::tempPath() + QLatin1String("/duskmere-bench-XXXXXX"));
    if (!scratch.isValid())
        fail(QStringLiteral("cannot make a scratch folder"));
    CopyCases::scratchPath = scratch.path();
    // The wizard reads ds.conf and the Documents folder; both come from the scratch folder.
    qputenv("HOME", QFile::encodeName(scratch.path()));
    QDir::setCurrent(scratch.path());
    QApplication app(argc, argv);
    DuskmereWizard wizard;

    std::vector<double> pageOverWorker;
    double longestGap = 0;
    Case cases[] = {{"20 files of 20 MB + 300 small", 5, true, {}},
                    {"20000 small files in 200 folders", 3, false, {}}};
    for (int c = 0; c < 2; ++c) {
        Case &current = cases[c];
        const QString folder = scratch.path() + QStringLiteral("/case%1").arg(c);
        const QString source = folder + QLatin1String("/data");
        (c == 0 ? makeLargeTree : makeSmallTree)(source);
        collect(wizard, source);
        for (int round = 1; round <= current.rounds; ++round) {
            double workerSeconds = 0;
            double toolSeconds = 0;
            // Alternating which goes first evens out whatever the first of a pair pays.
            for (int turn = 0; turn < 2; ++turn) {
                const QString target =
                    folder + QStringLiteral("/installed%1-%2").arg(round).arg(turn);
                // The clock starts with nothing left to write.
                ::sync();
                if ((turn == 0) == (round % 2 == 1))
                    workerSeconds = runWorker(wizard, target);
                else
                    toolSeconds = runTools(source, target);
                if (current.removeEachCopy)
                    QDir(target).removeRecursively();
            }
            if (!current.removeEachCopy) {
                // The page around the worker, on the same tree.
                double gap = 0;
                const QString target = folder + QStringLiteral("/installed%1-page").arg(round);
                ::sync();
                const double pageSeconds = runPage(wizard, target, &gap);
                pageOverWorker.push_back(pageSeconds / workerSeconds);
                longestGap = std::max(longestGap, gap);
                std::printf("%s, round %d: Copy page %.3f s (%+.0f%% over the worker), longest "
                            "pause of the window %.1f ms\n",
                            current.name, round, pageSeconds,
                            (pageSeconds / workerSeconds - 1) * 100, gap);
            }
            current.ratios.push_back(workerSeconds / toolSeconds);
            std::printf("%s, round %d: worker %.3f s, cp -r + sync -f %.3f s, ratio %.2f\n",
                        current.name, round, workerSeconds, toolSeconds, current.ratios.back());
            std::fflush(stdout);
        }
        QDir(folder).removeRecursively();
        ::sync();
    }

    std::printf("Copy page over the worker alone on 20000 files: median %+.0f%%; longest pause of "
                "the window while copying: %.1f ms\n",
                (median(pageOverWorker) - 1) * 100, longestGap);
    std::sort(std::begin(cases), std::end(cases),
              [](const Case &a, const Case &b) { return median(a.ratios) < median(b.ratios); });
    std::printf("median ratio (worker / cp -r + sync -f): %s %.2f, %s %.2f\n", cases[0].name,
                median(cases[0].ratios), cases[1].name, median(cases[1].ratios));
    return 0;
}
