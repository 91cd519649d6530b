// What a task downloads beyond the video format: audio alone, a converted file, subtitles, a
// part of the video, the entries of a playlist. The choice as the record's format field keeps
// it, the arguments it gives, the reading of a playlist, and real runs of the extractor and
// converter against the loopback video site.

#include "choices.h"
#include "command.h"
#include "downloadengine.h"
#include "infofiles.h"
#include "listing.h"
#include "playlist.h"
#include "subtitles.h"
#include "taskchoice.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestChoices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void field_data();
    void field();
    void clockTimes_data();
    void clockTimes();
    void realRuns_data();
    void realRuns();
    void parsePlaylist_data();
    void parsePlaylist();
    void entryTasks_data();
    void entryTasks();
    void realListings();
    void listingCodecs_data();
    void listingCodecs();
    void subtitleList_data();
    void subtitleList();
    void dialogRecord_data();
    void dialogRecord();
    void audioChoices();

private:
    QTemporaryDir m_home;
    QString m_media;
    fixture::CMediaServer m_server;
};

void TestChoices::initTestCase()
{
    QVERIFY(m_home.isValid());
    fixture::IsolateHome(m_home.path());
    m_media = fixture::MakeMedia();
    QVERIFY(!m_media.isEmpty());
    QVERIFY(m_server.Start(m_media));
}

void TestChoices::field_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("stored"); // the field as written back
    QTest::addColumn<QString>("merge");
    QTest::addColumn<QString>("args");

    const QString video = QStringLiteral("-f ba[ext=m4a]+137");
    QTest::newRow("a format code alone, as every older file has it")
        << "137" << "mp4" << "137" << "mp4" << video;
    QTest::newRow("webm takes webm audio") << "248" << "webm" << "248" << "webm"
                                           << "-f ba[ext=webm]+248";
    QTest::newRow("audio as m4a")
        << "ba" << "m4a" << "ba" << ""
        << "-f ba[ext=m4a]/ba/b -x --audio-format m4a --embed-thumbnail";
    QTest::newRow("audio as mp3")
        << "ba" << "mp3" << "ba" << ""
        << "-f ba[ext=m4a]/ba/b -x --audio-format mp3 --audio-quality 0 --embed-thumbnail";
    QTest::newRow("converted: merged into mkv, then made mp4")
        << "137 convert" << "mp4" << "137 convert" << "mkv"
        << video + " --recode-video mp4 --postprocessor-args VideoConvertor:-c:v libx264 -c:a aac";
    QTest::newRow("own and automatic subtitles, srt for mp4")
        << "137 subs=en,de autosubs=fr" << "mp4" << "137 subs=en,de autosubs=fr" << "mp4"
        << video + " --write-auto-subs --sub-langs en,de,fr --embed-subs "
                   "--convert-subs srt";
    QTest::newRow("several own languages, one with an underscore")
        << "137 subs=de,en,zh_Hans" << "mp4" << "137 subs=de,en,zh_Hans" << "mp4"
        << video + " --sub-langs de,en,zh_Hans --embed-subs --convert-subs srt";
    QTest::newRow("a language both own and automatic is asked for once")
        << "248 subs=en,de autosubs=en" << "webm" << "248 subs=en,de autosubs=en" << "webm"
        << "-f ba[ext=webm]+248 --write-auto-subs --sub-langs en,de --embed-subs";
    QTest::newRow("subtitles in webm stay as they are")
        << "248 subs=pt-BR" << "webm" << "248 subs=pt-BR" << "webm"
        << "-f ba[ext=webm]+248 --sub-langs pt-BR --embed-subs";
    QTest::newRow("a part") << "137 part=5-12" << "mp4" << "137 part=5-12" << "mp4"
                            << video + " --download-sections *5-12 --force-keyframes-at-cuts";
    QTest::newRow("audio of a part, its subtitles dropped")
        << "ba subs=en part=65-70" << "m4a" << "ba subs=en part=65-70" << ""
        << "-f ba[ext=m4a]/ba/b -x --audio-format m4a --embed-thumbnail --download-sections "
           "*65-70 --force-keyframes-at-cuts";
    QTest::newRow("the best video of a playlist's entry")
        << "bv item=2" << "mp4" << "bv item=2" << "mp4"
        << "-f bv*+ba[ext=m4a]/bv*+ba/b --playlist-items 2";
    QTest::newRow("the best video up to 720 lines")
        << "bv upto=720" << "webm" << "bv upto=720" << "webm"
        << "-f bv*[height<=720]+ba[ext=webm]/bv*[height<=720]+ba/b[height<=720]/wv*+ba/w";
    QTest::newRow("counts that are no counts") << "bv upto=-5 item=1e3" << "mp4" << "bv" << "mp4"
                                               << "-f bv*+ba[ext=m4a]/bv*+ba/b";
    // A damaged or newer field: what is not understood never reaches the extractor.
    QTest::newRow("unknown words ignored") << "137 louder subs=" << "mp4" << "137" << "mp4"
                                           << video;
    QTest::newRow("languages that would be options or patterns")
        << "137 subs=--exec,.*,en,en autosubs=a=b,fr" << "mp4" << "137 subs=en autosubs=fr"
        << "mp4" << video + " --write-auto-subs --sub-langs en,fr --embed-subs --convert-subs srt";
    QTest::newRow("a part that ends before it starts")
        << "137 part=12-5" << "mp4" << "137" << "mp4" << video;
    QTest::newRow("a part that is no number") << "137 part=a-b" << "mp4" << "137" << "mp4"
                                              << video;
}

