// Link analysis logic: durations, thumbnail paths, the extractor's argument lists, the
// reading of real format listings, the output folder file, and whole analysis runs.

#include "analysisrun.h"
#include "batchanalysis.h"
#include "formatrule.h"
#include "links.h"
#include "listing.h"
#include "outputpath.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <memory>

namespace {

// Captured from the real extractor (piped, so the plain table form) against a page with
// og/JSON-LD data and a DASH manifest served on 127.0.0.1. Its size column carries "~".
const char kCapturedApprox[] =
    "ID EXT RESOLUTION |   FILESIZE  TBR PROTO | VCODEC       VBR ACODEC     ABR ASR MORE INFO\n"
    "------------------------------------------------------------------------------------------"
    "----------\n"
    "2  m4a audio only | ~520.00KiB  64k dash  | audio only       mp4a.40.2  64k 44k DASH "
    "audio, m4a_dash\n"
    "1  mp4 160x120    | ~812.50KiB 100k dash  | avc1.64000b 100k video only         DASH "
    "video, mp4_dash\n"
    "0  mp4 320x240    | ~  2.38MiB 300k dash  | avc1.64000d 300k video only         DASH "
    "video, mp4_dash\n"
    "Loopback test, clip\n"
    "1:05\n";

// Captured the same way against the test fixture's page (exact sizes, a frame-rate column).
const char kCapturedExact[] =
    "ID  EXT RESOLUTION FPS |  FILESIZE   TBR PROTO | VCODEC        VBR ACODEC      ABR ASR "
    "MORE INFO\n"
    "------------------------------------------------------------------------------------------"
    "-----------------\n"
    "140 m4a audio only     |  70.06KiB  128k http  | audio only        mp4a.40.2  128k 44k DASH "
    "audio, m4a_dash\n"
    "160 mp4 256x144     25 |  29.24KiB 1000k http  | avc1.64001e 1000k video only          DASH "
    "video, mp4_dash\n"
    "133 mp4 426x240     25 |  44.38KiB 2000k http  | avc1.64001e 2000k video only          DASH "
    "video, mp4_dash\n"
    "134 mp4 640x360     25 |  49.58KiB 4000k http  | avc1.64001e 4000k video only          DASH "
    "video, mp4_dash\n"
    "Fixture Clip\n"
    "8\n";

// A row as a site with named qualities lists it.
const char kNamedRow[] = "137 mp4 1920x1080 25 | 71.47MiB 4000k https | avc1.640028 4000k video "
                         "only 1080p, mp4_dash";

// Rows as a site with named qualities lists them, lowest first.
const char kLadderHeading[] =
    "ID  EXT  RESOLUTION FPS |   FILESIZE   TBR PROTO | VCODEC       VBR ACODEC ABR ASR MORE INFO\n"
    "-------------------------------------------------------------------------------------------\n";
const char* const kLadderRows[] = {
    "140 m4a  audio only     |    3.27MiB  130k https | audio only       mp4a.40.2  130k 44k medium, m4a_dash",
    "160 mp4  256x144     25 |    1.53MiB   61k https | avc1.4d400c  61k video only 144p, mp4_dash",
    "133 mp4  426x240     25 |    3.37MiB  134k https | avc1.4d4015 134k video only 240p, mp4_dash",
    "134 mp4  640x360     25 |    6.33MiB  252k https | avc1.4d401e 252k video only 360p, mp4_dash",
    "135 mp4  854x480     25 |   11.00MiB  438k https | avc1.4d401f 438k video only 480p, mp4_dash",
    "136 mp4  1280x720    25 |   20.30MiB  808k https | avc1.4d401f 808k video only 720p, mp4_dash",
    "137 mp4  1920x1080   25 |   37.99MiB 1512k https | avc1.640028 1512k video only 1080p, mp4_dash",
    "299 mp4  1920x1080   60 |   60.12MiB 2395k https | avc1.64002a 2395k video only 1080p60, mp4_dash",
    "271 webm 2560x1440   25 |  112.00MiB 4458k https | vp9         4458k video only 1440p, webm_dash",
    "308 webm 2560x1440   60 |  160.00MiB 6370k https | vp9         6370k video only 1440p60, webm_dash",
    "313 webm 3840x2160   25 |  230.00MiB 9158k https | vp9         9158k video only 2160p, webm_dash",
};

// A listing of the ladder's rows `ids` (in the ladder's order).
QString Ladder(const QStringList& ids)
{
    QString out = QString::fromUtf8(kLadderHeading);
    for (const char* row : kLadderRows) {
        if (ids.contains(QString::fromUtf8(row).section(QLatin1Char(' '), 0, 0)))
            out += QString::fromUtf8(row) + QLatin1Char('\n');
    }
    return out + QStringLiteral("Ladder\n3:25\n");
}

const char kStderrWarning[] = "WARNING: [generic] Falling back on generic information extractor\n";

// The extractor's table in its UTF-8 form: box-drawing separator and column delimiters.
QString BoxForm(const QString& plain)
{
    QStringList lines = plain.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (!line.isEmpty() && line.count(QLatin1Char('-')) == line.size())
            line.fill(QChar(0x2500));
        line.replace(QLatin1Char('|'), QChar(0x2502));
    }
    return lines.join(QLatin1Char('\n'));
}

