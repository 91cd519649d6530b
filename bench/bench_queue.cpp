// Three hundred tasks queued in one main window that runs three downloads at once, and how
// late the window's event loop gets around to a 10 ms timer meanwhile.
//
// The limit is set as the settings dialog sets it. The tasks are added one after another, as
// fast as the add-video dialog's OK could add them, to a window (offscreen) whose loopback site
// sends each download's media at a fixed rate (the smallest clip: 256x144, about 1 MB, plus
// the audio). Each run of the extractor costs it a second or more of CPU time to start, so
// the measurement covers the first 90 completions (30 turns of the queue, the list still 210
// tasks long at the end), a few minutes on two cores. A precise 10 ms timer in the same
// thread notes how much later than due it fires, from the first task added until the 90th has
// completed. The resident memory (VmRSS) is taken once all tasks have been added and again
// after the 90th completion; every finished file must play, and no more than three may run
// at once.

#include "benchsupport.h"
#include "extractormanager.h"

#include <QElapsedTimer>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kTasks = 300;
constexpr int kAtOnce = 3;
constexpr int kMeasured = 90; // completions
constexpr int kSmallestClip = 0;
constexpr qint64 kRate = 1024 * 1024; // media bytes per second, for each download
constexpr double kTargetMs = 50;
constexpr double kTargetMemory = 1.10; // end over start
constexpr int kRunTimeoutMs = 1200000;
constexpr int kReportEvery = 50;

} // namespace

int Measure(bench::CWindowOnSite& site)
{
    DRUI& window = *site.window;
    QuillaneSettings settings = window.pExtractorManager->Settings();
    settings.nDownloadsAtOnce = kAtOnce;
    if (!window.pExtractorManager->ApplySettings(settings) || window.engine.Limit() != kAtOnce) {
        std::fprintf(stderr, "the limit could not be set\n");
        return 1;
    }
    const QList<_VIDEO_FILE_INFO_> tasks = bench::ClipTasks(site, kTasks, kSmallestClip);
    const qint64 before = bench::ResidentKiB();
    bench::CLatencyProbe probe;
    probe.Start();
    QElapsedTimer clock;
    clock.start();
    const auto adder = bench::AddInTurn(window, tasks);
    auto finished = [&] { return window.pFinishedTable->rowCount(); };
    qint64 atStart = 0;
    int mostAtOnce = 0;
    int reported = 0;
    const bool done = bench::WaitFor(
        [&] {
            mostAtOnce = std::max(mostAtOnce, window.engine.RunningCount());
            if (!atStart && !adder->isActive()) {
                atStart = bench::ResidentKiB();
                std::printf("%d tasks added in %.1f s; VmRSS %.1f MiB (%.1f MiB before)\n",
                            kTasks, double(clock.elapsed()) / 1000, double(atStart) / 1024,
                            double(before) / 1024);
            }
            if (finished() >= reported + kReportEvery) {
                reported = finished() / kReportEvery * kReportEvery;
                std::printf("%d completed after %.1f s; VmRSS %.1f MiB\n", finished(),
                            double(clock.elapsed()) / 1000,
                            double(bench::ResidentKiB()) / 1024);
            }
            return finished() >= kMeasured;
        },
        kRunTimeoutMs);
    probe.Stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    // What the last completion let go of is gone once the loop has run.
    bench::WaitFor([] { return false; }, 500);
    const qint64 atEnd = bench::ResidentKiB();
    site.server.Stop();

    const int playing = bench::PlayingFiles(tasks.mid(0, kMeasured));
    const double p99 = bench::PrintLateness(
        probe, QStringLiteral("%1 of %2 downloads, at most %3 at once, in %4 s, %5 files play")
                   .arg(kMeasured)
                   .arg(kTasks)
                   .arg(mostAtOnce)
                   .arg(bench::Num(seconds, 1))
                   .arg(playing));
    const double growth = atStart > 0 ? double(atEnd) / double(atStart) : 0;
    std::printf("VmRSS %.1f MiB once all were added, %.1f MiB after the last completion\n",
                double(atStart) / 1024, double(atEnd) / 1024);
    const bool complete = done && playing == kMeasured && mostAtOnce <= kAtOnce;
    bench::ReportLatency(QStringLiteral("event-loop latency p99, 300 queued, 3 at once, first 90"), p99, playing, kMeasured,
                         kTargetMs, complete);
    bench::Report(QStringLiteral("resident memory, 300 queued: after 90 completed / all added"),
                  QStringLiteral("%1x (%2 / %3 MiB)")
                      .arg(bench::Num(growth, 2))
                      .arg(bench::Num(double(atEnd) / 1024, 1))
                      .arg(bench::Num(double(atStart) / 1024, 1)),
                  QStringLiteral("<= %1x").arg(bench::Num(kTargetMemory, 2)),
                  complete && growth > 0 && growth <= kTargetMemory);
    return complete ? 0 : 1;
}

int main(int argc, char** argv)
{
    return bench::RunOnSite(argc, argv, kRate, Measure);
}