void TestChoices::field()
{
    QFETCH(QString, field);
    QFETCH(QString, ext);
    QFETCH(QString, stored);
    QFETCH(QString, merge);
    QFETCH(QString, args);

    const TaskChoice choice = ReadTaskChoice(field);
    QCOMPARE(TaskChoiceField(choice), stored);
    QCOMPARE(ReadTaskChoice(stored), choice);
    QCOMPARE(MergeFormat(choice, ext), merge);
    QCOMPARE(TaskChoiceArgs(choice, ext).join(QLatin1Char(' ')), args);

    // The whole command: the choice's arguments after the output file, the link last.
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = field;
    info.QstrExt = ext;
    info.QstrTitle = QStringLiteral("T");
    info.QstrOutputDir = QStringLiteral("/out/");
    info.QstrTaskKey = QStringLiteral("2024-01-01-00-00-00");
    info.QstrUrl = QStringLiteral("http://127.0.0.1/v");
    const QStringList command = BuildDownloadArgs(info, QStringLiteral("/app"));
    const int output = command.indexOf(QStringLiteral("-o"));
    QVERIFY(output > 0);
    QCOMPARE(command.mid(output + 2, command.size() - output - 4), TaskChoiceArgs(choice, ext));
    QCOMPARE(command.contains(QStringLiteral("--merge-output-format")), !merge.isEmpty());
    QCOMPARE(command.mid(command.size() - 2), (QStringList{"--", info.QstrUrl}));

    // The field as written survives the task's info file, whatever it holds.
    info.QstrFormatId = stored;
    const std::vector<_VIDEO_FILE_INFO_> read = ParseDownloadInfo(DownloadInfoLine(info));
    QCOMPARE(read.size(), size_t(1));
    QCOMPARE(read.front().QstrFormatId, stored);
    QCOMPARE(ReadTaskChoice(read.front().QstrFormatId), choice);
}

void TestChoices::clockTimes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown"); // empty: not a time

    QTest::newRow("seconds") << "75" << 75 << "1:15";
    QTest::newRow("minutes") << "0:05" << 5 << "0:05";
    QTest::newRow("hours") << "1:02:03" << 3723 << "1:02:03";
    QTest::newRow("blanks around") << " 2:00 " << 120 << "2:00";
    QTest::newRow("one digit after a colon") << "1:5" << -1 << "";
    QTest::newRow("sixty seconds") << "1:60" << -1 << "";
    QTest::newRow("four pieces") << "1:00:00:00" << -1 << "";
    QTest::newRow("negative") << "-5" << -1 << "";
    QTest::newRow("empty") << "" << -1 << "";
    QTest::newRow("words") << "soon" << -1 << "";
}