QString Summary(const _VIDEO_FILE_INFO_& r)
{
    return QStringList{r.QstrFormatId,   r.QstrExt,     r.QstrResolution, r.QstrSize,
                       r.QstrStreamNote, r.QstrQuality, r.QstrFormatExtra}
        .join(QLatin1Char(';'));
}

QStringList Summaries(const std::vector<_VIDEO_FILE_INFO_>& records)
{
    QStringList out;
    for (const _VIDEO_FILE_INFO_& r : records)
        out << Summary(r);
    return out;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// A whole analysis, from its start to its end (or an empty result after five minutes).
ListingResult AnalyseToTheEnd(const AnalysisInput& input)
{
    CAnalysis analysis;
    QSignalSpy finished(&analysis, &CAnalysis::Finished);
    if (!analysis.Start(input) || !QTest::qWaitFor([&] { return !finished.isEmpty(); }, 300000))
        return {};
    return finished.first().first().value<ListingResult>();
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void durationTransfer_data();
    void durationTransfer();
    void thumbnailFile_data();
    void thumbnailFile();
    void thumbnailBase_data();
    void thumbnailBase();
    void argumentLists();
    void splitLinks_data();
    void splitLinks();

    void parseListing_data();
    void parseListing();
    void parseListingStampsEveryRecord();
    void parseListingTitleIsSafeForInfoFiles_data();
    void parseListingTitleIsSafeForInfoFiles();
    void pickFormat_data();
    void pickFormat();

    void outputPathDefault();
    void outputPathWrite_data();
    void outputPathWrite();
    void outputPathRead_data();
    void outputPathRead();
    void outputPathWriteIntoMissingFolder();

    void runAnalysis_data();
    void runAnalysis();
    void runAnalysisCancelled();
    void runBatch();

private:
    QTemporaryDir m_home;
    fixture::CMediaServer m_server;
    bool m_bServing = false;
};

void TestAnalysis::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Nothing of the user's own: the documents folder and the data folder live here.
    fixture::IsolateHome(m_home.path());
}

// The site is started only for the tests that run the extractor.
static bool EnsureServing(fixture::CMediaServer& server, bool& serving)
{
    if (!serving) {
        const QString media = fixture::MakeMedia();
        serving = !media.isEmpty() && server.Start(media);
    }
    return serving;
}

void TestAnalysis::durationTransfer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("seconds") << "45"
                             << "00:00:45";
    QTest::newRow("one digit") << "7"
                               << "00:00:07";
    QTest::newRow("minutes") << "3:25"
                             << "00:03:25";
    QTest::newRow("hours") << "1:02:03"
                           << "01:02:03";
    QTest::newRow("two-digit hours") << "12:34:56"
                                     << "12:34:56";
    QTest::newRow("long hours") << "100:00:00"
                                << "100:00:00";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("days folded into hours") << "1:2:3:4"
                                            << "26:03:04";
    QTest::newRow("four non-numbers kept") << "a:b:c:d"
                                           << "a:b:c:d";
    QTest::newRow("five pieces kept") << "1:2:3:4:5"
                                      << "1:2:3:4:5";
}

