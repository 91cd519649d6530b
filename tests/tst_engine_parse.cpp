// The download command, the line buffer and the judgement of the extractor's output lines.
// Output lines are those the real extractor prints (yt-dlp 2023.03.04).

#include "command.h"
#include "outputparser.h"
#include "statusline.h"
#include "testsupport.h"

#include <QDir>
#include <QtTest>

namespace {

const QString kKey = QStringLiteral("2024-05-06-07-08-09");
const QString kOut = QStringLiteral("/videos/out/");
const QString kGap = QStringLiteral("      ");

_VIDEO_FILE_INFO_ Record(const QString& title, const QString& ext, const QString& url)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = QStringLiteral("134");
    info.QstrExt = ext;
    info.QstrSize = QStringLiteral("3.79MB");
    info.QstrTitle = title;
    info.QstrOutputDir = kOut;
    info.QstrTaskKey = kKey;
    info.QstrUrl = url;
    return info;
}

// "value|label" of each report, for readable tables.
QStringList Describe(const QList<ProgressReport>& reports)
{
    QStringList out;
    for (const ProgressReport& r : reports) {
        out << QString::number(r.nProValue) + QLatin1Char('|') + StatusLineText(r);
    }
    return out;
}

QString Status(const QString& size, const QString& percent, const QString& eta,
               const QString& speed)
{
    return size + kGap + QStringLiteral("Completed: ") + percent + kGap + eta + kGap + speed;
}

} // namespace

class TestEngineParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void command_data();
    void command();
    void commandKeepsTitleInsideOutputFolder_data();
    void commandKeepsTitleInsideOutputFolder();
    void toolPaths();
    void outputPathVariables_data();
    void outputPathVariables();
    void downloadEnvironment();
    void lineBuffer_data();
    void lineBuffer();
    void judgeChunk_data();
    void judgeChunk();
    void reportsCarryTheStateTheyWereMadeIn();
    void statusSizePart_data();
    void statusSizePart();
    void statusLineInOtherWords_data();
    void statusLineInOtherWords();
};

void TestEngineParse::command_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("file");      // the real output file
    QTest::addColumn<QString>("outputArg"); // what -o gets
    QTest::addColumn<QString>("selector");  // what -f gets
    QTest::addColumn<QString>("folder");

    const QString url = QStringLiteral("http://127.0.0.1:1/watch?v=1");
    QTest::newRow("mp4") << "Clip"
                         << "mp4" << url << kOut + "Clip-" + kKey + ".mp4"
                         << kOut + "Clip-" + kKey + ".mp4"
                         << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("webm asks for webm audio")
        << "Clip"
        << "webm" << url << kOut + "Clip-" + kKey + ".webm" << kOut + "Clip-" + kKey + ".webm"
        << "ba[ext=webm]+134" << kOut;
    QTest::newRow("WEBM in capitals asks for m4a")
        << "Clip"
        << "WEBM" << url << kOut + "Clip-" + kKey + ".WEBM" << kOut + "Clip-" + kKey + ".WEBM"
        << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("double quotes removed") << "Say \"hi\" now"
                                           << "mp4" << url << kOut + "Say hi now-" + kKey + ".mp4"
                                           << kOut + "Say hi now-" + kKey + ".mp4"
                                           << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("spaces kept") << "A  B C"
                                 << "mp4" << url << kOut + "A  B C-" + kKey + ".mp4"
                                 << kOut + "A  B C-" + kKey + ".mp4"
                                 << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("percent doubled for the template only")
        << "100% sure"
        << "mp4" << url << kOut + "100% sure-" + kKey + ".mp4"
        << kOut + "100%% sure-" + kKey + ".mp4"
        << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("template field stays literal")
        << "%(id)s"
        << "mp4" << url << kOut + "%(id)s-" + kKey + ".mp4" << kOut + "%%(id)s-" + kKey + ".mp4"
        << "ba[ext=m4a]+134" << kOut;
    QTest::newRow("sub-folder") << "a/b"
                                << "mp4" << url << kOut + "a/b-" + kKey + ".mp4"
                                << kOut + "a/b-" + kKey + ".mp4"
                                << "ba[ext=m4a]+134" << kOut + "a/";
    QTest::newRow("link that looks like an option")
        << "Clip"
        << "mp4"
        << "-o/etc/evil" << kOut + "Clip-" + kKey + ".mp4" << kOut + "Clip-" + kKey + ".mp4"
        << "ba[ext=m4a]+134" << kOut;
}