void TestChoices::clockTimes()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);
    QFETCH(QString, shown);
    QCOMPARE(ReadClockTime(text), seconds);
    if (seconds >= 0)
        QCOMPARE(ClockTimeText(seconds), shown);
}

void TestChoices::realRuns_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QStringList>("codecs");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("page"); // added to the page's link; "channel": the feed
    QTest::addColumn<QString>("stream"); // the clip file whose video the file must carry

    const double clip = fixture::kClipSeconds;
    // Audio files carry the thumbnail as their cover picture and the title as a tag.
    QTest::newRow("audio as m4a") << "ba" << "m4a" << QStringList{"aac", "mjpeg"} << clip << "" << "";
    QTest::newRow("audio as mp3") << "ba" << "mp3" << QStringList{"mp3", "mjpeg"} << clip << "" << "";
    QTest::newRow("converted") << "160 convert" << "mp4" << QStringList{"aac", "h264"} << clip << "" << "";
    // A part of a 20 s clip: its own length, whatever the clip's.
    QTest::newRow("a part from 0:05 to 0:12 of a 20 s clip")
        << "160 part=5-12" << "mp4" << QStringList{"aac", "h264"} << 7.0 << "&long=1" << "";
    // Only the languages asked for are fetched (the page offers German and English), and they
    // end up inside the file, not beside it.
    QTest::newRow("German and English subtitles")
        << "160 subs=de,en" << "mp4" << QStringList{"aac", "h264", "mov_text", "mov_text"} << clip
        << "&subs=1" << "";
    QTest::newRow("English subtitles alone") << "160 subs=en" << "mp4"
                                             << QStringList{"aac", "h264", "mov_text"} << clip
                                             << "&subs=1" << "";
    QTest::newRow("the best video up to 300 lines")
        << "bv upto=300" << "mp4" << QStringList{"h264", "aac"} << clip << "" << "v240.mp4";
    QTest::newRow("the third entry of a channel")
        << "bv item=3" << "mp4" << QStringList{"h264", "aac"} << clip << "channel" << "v360.mp4";
}

void TestChoices::realRuns()
{
    QFETCH(QString, field);
    QFETCH(QString, ext);
    QFETCH(QStringList, codecs);
    QFETCH(double, seconds);
    QFETCH(QString, page);
    QFETCH(QString, stream);

    if (page.contains(QLatin1String("long")))
        QVERIFY(fixture::MakeLongClip(m_media));
    QTemporaryDir work;
    QVERIFY(work.isValid());
    CDownloadEngine engine;
    engine.SetFolders(QStringLiteral(QUILLANE_APP_DIR), work.filePath(QStringLiteral("dl/")));
    QDir().mkpath(work.filePath(QStringLiteral("dl")));
    _VIDEO_FILE_INFO_ task;
    task.QstrFormatId = field;
    task.QstrExt = ext;
    task.QstrTitle = QStringLiteral("Choice Clip");
    task.QstrOutputDir = work.filePath(QStringLiteral("out/"));
    task.QstrTaskKey = QStringLiteral("2024-02-02-10-00-00");
    task.QstrUrl = page == QLatin1String("channel") ? m_server.ChannelUrl()
                                                    : m_server.PageUrl(task.QstrTitle) + page;
    engine.Add(task, false);
    QSignalSpy completed(&engine, &CDownloadEngine::Completed);
    QSignalSpy failed(&engine, &CDownloadEngine::RunFailed);
    QVERIFY(engine.Start(task.QstrTaskKey));
    QTRY_VERIFY_WITH_TIMEOUT(completed.count() + failed.count() > 0, 120000);
    QCOMPARE(failed.count(), 0);

    // The task names the file it made: the one its record promised, and nothing else is left.
    const QString file = DownloadOutputFile(task);
    QCOMPARE(engine.Find(task.QstrTaskKey)->Record().QstrFilePath, file);
    QCOMPARE(QDir(task.QstrOutputDir).entryList(QDir::Files),
             QStringList{QFileInfo(file).fileName()});
    const fixture::ProbeInfo probe = fixture::Probe(file);
    QCOMPARE(probe.codecNames, codecs);
    if (page != QLatin1String("channel"))
        QCOMPARE(probe.title, task.QstrTitle);
    else
        QCOMPARE(probe.title, QStringLiteral("Third Clip"));
    if (!stream.isEmpty())
        QCOMPARE(fixture::StreamHash(file, QStringLiteral("v")),
                 fixture::StreamHash(m_media + QLatin1Char('/') + stream, QStringLiteral("v")));
    QVERIFY2(qAbs(probe.duration - seconds) < 1.0, qPrintable(QString::number(probe.duration)));
}

