#include "benchsupport.h"

#include "command.h"
#include "framefixture.h"
#include "infofiles.h"
#include "paths.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

static void InitPictures()
{
    Q_INIT_RESOURCE(drui);
}

namespace bench {

namespace {

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

constexpr int kReadyTimeoutMs = 120000;
constexpr int kQuietPollMs = 50;
constexpr int kQuietForMs = 500;

// A distinct stamp for each n: a minute and a bit apart, from the start of 2020 on.
QString Stamp(int n)
{
    static const QDateTime base(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    return base.addSecs(qint64(n) * 61).toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
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

// A plain write: a benchmark's folder needs no crash safety, and a hundred thousand fsyncs
// would take minutes.
bool WritePlainFile(const QString& path, const QString& content)
{
    QFile file(path);
    const QByteArray bytes = content.toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A value in kB of /proc/PID/status, e.g. "VmHWM:"; -1 if there is none.
qint64 StatusKiB(qint64 pid, const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// User + system CPU time of a process in clock ticks; -1 once it is gone.
qint64 CpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name (which may hold blanks): state is field 3, utime 14.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields.at(11).toLongLong() + fields.at(12).toLongLong();
}

} // namespace

void BeginBenchmark()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void Report(const QString& name, const QString& value, const QString& target, bool met)
{
    std::printf("BENCH\t%s\t%s\t%s\t%s\n", qPrintable(name), qPrintable(value), qPrintable(target),
                met ? "met" : "missed");
    std::fflush(stdout);
}

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(fraction * double(values.size())));
    return values[std::clamp<qsizetype>(rank - 1, 0, values.size() - 1)];
}

void PrepareProgram(const QString& home)
{
    fixture::IsolateHome(home);
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    InitPictures();
    RegisterVideoInfoTypes();
    static UrlRecorder links; // what the program opens is only noted
    ::KeepOnThisMachine(&links, DataFolder());
}

int RunOnSite(int argc, char** argv, qint64 bytesPerSecond,
              const std::function<int(CWindowOnSite&)>& measure)
{
    BeginBenchmark();
    CWindowOnSite site;
    if (!site.home.isValid())
        return 1;
    PrepareProgram(site.home.path());
    QApplication app(argc, argv);
    site.media = fixture::MakeMedia();
    if (site.media.isEmpty() || !site.server.Start(site.media, bytesPerSecond)) {
        std::fprintf(stderr, "no media or no loopback site\n");
        return 1;
    }
    site.window = std::make_unique<DRUI>();
    site.window->Init();
    site.window->show();
    if (!QTest::qWaitForWindowExposed(site.window.get())) {
        std::fprintf(stderr, "the window did not show\n");
        return 1;
    }
    const int result = measure(site);
    site.window.reset(); // before the application goes
    site.server.Stop();
    return result;
}

bool Plays(const QString& file)
{
    const fixture::ProbeInfo probe = fixture::Probe(file);
    return probe.ok && probe.codecTypes.contains(QStringLiteral("video")) &&
           probe.codecTypes.contains(QStringLiteral("audio"));
}

void AddAndStart(DRUI& window, const _VIDEO_FILE_INFO_& task)
{
    std::vector<_VIDEO_FILE_INFO_> list{task};
    window.RefreshDownloadTable(list, false);
    window.engine.Start(task.QstrTaskKey);
}

bool IsFinished(DRUI& window, const QString& taskKey)
{
    QMutexLocker locker(&window.mutexFinished);
    for (const _VIDEO_FINISHED_INFO_& entry : window.vecFinishedList) {
        if (entry.VideoFileInfo.QstrTaskKey == taskKey)
            return true;
    }
    return false;
}

_VIDEO_FILE_INFO_ ClipTask(const fixture::CMediaServer& server, const QString& media,
                           const QString& outputDir, const QString& taskKey, int formatIndex)
{
    const fixture::ClipFormat format = fixture::ClipFormats().at(formatIndex);
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = format.id;
    info.QstrExt = format.ext;
    info.QstrSize =
        fixture::RecordSizeText(QFileInfo(media + QLatin1Char('/') + format.file).size());
    info.QstrResolution = QStringLiteral("%1x%2").arg(format.height * 16 / 9).arg(format.height);
    info.QstrQuality = QStringLiteral("%1p").arg(format.height);
    info.QstrDuration = QStringLiteral("00:00:08");
    info.QstrTitle = QStringLiteral("Fixture Clip");
    info.QstrOutputDir = outputDir.endsWith(QLatin1Char('/')) ? outputDir : outputDir + '/';
    info.QstrTaskKey = taskKey;
    info.QstrUrl = server.PageUrl();
    return info;
}

QList<_VIDEO_FILE_INFO_> ClipTasks(const CWindowOnSite& site, int count, int format)
{
    QList<_VIDEO_FILE_INFO_> tasks;
    for (int i = 0; i < count; ++i) {
        const QString key = QStringLiteral("2024-01-01-00-%1-%2")
                                .arg(i / 60, 2, 10, QLatin1Char('0'))
                                .arg(i % 60, 2, 10, QLatin1Char('0'));
        tasks << ClipTask(site.server, site.media, site.home.path() + QStringLiteral("/out/"), key,
                          format);
    }
    return tasks;
}

std::unique_ptr<QTimer> AddInTurn(DRUI& window, const QList<_VIDEO_FILE_INFO_>& tasks)
{
    auto adder = std::make_unique<QTimer>();
    QTimer* timer = adder.get();
    QObject::connect(timer, &QTimer::timeout, &window, [&window, tasks, timer, added = 0]() mutable {
        if (added < tasks.size())
            AddAndStart(window, tasks[added++]);
        else
            timer->stop();
    });
    timer->start(0);
    return adder;
}

double RunBareDownload(const _VIDEO_FILE_INFO_& task, QByteArray* output)
{
    const QString app = QStringLiteral(QUILLANE_APP_DIR);
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setProcessEnvironment(
        DownloadEnvironment(task, QProcessEnvironment::systemEnvironment()));
    QElapsedTimer clock;
    clock.start();
    process.start(ExtractorPath(app), BuildDownloadArgs(task, app));
    process.closeWriteChannel();
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished(10000);
        return -1;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (output)
        *output = process.readAllStandardOutput();
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? seconds : -1;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    // An event loop that sleeps between events, looked at every 20 ms.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

double OwnCpuSeconds()
{
    return CpuSeconds(RUSAGE_SELF);
}

double ChildrenCpuSeconds()
{
    return CpuSeconds(RUSAGE_CHILDREN);
}

qint64 ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

CLatencyProbe::CLatencyProbe(int tickMs) : m_tickMs(tickMs)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        m_lateMs << qMax(0.0, now - m_last - m_tickMs);
        m_last = now;
    });
}

