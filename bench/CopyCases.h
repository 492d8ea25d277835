#pragma once

#include <QString>

#include <vector>

class DuskmereWizard;

// What the copy benchmarks share: the trees they copy, the worker run as the Copy page runs it,
// and the figures they print.
namespace CopyCases {
// The folder of this run that holds every tree (a RunFolder: gone when the run ends, however).
QString scratchFolder();
// Points HOME (where the wizard reads ds.conf and finds Documents) and the runtime folder (which
// Qt would otherwise make in the temporary folder) into the scratch folder, and works there.
void enterScratchFolder();

[[noreturn]] void fail(const QString &why);

// 20 files of 20 MB and 300 small ones in 10 folders.
void makeLargeTree(const QString &root);
// 20,000 files of 512 bytes to 8 KiB in 200 folders.
void makeSmallTree(const QString &root);

// What the Gather page leaves in the install state for this data directory.
void collect(DuskmereWizard &wizard, const QString &dataDir);

// The copy worker alone from start to end, its signals crossing to the GUI thread; seconds.
double runWorker(DuskmereWizard &wizard, const QString &target);

double median(std::vector<double> values);
// "min 0.61, max 0.83, median 0.70": the median last, the number a reader of the last line takes.
QString spread(const std::vector<double> &values);
} // namespace CopyCases