void TestChoices::parsePlaylist_data()
{
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("title"); // empty: no playlist
    // "index|link|title|duration|available" of each entry
    QTest::addColumn<QStringList>("entries");

    // Runs of the extractor (yt-dlp 2023.03.04), cut to the fields that matter.
    QTest::newRow("a channel's feed: entries with their own links")
        << QByteArray(R"j({"_type": "playlist", "id": "http://127.0.0.1:8768/feed.xml", "title": )j"
                      R"j("Fixture Channel", "entries": [{"_type": "url_transparent", "url": )j"
                      R"j("http://127.0.0.1:39073/watch?title=First%20Clip", "title": "First )j"
                      R"j(Clip", "duration": 8.0}, {"_type": "url_transparent", "url": )j"
                      R"j("http://127.0.0.1:39073/gone", "title": "Gone Clip", "duration": )j"
                      R"j(3725.4}], "playlist_count": 2})j")
        << "Fixture Channel"
        << QStringList{"1|http://127.0.0.1:39073/watch?title=First%20Clip|First Clip|00:00:08|1",
                       "2|http://127.0.0.1:39073/gone|Gone Clip|01:02:05|1"};
    QTest::newRow("a page with videos inside it: no links of their own")
        << QByteArray(R"j({"id": "list", "title": "Three clips", "_type": "playlist", "entries": )j"
                      R"j([{"formats": [{"url": "http://127.0.0.1:8766/a.mp4"}], "id": "list-1", )j"
                      R"j("title": "Three clips (1)", "extractor": "html5"}, {"formats": [], )j"
                      R"j("id": "list-2", "extractor": "html5"}]})j")
        << "Three clips"
        << QStringList{"1||Three clips (1)||1", "2||Three clips (2)||1"};
    QTest::newRow("private and deleted entries, a link that is no web link")
        << QByteArray("[youtube:tab] Extracting URL: https://example.org/playlist\n"
                      R"j({"_type": "playlist", "title": "Mixed\nList", "entries": [)j"
                      R"j({"_type": "url", "url": "https://example.org/v/1", "title": )j"
                      R"j("[Private video]", "duration": null}, {"_type": "url", "url": )j"
                      R"j("https://example.org/v/2", "title": "Members", "availability": )j"
                      R"j("subscriber_only"}, {"_type": "url", "url": "file:///etc/passwd", )j"
                      R"j("title": "Local"}, null]})j")
        << "Mixed List"
        << QStringList{"1|https://example.org/v/1|[Private video]||0",
                       "2|https://example.org/v/2|Members||0", "3||Local||1",
                       "4||Mixed List (4)||0"};
    QTest::newRow("a single video is no playlist")
        << QByteArray(R"j({"id": "watch", "title": "Fixture Clip", "formats": [], "_type": "video"})j")
        << "" << QStringList{};
    QTest::newRow("a title echoed before the document does not count")
        << QByteArray("{\"_type\": \"playlist\" is not JSON\n") << "" << QStringList{};
    QTest::newRow("nothing") << QByteArray() << "" << QStringList{};
}

