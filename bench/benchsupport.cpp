#include "benchsupport.h"

#include "urlconfig.h"
#include "platform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFileInfo>
#include <QObject>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace bench {

namespace {

// Swallows every link the program would open.
class CUrlSink : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void handle(const QUrl&) {}
};

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

void Report(const QString& name, const QString& value, const QString& target, bool met)
{
    std::printf("BENCH\t%s\t%s\t%s\t%s\n", qPrintable(name), qPrintable(value),
                qPrintable(target), met ? "met" : "missed");
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

void KeepOnThisMachine(const QString& dataFolder)
{
    CURLConfig::Overrides overrides;
    overrides.site1 = QStringLiteral("http://127.0.0.1:9");
    overrides.site2 = QStringLiteral("http://127.0.0.1:9");
    overrides.nChineseSystem = 0;
    overrides.curlProgram = QStringLiteral("false");
    overrides.dataFolder = dataFolder;
    CURLConfig::GetInstance()->SetOverrides(overrides);
    static CUrlSink sink;
    for (const char* scheme : {"http", "https", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &sink, "handle");
    SetShutdownRunner([](const QString&, const QStringList&) {});
}

_VIDEO_FILE_INFO_ ClipTask(const fixture::CMediaServer& server, const QString& media,
                           const QString& outputDir, const QString& taskKey)
{
    const fixture::ClipFormat format = fixture::ClipFormats().at(2);
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = format.id;
    info.QstrExt = format.ext;
    info.QstrSize =
        fixture::RecordSizeText(QFileInfo(media + QLatin1Char('/') + format.file).size());
    info.QstrResolution = QStringLiteral("640x360");
    info.QstrQuality = QStringLiteral("360p");
    info.QstrDuration = QStringLiteral("00:00:08");
    info.QstrTitle = QStringLiteral("Fixture Clip");
    info.QstrOutputDir = outputDir.endsWith(QLatin1Char('/')) ? outputDir : outputDir + '/';
    info.QstrTaskKey = taskKey;
    info.QstrUrl = server.PageUrl();
    return info;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

double OwnCpuSeconds()
{
    return CpuSeconds(RUSAGE_SELF);
}

double ChildrenCpuSeconds()
{
    return CpuSeconds(RUSAGE_CHILDREN);
}

QString Num(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace bench

#include "benchsupport.moc"