void TestAnalysis::durationTransfer()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(VideoDurationTransfer(text), expected);
}

void TestAnalysis::splitLinks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("fresh"); // what the clipboard offers after "seen" was offered
    const QString a = "https://v.example/watch?v=a&list=1#t=3";
    const QString b = "http://127.0.0.1:8080/page.html";
    QTest::newRow("one") << a << QStringList{a} << QStringList{};
    QTest::newRow("lines and blanks") << " " + a + "\r\n\t" + b + "  \n" << QStringList{a, b}
                                      << QStringList{};
    QTest::newRow("twice") << a + " " + a << QStringList{a} << QStringList{};
    QTest::newRow("not links") << "hello ftp://x.example/f file:///etc/passwd https:// "
                                  "javascript:alert(1) " + b
                               << QStringList{b} << QStringList{};
    QTest::newRow("a new one beside a seen one") << a + "\nhttps://v.example/new"
                                                 << QStringList{a, "https://v.example/new"}
                                                 << QStringList{"https://v.example/new"};
}

void TestAnalysis::splitLinks()
{
    QFETCH(QString, text);
    QFETCH(QStringList, links);
    QCOMPARE(SplitLinks(text), links);
    CSeenLinks seen;
    seen.TakeNew("https://v.example/watch?v=a&list=1#t=3 http://127.0.0.1:8080/page.html");
    QFETCH(QStringList, fresh);
    QCOMPARE(seen.TakeNew(text), fresh);
    QCOMPARE(seen.TakeNew(text), QStringList{});
}

void TestAnalysis::thumbnailFile_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three-digit ms") << 14 << 5 << 9 << 123 << "/data/2024/03/07/140509123.jpg";
    QTest::newRow("two-digit ms") << 9 << 30 << 0 << 7 << "/data/2024/03/07/09300007.jpg";
    QTest::newRow("ms 250") << 9 << 30 << 0 << 250 << "/data/2024/03/07/093000250.jpg";
    QTest::newRow("midnight") << 0 << 0 << 0 << 0 << "/data/2024/03/07/00000000.jpg";
}

void TestAnalysis::thumbnailFile()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, ms);
    QFETCH(QString, expected);
    SYSTEMTIME t;
    t.year = 2024;
    t.month = 3;
    t.day = 7;
    t.hour = quint16(hour);
    t.minute = quint16(minute);
    t.second = quint16(second);
    t.milliseconds = quint16(ms);
    QCOMPARE(ThumbnailFile(QStringLiteral("/data/"), t), expected);
}

void TestAnalysis::thumbnailBase_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("jpg") << "/d/2024/03/07/140509123.jpg"
                         << "/d/2024/03/07/140509123";
    QTest::newRow("no dot") << "/d/2024/x"
                            << "/d/2024/x";
}

void TestAnalysis::thumbnailBase()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QCOMPARE(ThumbnailBase(file), expected);
}

void TestAnalysis::argumentLists()
{
    const QString conv = QStringLiteral("/app dir/virarurov");
    // A link that looks like an option stays a link; "%" in the base is no template field.
    QCOMPARE(ThumbnailArgs(conv, QStringLiteral("/d/100% sure/1"), QStringLiteral("-x --exec")),
             QStringList({"--ffmpeg-location", conv, "--flat-playlist", "--write-thumbnail",
                          "--convert-thumbnails", "jpg", "--skip-download", "--output",
                          "/d/100%% sure/1", "--", "-x --exec"}));
    QCOMPARE(ListingArgs(conv, QStringLiteral("-U")),
             QStringList({"--ffmpeg-location", conv, "--flat-playlist", "-F", "--get-duration",
                          "--get-title", "--", "-U"}));
}

