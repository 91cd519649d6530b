#pragma once
// Shared helpers of the tests: media made with the real converter, a loopback video site
// for the real extractor, and a probe of the files a download writes.
//
// Compile definitions (from tests/CMakeLists.txt): QUILLANE_APP_DIR (the assembled
// application folder: Pelmora, virarurov, ffprobe, config.ini, Languages/),
// QUILLANE_SOURCE_DIR, QUILLANE_FIXTURES_DIR (tests/fixtures), QUILLANE_TEST_WORK_DIR.
//
// The site (tests/fixtures/media_server.py, 127.0.0.1 only):
//   PageUrl(title)  a video page with og:title, og:video, og:image and a JSON-LD VideoObject
//                   whose contentUrl is a DASH manifest of single-file representations
//                   with exact sizes; the extractor's generic extractor reads it
//   SegmentedPageUrl(title)  the same page with a manifest of segmented representations
//                   (144p video, audio) without sizes: the extractor lists estimated sizes
//                   ("~1000.00KiB") and downloads in fragments with estimated totals
//   NoVideoUrl()    a page without a video      MissingUrl()  a 404
//   SetRate(n)      throttles media bytes to n per second (0: full speed), honoured
//                   by transfers already under way
// Media files can be fetched in ranges (206), so a stopped download resumes.
//
// What the real extractor lists for PageUrl("Fixture Clip") with
// `Pelmora -F --get-duration --get-title URL` (yt-dlp 2023.03.04; the extractor's
// warning "Falling back on generic information extractor" goes to the error channel):
//
// clang-format off
//   ID  EXT RESOLUTION FPS |    FILESIZE   TBR PROTO | VCODEC        VBR ACODEC      ABR ASR MORE INFO
//   -------------------------------------------------------------------------------------------------------------
//   140 m4a audio only     |   126.47KiB  128k http  | audio only        mp4a.40.2  128k 44k DASH audio, m4a_dash
//   160 mp4 256x144     25 |  1021.89KiB 1000k http  | avc1.64001e 1000k video only          DASH video, mp4_dash
//   133 mp4 426x240     25 |     1.92MiB 2000k http  | avc1.64001e 2000k video only          DASH video, mp4_dash
//   134 mp4 640x360     25 |     3.79MiB 4000k http  | avc1.64001e 4000k video only          DASH video, mp4_dash
//   Fixture Clip
//   8
// clang-format on
//
// Exact sizes vary a little with the encoder; ClipFormats() and ExtractorSizeText() give
// the values of the files actually made.
//
// Typical use:
//   QTemporaryDir home; IsolateHome(home.path());      // before anything uses QStandardPaths
//   const QString media = MakeMedia();                  // cached for all tests
//   CMediaServer server; QVERIFY(server.Start(media));
//   ... run Pelmora from QUILLANE_APP_DIR against server.PageUrl("Title") ...
//   server.Stop();                                      // also done by the destructor

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fixture {

constexpr int kClipSeconds = 8;
constexpr int kLongClipSeconds = 20; // the page PageUrl() + "&long=1"

// One format of the clip as the site offers it.
struct ClipFormat
{
    QString id;     // the extractor's format code, e.g. "134"
    QString file;   // file name in the media folder, e.g. "v360.mp4"
    QString ext;    // "mp4" or "m4a"
    int height = 0; // 0 for the audio
};

// The three video-only formats (160: 256x144, 133: 426x240, 134: 640x360; constant
// 1, 2 and 4 Mbit/s) followed by the audio-only one (140: AAC in m4a).
QList<ClipFormat> ClipFormats();

// Makes the clip files, thumb.jpg included, in `folder` (default: QUILLANE_TEST_WORK_DIR
// + "/media") unless they are there already; returns the folder, or "" on failure.
QString MakeMedia(const QString& folder = QString());

// Files that only some tests need, made into the media folder (MakeMedia's) unless they are
// there already, each whole or not at all; false on failure.
//   MakeCodecsClip: vp9.webm (VP9, 320x180, 8 s) for the page PageUrl() + "&codecs=1", which
//                   offers it beside 160 (H.264)
//   MakeLongClip:   v20.mp4 (H.264, 128x72) and a20.m4a (AAC), 20 s, for PageUrl() + "&long=1"
bool MakeCodecsClip(const QString& mediaFolder);
bool MakeLongClip(const QString& mediaFolder);

// Size text as the extractor prints it: "1021.89KiB", "3.79MiB".
QString ExtractorSizeText(qint64 bytes);
// The same as the task record keeps it: "1021.89KB", "3.79MB".
QString RecordSizeText(qint64 bytes);

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME below `folder`, so that
// neither the program nor the extractor it runs reads or writes the user's own files.
void IsolateHome(const QString& folder);

// The loopback site. Stopped (by process id) when destroyed.
class CMediaServer
{
public:
    CMediaServer() = default;
    ~CMediaServer();
    CMediaServer(const CMediaServer&) = delete;
    CMediaServer& operator=(const CMediaServer&) = delete;

    bool Start(const QString& mediaFolder, qint64 bytesPerSecond = 0);
    void Stop();
    bool SetRate(qint64 bytesPerSecond);

    quint16 Port() const { return m_port; }
    QString BaseUrl() const;
    QString PageUrl(const QString& title = QStringLiteral("Fixture Clip")) const;
    QString SegmentedPageUrl(const QString& title) const;
    QString NoVideoUrl() const;
    QString ChannelUrl() const; // a feed of three videos, the second of them gone
    QString MissingUrl() const;

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// The loopback release feed (tests/fixtures/release_server.py): the files of a folder at
// /NAME, and /status/N answering with the status N. Stopped (by process id) when destroyed.
class CReleaseServer
{
public:
    CReleaseServer() = default;
    ~CReleaseServer();
    CReleaseServer(const CReleaseServer&) = delete;
    CReleaseServer& operator=(const CReleaseServer&) = delete;

    // Serves `folder`; the file `cut`, if named, is announced whole and cut off half-way.
    // Returns the feed's address ("http://127.0.0.1:PORT/"), or "" on failure.
    QString Start(const QString& folder, const QString& cut = QString());
    void Stop();

private:
    QProcess m_process;
};

// What ffprobe says of a media file.
struct ProbeInfo
{
    bool ok = false;
    QStringList codecTypes; // one per stream, e.g. {"video", "audio"}
    QStringList codecNames; // e.g. {"h264", "aac"}
    double duration = 0;    // seconds, of the container
    QString title;          // the container's title tag
};
ProbeInfo Probe(const QString& file);

// MD5 of the packets of the file's first video ("v") or audio ("a") stream: equal for two
// files that carry the same stream, whatever container holds it.
QString StreamHash(const QString& file, const QString& kind);

// Runs a program to its end (at most `timeoutMs`) and returns its standard output.
QByteArray RunTool(const QString& program, const QStringList& args, int timeoutMs = 120000,
                   int* exitCode = nullptr);

} // namespace fixture
