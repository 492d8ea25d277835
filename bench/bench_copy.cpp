// The install copy against the standard tools on the same trees: the copy worker alone, run to
// its end as the Copy page runs it, with the install state the Gather page would leave; against
// `cp -r` followed by `sync -f` on the disk, and against `cp -r` alone on a tmpfs, where the
// flush costs nothing and the work done per file shows. The disks of virtual machines swing from
// minute to minute on flush-bound work, so the small-file cases take seven rounds, the two
// commands alternating which goes first, and print the least, the largest and the median ratio
// (worker time over the tools' time). The first rounds on the disk also run the whole Copy page
// and measure the window's longest pause, next to that of the same timer over as long with
// nothing running. Prints one line per case and round, then one per case sorted by its median
// against its goal, the worst last: the last number is the worst median.
// No arguments needed; naming cases (large, small, tmpfs; "tmpfs:1" for one round) runs only
// those, for a profiler. Every tree lives in this run's folder in the temporary folder, the tmpfs
// one mounted there where mounting is allowed (else in /dev/shm); the folders and the mount go
// when the run ends, killed too, or else when the next run starts.
#include "CopyCases.h"
#include "RunFolder.h"
#include "TickGaps.h"
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
#include <QStorageInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace CopyCases;

struct Case
{
    const char *key; // as an argument names it
    QString name;
    QString folder; // where its trees live
    void (*make)(const QString &root);
    int rounds;
    bool flush; // the tools' time includes `sync -f`
    // Removing thousands of files leaves the file system work that lands on whatever creates
    // files next (ext4 skips recently freed inodes), so many small copies on a disk stay until
    // the case is done. Large copies go at once: their space comes back without that cost, and a
    // disk that keeps filling up slows down half way through a pair.
    bool removeEachCopy;
    int pageRounds; // the first rounds also run the whole Copy page on the same tree
    double goal; // the ratio the copy must stay at or under
    std::vector<double> ratios;
};

