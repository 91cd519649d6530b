// Twenty downloads at once in one main window, and how late the window's event loop gets
// around to a 10 ms timer meanwhile.
//
// The tasks are added one after another, as fast as the add-video dialog's OK could add them,
// to a window (offscreen) that runs them all against a loopback site sending each download's
// media at a fixed rate. A precise 10 ms timer in the same thread notes how much later than
// due it fires, from the first task added until the last has completed. Every finished file
// must play (video and audio).

#include "benchsupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kDownloads = 20;
constexpr qint64 kRate = 512 * 1024; // media bytes per second, for each download
constexpr int kTickMs = 10;
constexpr double kTargetMs = 50;
constexpr int kRunTimeoutMs = 600000;

} // namespace

int Measure(bench::CWindowOnSite& site)
{
    DRUI& window = *site.window;
    const QList<_VIDEO_FILE_INFO_> tasks = bench::ClipTasks(site, kDownloads);
    bench::CLatencyProbe probe(kTickMs);
    probe.Start();
    QElapsedTimer clock;
    clock.start();
    const auto adder = bench::AddInTurn(window, tasks);
    const bool done = bench::WaitFor(
        [&] {
            for (const _VIDEO_FILE_INFO_& task : tasks) {
                if (!bench::IsFinished(window, task.QstrTaskKey))
                    return false;
            }
            return true;
        },
        kRunTimeoutMs);
    probe.Stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    site.server.Stop();

    const int playing = bench::PlayingFiles(tasks);
    const double p99 = bench::PrintLateness(
        probe, QStringLiteral("%1 downloads in %2 s, %3 files play")
                   .arg(kDownloads)
                   .arg(bench::Num(seconds, 1))
                   .arg(playing));
    const bool complete = done && playing == kDownloads;
    bench::ReportLatency(QStringLiteral("event-loop latency p99, 20 downloads at once"), p99, playing, kDownloads,
                         kTargetMs, complete);
    return complete ? 0 : 1;
}

int main(int argc, char** argv)
{
    return bench::RunOnSite(argc, argv, kRate, Measure);
}