void TestAnalysis::parseListing_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("bError");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("duration");

    const QString approx = QString::fromUtf8(kCapturedApprox);
    const QString exact = QString::fromUtf8(kCapturedExact);
    const QStringList approxRecords = {"1;mp4;160x120;812.50KB;only;160x120;mp4_dash",
                                       "0;mp4;320x240;2.38MB;video;320x240;video,"};
    const QStringList exactRecords = {"160;mp4;256x144;29.24KB;video;256x144;video,",
                                      "133;mp4;426x240;44.38KB;video;426x240;video,",
                                      "134;mp4;640x360;49.58KB;video;640x360;video,"};
    const QString sep = QString(17, QLatin1Char('-'));
    const QString named = QString::fromUtf8(kNamedRow);
    const QString namedRecord = "137;mp4;1920x1080;71.47MB;video;1080p;mp4_dash";

    QTest::newRow("captured, approximate sizes")
        << approx << kStderrWarning << false << approxRecords << "Loopback test, clip"
        << "00:01:05";
    QTest::newRow("captured, exact sizes")
        << exact << kStderrWarning << false << exactRecords << "Fixture Clip"
        << "00:00:08";
    QTest::newRow("box-drawing table")
        << BoxForm(exact) << QString() << false << exactRecords << "Fixture Clip"
        << "00:00:08";
    QTest::newRow("ERROR: wins over a listing")
        << exact << "ERROR: [generic] Unable to download webpage: HTTP Error 404\n"
        << true << QStringList() << ""
        << "";
    QTest::newRow("lower-case error: is no error") << exact << "error: nothing serious\n"
                                                   << false << exactRecords << "Fixture Clip"
                                                   << "00:00:08";
    QTest::newRow("no separator") << QString(exact).remove(QLatin1Char('-')) << QString() << false
                                  << QStringList() << ""
                                  << "";
    QTest::newRow("sixteen dashes are no separator")
        << "hdr\n" + QString(16, QLatin1Char('-')) + "\n" + named + "\nT\n1:00\n"
        << QString() << false << QStringList() << ""
        << "";
    QTest::newRow("named quality row") << "hdr\n" + sep + "\n" + named + "\nTitle\n1:02:03\n"
                                       << QString() << false << QStringList{namedRecord} << "Title"
                                       << "01:02:03";
    QTest::newRow("fewer than four lines") << "hdr\n" + sep + "\n" + named + "\n1:00\n"
                                           << QString() << false << QStringList{namedRecord} << ""
                                           << "";
    QTest::newRow("no duration line: the last line is the title")
        << "hdr\n" + sep + "\n" + named + "\n" + named + "\nLive show\n"
        << QString() << false << QStringList{namedRecord, namedRecord} << "Live show"
        << "";
    QTest::newRow("last separator counts")
        << "hdr\n" + sep + "\n" + named + "\nhdr\n" + sep + "\n" +
               QString(named).replace(QStringLiteral("137"), QStringLiteral("248")) + "\nT\n5\n"
        << QString() << false << QStringList{"248;mp4;1920x1080;71.47MB;video;1080p;mp4_dash"}
        << "T"
        << "00:00:05";
    QTest::newRow("skipped: audio, no comma, 14 tokens")
        << "hdr\n" + sep +
               "\n"
               "140 m4a audio only | 1.2MiB 128k https | audio only mp4a 128k 44k low, m4a\n"
               "137 mp4 1920x1080 25 | 71MiB 4000k https | avc1 4000k video only 1080p mp4_dash "
               "x y\n"
               "137 mp4 1920x1080 | 71MiB 4000k https | avc1 4000k video only 1080p, mp4_dash\n"
               "T\n1\n"
        << QString() << false << QStringList() << "T"
        << "00:00:01";
    QTest::newRow("sizes in B and KiB, quality cut at its comma")
        << "hdr\n" + sep +
               "\n"
               "1 mp4 1x1 | x 12.3KiB 1k https | avc1 1k video only 144p60, mp4_dash\n"
               "2 mp4 1x1 25 | 900B 1k https | avc1 1k video only 144p mp4_dash, x\n"
               "T\n1\n"
        << QString() << false
        << QStringList{"1;mp4;1x1;12.3KB;video;144p60;mp4_dash",
                       "2;mp4;1x1;900B;video;144p;mp4_dash,"}
        << "T"
        << "00:00:01";
    QTest::newRow("a title that reads as a format line is one")
        << "hdr\n" + sep + "\n" + named + "\n" + named + "\n3:25\n"
        << QString() << false << QStringList{namedRecord, namedRecord} << named << "00:03:25";
    // A title with line breaks reaches back to the table's last row, whose column marks
    // stand where the heading has them.
    const QString broken = QStringLiteral("Loopback test, clip\n");
    const QString twoLines = QStringLiteral("Part one | of two\nPart two\n");
    QTest::newRow("title over two lines")
        << QString(exact).replace(QStringLiteral("Fixture Clip\n"), twoLines) << QString() << false
        << exactRecords << "Part one | of two Part two"
        << "00:00:08";
    QTest::newRow("title over three lines, box form, no duration")
        << BoxForm(QString(approx)
                       .replace(broken, QStringLiteral("a\n\nc\n"))
                       .remove(QStringLiteral("1:05\n")))
        << QString() << false << approxRecords << "a  c"
        << "";
    QTest::newRow("a title line with a mark in the column stops the title")
        << QString(approx).replace(broken, QStringLiteral("First             | line\nSecond\n"))
        << QString() << false << approxRecords << "Second"
        << "00:01:05";
    QTest::newRow("a format row out of line ends the title too")
        << "ID EXT RESOLUTION |\n" + sep + "\n" + named + "\nOne\nTwo\n8\n"
        << QString() << false << QStringList{namedRecord} << "One Two"
        << "00:00:08";
    QTest::newRow("line starting with a blank")
        << "hdr\n" + sep + "\n " + named + "\nT\n1\n"
        << QString() << false << QStringList{";137;mp4;71.47MB;4000k;mp4;1080p,"} << "T"
        << "00:00:01";
}

