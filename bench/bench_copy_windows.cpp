// The install copy on Windows against `xcopy /e /i`, the copy that every Windows user has at
// hand, on the same trees: the copy worker alone, run to its end as the Copy page runs it, with
// the install state the Gather page would leave. Prints one line per case and round, and last the
// least, largest and median ratios (worker time over xcopy's time), worst case last. The worker's
// time includes making every byte durable, which xcopy never does; so xcopy is also timed with a
// flush of every file it wrote (the same durability the worker gives), and both ratios are printed,
// the one against plain xcopy, the harder, last. What xcopy left unwritten is flushed before the
// next clock starts either way, so that neither pays for the other. No arguments; the trees live in
// this run's folder in the temporary folder, which goes when the run ends (or, after a kill,
// when the next starts). bench/bench-windows.sh runs it under Wine.

#include "CopyCases.h"
#include "RunFolder.h"
#include "wizard/DuskmereWizard.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <windows.h>

namespace {

using namespace CopyCases;

struct Case
{
    const char *name;
    int rounds;
    void (*make)(const QString &root);
    std::vector<double> ratios; // against plain xcopy
    std::vector<double> flushedRatios; // against xcopy and a flush of what it wrote
};

double runXcopy(const QString &source, const QString &target)
{
    QProcess xcopy;
    xcopy.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    xcopy.start(QStringLiteral("xcopy"),
                {QStringLiteral("/e"), QStringLiteral("/i"), QStringLiteral("/q"),
                 QDir::toNativeSeparators(source), QDir::toNativeSeparators(target)});
    if (!xcopy.waitForFinished(-1) || xcopy.exitStatus() != QProcess::NormalExit
        || xcopy.exitCode() != 0)
        fail(QStringLiteral("xcopy failed: %1")
                 .arg(QString::fromLocal8Bit(xcopy.readAllStandardError())));
    return clock.nsecsElapsed() / 1e9;
}

// What the system still holds for the disk goes there now; seconds.
double flushTree(const QString &root)
{
    QElapsedTimer clock;
    clock.start();
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const std::wstring path = QDir::toNativeSeparators(it.next()).toStdWString();
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            FlushFileBuffers(file);
            CloseHandle(file);
        }
    }
    return clock.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString scratch = scratchFolder();
    QDir::setCurrent(scratch); // no ds.conf: the defaults
    DuskmereWizard wizard;

    Case cases[] = {{"20 files of 20 MB + 300 small", 5, makeLargeTree, {}, {}},
                    {"20000 small files in 200 folders", 7, makeSmallTree, {}, {}}};
    for (int c = 0; c < 2; ++c) {
        Case &current = cases[c];
        const QString folder = scratch + QStringLiteral("/case%1").arg(c);
        const QString source = folder + QLatin1String("/data");
        current.make(source);
        flushTree(source);
        collect(wizard, source);
        for (int round = 1; round <= current.rounds; ++round) {
            double workerSeconds = 0;
            double xcopySeconds = 0;
            double flushSeconds = 0;
            // Alternating which goes first evens out whatever the first of a pair pays.
            for (int turn = 0; turn < 2; ++turn) {
                const QString target =
                    folder + QStringLiteral("/installed%1-%2").arg(round).arg(turn);
                if ((turn == 0) == (round % 2 == 1)) {
                    workerSeconds = runWorker(wizard, target);
                } else {
                    xcopySeconds = runXcopy(source, target);
                    flushSeconds = flushTree(target);
                }
                RunFolder::removeTree(target);
            }
            current.ratios.push_back(workerSeconds / xcopySeconds);
            current.flushedRatios.push_back(workerSeconds / (xcopySeconds + flushSeconds));
            std::printf("%s, round %d: worker %.3f s, xcopy /e /i %.3f s + flush %.3f s, ratio "
                        "%.2f (%.2f with the flush)\n",
                        current.name, round, workerSeconds, xcopySeconds, flushSeconds,
                        current.ratios.back(), current.flushedRatios.back());
            std::fflush(stdout);
        }
        RunFolder::removeTree(folder);
    }

    std::sort(std::begin(cases), std::end(cases),
              [](const Case &a, const Case &b) { return median(a.ratios) < median(b.ratios); });
    std::printf("ratio (worker / xcopy /e /i + flush): %s: %s; %s: %s\n", cases[0].name,
                qPrintable(spread(cases[0].flushedRatios)), cases[1].name,
                qPrintable(spread(cases[1].flushedRatios)));
    std::printf("ratio (worker / xcopy /e /i): %s: %s; %s: %s\n", cases[0].name,
                qPrintable(spread(cases[0].ratios)), cases[1].name,
                qPrintable(spread(cases[1].ratios)));
    return 0;
}
