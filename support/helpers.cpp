#include "helpers.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <ctime>
#include <sys/time.h>

namespace {

constexpr int kLocalTimeFailed = 34; // ERANGE, as the callers expect it

std::string FormatScaled(qint64 nBytes, double unit, const char* suffix)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f %s", static_cast<double>(nBytes) / unit, suffix);
    return buf;
}

// The cleaned absolute form of a folder path, for comparisons between folders.
QString CleanAbsolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

std::string GetFileSizeString(qint64 nBytes)
{
    constexpr qint64 kKB = 1024;
    constexpr qint64 kMB = kKB * 1024;
    constexpr qint64 kGB = kMB * 1024;
    constexpr qint64 kTB = kGB * 1024;
    if (nBytes >= kTB)
        return FormatScaled(nBytes, double(kTB), "TB");
    if (nBytes >= kGB)
        return FormatScaled(nBytes, double(kGB), "GB");
    if (nBytes >= kMB)
        return FormatScaled(nBytes, double(kMB), "MB");
    if (nBytes >= kKB)
        return FormatScaled(nBytes, double(kKB), "KB");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lld Bytes", static_cast<long long>(nBytes));
    return buf;
}

std::string GetTimeStringA(qint64 nSeconds)
{
    char buf[64];
    if (nSeconds >= 3600) {
        const qint64 hours = nSeconds / 3600;
        const qint64 minutes = (nSeconds - hours * 3600) / 60;
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(hours), int(minutes),
                      int(nSeconds % 60));
    } else if (nSeconds >= 60) {
        std::snprintf(buf, sizeof buf, "00:%02d:%02d", int(nSeconds / 60), int(nSeconds % 60));
    } else {
        std::snprintf(buf, sizeof buf, "00:00:%02d", int(nSeconds));
    }
    return buf;
}

bool IsDirectoryEmpty(const QString& path)
{
    // Hidden entries are deliberately not listed: a folder holding only them counts as empty.
    const QDir dir(path);
    return dir.entryList(QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot, QDir::Unsorted)
        .isEmpty();
}

bool DelEmptyDir(QString base, QString path)
{
    if (base.isEmpty() || path.isEmpty())
        return false;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return false;
    const QString folder = base + path.left(slash);
    if (!IsDirectoryEmpty(folder))
        return false;

    // Remove the folder and then each emptied parent, up to the first one that cannot go.
    // The climb never leaves the base folder: the base and everything above it belong to
    // the user, only the sub-folders below it were made for the download.
    QString top = CleanAbsolute(base);
    if (!top.endsWith(QLatin1Char('/')))
        top += QLatin1Char('/');
    QString current = CleanAbsolute(folder);
    while (current.size() > top.size() && current.startsWith(top)) {
        if (!QDir().rmdir(current))
            break;
        current = QFileInfo(current).path();
    }
    return true;
}

void rsb_msleep(int ms)
{
    timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    nanosleep(&ts, nullptr);
}

int rsb_getLocalTime(SYSTEMTIME* pTime)
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    tm local;
    const time_t seconds = tv.tv_sec;
    if (!pTime || localtime_r(&seconds, &local) == nullptr)
        return kLocalTimeFailed;
    pTime->year = quint16(local.tm_year + 1900);
    pTime->month = quint16(local.tm_mon + 1);
    pTime->day = quint16(local.tm_mday);
    pTime->dayOfWeek = quint16(local.tm_wday);
    pTime->hour = quint16(local.tm_hour);
    pTime->minute = quint16(local.tm_min);
    pTime->second = quint16(local.tm_sec);
    pTime->milliseconds = quint16(tv.tv_usec / 1000);
    return 0;
}

QString FormatTimeStamp(const SYSTEMTIME& t)
{
    return QString::asprintf("%04d-%02d-%02d-%02d-%02d-%02d", int(t.year), int(t.month), int(t.day),
                             int(t.hour), int(t.minute), int(t.second));
}

QString CurrentTimeStamp()
{
    SYSTEMTIME now;
    if (rsb_getLocalTime(&now) == 0)
        return FormatTimeStamp(now);
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
}
