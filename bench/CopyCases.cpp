#include "CopyCases.h"

#include "RunFolder.h"
#include "install/CopyThread.h"
#include "pages/copy/EventLoopPacing.h"
#include "pages/gather/DataCollector.h"
#include "wizard/DuskmereWizard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

QString CopyCases::scratchFolder()
{
    return RunFolder::path(QStringLiteral("duskmere-bench"));
}

void CopyCases::enterScratchFolder()
{
    const QString scratch = scratchFolder();
    qputenv("HOME", QFile::encodeName(scratch));
    QDir().mkdir(scratch + QLatin1String("/runtime"),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch + QLatin1String("/runtime")));
    QDir::setCurrent(scratch);
}

void CopyCases::fail(const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(why));
    std::exit(1); // the run's folder goes on the way out
}

namespace {
using CopyCases::fail;

void writeFile(const QString &path, qint64 size, QRandomGenerator &random)
{
    QByteArray block(qMin<qint64>(size, 1 << 20), Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write %1").arg(path));
    for (qint64 left = size; left > 0; left -= block.size()) {
        const qint64 chunk = qMin<qint64>(left, block.size());
        if (file.write(block.constData(), chunk) != chunk)
            fail(QStringLiteral("cannot write %1").arg(path));
    }
}

// Small files of 512 bytes to 8 KiB, `perFolder` to a folder.
void writeSmallFiles(const QString &root, int count, int perFolder, QRandomGenerator &random)
{
    for (int i = 0; i < count; ++i) {
        const QString folder =
            root + QStringLiteral("/Folder%1").arg(i / perFolder, 3, 10, QChar('0'));
        if (i % perFolder == 0)
            QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("/file%1.dat").arg(i), random.bounded(512, 8193), random);
    }
}

} // namespace

void CopyCases::makeLargeTree(const QString &root)
{
    QRandomGenerator random(1);
    QDir().mkpath(root + QLatin1String("/Packages"));
    for (int i = 0; i < 20; ++i)
        writeFile(root + QStringLiteral("/Packages/package%1.upk").arg(i), 20 * 1048576, random);
    writeSmallFiles(root + QLatin1String("/Config"), 300, 30, random);
}

void CopyCases::makeSmallTree(const QString &root)
{
    QRandomGenerator random(2);
    writeSmallFiles(root, 20000, 100, random);
}

void CopyCases::collect(DuskmereWizard &wizard, const QString &dataDir)
{
    DataCollector::Result collected = DataCollector::collect(dataDir, [] {});
    wizard.dataDir = dataDir;
    wizard.files = collected.files;
    wizard.dirs = collected.dirs;
    wizard.size = collected.size;
    wizard.dataTree = collected.tree;
}

double CopyCases::runWorker(DuskmereWizard &wizard, const QString &target)
{
    wizard.ut3UserDir = target;
    CopyThread thread(&wizard);
    QEventLoop loop;
    // The page's share of the work: every signal crosses to the GUI thread, which the page paces.
    int filesShown = 0;
    bool done = false;
    QString error;
    QObject::connect(&thread, &CopyThread::currentFileChanged, &loop,
                     [&](const QString &) { ++filesShown; });
    QObject::connect(&thread, &CopyThread::written, &loop, [](int) {});
    QObject::connect(&thread, &CopyThread::doneCopying, &loop, [&] { done = true; });
    QObject::connect(&thread, &CopyThread::prepareDirError, &loop,
                     [&](const QString &dir) { error = dir; });
    QObject::connect(&thread, &CopyThread::copyFileError, &loop,
                     [&](const QString &file) { error = file; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    thread.start(QThread::HighPriority);
    const EventLoopPacing pacing(&thread);
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    if (!done || !error.isEmpty() || filesShown != wizard.files.size())
        fail(QStringLiteral("the worker did not finish its copy (%1)").arg(error));
    return seconds;
}

double CopyCases::median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString CopyCases::spread(const std::vector<double> &values)
{
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("min %1, max %2, median %3")
        .arg(*least, 0, 'f', 2)
        .arg(*most, 0, 'f', 2)
        .arg(median(values), 0, 'f', 2);
}
