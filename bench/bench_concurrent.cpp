// Twenty downloads at once in one main window, and how late the window's event loop gets
// around to a 10 ms timer meanwhile.
//
// The tasks are added one after another, as fast as the add-video dialog's OK could add them,
// to a window (offscreen) that runs them all against a loopback site sending each download's
// media at a fixed rate. A precise 10 ms timer in the same thread notes how much later than
// due it fires, from the first task added until the last has completed. Every finished file
// must play (video and audio).

#include "benchsupport.h"
#include "command.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kDownloads = 20;
constexpr qint64 kRate = 512 * 1024; // media bytes per second, for each download
constexpr int kTickMs = 10;
constexpr double kTargetMs = 50;
constexpr int kRunTimeoutMs = 600000;

// Notes how late each tick of a 10 ms timer comes.
class CLatencyProbe : public QObject
{
public:
    CLatencyProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const double now = double(m_clock.nsecsElapsed()) / 1e6;
            m_lateMs << qMax(0.0, now - m_last - kTickMs);
            m_last = now;
        });
    }
    void Start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    const QList<double>& LateMs() const { return m_lateMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    QList<double> m_lateMs;
};

} // namespace

int Measure(bench::CWindowOnSite& site)
{
    DRUI& window = *site.window;
    QList<_VIDEO_FILE_INFO_> tasks;
    for (int i = 0; i < kDownloads; ++i) {
        tasks << bench::ClipTask(site.server, site.media,
                                 site.home.path() + QStringLiteral("/out/"),
                                 QStringLiteral("2024-01-01-00-00-%1").arg(i, 2, 10, QChar('0')));
    }
    CLatencyProbe probe;
    probe.Start();
    QElapsedTimer clock;
    clock.start();
    int added = 0;
    // One task per pass of the event loop, as clicks on OK would come.
    QTimer adder;
    QObject::connect(&adder, &QTimer::timeout, &window, [&] {
        if (added < kDownloads)
            bench::AddAndStart(window, tasks[added++]);
        else
            adder.stop();
    });
    adder.start(0);
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

    int playing = 0;
    for (const _VIDEO_FILE_INFO_& task : tasks)
        playing += bench::Plays(DownloadOutputFile(task)) ? 1 : 0;
    const QList<double>& late = probe.LateMs();
    const double p99 = bench::Percentile(late, 0.99);
    const double worst = late.isEmpty() ? 0 : *std::max_element(late.begin(), late.end());
    std::printf("%d downloads in %.1f s; %lld ticks, late by median %.2f ms, p99 %.2f ms, "
                "worst %.2f ms; %d files play\n",
                kDownloads, seconds, static_cast<long long>(late.size()), bench::Median(late), p99,
                worst, playing);
    const bool complete = done && playing == kDownloads;
    bench::Report(QStringLiteral("event-loop latency p99, 20 downloads at once"),
                  QStringLiteral("%1 ms (%2/%3 complete and play)")
                      .arg(bench::Num(p99, 1))
                      .arg(playing)
                      .arg(kDownloads),
                  QStringLiteral("< %1 ms, all complete").arg(kTargetMs),
                  complete && p99 < kTargetMs);
    return complete ? 0 : 1;
}

int main(int argc, char** argv)
{
    return bench::RunOnSite(argc, argv, kRate, Measure);
}