void TestAnalysis::parseListing()
{
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, bError);
    QFETCH(QStringList, records);
    QFETCH(QString, title);
    QFETCH(QString, duration);

    const ListingResult result =
        ParseListing(out, err, QStringLiteral("/d/t.jpg"), QStringLiteral("/out/"));
    QCOMPARE(result.bError, bError);
    QCOMPARE(Summaries(result.records), records);
    QCOMPARE(result.title, title);
    QCOMPARE(result.duration, duration);
    for (const _VIDEO_FILE_INFO_& r : result.records)
        QCOMPARE(r.QstrDuration, duration); // what the dialog shows and the task keeps
}

void TestAnalysis::parseListingStampsEveryRecord()
{
    const ListingResult result =
        ParseListing(QString::fromUtf8(kCapturedExact), QString(),
                     QStringLiteral("/d/2024/01/01/1.jpg"), QStringLiteral("/Volumes/Media/"));
    QCOMPARE(result.records.size(), size_t(3));
    for (const _VIDEO_FILE_INFO_& r : result.records) {
        QCOMPARE(r.QstrTitle, QStringLiteral("Fixture Clip"));
        QCOMPARE(r.QstrDuration, QStringLiteral("00:00:08"));
        QCOMPARE(r.QstrThumbPath, QStringLiteral("/d/2024/01/01/1.jpg"));
        QCOMPARE(r.QstrOutputDir, QStringLiteral("/Volumes/Media/"));
        QVERIFY(r.QstrTaskKey.isEmpty());
        QVERIFY(r.QstrUrl.isEmpty());
    }
}

void TestAnalysis::parseListingTitleIsSafeForInfoFiles_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("separator") << "A ##@## B";
    QTest::newRow("carriage return") << "A\rB";
    QTest::newRow("unicode") << QString::fromUtf8("Café – 日本");
}

void TestAnalysis::parseListingTitleIsSafeForInfoFiles()
{
    QFETCH(QString, title);
    const QString out = "hdr\n" + QString(17, QLatin1Char('-')) + "\n" +
                        QString::fromUtf8(kNamedRow) + "\n" + title + "\n8\n";
    const ListingResult result = ParseListing(out, QString(), QString(), QString());
    QCOMPARE(result.records.size(), size_t(1));
    const QString stored = result.records.front().QstrTitle;
    QVERIFY(!stored.contains(QStringLiteral("##@")));
    QVERIFY(!stored.contains(QLatin1Char('\r')));
    QVERIFY(!stored.contains(QLatin1Char('\n')));
    QCOMPARE(stored.size(), title.size() - int(title.count(QStringLiteral("##@"))));
}