// The whole Copy page: the worker, its signals to the page's slots and the progress bar, and the
// slide show; `longestGap` is the longest pause of the window's timer meanwhile.
double runPage(DuskmereWizard &wizard, const QString &target, double *longestGap)
{
    wizard.ut3UserDir = target;
    wizard.desktopLink = wizard.startMenuLink = false;
    CopyPage page(&wizard);
    page.initPage();
    QEventLoop loop;
    const TickGaps ticks;
    page.startProcessing();
    // Queued behind every signal the worker sent, so the page has handled them all.
    QObject::connect(page.thread, &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    loop.exec();
    const double seconds = ticks.seconds();
    *longestGap = ticks.longestMilliseconds();
    if (page.statusLabel->text() != QLatin1String("Finished copying. Press Continue to proceed."))
        fail(QStringLiteral("the Copy page did not finish: %1").arg(page.statusLabel->text()));
    return seconds;
}

// The same timer's longest pause over as many seconds with nothing else running: what this
// machine gives a thread that merely waits for its timer. On a virtual machine whose processors
// the host shares out, that alone lets ticks come milliseconds late.
double idleGap(double seconds)
{
    QEventLoop loop;
    const TickGaps ticks;
    QTimer::singleShot(std::chrono::milliseconds(qint64(seconds * 1000)), &loop, &QEventLoop::quit);
    loop.exec();
    return ticks.longestMilliseconds();
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

double runTools(const QString &source, const QString &target, bool flush)
{
    QElapsedTimer clock;
    clock.start();
    runTool(QStringLiteral("cp"), {QStringLiteral("-r"), source, target});
    if (flush)
        runTool(QStringLiteral("sync"), {QStringLiteral("-f"), target});
    return clock.nsecsElapsed() / 1e9;
}

// A tmpfs of this run's own below its folder where mounting is allowed, else a folder of this
// run in /dev/shm (a tmpfs on every Linux system).
QString memoryFolder()
{
    // Made either way, so that what a killed run left in /dev/shm goes now.
    const QString shared =
        RunFolder::path(QStringLiteral("duskmere-bench"), QStringLiteral("/dev/shm"));
    const QString mountPoint = scratchFolder() + QLatin1String("/tmpfs");
    if (QDir().mkdir(mountPoint)
        && ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs",
                   MS_NOSUID | MS_NODEV, "size=2g,mode=0700")
            == 0)
        return mountPoint;
    return shared;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString scratch = scratchFolder();
    const QString memory = memoryFolder();
    // Before any thread starts.
    RunFolder::removeWhenProcessEnds();
    enterScratchFolder();
    QApplication app(argc, argv);
    DuskmereWizard wizard;

    const QString onDisk = QStringLiteral(" (%1), against cp -r + sync -f")
                               .arg(QString::fromUtf8(QStorageInfo(scratch).fileSystemType()));
    Case cases[] = {{"large",
                     "20 files of 20 MB + 300 small" + onDisk,
                     scratch + "/large",
                     makeLargeTree,
                     5,
                     true,
                     true,
                     0,
                     0.7,
                     {}},
                    {"small",
                     "20000 small files in 200 folders" + onDisk,
                     scratch + "/small",
                     makeSmallTree,
                     7,
                     true,
                     false,
                     3,
                     0.5,
                     {}},
                    {"tmpfs",
                     "20000 small files in 200 folders on a tmpfs, against cp -r",
                     memory + "/small",
                     makeSmallTree,
                     7,
                     false,
                     true,
                     0,
                     1.0,
                     {}}};
    const QStringList chosen = app.arguments().mid(1);
    std::vector<Case *> running;
    for (Case &current : cases) {
        bool named = chosen.isEmpty();
        for (const QString &argument : chosen) {
            if (argument.section(QLatin1Char(':'), 0, 0) != QLatin1String(current.key))
                continue;
            named = true;
            if (argument.contains(QLatin1Char(':')))
                current.rounds = std::max(1, argument.section(QLatin1Char(':'), 1).toInt());
        }
        if (named)
            running.push_back(&current);
    }
    if (running.empty())
        fail(QStringLiteral("the cases are large, small and tmpfs"));
    std::vector<double> pageOverWorker;
    double longestGap = 0;
    double longestIdleGap = 0;
    for (Case *each : running) {
        Case &current = *each;
        const QString source = current.folder + QLatin1String("/data");
        current.make(source);
        collect(wizard, source);
        for (int round = 1; round <= current.rounds; ++round) {
            double workerSeconds = 0;
            double toolSeconds = 0;
            // Alternating which goes first evens out whatever the first of a pair pays.
            for (int turn = 0; turn < 2; ++turn) {
                const QString target =
                    current.folder + QStringLiteral("/installed%1-%2").arg(round).arg(turn);
                // The clock starts with nothing left to write.
                ::sync();
                if ((turn == 0) == (round % 2 == 1))
                    workerSeconds = runWorker(wizard, target);
                else
                    toolSeconds = runTools(source, target, current.flush);
                if (current.removeEachCopy)
                    RunFolder::removeTree(target);
            }
            if (round <= current.pageRounds) {
                // The page around the worker, on the same tree.
                double gap = 0;
                const QString target =
                    current.folder + QStringLiteral("/installed%1-page").arg(round);
                ::sync();
                const double pageSeconds = runPage(wizard, target, &gap);
                ::sync();
                const double idle = idleGap(pageSeconds);
                pageOverWorker.push_back(pageSeconds / workerSeconds);
                longestGap = std::max(longestGap, gap);
                longestIdleGap = std::max(longestIdleGap, idle);
                std::printf("%s, round %d: Copy page %.3f s (%+.0f%% over the worker), longest "
                            "pause of the window %.1f ms (%.1f ms as long with nothing running)\n",
                            qPrintable(current.name), round, pageSeconds,
                            (pageSeconds / workerSeconds - 1) * 100, gap, idle);
            }
            current.ratios.push_back(workerSeconds / toolSeconds);
            std::printf("%s, round %d: worker %.3f s, tools %.3f s, ratio %.2f\n",
                        qPrintable(current.name), round, workerSeconds, toolSeconds,
                        current.ratios.back());
            std::fflush(stdout);
        }
        // Many small files on a disk go only after the last line: each removal may wait for the
        // device (a disk mounted with online discard).
        if (current.removeEachCopy)
            RunFolder::removeTree(current.folder);
        ::sync();
    }

    if (!pageOverWorker.empty())
        std::printf("Copy page over the worker alone on 20000 files: median %+.0f%%; longest pause "
                    "of the window while copying: %.1f ms (with nothing running: %.1f ms)\n",
                    (median(pageOverWorker) - 1) * 100, longestGap, longestIdleGap);
    std::sort(running.begin(), running.end(), [](const Case *a, const Case *b) {
        return median(a->ratios) / a->goal < median(b->ratios) / b->goal;
    });
    for (const Case *current : running)
        std::printf("ratio, worker over the tools (goal: at most %.1f), %s: %s\n", current->goal,
                    qPrintable(current->name), qPrintable(spread(current->ratios)));
    std::fflush(stdout);
    return 0; // the run's folder goes on the way out
}
