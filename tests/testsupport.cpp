#include "testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cmath>
#include <csignal>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace fixture {

namespace {

// Named anew whenever the set of files grows, so that a set made before is made again.
const QString kReadyMark = QStringLiteral("ready-segmented");

QString Converter()
{
    return QStringLiteral(QUILLANE_APP_DIR "/virarurov");
}

QString Prober()
{
    return QStringLiteral(QUILLANE_APP_DIR "/ffprobe");
}

struct VideoSpec
{
    const char* id;
    const char* file;
    int width;
    int height;
    const char* bitrate;
};

const VideoSpec kVideos[] = {
    {"160", "v144.mp4", 256, 144, "1000k"},
    {"133", "v240.mp4", 426, 240, "2000k"},
    {"134", "v360.mp4", 640, 360, "4000k"},
};

bool Convert(const QStringList& args)
{
    int code = -1;
    RunTool(Converter(), QStringList{"-v", "error", "-y"} + args, 300000, &code);
    return code == 0;
}

bool MakeFiles(const QString& folder)
{
    const QString seconds = QString::number(kClipSeconds);
    for (const VideoSpec& v : kVideos) {
        const QString size = QStringLiteral("%1x%2").arg(v.width).arg(v.height);
        // Constant bit rate with filler data: big enough that a throttled download takes
        // a few seconds, and of a predictable size.
        if (!Convert({"-f",
                      "lavfi",
                      "-i",
                      QStringLiteral("testsrc2=size=%1:rate=25:duration=%2").arg(size, seconds),
                      "-c:v",
                      "libx264",
                      "-preset",
                      "ultrafast",
                      "-pix_fmt",
                      "yuv420p",
                      "-b:v",
                      v.bitrate,
                      "-minrate",
                      v.bitrate,
                      "-maxrate",
                      v.bitrate,
                      "-bufsize",
                      v.bitrate,
                      "-x264-params",
                      "nal-hrd=cbr",
                      "-an",
                      "-movflags",
                      "+faststart",
                      folder + QLatin1Char('/') + QLatin1String(v.file)}))
            return false;
    }
    if (!Convert({"-f", "lavfi", "-i",
                  QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
                  "-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart",
                  folder + QStringLiteral("/audio.m4a")}))
        return false;
    // The segmented set: the 144p video with a key frame every second and the audio, cut into
    // one-second segments with a manifest that gives bit rates but no sizes.
    if (!Convert({"-i",
                  folder + QStringLiteral("/v144.mp4"),
                  "-i",
                  folder + QStringLiteral("/audio.m4a"),
                  "-map",
                  "0:v",
                  "-map",
                  "1:a",
                  "-c:v",
                  "libx264",
                  "-preset",
                  "ultrafast",
                  "-b:v",
                  "1000k",
                  "-x264-params",
                  "keyint=25:min-keyint=25:scenecut=0",
                  "-c:a",
                  "copy",
                  "-f",
                  "dash",
                  "-seg_duration",
                  "1",
                  "-init_seg_name",
                  "seg-init-$RepresentationID$.$ext$",
                  "-media_seg_name",
                  "seg-$RepresentationID$-$Number%05d$.$ext$",
                  folder + QStringLiteral("/segmented.mpd")}))
        return false;
    return Convert({"-f", "lavfi", "-i", "testsrc2=size=320x180:rate=1:duration=1", "-frames:v",
                    "1", folder + QStringLiteral("/thumb.jpg")});
}

// Makes `name` in `folder` with the converter's arguments before it, under a passing name
// first, so that a test beside never sees half a file.
bool MakeOnce(const QString& folder, const QString& name, const QStringList& args)
{
    const QString file = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(file))
        return true;
    const QString partial =
        folder + QStringLiteral("/partial-%1-").arg(QCoreApplication::applicationPid()) + name;
    if (!Convert(args + QStringList{partial}) || !QFile::rename(partial, file))
        QFile::remove(partial);
    return QFileInfo::exists(file);
}

bool MarkReady(const QString& folder)
{
    QFile mark(folder + QLatin1Char('/') + kReadyMark);
    return mark.open(QIODevice::WriteOnly);
}

} // namespace