void TestEngineParse::command()
{
    QFETCH(QString, title);
    QFETCH(QString, ext);
    QFETCH(QString, url);
    QFETCH(QString, file);
    QFETCH(QString, outputArg);
    QFETCH(QString, selector);
    QFETCH(QString, folder);

    const _VIDEO_FILE_INFO_ info = Record(title, ext, url);
    QCOMPARE(DownloadOutputFile(info), file);
    QCOMPARE(DownloadOutputFolder(info), folder);
    const QStringList expected = {"--ffmpeg-location",
                                  "/app/virarurov",
                                  "--add-metadata",
                                  "--merge-output-format",
                                  ext,
                                  "-o",
                                  outputArg,
                                  "-f",
                                  selector,
                                  "--",
                                  url};
    QCOMPARE(BuildDownloadArgs(info, QStringLiteral("/app")), expected);
}

void TestEngineParse::commandKeepsTitleInsideOutputFolder_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("parent") << "../x";
    QTest::newRow("parents") << "../../../etc/passwd";
    QTest::newRow("quoted parent") << "\"..\"/x";
    QTest::newRow("leading slash") << "/etc/passwd";
    QTest::newRow("dot") << "./x";
    QTest::newRow("only dots") << "..";
    QTest::newRow("inner parent") << "a/../../x";
    QTest::newRow("empty") << "";
}

void TestEngineParse::commandKeepsTitleInsideOutputFolder()
{
    QFETCH(QString, title);
    const _VIDEO_FILE_INFO_ info = Record(title, QStringLiteral("mp4"), QStringLiteral("u"));
    const QString file = DownloadOutputFile(info);
    const QString folder = DownloadOutputFolder(info);
    QVERIFY2(file.startsWith(kOut), qPrintable(file));
    QVERIFY2(QDir::cleanPath(file).startsWith(kOut), qPrintable(file));
    const QStringList parts = file.mid(kOut.size()).split(QLatin1Char('/'));
    QVERIFY2(!parts.contains(QStringLiteral("..")) && !parts.contains(QStringLiteral(".")) &&
                 !parts.contains(QString()),
             qPrintable(file));
    QVERIFY(file.endsWith(QLatin1Char('-') + kKey + QStringLiteral(".mp4")));
    QVERIFY(folder.startsWith(kOut) && file.startsWith(folder));
    QVERIFY(!file.mid(folder.size()).contains(QLatin1Char('/')));
}

void TestEngineParse::toolPaths()
{
    QCOMPARE(ExtractorPath(QStringLiteral("/opt/q")), QStringLiteral("/opt/q/Pelmora"));
    QCOMPARE(ConverterPath(QStringLiteral("/opt/q")), QStringLiteral("/opt/q/virarurov"));
    QCOMPARE(ExtractorPath(QStringLiteral("C:\\q")), QStringLiteral("C:/q/Pelmora"));
    QCOMPARE(ConverterPath(QStringLiteral("C:\\q")), QStringLiteral("C:/q/virarurov"));
}

void TestEngineParse::outputPathVariables_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("none") << "/out/Clip-1.mp4" << QStringList();
    QTest::newRow("plain") << "/out/$HOME x-1.mp4" << QStringList{"HOME"};
    QTest::newRow("braces") << "/out/${USER}-1.mp4" << QStringList{"USER"};
    QTest::newRow("braces with blanks") << "/out/${A B}-1.mp4" << QStringList{"A B"};
    QTest::newRow("several, once each") << "/out/$A $B $A-1.mp4" << QStringList{"A", "B"};
    QTest::newRow("dollar alone") << "/out/5$ $ $$-1.mp4" << QStringList();
    QTest::newRow("stops at non-ASCII") << "/out/$HOMEé-1.mp4" << QStringList{"HOME"};
    QTest::newRow("digits") << "/out/$1abc-1.mp4" << QStringList{"1abc"};
}

void TestEngineParse::outputPathVariables()
{
    QFETCH(QString, path);
    QFETCH(QStringList, names);
    QCOMPARE(OutputPathVariables(path), names);
}

