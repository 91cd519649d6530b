// Start-up with a full data folder against an empty one: the time from starting the program
// to its first painted window, and the peak resident memory at that point.
//
// The program is started as its own process ("quillane start", offscreen) on a temporary
// data folder; QUILLANE_BENCH_READY_FILE makes it create a file once its first frame has been
// painted. The full folder holds 2,000 finished and 100 unfinished tasks, each with its own
// copy of a 1280x720 JPEG thumbnail. The update check finds a "curl" that fails at once.

#include "benchsupport.h"
#include "infofiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

constexpr int kFinished = 2000;
constexpr int kUnfinished = 100;
constexpr int kRounds = 11;
constexpr int kReadyTimeoutMs = 120000;

QString Stamp(int n, int hour)
{
    // Distinct keys: day of the year from n, time from n as well.
    const int day = 1 + n % 28, month = 1 + (n / 28) % 12, minute = (n / 7) % 60;
    return QStringLiteral("2023-%1-%2-%3-%4-%5")
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(n % 7 * 8, 2, 10, QLatin1Char('0'));
}

_VIDEO_FILE_INFO_ Record(int n, const QString& thumb, const QString& outputDir)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = QStringLiteral("137");
    info.QstrExt = QStringLiteral("mp4");
    info.QstrSize = QStringLiteral("%1.25MB").arg(10 + n % 90);
    info.QstrDuration = QStringLiteral("00:0%1:12").arg(n % 10);
    info.QstrThumbPath = thumb;
    info.QstrTitle = QStringLiteral("Benchmark video number %1 with a fairly long title").arg(n);
    info.QstrOutputDir = outputDir;
    info.QstrUrl = QStringLiteral("http://127.0.0.1:9/watch?v=%1").arg(n);
    info.QstrPercent = QString::number(n % 100);
    info.QstrFilePath = outputDir + info.QstrTitle + QStringLiteral(".mp4");
    return info;
}

// Fills `data` (a data folder) with the tasks, each with a thumbnail copy of `jpeg`.
bool FillDataFolder(const QString& data, const QString& jpeg)
{
    const QString thumbs = data + QStringLiteral("2023/06/01/");
    const QString out = QFileInfo(data).absolutePath() + QStringLiteral("/out/");
    if (!QDir().mkpath(thumbs) || !QDir().mkpath(data + QStringLiteral("downloading")) ||
        !QDir().mkpath(data + QStringLiteral("finished")))
        return false;
    for (int n = 0; n < kFinished + kUnfinished; ++n) {
        const QString thumb = thumbs + QStringLiteral("%1.jpg").arg(n);
        if (!QFile::copy(jpeg, thumb))
            return false;
        _VIDEO_FILE_INFO_ info = Record(n, thumb, out);
        int written = 0;
        if (n < kFinished) {
            info.QstrFinishTime = Stamp(n, 10 + n / 1000);
            written = WriteInfoFile(data + QStringLiteral("finished/"), info.QstrFinishTime,
                                    FinishedInfoLine(info));
        } else {
            info.QstrTaskKey = Stamp(n, 20);
            written = WriteInfoFile(data + QStringLiteral("downloading/"), info.QstrTaskKey,
                                    DownloadInfoLine(info));
        }
        if (written != 0)
            return false;
    }
    return true;
}

// A "curl" that fails at once, so the update check never leaves the machine.
bool MakeFailingCurl(const QString& folder)
{
    QFile curl(folder + QStringLiteral("/curl"));
    if (!curl.open(QIODevice::WriteOnly))
        return false;
    curl.write("#!/bin/sh\nexit 7\n");
    curl.close();
    return curl.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

qint64 PeakResidentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct Start
{
    double ms = -1;
    qint64 peakKiB = -1;
};

// One start of the program on the home folder `home`; -1 values on failure.
Start StartOnce(const QString& home, const QString& toolFolder, const QString& readyFile)
{
    QFile::remove(readyFile);
    // No check for a newer extractor: a benchmark reaches nothing beyond this machine.
    QDir().mkpath(home + QStringLiteral("/data/Quillane"));
    QFile settings(home + QStringLiteral("/data/Quillane/Settings.ini"));
    if (settings.open(QIODevice::WriteOnly | QIODevice::Truncate))
        settings.write("[Extractor]\nNever=true\n");
    settings.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PATH"), toolFolder + QLatin1Char(':') + env.value("PATH"));
    env.insert(QStringLiteral("QUILLANE_BENCH_READY_FILE"), readyFile);

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    Start result;
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(QUILLANE_APP_DIR "/quillane"), {QStringLiteral("start")});
    if (!program.waitForStarted(30000))
        return result;
    while (!QFileInfo::exists(readyFile) && clock.elapsed() < kReadyTimeoutMs &&
           program.state() == QProcess::Running)
        QThread::usleep(500);
    if (QFileInfo::exists(readyFile)) {
        result.ms = double(clock.nsecsElapsed()) / 1e6;
        QThread::msleep(300); // what the first moments after the frame add counts too
        result.peakKiB = PeakResidentKiB(program.processId());
    }
    program.kill();
    program.waitForFinished(30000);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    bench::BeginBenchmark();
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    // "--keep" leaves the data folders behind for a closer look (e.g. with a profiler).
    const bool keep = app.arguments().contains(QStringLiteral("--keep"));
    work.setAutoRemove(!keep);
    if (keep)
        std::printf("work folder: %s\n", qPrintable(work.path()));
    const QString media = fixture::MakeMedia();
    if (!work.isValid() || media.isEmpty()) {
        std::fprintf(stderr, "no work folder or media\n");
        return 1;
    }
    const QString tools = work.path() + QStringLiteral("/tools");
    const QString empty = work.path() + QStringLiteral("/empty");
    const QString full = work.path() + QStringLiteral("/full");
    const QString jpeg = work.path() + QStringLiteral("/big.jpg");
    const QByteArray made = fixture::RunTool(QStringLiteral(QUILLANE_APP_DIR "/virarurov"),
                                             {"-v", "error", "-y", "-f", "lavfi", "-i",
                                              "testsrc2=size=1280x720:rate=1:duration=1",
                                              "-frames:v", "1", "-q:v", "3", jpeg});
    if (!QDir().mkpath(tools) || !MakeFailingCurl(tools) || !QFileInfo::exists(jpeg) ||
        !QDir().mkpath(empty + QStringLiteral("/data")) ||
        !FillDataFolder(full + QStringLiteral("/data/Quillane/"), jpeg)) {
        std::fprintf(stderr, "could not prepare the data folders\n");
        return 1;
    }

    // One start of each first, unmeasured: the files are then in the page cache for both.
    const QString ready = work.path() + QStringLiteral("/ready");
    StartOnce(empty, tools, ready);
    StartOnce(full, tools, ready);
    QList<double> emptyMs, fullMs, emptyKiB, fullKiB;
    for (int round = 0; round < kRounds; ++round) {
        const Start e = StartOnce(empty, tools, ready);
        const Start f = StartOnce(full, tools, ready);
        if (e.ms < 0 || f.ms < 0) {
            std::fprintf(stderr, "the program did not show its window\n");
            return 1;
        }
        std::printf("round %d: empty %.1f ms %lld KiB, full %.1f ms %lld KiB\n", round + 1, e.ms,
                    e.peakKiB, f.ms, f.peakKiB);
        emptyMs << e.ms;
        fullMs << f.ms;
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