QList<ClipFormat> ClipFormats()
{
    QList<ClipFormat> formats;
    for (const VideoSpec& v : kVideos)
        formats.append(
            {QLatin1String(v.id), QLatin1String(v.file), QStringLiteral("mp4"), v.height});
    formats.append({QStringLiteral("140"), QStringLiteral("audio.m4a"), QStringLiteral("m4a"), 0});
    return formats;
}

QString MakeMedia(const QString& folderIn)
{
    const QString folder = folderIn.isEmpty() ? QStringLiteral(QUILLANE_TEST_WORK_DIR "/media")
                                              : QFileInfo(folderIn).absoluteFilePath();
    if (QFileInfo::exists(folder + QLatin1Char('/') + kReadyMark))
        return folder;
    if (QFileInfo::exists(folder)) {
        // A folder of the caller's: make the files in place.
        return MakeFiles(folder) && MarkReady(folder) ? folder : QString();
    }
    // Made aside and moved in whole, so that tests running side by side never see half a set.
    const QString partial =
        folder + QStringLiteral(".partial-%1").arg(QCoreApplication::applicationPid());
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial) || !MakeFiles(partial) || !MarkReady(partial)) {
        QDir(partial).removeRecursively();
        return QString();
    }
    if (!QDir().rename(partial, folder))
        QDir(partial).removeRecursively(); // another test got there first
    return QFileInfo::exists(folder + QLatin1Char('/') + kReadyMark) ? folder : QString();
}

bool MakeCodecsClip(const QString& mediaFolder)
{
    return MakeOnce(mediaFolder, QStringLiteral("vp9.webm"),
                    {"-f", "lavfi", "-i",
                     QStringLiteral("testsrc2=size=320x180:rate=25:duration=%1").arg(kClipSeconds),
                     "-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-b:v",
                     "200k", "-an"});
}

bool MakeLongClip(const QString& mediaFolder)
{
    const QString seconds = QString::number(kLongClipSeconds);
    return MakeOnce(mediaFolder, QStringLiteral("v20.mp4"),
                    {"-f", "lavfi", "-i",
                     QStringLiteral("testsrc2=size=128x72:rate=25:duration=%1").arg(seconds),
                     "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "25",
                     "-an", "-movflags", "+faststart"}) &&
           MakeOnce(
               mediaFolder, QStringLiteral("a20.m4a"),
               {"-f", "lavfi", "-i",
                QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
                "-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart"});
}

QString ExtractorSizeText(qint64 bytes)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int exponent = 0;
    if (bytes > 0)
        exponent = qMin(int(std::log(double(bytes)) / std::log(1024.0)), 4);
    const double value = double(bytes) / std::pow(1024.0, exponent);
    return QString::asprintf("%.2f%s", value, units[exponent]);
}

QString RecordSizeText(qint64 bytes)
{
    QString text = ExtractorSizeText(bytes);
    const int unit = text.lastIndexOf(QStringLiteral("iB"));
    if (unit >= 0)
        text = text.left(unit) + QLatin1Char('B');
    return text;
}

void IsolateHome(const QString& folder)
{
    const QList<QPair<const char*, QString>> vars = {
        {"HOME", folder + QStringLiteral("/home")},
        {"XDG_DATA_HOME", folder + QStringLiteral("/data")},
        {"XDG_CONFIG_HOME", folder + QStringLiteral("/config")},
        {"XDG_CACHE_HOME", folder + QStringLiteral("/cache")},
    };
    for (const auto& [name, path] : vars) {
        QDir().mkpath(path);
        qputenv(name, QFile::encodeName(path));
    }
}

CMediaServer::~CMediaServer()
{
    Stop();
}

namespace {

// Starts a loopback server script and reads the port it announces ("PORT <n>"); 0 on failure.
quint16 StartServer(QProcess& process, const QStringList& args)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    process.start(QStringLiteral("python3"), args);
    if (!process.waitForStarted(30000))
        return 0;
    QDeadlineTimer deadline(30000);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return 0;
    }
    const QByteArray line = process.readLine().trimmed();
    return line.startsWith("PORT ") ? quint16(line.mid(5).toUInt()) : 0;
}