void TestEngineParse::downloadEnvironment()
{
    QProcessEnvironment base;
    base.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    base.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin"));
    base.insert(QStringLiteral("X Y"), QStringLiteral("1"));
    const QProcessEnvironment env = DownloadEnvironment(
        Record(QStringLiteral("My $HOME ${X Y}"), QStringLiteral("mp4"), QStringLiteral("u")),
        base);
    QVERIFY(!env.contains(QStringLiteral("HOME")));
    QVERIFY(!env.contains(QStringLiteral("X Y")));
    QCOMPARE(env.value(QStringLiteral("PATH")), QStringLiteral("/usr/bin"));
}

void TestEngineParse::lineBuffer_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("rest");

    QTest::newRow("progress lines end with CR only")
        << QList<QByteArray>{"\r[download]   1.0% of 3.79MiB\r[download]   2.0% of 3.79MiB"}
        << QStringList{"[download]   1.0% of 3.79MiB"} << "[download]   2.0% of 3.79MiB";
    QTest::newRow("CR LF is one line end")
        << QList<QByteArray>{"one\r\ntwo\r\n"} << QStringList{"one", "two"} << "";
    QTest::newRow("LF then CR gives no empty line")
        << QList<QByteArray>{"Destination: x\n\r[download] 0.1%\r"}
        << QStringList{"Destination: x", "[download] 0.1%"} << "";
    QTest::newRow("line split across reads")
        << QList<QByteArray>{"[download]  4", "5.3% of 123.45MiB", "\r"}
        << QStringList{"[download]  45.3% of 123.45MiB"} << "";
    QTest::newRow("two-byte character split") << QList<QByteArray>{"Gr\xc3", "\xb6\xc3\x9f"
                                                                             "e\n"}
                                              << QStringList{"Größe"} << "";
    QTest::newRow("four-byte character split in three")
        << QList<QByteArray>{"a\xf0\x9f", "\x8e",
                             "\xac"
                             "b\n"}
        << QStringList{QString::fromUtf8("a\xf0\x9f\x8e\xac"
                                         "b")}
        << "";
    QTest::newRow("metadata path split")
        << QList<QByteArray>{"[Metadata] Adding metadata to \"/out/Ti", "tle-2024.mp4\"\n"}
        << QStringList{"[Metadata] Adding metadata to \"/out/Title-2024.mp4\""} << "";
    QTest::newRow("unfinished last line")
        << QList<QByteArray>{"done\npart"} << QStringList{"done"} << "part";
    QTest::newRow("nothing") << QList<QByteArray>{"", ""} << QStringList() << "";
}

void TestEngineParse::lineBuffer()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, lines);
    QFETCH(QString, rest);

    CLineBuffer buffer;
    QStringList got;
    for (const QByteArray& bytes : reads)
        got += buffer.Append(bytes);
    QCOMPARE(got, lines);
    QCOMPARE(buffer.Flush(), rest);
    QCOMPARE(buffer.Flush(), QString());
}