void TestAnalysis::pickFormat_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<int>("maxHeight");
    QTest::addColumn<QString>("picked"); // format id; empty: nothing to pick
    const QString all = Ladder({"140", "160", "133", "134", "135", "136", "137", "299", "271",
                                "308", "313"});
    const QString plain = Ladder({"160", "133", "134", "135", "136", "137", "271", "313"});
    QTest::newRow("best: the last row") << plain << 0 << "313";
    QTest::newRow("up to 1440p") << plain << 1440 << "271";
    QTest::newRow("up to 1080p") << plain << 1080 << "137";
    QTest::newRow("up to 720p") << plain << 720 << "136";
    QTest::newRow("up to 480p") << plain << 480 << "135";
    QTest::newRow("60 fps rows: the later of a height") << all << 1080 << "299";
    QTest::newRow("none fits: the lowest") << Ladder({"137", "271", "313"}) << 720 << "137";
    QTest::newRow("none fits, the lowest listed later") << Ladder({"308", "137", "299"}) << 480
                                                        << "137";
    QTest::newRow("heights from the resolution") << QString::fromUtf8(kCapturedExact) << 240
                                                 << "133";
    QTest::newRow("approximate sizes") << QString::fromUtf8(kCapturedApprox) << 1080 << "0";
    QTest::newRow("nothing listed") << Ladder({"140"}) << 1080 << "";
}

void TestAnalysis::pickFormat()
{
    QFETCH(QString, listing);
    QFETCH(int, maxHeight);
    QFETCH(QString, picked);
    const ListingResult result = ParseListing(listing, QString(), QString(), QString());
    const int index = PickFormat(result.records, maxHeight);
    QCOMPARE(index < 0 ? QString() : result.records.at(index).QstrFormatId, picked);
}

void TestAnalysis::outputPathDefault()
{
    QTemporaryDir data;
    const QString dataDir = data.path() + QLatin1Char('/');
    const QString expected = qEnvironmentVariable("HOME") + QStringLiteral("/Documents/Quillane/");
    QVERIFY(expected.startsWith(m_home.path() + QLatin1Char('/')));
    QCOMPARE(DefaultOutputPath(), expected);
    QCOMPARE(ReadOutputPath(dataDir), expected);
    QVERIFY(!QFile::exists(OutputPathFile(dataDir)));
    QVERIFY(!QFileInfo::exists(expected));

    QFile empty(OutputPathFile(dataDir));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(ReadOutputPath(dataDir), expected);
    QCOMPARE(ReadBytes(OutputPathFile(dataDir)), QByteArray());
}

void TestAnalysis::outputPathWrite_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("folder") << "/Volumes/Media/Video" << QByteArray("/Volumes/Media/Video/");
    QTest::newRow("root") << "/" << QByteArray("//");
    QTest::newRow("trailing slash kept") << "/a/b/" << QByteArray("/a/b//");
    QTest::newRow("unicode") << QString::fromUtf8("/home/ü/Vidéos 日本")
                             << QByteArray(
                                    "/home/\xc3\xbc/Vid\xc3\xa9os \xe6\x97\xa5\xe6\x9c\xac/");
}

void TestAnalysis::outputPathWrite()
{
    QFETCH(QString, chosen);
    QFETCH(QByteArray, stored);
    QTemporaryDir data;
    const QString dataDir = data.path() + QLatin1Char('/');
    QVERIFY(WriteOutputPath(dataDir, QStringLiteral("/old")));
    QVERIFY(WriteOutputPath(dataDir, chosen));
    QCOMPARE(ReadBytes(OutputPathFile(dataDir)), stored);
    QCOMPARE(OutputPathFor(chosen), QString::fromUtf8(stored));
    QCOMPARE(ReadOutputPath(dataDir), QString::fromUtf8(stored));
    QCOMPARE(QDir(dataDir).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("OutputPath.txt")});
}