void TestChoices::parsePlaylist()
{
    QFETCH(QByteArray, out);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);

    const PlaylistResult result = ParsePlaylist(out);
    QCOMPARE(result.bIsPlaylist, !title.isEmpty());
    QCOMPARE(result.title, title);
    QStringList seen;
    for (const PlaylistEntry& e : result.entries)
        seen << QStringLiteral("%1|%2|%3|%4|%5")
                    .arg(e.nIndex)
                    .arg(e.url, e.title, e.duration)
                    .arg(int(e.bAvailable));
    QCOMPARE(seen, entries);
}

void TestChoices::entryTasks_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("link");

    const QString list = QStringLiteral("https://example.org/list");
    const QString own = QStringLiteral("https://example.org/v/7");
    QTest::newRow("own link, best") << own << int(EntryRule::Best) << "bv" << "mp4" << own;
    QTest::newRow("own link, up to 1080p")
        << own << int(EntryRule::UpTo1080) << "bv upto=1080" << "mp4" << own;
    QTest::newRow("inside the playlist, up to 480p")
        << "" << int(EntryRule::UpTo480) << "bv upto=480 item=7" << "mp4" << list;
    QTest::newRow("audio as mp3") << own << int(EntryRule::AudioMp3) << "ba" << "mp3" << own;
    QTest::newRow("audio as m4a, inside the playlist")
        << "" << int(EntryRule::AudioM4a) << "ba item=7" << "m4a" << list;
}

void TestChoices::entryTasks()
{
    QFETCH(QString, url);
    QFETCH(int, rule);
    QFETCH(QString, field);
    QFETCH(QString, ext);
    QFETCH(QString, link);

    PlaylistEntry entry;
    entry.nIndex = 7;
    entry.url = url;
    entry.title = QStringLiteral("Seventh");
    entry.duration = QStringLiteral("00:01:00");
    const _VIDEO_FILE_INFO_ task =
        EntryTask(QStringLiteral("https://example.org/list"), entry, EntryRule(rule));
    QCOMPARE(task.QstrFormatId, field);
    QCOMPARE(task.QstrExt, ext);
    QCOMPARE(task.QstrUrl, link);
    QCOMPARE(task.QstrTitle, entry.title);
    QCOMPARE(task.QstrDuration, entry.duration);
}

// The real extractor lists the loopback channel quickly, with each entry's own link, and the
// subtitled page's language.
void TestChoices::realListings()
{
    const QString link = m_server.ChannelUrl();
    int code = -1;
    const QByteArray out = fixture::RunTool(ExtractorPath(QStringLiteral(QUILLANE_APP_DIR)),
                                            PlaylistArgs(link), 60000, &code);
    QCOMPARE(code, 0);
    const PlaylistResult result = ParsePlaylist(out);
    QVERIFY(result.bIsPlaylist);
    QCOMPARE(result.title, QStringLiteral("Fixture Channel"));
    QCOMPARE(result.entries.size(), size_t(3));
    QCOMPARE(result.entries[1].url, m_server.BaseUrl() + QStringLiteral("/gone"));
    QCOMPARE(result.entries[2].title, QStringLiteral("Third Clip"));
    QCOMPARE(result.entries[2].duration, QStringLiteral("00:00:08"));

    const QByteArray subs =
        fixture::RunTool(ExtractorPath(QStringLiteral(QUILLANE_APP_DIR)),
                         SubtitleListArgs(m_server.PageUrl() + QStringLiteral("&subs=1")), 60000,
                         &code);
    QCOMPARE(code, 0);
    const std::vector<SubtitleLanguage> languages = ParseSubtitleList(QString::fromUtf8(subs));
    QCOMPARE(languages.size(), size_t(2));
    QCOMPARE(languages[0].code, QStringLiteral("de"));
    QCOMPARE(languages[1].code, QStringLiteral("en"));
}