void TestEngineParse::judgeChunk_data()
{
    QTest::addColumn<QString>("size");     // QstrSize of the task
    QTest::addColumn<QString>("percent0"); // QstrPercent before
    QTest::addColumn<bool>("hasProgress0");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasProgress");
    QTest::addColumn<bool>("rewrite");

    const QString big = QStringLiteral("123.45MB");
    const QString example =
        QStringLiteral("[download]  45.3% of 123.45MiB at    2.50MiB/s ETA 00:30");
    const QString file = QStringLiteral("/out/Clip-2024.mp4");
    const QString metadata = QStringLiteral("[Metadata] Adding metadata to \"") + file + "\"";

    QTest::newRow("example line") << big << "" << false << true << QStringList{example}
                                  << QStringList{"45|" + Status("55.92 MB/123.45MB", "45.3%",
                                                                "00:30", "2.50MiB/s")}
                                  << "45.3"
                                  << "" << true << false;
    QTest::newRow("even whole percentage rewrites the info file")
        << big << "45.3" << true << true
        << QStringList{"[download]  46.0% of 123.45MiB at    2.50MiB/s ETA 00:29"}
        << QStringList{"46|" + Status("56.79 MB/123.45MB", "46.0%", "00:29", "2.50MiB/s")} << "46.0"
        << "" << true << true;
    QTest::newRow("other stream before progress")
        << "80.00MB"
        << "" << false << true << QStringList{example} << QStringList{"0|Analyzing..."} << ""
        << "" << false << false;
    QTest::newRow("other stream after progress")
        << "80.00MB"
        << "12.0" << true << true << QStringList{example} << QStringList() << "12.0"
        << "" << true << false;
    QTest::newRow("last progress line counts")
        << big << "" << false << true
        << QStringList{"[download]  10.0% of 123.45MiB at    2.50MiB/s ETA 00:50",
                       "[download]  20.0% of 123.45MiB at    2.50MiB/s ETA 00:40",
                       "[download]  31.0% of 123.45MiB at    3.00MiB/s ETA 00:30"}
        << QStringList{"31|" + Status("38.27 MB/123.45MB", "31.0%", "00:30", "3.00MiB/s")} << "31.0"
        << "" << true << false;
    QTest::newRow("100% ends the stream, status kept")
        << big << "99.9" << true << true
        << QStringList{"[download] 100% of  123.45MiB in 00:00:50 at 2.47MiB/s  "}
        << QStringList{"100|"} << "100"
        << "" << true << false;
    QTest::newRow("100.0% is progress")
        << big << "99.9" << true << true
        << QStringList{"[download] 100.0% of  123.45MiB at    2.50MiB/s ETA 00:00"}
        << QStringList{"100|" + Status("123.45 MB/123.45MB", "100.0%", "00:00", "2.50MiB/s")}
        << "100.0"
        << "" << true << true;
    QTest::newRow("unknown speed and time left")
        << "475.45KB"
        << "" << false << true
        << QStringList{"[download]   0.2% of  475.45KiB at  Unknown B/s ETA Unknown"}
        << QStringList{"0|" + Status("973 Bytes/475.45KB", "0.2%", "Unknown", "Unknown B/s")}
        << "0.2"
        << "" << true << true;
    QTest::newRow("fragments, estimated total")
        << "5.41MB"
        << "" << false << true
        << QStringList{"[download]  45.3% of ~   5.41MiB at    2.50MiB/s ETA 00:30 (frag 4/9)"}
        << QStringList{"45|" + Status("2.45 MB/5.41MB", "45.3%", "00:30", "2.50MiB/s")} << "45.3"
        << "" << true << false;
    QTest::newRow("GiB total")
        << "1.50GB"
        << "" << false << true
        << QStringList{"[download]  50.0% of    1.50GiB at   10.00MiB/s ETA 01:15"}
        << QStringList{"50|" + Status("768.00 MB/1.50GB", "50.0%", "01:15", "10.00MiB/s")} << "50.0"
        << "" << true << true;
    QTest::newRow("KiB total")
        << "1021.89KB"
        << "" << false << true
        << QStringList{"[download]  25.0% of 1021.89KiB at  500.00KiB/s ETA 00:01"}
        << QStringList{"25|" + Status("255.47 KB/1021.89KB", "25.0%", "00:01", "500.00KiB/s")}
        << "25.0"
        << "" << true << false;
    QTest::newRow("missing tokens read as empty")
        << big << "" << false << true << QStringList{"[download]  12.0% of 123.45MiB"}
        << QStringList{"12|" + Status("14.81 MB/123.45MB", "12.0%", "", "")} << "12.0"
        << "" << true << true;
    QTest::newRow("percentage that is no number")
        << big << "" << false << true << QStringList{"[download] abc% of 123.45MiB at x ETA y"}
        << QStringList{"0|" + Status("0 Bytes/123.45MB", "abc%", "y", "x")} << "abc"
        << "" << true << true;
    QTest::newRow("task without size takes any progress")
        << ""
        << "" << false << true
        << QStringList{"[download]  45.3% of 123.45MiB at    2.50MiB/s ETA 00:30"}
        << QStringList{"45|" + Status("55.92 MB/123.45MB", "45.3%", "00:30", "2.50MiB/s")} << "45.3"
        << "" << true << false;
    QTest::newRow("audio done, then the video starts")
        << "3.79MB"
        << "" << false << true
        << QStringList{"[download] 100.0% of  126.47KiB at   49.80MiB/s ETA 00:00",
                       "[download] 100% of  126.47KiB in 00:00:00 at 12.60MiB/s  ",
                       "[download] Destination: /out/Clip-2024.f134.mp4",
                       "[download]   0.0% of    3.79MiB at  Unknown B/s ETA Unknown"}
        << QStringList{"0|" + Status("0 Bytes/3.79MB", "0.0%", "Unknown", "Unknown B/s")} << "0.0"
        << "" << true << true;
    QTest::newRow("video done, then the other stream")
        << "3.79MB"
        << "98.0" << true << true
        << QStringList{"[download] 100% of    3.79MiB in 00:00:01 at 3.10MiB/s  ",
                       "[download] Destination: /out/Clip-2024.f140.m4a",
                       "[download]  50.0% of  126.47KiB at    1.00MiB/s ETA 00:00"}
        << QStringList{"100|"} << "100"
        << "" << true << false;
    QTest::newRow("destination only, before progress")
        << "3.79MB"
        << "" << false << true
        << QStringList{"[info] watch: Downloading 1 format(s): 140+134",
                       "[download] Destination: /out/Clip-2024.f140.m4a"}
        << QStringList{"0|Analyzing..."} << ""
        << "" << false << false;
    QTest::newRow("resuming, before progress")
        << "3.79MB"
        << "" << false << true << QStringList{"[download] Resuming download at byte 12345"}
        << QStringList{"0|Analyzing..."} << ""
        << "" << false << false;
    QTest::newRow("resuming, after progress")
        << "3.79MB"
        << "12.0" << true << true << QStringList{"[download] Resuming download at byte 12345"}
        << QStringList() << "12.0"
        << "" << true << false;
    QTest::newRow("finished file already downloaded")
        << "3.79MB"
        << "" << false << true
        << QStringList{"[download] /out/Clip-2024.mp4 has already been downloaded"}
        << QStringList{"100|"} << "100"
        << "" << false << false;
    QTest::newRow("own part already downloaded")
        << "3.79MB"
        << "40.0" << true << true
        << QStringList{"[download] /out/Clip-2024.f134.mp4 has already been downloaded"}
        << QStringList{"100|"} << "100"
        << "" << true << false;
    QTest::newRow("other part already downloaded, own progress follows")
        << "3.79MB"
        << "20.0" << true << true
        << QStringList{"[download] /out/Clip-2024.f140.m4a has already been downloaded",
                       "[download] Resuming download at byte 523264",
                       "[download] Destination: /out/Clip-2024.f134.mp4",
                       "[download] 100% of    3.79MiB in 00:00:01 at 3.10MiB/s  "}
        << QStringList{"100|"} << "100"
        << "" << true << false;
    QTest::newRow("already downloaded, then metadata")
        << "3.79MB"
        << "" << false << true
        << QStringList{"[download] /out/Clip-2024.mp4 has already been downloaded", metadata}
        << QStringList{"100|", "100|Adding metadata"} << "100" << file << false << false;
    QTest::newRow("metadata at 100")
        << "3.79MB"
        << "100" << true << true << QStringList{metadata} << QStringList{"100|Adding metadata"}
        << "100" << file << true << false;
    QTest::newRow("metadata before 100") << "3.79MB"
                                         << "50.0" << true << true << QStringList{metadata}
                                         << QStringList() << "50.0" << file << true << false;
    QTest::newRow("metadata after the run's end completes")
        << "3.79MB"
        << "100" << true << false << QStringList{metadata}
        << QStringList{"100|Adding metadata", "100|"} << "100" << file << true << false;
    QTest::newRow("last lines of a run in one chunk")
        << "3.79MB"
        << "98.0" << true << true
        << QStringList{"[download] 100% of    3.79MiB in 00:00:01 at 3.10MiB/s  ",
                       "[Merger] Merging formats into \"/out/Clip-2024.mp4\"",
                       "Deleting original file /out/Clip-2024.f134.mp4 (pass -k to keep)", metadata}
        << QStringList{"100|", "100|Adding metadata"} << "100" << file << true << false;
    // The converter's lines, as real runs print them: the row tells it is converting.
    QTest::newRow("converted to mp4, then metadata")
        << "3.79MB"
        << "100" << true << true
        << QStringList{"[Merger] Merging formats into \"/out/Clip-2024.mkv\"",
                       "[VideoConvertor] Converting video from mkv to mp4; Destination: " + file,
                       "Deleting original file /out/Clip-2024.mkv (pass -k to keep)", metadata}
        << QStringList{"100|Converting...", "100|Adding metadata"} << "100" << file << true
        << false;
    QTest::newRow("audio made mp3")
        << "126.47KB"
        << "100" << true << true
        << QStringList{"[FixupM4a] Correcting container of \"/out/Song-2024.m4a\"",
                       "[ExtractAudio] Destination: /out/Song-2024.mp3"}
        << QStringList{"100|Converting..."} << "100" << "" << true << false;
    QTest::newRow("a title that names the converter is no conversion")
        << "3.79MB"
        << "100" << true << true
        << QStringList{"[download] Destination: /out/[VideoConvertor] Converting -2024.mp4"}
        << QStringList{} << "100" << "" << true << false;
    QTest::newRow("path with quotes and blanks")
        << "3.79MB"
        << "100" << true << true
        << QStringList{"[Metadata] Adding metadata to \"/out/A \"B\" C-2024.mp4\""}
        << QStringList{"100|Adding metadata"} << "100"
        << "/out/A \"B\" C-2024.mp4" << true << false;
    // Numbers: only plain decimals are read; anything else reads as 0.
    for (const char* number : {"nan", "inf", "1e999"}) {
        const QString word = QLatin1String(number);
        QTest::newRow(qPrintable("percentage " + word))
            << big << "" << false << true
            << QStringList{"[download]   " + word + "% of 123.45MiB at 2.50MiB/s ETA 00:30"}
            << QStringList{"0|" + Status("0 Bytes/123.45MB", word + "%", "00:30", "2.50MiB/s")}
            << word << "" << true << true;
        QTest::newRow(qPrintable("total " + word))
            << ""
            << "" << false << true
            << QStringList{"[download]  50.0% of " + word + "MiB at 2.50MiB/s ETA 00:30"}
            << QStringList{"50|" + Status("0 Bytes/" + word + "MB", "50.0%", "00:30", "2.50MiB/s")}
            << "50.0"
            << "" << true << true;
    }
    const QString huge = QString(30, QLatin1Char('9'));
    QTest::newRow("plain total too large for a count of bytes")
        << ""
        << "" << false << true
        << QStringList{"[download]  50.0% of " + huge + "GiB at 2.50MiB/s ETA 00:30"}
        << QStringList{"50|" + Status("0 Bytes/" + huge + "GB", "50.0%", "00:30", "2.50MiB/s")}
        << "50.0"
        << "" << true << true;
    // The stream is the one the last "Destination:" line named, whatever the sizes.
    QTest::newRow("other stream with the listed size")
        << "126.47KB"
        << "" << false << true
        << QStringList{"[download] Destination: /out/C-2024.f140.m4a",
                       "[download]  50.0% of  126.47KiB at    1.00MiB/s ETA 00:00"}
        << QStringList{"0|Analyzing..."} << ""
        << "" << false << false;
    QTest::newRow("one file, its title like a part")
        << "3.79MB"
        << "" << false << true
        << QStringList{"[download] Destination: /out/a.f160.mp4-2024.mp4",
                       "[download]  12.0% of 3.79MiB at 2.50MiB/s ETA 00:30"}
        << QStringList{"12|" + Status("465.71 KB/3.79MB", "12.0%", "00:30", "2.50MiB/s")} << "12.0"
        << "" << true << true;
    QTest::newRow("other output before progress")
        << "3.79MB"
        << "" << false << true << QStringList{"[generic] watch: Downloading webpage"}
        << QStringList{"0|Analyzing..."} << ""
        << "" << false << false;
    QTest::newRow("other output after progress")
        << "3.79MB"
        << "5.0" << true << true << QStringList{"[generic] watch: Downloading"} << QStringList()
        << "5.0"
        << "" << true << false;
}