void StopServer(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill(); // SIGKILL to the server's own process id
        process.waitForFinished(30000);
    }
}

} // namespace

bool CMediaServer::Start(const QString& mediaFolder, qint64 bytesPerSecond)
{
    Stop();
    m_port = StartServer(m_process,
                         {QStringLiteral(QUILLANE_FIXTURES_DIR "/media_server.py"), mediaFolder,
                          QStringLiteral("--rate"), QString::number(bytesPerSecond),
                          QStringLiteral("--duration"), QString::number(kClipSeconds)});
    if (m_port == 0)
        Stop();
    return m_port != 0;
}

void CMediaServer::Stop()
{
    StopServer(m_process);
    m_port = 0;
}

CReleaseServer::~CReleaseServer()
{
    Stop();
}

QString CReleaseServer::Start(const QString& folder, const QString& cut)
{
    Stop();
    QStringList args{QStringLiteral(QUILLANE_FIXTURES_DIR "/release_server.py"), folder};
    if (!cut.isEmpty())
        args << QStringLiteral("--cut") << cut;
    const quint16 port = StartServer(m_process, args);
    if (port == 0) {
        Stop();
        return {};
    }
    return QStringLiteral("http://127.0.0.1:%1/").arg(port);
}

void CReleaseServer::Stop()
{
    StopServer(m_process);
}

bool CMediaServer::SetRate(qint64 bytesPerSecond)
{
    if (m_process.state() != QProcess::Running)
        return false;
    const QByteArray answer = "RATE " + QByteArray::number(bytesPerSecond);
    m_process.write("rate " + QByteArray::number(bytesPerSecond) + '\n');
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            if (m_process.readLine().trimmed() == answer)
                return true;
        }
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
    return false;
}

QString CMediaServer::BaseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString CMediaServer::PageUrl(const QString& title) const
{
    return BaseUrl() + QStringLiteral("/watch?title=") +
           QString::fromLatin1(QUrl::toPercentEncoding(title));
}

QString CMediaServer::SegmentedPageUrl(const QString& title) const
{
    return PageUrl(title) + QStringLiteral("&segmented=1");
}

QString CMediaServer::ChannelUrl() const
{
    return BaseUrl() + QStringLiteral("/channel.xml");
}

QString CMediaServer::NoVideoUrl() const
{
    return BaseUrl() + QStringLiteral("/nothing");
}

QString CMediaServer::MissingUrl() const
{
    return BaseUrl() + QStringLiteral("/missing");
}

ProbeInfo Probe(const QString& file)
{
    ProbeInfo info;
    int code = -1;
    const QByteArray out =
        RunTool(Prober(),
                {"-v", "error", "-show_entries", "stream=codec_type,codec_name:format=duration:format_tags=title",
                 "-of", "json", file},
                60000, &code);
    if (code != 0)
        return info;
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    for (const QJsonValue& s : root.value(QStringLiteral("streams")).toArray()) {
        info.codecTypes << s.toObject().value(QStringLiteral("codec_type")).toString();
        info.codecNames << s.toObject().value(QStringLiteral("codec_name")).toString();
    }
    info.duration = root.value(QStringLiteral("format"))
                        .toObject()
                        .value(QStringLiteral("duration"))
                        .toString()
                        .toDouble();
    info.title = root.value(QStringLiteral("format"))
                     .toObject()
                     .value(QStringLiteral("tags"))
                     .toObject()
                     .value(QStringLiteral("title"))
                     .toString();
    info.ok = !info.codecTypes.isEmpty();
    return info;
}

QString StreamHash(const QString& file, const QString& kind)
{
    int code = -1;
    const QByteArray out = RunTool(Converter(),
                                   {"-v", "error", "-i", file, "-map", "0:" + kind + ":0", "-c",
                                    "copy", "-f", "streamhash", "-hash", "md5", "-"},
                                   120000, &code);
    const int at = out.indexOf("MD5=");
    if (code != 0 || at < 0)
        return QString();
    return QString::fromLatin1(out.mid(at + 4).trimmed());
}

QByteArray RunTool(const QString& program, const QStringList& args, int timeoutMs, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(10000);
        if (exitCode)
            *exitCode = -1;
        return process.readAllStandardOutput();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

} // namespace fixture
