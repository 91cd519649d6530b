// A long history: the program started on a data folder with 100,000 finished and 1,000
// unfinished tasks against an empty data folder. Measured for each start: the time to its
// first painted frame, the time until it has listed everything and gone quiet (its CPU time
// unchanged for half a second), and its resident memory then (VmRSS, and the peak VmHWM).
//
// Each task has a thumbnail of its own, a hard link to one small JPEG (the rows in view decode
// theirs; the rest are never read). Starts as in bench_startup: its own process, offscreen, on
// temporary home and data folders.

#include "benchsupport.h"

#include <QThread>
#include <cstdio>

namespace {

constexpr int kFinished = 100000;
constexpr int kUnfinished = 1000;
constexpr int kRounds = 3;

struct Side
{
    QList<double> frameMs, quietMs, residentKiB, peakKiB;

    bool Add(const bench::ProgramStart& start)
    {
        if (start.frameMs < 0 || start.quietMs < 0 || start.residentKiB < 0)
            return false;
        frameMs << start.frameMs;
        quietMs << start.quietMs;
        residentKiB << double(start.residentKiB);
        peakKiB << double(start.peakKiB);
        return true;
    }
};

void ReportRatio(const QString& name, const QList<double>& full, const QList<double>& empty,
                 double scale, const QString& unit, double target)
{
    const double ratio = bench::Median(full) / bench::Median(empty);
    bench::Report(name,
                  QStringLiteral("%1x (%2 / %3 %4)")
                      .arg(bench::Num(ratio, 2), bench::Num(bench::Median(full) / scale, 0),
                           bench::Num(bench::Median(empty) / scale, 0), unit),
                  QStringLiteral("<= %1x").arg(target), ratio <= target);
}

int Measure(const bench::StartFolders& folders)
{
    const auto start = [&](const QString& home) {
        return bench::StartProgramOnce(home, folders.tools, folders.ready, true);
    };
    // One start of each first, unmeasured: the files are then in the page cache for both, and
    // the finished cache is written. The folder must be older than the seconds in which its
    // time is not trusted (finishedcache.h), as a user's history is.
    QThread::sleep(3);
    start(folders.empty);
    start(folders.full);
    Side empty, full;
    for (int round = 0; round < kRounds; ++round) {
        const bench::ProgramStart e = start(folders.empty);
        const bench::ProgramStart f = start(folders.full);
        if (!empty.Add(e) || !full.Add(f)) {
            std::fprintf(stderr, "the program did not show its window or did not go quiet\n");
            return 1;
        }
        for (const auto& [name, s] : {std::pair{"empty", e}, std::pair{"full", f}})
            std::printf("round %d %s: frame %.0f ms, quiet %.0f ms, VmRSS %lld KiB, "
                        "VmHWM %lld KiB\n",
                        round + 1, name, s.frameMs, s.quietMs, s.residentKiB, s.peakKiB);
    }
    const QString what = QStringLiteral("100,000 + 1,000 tasks / empty");
    ReportRatio(QStringLiteral("history: first frame, ") + what, full.frameMs, empty.frameMs, 1,
                QStringLiteral("ms"), 1.2);
    ReportRatio(QStringLiteral("history: listed and quiet, ") + what, full.quietMs,
                empty.quietMs, 1, QStringLiteral("ms"), 5);
    ReportRatio(QStringLiteral("history: VmRSS when quiet, ") + what, full.residentKiB,
                empty.residentKiB, 1024, QStringLiteral("MiB"), 3);
    ReportRatio(QStringLiteral("history: VmHWM, ") + what, full.peakKiB, empty.peakKiB, 1024,
                QStringLiteral("MiB"), 3);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return bench::RunOnStartFolders(argc, argv, kFinished, kUnfinished, "160x120", true,
                                    Measure);
}
