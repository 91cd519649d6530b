#include "benchsupport.h"

#include "command.h"
#include "framefixture.h"
#include "paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

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

} // namespace bench

#include "moc_framefixture.cpp"