void TestAnalysis::outputPathRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up to NUL") << QByteArray("/a/b/\0rest", 10) << "/a/b/";
    QTest::newRow("nothing trimmed") << QByteArray(" /x/ \n") << " /x/ \n";
    QTest::newRow("NUL first") << QByteArray("\0/a/", 4) << "<default>";
}

void TestAnalysis::outputPathRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    if (expected == QLatin1String("<default>"))
        expected = DefaultOutputPath();
    QTemporaryDir data;
    const QString dataDir = data.path() + QLatin1Char('/');
    QFile file(OutputPathFile(dataDir));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(ReadOutputPath(dataDir), expected);
}

void TestAnalysis::outputPathWriteIntoMissingFolder()
{
    QTemporaryDir data;
    const QString missing = data.path() + QStringLiteral("/gone/");
    QVERIFY(!WriteOutputPath(missing, QStringLiteral("/a")));
    QVERIFY(!QFileInfo::exists(missing));
}

void TestAnalysis::runAnalysis_data()
{
    QTest::addColumn<QString>("link"); // "title:T" for the site's video page titled T
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<bool>("bError");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries"); // a playlist's, in order
    QTest::newRow("video page") << "title:Fixture Clip"
                                << "data" << false << "Fixture Clip" << QStringList();
    QTest::newRow("unicode title, % in the data folder")
        << QString::fromUtf8("title:Café – 日本 100%") << "50% data" << false
        << QString::fromUtf8("Café – 日本 100%") << QStringList();
    QTest::newRow("404") << "missing"
                         << "data" << true << "" << QStringList();
    QTest::newRow("page without a video") << "nothing"
                                          << "data" << true << "" << QStringList();
    // Listed flat: the gone entry is not looked into, so it is offered like the others.
    QTest::newRow("channel") << "channel"
                             << "data" << false << "Fixture Channel"
                             << QStringList{"First Clip", "Gone Clip", "Third Clip"};
}

void TestAnalysis::runAnalysis()
{
    QFETCH(QString, link);
    QFETCH(QString, folderName);
    QFETCH(bool, bError);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);
    QVERIFY(EnsureServing(m_server, m_bServing));
    if (link.startsWith(QLatin1String("title:")))
        link = m_server.PageUrl(link.mid(6));
    else if (link == QLatin1String("channel"))
        link = m_server.ChannelUrl();
    else
        link = link == QLatin1String("missing") ? m_server.MissingUrl() : m_server.NoVideoUrl();

    QTemporaryDir work;
    const QString dataDir = work.path() + QLatin1Char('/') + folderName + QLatin1Char('/');
    const QString thumb = ThumbnailFile(dataDir, SYSTEMTIME{2024, 1, 2, 0, 3, 4, 5, 6});
    QVERIFY(QDir().mkpath(QFileInfo(thumb).path()));
    const ListingResult result =
        AnalyseToTheEnd({QStringLiteral(QUILLANE_APP_DIR), link, thumb, QStringLiteral("/out/")});

    QCOMPARE(result.bError, bError);
    QVERIFY(!result.bCancelled);
    QCOMPARE(result.title, title);
    QCOMPARE(result.playlist.bIsPlaylist, !entries.isEmpty());
    if (bError || !entries.isEmpty()) {
        QVERIFY(result.records.empty());
        QStringList listed;
        for (const PlaylistEntry& entry : result.playlist.entries) {
            listed << entry.title;
            QCOMPARE(entry.duration, QStringLiteral("00:00:08"));
            QVERIFY(entry.url.startsWith(m_server.BaseUrl()));
        }
        QCOMPARE(listed, entries);
        QVERIFY(!QFile::exists(thumb)); // a playlist has none
        return;
    }
    QStringList ids;
    for (const _VIDEO_FILE_INFO_& r : result.records) {
        ids << r.QstrFormatId;
        QCOMPARE(r.QstrTitle, title);
        QCOMPARE(r.QstrDuration, QStringLiteral("00:00:08"));
    }
    const QList<fixture::ClipFormat> formats = fixture::ClipFormats();
    QCOMPARE(ids, QStringList({formats[0].id, formats[1].id, formats[2].id}));
    QCOMPARE(ReadBytes(thumb).left(2), QByteArray("\xff\xd8")); // the thumbnail, as JPEG
}