void TestEngineParse::judgeChunk()
{
    QFETCH(QString, size);
    QFETCH(QString, percent0);
    QFETCH(bool, hasProgress0);
    QFETCH(bool, running);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, reports);
    QFETCH(QString, percent);
    QFETCH(QString, path);
    QFETCH(bool, hasProgress);
    QFETCH(bool, rewrite);

    TaskOutputState state;
    state.QstrExt = QStringLiteral("mp4");
    state.QstrSize = size;
    state.QstrFormatId = QStringLiteral("134");
    state.QstrTaskKey = QStringLiteral("2024");
    state.QstrPercent = percent0;
    state.bHasProgress = hasProgress0;
    state.bRunning = running;
    const ChunkOutcome outcome = JudgeChunk(lines.join(QLatin1Char('\n')), state);
    QCOMPARE(Describe(outcome.reports), reports);
    QCOMPARE(state.QstrPercent, percent);
    QCOMPARE(state.QstrFilePath, path);
    QCOMPARE(state.bHasProgress, hasProgress);
    QCOMPARE(outcome.bRewriteInfo, rewrite);
    QCOMPARE(state.bRunning, running);
}

void TestEngineParse::reportsCarryTheStateTheyWereMadeIn()
{
    // A receiver that sees 100 with a known file and "100" takes the task for complete:
    // "Adding metadata" must reach it before the file is known, and so must the 100%
    // report that comes before the metadata line.
    TaskOutputState state;
    state.QstrExt = QStringLiteral("mp4");
    state.QstrSize = QStringLiteral("3.79MB");
    state.QstrFormatId = QStringLiteral("134");
    state.QstrPercent = QStringLiteral("98.0");
    state.bHasProgress = true;
    const ChunkOutcome outcome =
        JudgeChunk(QStringLiteral("[download] 100% of    3.79MiB in 00:00:01 at 3.10MiB/s\n"
                                  "[Metadata] Adding metadata to \"/out/C-1.mp4\""),
                   state);
    QCOMPARE(outcome.reports.size(), 2);
    for (const ProgressReport& r : outcome.reports) {
        QCOMPARE(r.QstrPercent, QStringLiteral("100"));
        QVERIFY(r.QstrFilePath.isEmpty());
        QVERIFY(r.bHasProgress);
    }
    QCOMPARE(state.QstrFilePath, QStringLiteral("/out/C-1.mp4"));

    // After the run's end the last report completes, with the file known.
    state.bRunning = false;
    state.QstrFilePath.clear();
    const ChunkOutcome late =
        JudgeChunk(QStringLiteral("[Metadata] Adding metadata to \"/out/C-1.mp4\""), state);
    QCOMPARE(late.reports.size(), 2);
    QVERIFY(late.reports.first().QstrFilePath.isEmpty());
    QCOMPARE(late.reports.last().QstrFilePath, QStringLiteral("/out/C-1.mp4"));
}

