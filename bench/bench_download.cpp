// One download through the program against the same extractor run bare.
//
// Both sides fetch the loopback clip (640x360 video and its audio, about 4 MB) from a site
// that sends media at a fixed rate, so each run takes several seconds:
//   program: the task is added to a main window (offscreen) and its run started, as the
//            add-video dialog's OK does; the clock stops when it has moved to the finished list;
//   bare:    the extractor with the same argument list and environment, until it ends.
// The rounds alternate which side goes first. Results: the median of the wall-time ratios, and
// the median of the program's own CPU time during its download (RUSAGE_SELF) over the CPU time
// of the extractor and the converter it ran (RUSAGE_CHILDREN, counted once they are reaped).

#include "benchsupport.h"
#include "command.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kRounds = 7;
constexpr qint64 kRate = 1024 * 1024; // media bytes per second
constexpr int kRunTimeoutMs = 300000;

struct ProgramRun
{
    double seconds = -1;
    double ownCpu = 0;
    double toolCpu = 0;
};

// Adds the task to the window and waits until it has completed into the finished list.
ProgramRun RunThroughProgram(DRUI& window, const _VIDEO_FILE_INFO_& task)
{
    ProgramRun run;
    QEventLoop loop;
    QElapsedTimer clock;
    double finishedAt = -1;
    // Rows reach the finished table once a task has completed; the row comes before the list
    // entry (under the list's lock), so the check waits for the change to be over.
    const auto connection = QObject::connect(
        window.pFinishedTable->model(), &QAbstractItemModel::rowsInserted, &loop,
        [&] {
            if (bench::IsFinished(window, task.QstrTaskKey)) {
                finishedAt = double(clock.nsecsElapsed()) / 1e9;
                loop.quit();
            }
        },
        Qt::QueuedConnection);
    QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);

    const double ownBefore = bench::OwnCpuSeconds();
    const double toolBefore = bench::ChildrenCpuSeconds();
    clock.start();
    bench::AddAndStart(window, task);
    if (!bench::IsFinished(window, task.QstrTaskKey))
        loop.exec();
    run.ownCpu = bench::OwnCpuSeconds() - ownBefore;
    run.toolCpu = bench::ChildrenCpuSeconds() - toolBefore;
    QObject::disconnect(connection);
    run.seconds = finishedAt;
    return run;
}

} // namespace

int Measure(bench::CWindowOnSite& site)
{
    DRUI& window = *site.window;
    const QString& media = site.media;
    fixture::CMediaServer& server = site.server;
    const QString home = site.home.path();

    auto task = [&](const char* side, int round) {
        const QString key = QStringLiteral("2024-01-01-00-%1-%2")
                                .arg(round, 2, 10, QLatin1Char('0'))
                                .arg(side[0] == 'p' ? 1 : 2, 2, 10, QLatin1Char('0'));
        return bench::ClipTask(server, media,
                               home + QStringLiteral("/out-%1-%2/").arg(side).arg(round), key);
    };
    // The extractor's first run fills its caches: not measured.
    if (bench::RunBareDownload(task("warm", 0)) < 0) {
        std::fprintf(stderr, "the extractor run failed\n");
        return 1;
    }

    QList<double> ratios, cpuShares;
    for (int round = 1; round <= kRounds; ++round) {
        const _VIDEO_FILE_INFO_ programTask = task("program", round);
        const _VIDEO_FILE_INFO_ bareTask = task("bare", round);
        double bare = -1;
        ProgramRun program;
        if (round % 2) {
            bare = bench::RunBareDownload(bareTask);
            program = RunThroughProgram(window, programTask);
        } else {
            program = RunThroughProgram(window, programTask);
            bare = bench::RunBareDownload(bareTask);
        }
        const bool ok = bare > 0 && program.seconds > 0 &&
                        bench::Plays(DownloadOutputFile(programTask)) &&
                        bench::Plays(DownloadOutputFile(bareTask));
        if (!ok) {
            std::fprintf(stderr, "round %d failed (bare %.2f s, program %.2f s)\n", round, bare,
                         program.seconds);
            return 1;
        }
        const double share = program.toolCpu > 0 ? program.ownCpu / program.toolCpu : 1;
        std::printf("round %d: bare %.3f s, program %.3f s (x%.4f); CPU program %.3f s, "
                    "extractor %.3f s (%.2f %%)\n",
                    round, bare, program.seconds, program.seconds / bare, program.ownCpu,
                    program.toolCpu, share * 100);
        ratios << program.seconds / bare;
        cpuShares << share;
    }
    server.Stop();

    const double ratio = bench::Median(ratios);
    const double cpu = bench::Median(cpuShares);
    bench::Report(QStringLiteral("download wall time, program / bare extractor"),
                  QStringLiteral("%1x (median of %2)").arg(bench::Num(ratio, 3)).arg(kRounds),
                  QStringLiteral("<= 1.02x"), ratio <= 1.02);
    bench::Report(QStringLiteral("program CPU during a download / extractor CPU"),
                  QStringLiteral("%1 %").arg(bench::Num(cpu * 100, 2)), QStringLiteral("<= 1 %"),
                  cpu <= 0.01);
    return 0;
}

int main(int argc, char** argv)
{
    return bench::RunOnSite(argc, argv, kRate, Measure);
}
