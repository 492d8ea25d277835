// The walk of the data directory against `du -sb` on the same tree of 20,000 files in 200
// folders, and how long the window goes unanswered while the Gather page walks and deletes.
// The walk is the Gather page's own step, with its event processing; the gaps are
// the longest pause between two ticks of a 10 ms timer. No arguments; the tree lives in this
// run's folder in the temporary folder, which goes when the run ends, killed too, or else when
// the next run starts. The last number printed is the median ratio.

#include "CopyCases.h"
#include "RunFolder.h"
#include "TickGaps.h"
#include "pages/GatherPage.h"
#include "pages/gather/OldVersion.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void makeTree(const QString &root, int folders, int filesPerFolder)
{
    const QByteArray content(1500, 'd');
    for (int f = 0; f < folders; ++f) {
        const QString folder = root + QStringLiteral("/Folder%1").arg(f, 3, 10, QChar('0'));
        QDir().mkpath(folder);
        for (int i = 0; i < filesPerFolder; ++i) {
            QFile file(folder + QStringLiteral("/file%1.dat").arg(i));
            file.open(QIODevice::WriteOnly);
            file.write(content.constData(), 100 + (i * 37) % 1400);
        }
    }
}

// Runs `work` while a 10 ms timer ticks; returns the work's time, and its longest tick gap.
double timed(const std::function<void()> &work, double *longestGap)
{
    const TickGaps ticks;
    work();
    if (longestGap)
        *longestGap = ticks.longestMilliseconds();
    return ticks.seconds();
}

double duTime(const QString &root)
{
    QElapsedTimer clock;
    clock.start();
    QProcess du;
    du.start(QStringLiteral("du"), {QStringLiteral("-sb"), root});
    du.waitForFinished(-1);
    if (du.exitCode() != 0)
        std::fprintf(stderr, "du failed\n");
    return clock.nsecsElapsed() / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CopyCases::enterScratchFolder();
    RunFolder::removeWhenProcessEnds(); // before any thread starts
    QApplication app(argc, argv);

    const QString tree = CopyCases::scratchFolder() + QStringLiteral("/GameFiles");
    makeTree(tree, 200, 100);
    QFile config(QStringLiteral("ds.conf"));
    config.open(QIODevice::WriteOnly);
    config.write("[Files]\ndataDir=GameFiles\n");
    config.close();

    DuskmereWizard wizard;
    duTime(tree); // warm the cache for both
    std::vector<double> ratios;
    std::vector<double> walkTimes;
    std::vector<double> duTimes;
    double walkGap = 0;
    for (int round = 0; round < 9; ++round) {
        const double du = duTime(tree);
        double gap = 0;
        const double walk = timed([&] { wizard.gatherPage->collectFiles(); }, &gap);
        walkGap = std::max(walkGap, gap);
        ratios.push_back(walk / du);
        walkTimes.push_back(walk);
        duTimes.push_back(du);
        std::printf("round %d: walk %.1f ms (%lld files), du -sb %.1f ms, ratio %.2f\n", round + 1,
                    walk * 1000, qint64(wizard.files.size()), du * 1000, walk / du);
    }

    double deleteGap = 0;
    const double deletion = timed([&] { removeDirectory(tree); }, &deleteGap);
    std::printf("deletion of the tree: %.1f ms, longest gap %.1f ms\n", deletion * 1000, deleteGap);
    std::printf("walk of 20000 files: median %.1f ms against du -sb %.1f ms; longest gap %.1f ms "
                "walking, %.1f ms deleting; median ratio %.2f\n",
                median(walkTimes) * 1000, median(duTimes) * 1000, walkGap, deleteGap,
                median(ratios));
    return 0;
}