void TestAnalysis::runAnalysisCancelled()
{
    QVERIFY(EnsureServing(m_server, m_bServing));
    // So slow that the thumbnail alone would take minutes.
    QVERIFY(m_server.SetRate(100));
    QTemporaryDir work;
    const QString thumb = work.path() + QStringLiteral("/1.jpg");
    CAnalysis analysis;
    QSignalSpy finished(&analysis, &CAnalysis::Finished);
    QVERIFY(analysis.Start({QStringLiteral(QUILLANE_APP_DIR), m_server.PageUrl(), thumb, QString()}));
    QVERIFY(!analysis.Start({})); // one at a time
    QTest::qWait(1500); // let the extractor get under way
    QVERIFY(analysis.IsRunning());
    analysis.Cancel();
    QVERIFY(!analysis.IsRunning());
    QVERIFY(m_server.SetRate(0));
    QCOMPARE(finished.size(), 1);
    const ListingResult result = finished.first().first().value<ListingResult>();
    QVERIFY(result.bCancelled);
    QVERIFY(!result.bError);
    QVERIFY(result.records.empty());
    // Stopped, not waited for: the thumbnail never arrived whole.
    QVERIFY(QFileInfo(thumb).size() < QFileInfo(fixture::MakeMedia() + "/thumb.jpg").size());
}

// Four links, one of them a 404, two at a time: the count told as it grows, the results in
// the order of the links, each analysis with a thumbnail of its own; a cancel stops both runs.
void TestAnalysis::runBatch()
{
    QVERIFY(EnsureServing(m_server, m_bServing));
    QTemporaryDir work;
    const QStringList links = {m_server.PageUrl(QStringLiteral("One")), m_server.MissingUrl(),
                               m_server.PageUrl(QStringLiteral("Three")),
                               m_server.PageUrl(QStringLiteral("Four"))};
    CBatchAnalysis batch;
    QSignalSpy analysed(&batch, &CBatchAnalysis::LinkAnalysed);
    QSignalSpy finished(&batch, &CBatchAnalysis::Finished);
    const AnalysisInput input{QStringLiteral(QUILLANE_APP_DIR), QString(),
                              work.path() + QStringLiteral("/b.jpg"), QStringLiteral("/out/")};
    batch.Start(input, links);
    QCOMPARE(batch.RunningCount(), 2);
    QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 300000));
    QTest::qWait(100); // nothing more is told
    QCOMPARE(finished.size(), 1);
    QCOMPARE(analysed.size(), 4);
    QSet<int> indexes;
    for (int k = 0; k < 4; ++k) {
        indexes << analysed[k][0].toInt();
        QCOMPARE(analysed[k][1].toInt(), k + 1); // done so far
    }
    QCOMPARE(indexes, QSet<int>({0, 1, 2, 3}));

    const std::vector<ListingResult>& results = batch.Results();
    QCOMPARE(results[1].error.QstrClass, QStringLiteral("Unavailable"));
    const QStringList titles = {"One", "", "Three", "Four"};
    const QStringList thumbs = {"/b.jpg", "", "/b-2.jpg", "/b-3.jpg"};
    for (int k : {0, 2, 3}) {
        QCOMPARE(results[k].title, titles[k]);
        QCOMPARE(results[k].records.front().QstrThumbPath, work.path() + thumbs[k]);
        QCOMPARE(ReadBytes(work.path() + thumbs[k]).left(2), QByteArray("\xff\xd8"));
    }

    QVERIFY(m_server.SetRate(100)); // the thumbnails alone would take minutes
    batch.Start(input, links);
    QTest::qWait(1500);
    QCOMPARE(batch.RunningCount(), 2);
    const qsizetype toldBefore = analysed.size(); // the missing page may have been told by now
    batch.Cancel();
    QVERIFY(m_server.SetRate(0));
    QCOMPARE(batch.RunningCount(), 0);
    QTest::qWait(300);
    QCOMPARE(analysed.size(), toldBefore); // nothing more of the cancelled batch is told
}

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