void TestChoices::listingCodecs_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("seen"); // "video|audio id;ext;size;codec name;compatible"

    // Rows as the extractor prints them (yt-dlp 2023.03.04), the loopback site's and a
    // large site's.
    QTest::newRow("loopback H.264")
        << "160 mp4 256x144     25 |  1021.89KiB 1000k http  | avc1.64001e 1000k video only"
           "          DASH video, mp4_dash"
        << "video 160;mp4;1021.89KB;H.264;1";
    QTest::newRow("loopback AAC audio")
        << "140 m4a audio only     |   126.47KiB  128k http  | audio only        mp4a.40.2  128k"
           " 44k DASH audio, m4a_dash"
        << "audio 140;m4a;126.47KB;AAC;0";
    QTest::newRow("VP9 in webm")
        << "248 webm 1920x1080 25 |  60.10MiB  900k https | vp9 900k video only 1080p, webm_dash"
        << "video 248;webm;60.10MB;VP9;0";
    QTest::newRow("AV1 in mp4 plays not everywhere")
        << "399 mp4 1920x1080 25 | ~50.00MiB 700k https | av01.0.08M.08 700k video only 1080p,"
           " mp4_dash"
        << "video 399;mp4;50.00MB;AV1;0";
    QTest::newRow("Opus audio, channels column")
        << "251 webm audio only 2 | 3.50MiB 130k https | audio only opus 130k 48k medium, "
           "webm_dash"
        << "audio 251;webm;3.50MB;Opus;0";
    QTest::newRow("box-drawing marks")
        << QString::fromUtf8("137 mp4 1920x1080 25 \u2502 83.17MiB 1234k https \u2502 avc1.640028 "
                             "1234k video only 1080p, mp4_dash")
        << "video 137;mp4;83.17MB;H.264;1";
}

void TestChoices::listingCodecs()
{
    QFETCH(QString, row);
    QFETCH(QString, seen);

    const QString out = QStringLiteral("ID EXT |\n") + QString(17, QLatin1Char('-')) +
                        QLatin1Char('\n') + row + QStringLiteral("\nTitle\n8\n");
    const ListingResult result = ParseListing(out, QString(), QString(), QStringLiteral("/o/"));
    QCOMPARE(result.records.size() + result.audio.size(), size_t(1));
    const bool video = !result.records.empty();
    const _VIDEO_FILE_INFO_& r = video ? result.records.front() : result.audio.front();
    QCOMPARE(QStringLiteral("%1 %2;%3;%4;%5;%6")
                 .arg(video ? "video" : "audio", r.QstrFormatId, r.QstrExt, r.QstrSize,
                      CodecName(r.QstrCodec))
                 .arg(int(IsCompatibleVideo(r))),
             seen);
    QCOMPARE(r.QstrTitle, QStringLiteral("Title"));
}

void TestChoices::subtitleList_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("languages"); // "code|name|automatic"

    const QString head = QStringLiteral("[generic] watch: Extracting information\n");
    // The loopback page's run (yt-dlp 2023.03.04).
    QTest::newRow("loopback: one language, no names")
        << head + "[info] Available subtitles for watch?title=Sub Page&subs=1:\n"
                  "Language Formats\nde       vtt\n"
        << QStringList{"de||0"};
    QTest::newRow("none") << head + "watch?title=Sub Page has no subtitles\n" << QStringList{};
    // A large site's run: automatic captions first, with names; own ones listed after them.
    QTest::newRow("automatic and own, with names")
        << "[info] Available automatic captions for abc:\n"
           "Language Name                  Formats\n"
           "af       Afrikaans             vtt, ttml, srv3, srv2, srv1, json3\n"
           "en       English               vtt, ttml, srv3, srv2, srv1, json3\n"
           "[info] Available subtitles for abc:\n"
           "Language Name                     Formats\n"
           "en       English                  vtt, ttml, srv3, srv2, srv1, json3\n"
           "de-DE    German (Germany)         vtt, ttml, srv3, srv2, srv1, json3\n"
        << QStringList{"en|English|0", "de-DE|German (Germany)|0", "af|Afrikaans|1",
                       "en|English|1"};
    QTest::newRow("a title that looks like a table counts only at the line's start")
        << "[info] abc: Language Name x [info] Available subtitles for abc:\n"
           "Language Formats\n"
           "--exec  vtt\n"
           "fr      vtt\n"
           "fr      vtt\n"
           "[download] Destination: x\n"
           "it      vtt\n"
        << QStringList{};
    QTest::newRow("rows up to the next tagged line")
        << "[info] Available subtitles for abc:\nLanguage Formats\n--exec  vtt\nfr      vtt\n"
           "fr      vtt\n[download] Destination: x\nit      vtt\n"
        << QStringList{"fr||0"};
}

