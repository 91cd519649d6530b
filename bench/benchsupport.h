#pragma once
// Shared by the benchmarks: the result lines that bench/run.sh collects into its table,
// statistics, the window's contacts kept on this machine, and a task for the loopback clip.
//
// Every benchmark prints its results as lines of the form
//   BENCH<TAB>name<TAB>measured value<TAB>target<TAB>met|missed
// and may print anything else on other lines.

#include "testsupport.h"
#include "videoinfo.h"

#include <QList>
#include <QMutexLocker>
#include <QString>
#include <functional>

class DRUI;

namespace bench {

void Report(const QString& name, const QString& value, const QString& target, bool met);

double Median(QList<double> values);
// The value below which `fraction` of the values lie (nearest rank), e.g. 0.99.
double Percentile(QList<double> values, double fraction);

// The update check stays on 127.0.0.1 and fails at once, the shut-down command is never run,
// and nothing opens a browser or file manager. Call before a window is made.
void KeepOnThisMachine(const QString& dataFolder);

// Readies this process for windows of the program: HOME and the XDG folders below `home`
// (before anything uses QStandardPaths), the assembled application folder, the pictures, the
// record types, and KeepOnThisMachine.
void PrepareProgram(const QString& home);

// Adds the task to the window's downloading table and starts its run, as the add-video
// dialog's OK does.
void AddAndStart(DRUI& window, const _VIDEO_FILE_INFO_& task);

// True once the task with this key has moved to the window's finished list.
bool IsFinished(DRUI& window, const QString& taskKey);

// A task for the loopback clip in its best format (640x360, about 4 MB, plus the audio),
// written below `outputDir` under the key `taskKey`.
_VIDEO_FILE_INFO_ ClipTask(const fixture::CMediaServer& server, const QString& media,
                           const QString& outputDir, const QString& taskKey);

// Runs the extractor bare, as a download run of the program would (same program, argument
// list and environment), and waits for its end. Returns its wall time in seconds (negative on
// failure); `output` receives what it printed on its standard output.
double RunBareDownload(const _VIDEO_FILE_INFO_& task, QByteArray* output = nullptr);

// Runs the event loop until `done` is true (looked at every 20 ms) or `timeoutMs` has
// passed; true if done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

// CPU time (user + system) in seconds of this process, and of its ended and reaped children.
double OwnCpuSeconds();
double ChildrenCpuSeconds();

// Formats a number with `decimals` places.
QString Num(double value, int decimals);

} // namespace bench
