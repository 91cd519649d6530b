// Three hundred tasks queued in one main window that runs three downloads at once, and how
// late the window's event loop gets around to a 10 ms timer meanwhile.
//
// The limit is set as the settings dialog sets it. The tasks are added one after another, as
// fast as the add-video dialog's OK could add them, to a window (offscreen) whose loopback site
// sends each download's media at a fixed rate; the smallest clip (256x144, about 1 MB, plus
// the audio) keeps the whole queue within a few minutes. A precise 10 ms timer in the same
// thread notes how much later than due it fires, from the first task added until the last has
// completed. The resident memory (VmRSS) is taken once all tasks have been added and again
// once the last has completed; every finished file must play.

#include "benchsupport.h"
#include "extractormanager.h"

#include <QElapsedTimer>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kTasks = 300;
constexpr int kAtOnce = 3;
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
            return finished() >= kTasks;
        },
        kRunTimeoutMs);
    probe.Stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    // What the last completion let go of is gone once the loop has run.
    bench::WaitFor([] { return false; }, 500);
    const qint64 atEnd = bench::ResidentKiB();
    site.server.Stop();

    const int playing = bench::PlayingFiles(tasks);
    const double p99 = bench::PrintLateness(
        probe, QStringLiteral("%1 downloads, at most %2 at once, in %3 s, %4 files play")
                   .arg(kTasks)
                   .arg(mostAtOnce)
                   .arg(bench::Num(seconds, 1))
                   .arg(playing));
    const double growth = atStart > 0 ? double(atEnd) / double(atStart) : 0;
    std::printf("VmRSS %.1f MiB once all were added, %.1f MiB at the end\n",
                double(atStart) / 1024, double(atEnd) / 1024);
    const bool complete = done && playing == kTasks && mostAtOnce <= kAtOnce;
    bench::ReportLatency(QStringLiteral("event-loop latency p99, 300 queued, 3 at once"), p99, playing, kTasks,
                         kTargetMs, complete);
    bench::Report(QStringLiteral("resident memory, 300 queued: end / all added"),
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