void TestChoices::subtitleList()
{
    QFETCH(QString, out);
    QFETCH(QStringList, languages);
    QStringList seen;
    for (const SubtitleLanguage& l : ParseSubtitleList(out))
        seen << l.code + QLatin1Char('|') + l.name + QLatin1Char('|') +
                    QString::number(int(l.bAutomatic));
    QCOMPARE(seen, languages);
}


void TestChoices::dialogRecord_data()
{
    QTest::addColumn<QString>("picked");  // "format;ext;codec"; the duration is 0:01:00
    QTest::addColumn<QString>("choices"); // "compatible convert;own codes/automatic codes;from;to"
    QTest::addColumn<QString>("record");  // "format field;ext;title", or "refused"

    QTest::newRow("no choices: the row as listed") << "137;mp4;avc1.640028" << "0 0;;;"
                                                   << "137;mp4;Clip";
    QTest::newRow("compatible row needs no conversion")
        << "137;mp4;avc1.640028" << "1 1;;;" << "137;mp4;Clip";
    QTest::newRow("VP9 row converted to MP4") << "248;webm;vp9" << "1 1;;;"
                                              << "248 convert;mp4;Clip";
    QTest::newRow("VP9 row, compatible without conversion: as listed")
        << "248;webm;vp9" << "1 0;;;" << "248;webm;Clip";
    QTest::newRow("own subtitles") << "160;mp4;avc1.64001e" << "0 0;de/;;" << "160 subs=de;mp4;Clip";
    QTest::newRow("automatic subtitles") << "160;mp4;avc1.64001e" << "0 0;/en;;"
                                         << "160 autosubs=en;mp4;Clip";
    QTest::newRow("several own and automatic languages")
        << "160;mp4;avc1.64001e" << "0 0;de,en,pt-BR/fr,ja;;"
        << "160 subs=de,en,pt-BR autosubs=fr,ja;mp4;Clip";
    QTest::newRow("a code that would split the field is left out")
        << "160;mp4;avc1.64001e" << "0 0;de,x part=1-2/;;" << "160 subs=de;mp4;Clip";
    QTest::newRow("a part") << "160;mp4;avc1.64001e" << "0 0;;0:05;0:12"
                            << QString::fromUtf8("160 part=5-12;mp4;Clip (0:05\u20130:12)");
    QTest::newRow("every choice")
        << "248;webm;vp9" << "1 1;de/;5;0:00:12"
        << QString::fromUtf8("248 convert subs=de part=5-12;mp4;Clip (0:05\u20130:12)");
    QTest::newRow("audio keeps no subtitles or conversion")
        << "ba;mp3;mp4a.40.2" << "1 1;de,en/fr;0:05;0:12"
        << QString::fromUtf8("ba part=5-12;mp3;Clip (0:05\u20130:12)");
    QTest::newRow("To up to the end") << "160;mp4;" << "0 0;;0:00;1:00"
                                      << QString::fromUtf8("160 part=0-60;mp4;Clip (0:00\u20131:00)");
    QTest::newRow("To past the end") << "160;mp4;" << "0 0;;0:05;1:01" << "refused";
    QTest::newRow("To before From") << "160;mp4;" << "0 0;;0:12;0:05" << "refused";
    QTest::newRow("To equals From") << "160;mp4;" << "0 0;;0:05;0:05" << "refused";
    QTest::newRow("From only") << "160;mp4;" << "0 0;;0:05;" << "refused";
    QTest::newRow("To only") << "160;mp4;" << "0 0;; ;0:05" << "refused";
    QTest::newRow("not a time") << "160;mp4;" << "0 0;;0:5;0:12" << "refused";
    QTest::newRow("blanks only: the whole video") << "160;mp4;" << "0 0;; ; " << "160;mp4;Clip";
}