void TestEngineParse::statusSizePart_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("sizePart");
    QTest::newRow("progress line")
        << Status("55.92 MB/123.45MB", "45.3%", "00:30", "2.50MiB/s") << "55.92 MB/123.45MB";
    QTest::newRow("no gap") << "Analyzing..."
                            << "Analyzing...";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("five blanks are no gap") << "a     b"
                                            << "a     b";
}

void TestEngineParse::statusSizePart()
{
    QFETCH(QString, status);
    QFETCH(QString, sizePart);
    QCOMPARE(StatusSizePart(status), sizePart);
}

void TestEngineParse::statusLineInOtherWords_data()
{
    // The window's language gives the words; the numbers and the layout stay.
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("progress") << int(ReportKind::Progress)
                              << Status("55.92 MB/123.45MB", "45.3%", "00:30", "2.50MiB/s")
                                     .replace(QStringLiteral("Completed: "),
                                              QStringLiteral("Fertig: "));
    QTest::newRow("analyzing") << int(ReportKind::Analyzing) << "Wird analysiert...";
    QTest::newRow("metadata") << int(ReportKind::AddingMetadata)
                              << "Metadaten werden geschrieben";
    QTest::newRow("bar only") << int(ReportKind::Bar) << "";
}

void TestEngineParse::statusLineInOtherWords()
{
    QFETCH(int, kind);
    QFETCH(QString, shown);
    const StatusWords german{QStringLiteral("Wird analysiert..."), QStringLiteral("Fertig: "),
                             QStringLiteral("Metadaten werden geschrieben")};
    ProgressReport report;
    report.eKind = ReportKind(kind);
    report.nDoneBytes = qint64(55.92 * 1024 * 1024);
    report.QstrTotal = QStringLiteral("123.45MB");
    report.QstrPercent = QStringLiteral("45.3");
    report.QstrEta = QStringLiteral("00:30");
    report.QstrSpeed = QStringLiteral("2.50MiB/s");
    QCOMPARE(StatusLineText(report, german), shown);
    // A paused row keeps the size part, whatever the words.
    if (report.eKind == ReportKind::Progress)
        QCOMPARE(StatusSizePart(StatusLineText(report, german)), QStringLiteral("55.92 MB/123.45MB"));
}

QTEST_GUILESS_MAIN(TestEngineParse)
#include "tst_engine_parse.moc"
