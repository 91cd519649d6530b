#pragma once
// Shared by the benchmarks: the result lines that bench/run.sh collects into its table,
// statistics, a main window of the program on the loopback site with its contacts kept on
// this machine, and tasks for the loopback clip.
//
// Every benchmark prints its results as lines of the form
//   BENCH<TAB>name<TAB>measured value<TAB>target<TAB>met|missed
// and may print anything else on other lines.

#include "testsupport.h"
#include "videoinfo.h"

#include "drui.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace bench {

// Line-buffered standard output, and the offscreen platform unless one is named.
void BeginBenchmark();

void Report(const QString& name, const QString& value, const QString& target, bool met);

double Median(QList<double> values);
// The value below which `fraction` of the values lie (nearest rank), e.g. 0.99.
double Percentile(QList<double> values, double fraction);

// Readies this process for windows of the program: HOME and the XDG folders below `home`
// (before anything uses QStandardPaths), the assembled application folder, the pictures and
// the record types. The update check stays on 127.0.0.1 and fails at once, the shut-down
// command is never run, and nothing opens a browser or file manager.
void PrepareProgram(const QString& home);

// For the benchmarks that download through the program: a home of their own, the loopback
// site and a main window of the program (offscreen, shown and exposed).
struct CWindowOnSite
{
    QTemporaryDir home;
    QString media;
    fixture::CMediaServer server;
    std::unique_ptr<DRUI> window;
};

// Makes the application and a CWindowOnSite whose site sends each download's media at
// `bytesPerSecond`, and returns what `measure` returns (1, with a message, if the window or the
// site could not be made).
int RunOnSite(int argc, char** argv, qint64 bytesPerSecond,
              const std::function<int(CWindowOnSite&)>& measure);

// Adds the task to the window's downloading table and starts its run, as the add-video
// dialog's OK does.
void AddAndStart(DRUI& window, const _VIDEO_FILE_INFO_& task);

// True once the task with this key has moved to the window's finished list.
bool IsFinished(DRUI& window, const QString& taskKey);

// A task for the loopback clip, written below `outputDir` under the key `taskKey`: in its best
// format (640x360, about 4 MB, plus the audio) unless another of fixture::ClipFormats() is
// named (0: 256x144, about 1 MB).
_VIDEO_FILE_INFO_ ClipTask(const fixture::CMediaServer& server, const QString& media,
                           const QString& outputDir, const QString& taskKey, int format = 2);

// `count` tasks for the loopback clip in `format` (see ClipTask), below the window's home in
// out/, with keys that sort in their order.
QList<_VIDEO_FILE_INFO_> ClipTasks(const CWindowOnSite& site, int count, int format = 2);

// Adds and starts the tasks, one per pass of the event loop as clicks on the add-video
// dialog's OK would come, from the event loop; the timer returned stops once all are added.
std::unique_ptr<QTimer> AddInTurn(DRUI& window, const QList<_VIDEO_FILE_INFO_>& tasks);

// Runs the extractor bare, as a download run of the program would (same program, argument
// list and environment), and waits for its end. Returns its wall time in seconds (negative on
// failure); `output` receives what it printed on its standard output.
double RunBareDownload(const _VIDEO_FILE_INFO_& task, QByteArray* output = nullptr);

// Runs the event loop until `done` is true (looked at every 20 ms) or `timeoutMs` has
// passed; true if done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

// True if the file holds a video and an audio stream.
bool Plays(const QString& file);

// CPU time (user + system) in seconds of this process, and of its ended and reaped children.
double OwnCpuSeconds();
double ChildrenCpuSeconds();

// The resident memory of this process (VmRSS), in KiB.
qint64 ResidentKiB();

// Notes how late each tick of a precise timer in this thread comes.
class CLatencyProbe : public QObject
{
public:
    explicit CLatencyProbe(int tickMs = 10);
    void Start();
    void Stop() { m_timer.stop(); }
    // Milliseconds each tick came after it was due.
    const QList<double>& LateMs() const { return m_lateMs; }

private:
    int m_tickMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    QList<double> m_lateMs;
};

// Prints how late the probe's ticks came (count, median, p99, worst) after `what`, and returns
// the p99 in milliseconds.
double PrintLateness(const CLatencyProbe& probe, const QString& what);

// How many of the tasks' output files play.
int PlayingFiles(const QList<_VIDEO_FILE_INFO_>& tasks);

// The result line of an event-loop benchmark: p99 below `targetMs` and every file playing.
void ReportLatency(const QString& name, double p99, int playing, int total, double targetMs,
                   bool complete);

// Formats a number with `decimals` places.
QString Num(double value, int decimals);

// For the benchmarks that start the program as its own process on a data folder of their own.

// The folders of a start-up benchmark, below one temporary work folder: a "curl" that fails
// at once (so the update check never leaves the machine), an empty home and a full one, and
// the file the program marks its first frame in.
struct StartFolders
{
    QString tools;
    QString empty;
    QString full;
    QString ready;
};

// Makes the application and the folders, the full home's data folder holding `finished`
// finished and `unfinished` unfinished tasks, each with a thumbnail of its own (a `jpegSize`
// JPEG such as "1280x720": a copy, or a hard link to one where `hardLinks`, for a large
// history on little disk), and returns what `measure` returns (1, with a message, if the
// folders could not be made). "--keep" leaves the work folder behind for a closer look.
int RunOnStartFolders(int argc, char** argv, int finished, int unfinished, const char* jpegSize,
                      bool hardLinks, const std::function<int(const StartFolders&)>& measure);

// One start of "quillane start" (offscreen) with its home and data folders below `home` and
// `toolFolder` first on its PATH. -1 values for what was not measured.
struct ProgramStart
{
    double frameMs = -1;      // from starting the process to its first painted frame
    double quietMs = -1;      // to the last change of its CPU time (with `untilQuiet`)
    qint64 peakKiB = -1;      // VmHWM, when quiet (else 300 ms after the frame)
    qint64 residentKiB = -1;  // VmRSS, at the same moment
};

// Starts the program and waits for its first frame (the program marks it in `readyFile`);
// with `untilQuiet`, then until its CPU time (user + system, looked at every 50 ms) has not
// changed for half a second. The program is killed afterwards.
ProgramStart StartProgramOnce(const QString& home, const QString& toolFolder,
                              const QString& readyFile, bool untilQuiet);

} // namespace bench