void TestChoices::dialogRecord()
{
    QFETCH(QString, picked);
    QFETCH(QString, choices);
    QFETCH(QString, record);

    _VIDEO_FILE_INFO_ row;
    row.QstrFormatId = picked.section(';', 0, 0);
    row.QstrExt = picked.section(';', 1, 1);
    row.QstrCodec = picked.section(';', 2, 2);
    row.QstrTitle = QStringLiteral("Clip");
    row.QstrDuration = QStringLiteral("00:01:00");
    row.QstrSize = QStringLiteral("1.00MB");
    DialogChoices c;
    c.bCompatible = choices.section(';', 0, 0).startsWith('1');
    c.bConvert = choices.section(';', 0, 0).endsWith('1');
    c.subtitles = choices.section(';', 1, 1).section('/', 0, 0).split(',', Qt::SkipEmptyParts);
    c.autoSubtitles = choices.section(';', 1, 1).section('/', 1, 1).split(',', Qt::SkipEmptyParts);
    c.from = choices.section(';', 2, 2);
    c.to = choices.section(';', 3, 3);

    _VIDEO_FILE_INFO_ out;
    out.QstrTitle = QStringLiteral("untouched");
    const bool ok = RecordFromChoices(row, c, out);
    if (record == QLatin1String("refused")) {
        QVERIFY(!ok);
        QCOMPARE(out.QstrTitle, QStringLiteral("untouched"));
        return;
    }
    QVERIFY(ok);
    QCOMPARE(QStringList({out.QstrFormatId, out.QstrExt, out.QstrTitle}).join(';'), record);
    QCOMPARE(out.QstrSize, row.QstrSize);
    // The row stays listed under the compatible choice only if it plays everywhere or is converted.
    QCOMPARE(RowShown(row, c), !c.bCompatible || c.bConvert || IsCompatibleVideo(row));
}

void TestChoices::audioChoices()
{
    // M4A takes the last m4a stream, MP3 the last stream of all; no audio, no rows.
    ListingResult result;
    QVERIFY(AudioChoices(result).empty());
    for (const char* entry : {"139;m4a;1.00MB", "140;m4a;3.00MB", "251;webm;3.50MB"}) {
        _VIDEO_FILE_INFO_ audio;
        audio.QstrFormatId = QString::fromLatin1(entry).section(';', 0, 0);
        audio.QstrExt = QString::fromLatin1(entry).section(';', 1, 1);
        audio.QstrSize = QString::fromLatin1(entry).section(';', 2, 2);
        audio.QstrTitle = QStringLiteral("Clip");
        result.audio.push_back(audio);
    }
    const std::vector<_VIDEO_FILE_INFO_> rows = AudioChoices(result);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].QstrFormatId + rows[0].QstrExt + rows[0].QstrSize, QStringLiteral("bam4a3.00MB"));
    QCOMPARE(rows[1].QstrFormatId + rows[1].QstrExt + rows[1].QstrSize, QStringLiteral("bamp33.50MB"));
    QCOMPARE(rows[1].QstrTitle, QStringLiteral("Clip"));
    // A video row's quality with its codec.
    _VIDEO_FILE_INFO_ video;
    video.QstrQuality = QStringLiteral("1080p");
    QCOMPARE(QualityText(video), QStringLiteral("1080p"));
    video.QstrCodec = QStringLiteral("avc1.640028");
    QCOMPARE(QualityText(video), QString::fromUtf8("1080p \u00b7 H.264"));
}

QTEST_GUILESS_MAIN(TestChoices)
#include "tst_choices.moc"