void CLatencyProbe::Start()
{
    m_clock.start();
    m_last = 0;
    m_timer.start();
}

double PrintLateness(const CLatencyProbe& probe, const QString& what)
{
    const QList<double>& late = probe.LateMs();
    const double p99 = Percentile(late, 0.99);
    const double worst = late.isEmpty() ? 0 : *std::max_element(late.begin(), late.end());
    std::printf("%s; %lld ticks, late by median %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                qPrintable(what), static_cast<long long>(late.size()), Median(late), p99, worst);
    return p99;
}

int PlayingFiles(const QList<_VIDEO_FILE_INFO_>& tasks)
{
    return int(std::count_if(tasks.begin(), tasks.end(), [](const _VIDEO_FILE_INFO_& task) {
        return Plays(DownloadOutputFile(task));
    }));
}

void ReportLatency(const QString& name, double p99, int playing, int total, double targetMs,
                   bool complete)
{
    Report(name,
           QStringLiteral("%1 ms (%2/%3 complete and play)").arg(Num(p99, 1)).arg(playing).arg(total),
           QStringLiteral("< %1 ms, all complete").arg(targetMs),
           complete && playing == total && p99 < targetMs);
}

QString Num(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

namespace {

// A hard link `path` to `target`; a file has a limited number of links (65,000 on ext4), so
// once it has them all, `target` becomes a new copy of it.
bool HardLink(const QString& source, const QString& path, QString& target)
{
    const auto link = [&] {
        return ::link(QFile::encodeName(target).constData(), QFile::encodeName(path).constData());
    };
    if (link() == 0)
        return true;
    target = path + QStringLiteral(".source");
    return QFile::copy(source, target) && link() == 0;
}

bool FillDataFolder(const QString& data, const QString& jpeg, int finished, int unfinished,
                    bool hardLinks)
{
    const QString thumbs = data + QStringLiteral("2023/06/01/");
    const QString out = QFileInfo(data).absolutePath() + QStringLiteral("/out/");
    if (!QDir().mkpath(thumbs) || !QDir().mkpath(data + QStringLiteral("downloading")) ||
        !QDir().mkpath(data + QStringLiteral("finished")))
        return false;
    QString linked = jpeg; // what the hard links go to
    for (int n = 0; n < finished + unfinished; ++n) {
        const QString thumb = thumbs + QStringLiteral("%1.jpg").arg(n);
        if (!hardLinks ? !QFile::copy(jpeg, thumb) : !HardLink(jpeg, thumb, linked))
            return false;
        _VIDEO_FILE_INFO_ info = Record(n, thumb, out);
        bool written = false;
        if (n < finished) {
            info.QstrFinishTime = Stamp(n);
            written = WritePlainFile(data + QStringLiteral("finished/") + info.QstrFinishTime,
                                     FinishedInfoLine(info));
        } else {
            info.QstrTaskKey = Stamp(n);
            written = WritePlainFile(data + QStringLiteral("downloading/") + info.QstrTaskKey,
                                     DownloadInfoLine(info));
        }
        if (!written)
            return false;
    }
    return true;
}

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

} // namespace

int RunOnStartFolders(int argc, char** argv, int finished, int unfinished, const char* jpegSize,
                      bool hardLinks, const std::function<int(const StartFolders&)>& measure)
{
    BeginBenchmark();
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const bool keep = app.arguments().contains(QStringLiteral("--keep"));
    work.setAutoRemove(!keep);
    if (keep)
        std::printf("work folder: %s\n", qPrintable(work.path()));
    if (!work.isValid()) {
        std::fprintf(stderr, "no work folder\n");
        return 1;
    }
    StartFolders folders;
    folders.tools = work.path() + QStringLiteral("/tools");
    folders.empty = work.path() + QStringLiteral("/empty");
    folders.full = work.path() + QStringLiteral("/full");
    folders.ready = work.path() + QStringLiteral("/ready");
    const QString jpeg = work.path() + QStringLiteral("/thumb.jpg");
    const QString source = QStringLiteral("testsrc2=size=%1:rate=1:duration=1").arg(jpegSize);
    fixture::RunTool(QStringLiteral(QUILLANE_APP_DIR "/virarurov"),
                     {"-v", "error", "-y", "-f", "lavfi", "-i", source, "-frames:v", "1", "-q:v",
                      "3", jpeg});
    if (!QDir().mkpath(folders.tools) || !MakeFailingCurl(folders.tools) ||
        !QFileInfo::exists(jpeg) || !QDir().mkpath(folders.empty + QStringLiteral("/data")) ||
        !FillDataFolder(folders.full + QStringLiteral("/data/Quillane/"), jpeg, finished,
                        unfinished, hardLinks)) {
        std::fprintf(stderr, "could not prepare the data folders\n");
        return 1;
    }
    return measure(folders);
}

ProgramStart StartProgramOnce(const QString& home, const QString& toolFolder,
                              const QString& readyFile, bool untilQuiet)
{
    QFile::remove(readyFile);
    // No check for a newer extractor: a benchmark reaches nothing beyond this machine.
    QDir().mkpath(home + QStringLiteral("/data/Quillane"));
    WritePlainFile(home + QStringLiteral("/data/Quillane/Settings.ini"),
                   QStringLiteral("[Extractor]\nNever=true\n"));
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
    ProgramStart result;
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(QUILLANE_APP_DIR "/quillane"), {QStringLiteral("start")});
    if (!program.waitForStarted(30000))
        return result;
    const qint64 pid = program.processId();
    while (!QFileInfo::exists(readyFile) && clock.elapsed() < kReadyTimeoutMs &&
           program.state() == QProcess::Running)
        QThread::usleep(500);
    if (QFileInfo::exists(readyFile)) {
        result.frameMs = double(clock.nsecsElapsed()) / 1e6;
        if (untilQuiet) {
            qint64 ticks = CpuTicks(pid);
            double changedMs = double(clock.nsecsElapsed()) / 1e6;
            while (ticks >= 0 && clock.elapsed() < kReadyTimeoutMs) {
                QThread::msleep(kQuietPollMs);
                const double nowMs = double(clock.nsecsElapsed()) / 1e6;
                const qint64 now = CpuTicks(pid);
                if (now != ticks) {
                    ticks = now;
                    changedMs = nowMs;
                } else if (nowMs - changedMs >= kQuietForMs) {
                    result.quietMs = changedMs;
                    break;
                }
            }
        } else {
            QThread::msleep(300); // what the first moments after the frame add counts too
        }
        result.peakKiB = StatusKiB(pid, "VmHWM:");
        result.residentKiB = StatusKiB(pid, "VmRSS:");
    }
    program.kill();
    program.waitForFinished(30000);
    return result;
}

} // namespace bench

#include "moc_framefixture.cpp"
