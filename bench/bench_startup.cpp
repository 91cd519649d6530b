// Start-up with a full data folder against an empty one: the time from starting the program
// to its first painted window, and the peak resident memory at that point.
//
// The program is started as its own process ("quillane start", offscreen) on a temporary
// data folder; QUILLANE_BENCH_READY_FILE makes it create a file once its first frame has been
// painted. The full folder holds 2,000 finished and 100 unfinished tasks, each with its own
// copy of a 1280x720 JPEG thumbnail. The update check finds a "curl" that fails at once.

#include "benchsupport.h"

#include <cstdio>

namespace {

constexpr int kFinished = 2000;
constexpr int kUnfinished = 100;
constexpr int kRounds = 11;

int Measure(const bench::StartFolders& folders)
{
    const auto start = [&](const QString& home) {
        return bench::StartProgramOnce(home, folders.tools, folders.ready, false);
    };
    // One start of each first, unmeasured: the files are then in the page cache for both.
    start(folders.empty);
    start(folders.full);
    QList<double> emptyMs, fullMs, emptyKiB, fullKiB;
    for (int round = 0; round < kRounds; ++round) {
        const bench::ProgramStart e = start(folders.empty);
        const bench::ProgramStart f = start(folders.full);
        if (e.frameMs < 0 || f.frameMs < 0) {
            std::fprintf(stderr, "the program did not show its window\n");
            return 1;
        }
        std::printf("round %d: empty %.1f ms %lld KiB, full %.1f ms %lld KiB\n", round + 1,
                    e.frameMs, e.peakKiB, f.frameMs, f.peakKiB);
        emptyMs << e.frameMs;
        fullMs << f.frameMs;
        emptyKiB << double(e.peakKiB);
        fullKiB << double(f.peakKiB);
    }
    const double timeRatio = bench::Median(fullMs) / bench::Median(emptyMs);
    const double memRatio = bench::Median(fullKiB) / bench::Median(emptyKiB);
    bench::Report(QStringLiteral("start-up time, 2,000 + 100 tasks / empty"),
                  QStringLiteral("%1x (%2 / %3 ms)")
                      .arg(bench::Num(timeRatio, 2), bench::Num(bench::Median(fullMs), 0),
                           bench::Num(bench::Median(emptyMs), 0)),
                  QStringLiteral("<= 1.5x"), timeRatio <= 1.5);
    bench::Report(QStringLiteral("start-up peak memory (VmHWM), full / empty"),
                  QStringLiteral("%1x (%2 / %3 MiB)")
                      .arg(bench::Num(memRatio, 2), bench::Num(bench::Median(fullKiB) / 1024, 1),
                           bench::Num(bench::Median(emptyKiB) / 1024, 1)),
                  QStringLiteral("<= 1.5x"), memRatio <= 1.5);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return bench::RunOnStartFolders(argc, argv, kFinished, kUnfinished, "1280x720", false,
                                    Measure);
}
