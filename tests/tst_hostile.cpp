// Hostile input: links and titles that try to hand options to the extractor, to reach outside
// the output folder or to break the info files, and an extractor that lists crafted formats and
// names a crafted file. Everything goes through the add-video dialog and the main window.
// Links reach the scripted stand-in, which logs its arguments, and the real extractor; titles
// come from the loopback site through the real extractor and converter.
//
// The test's home is a sandbox (home, data, configuration, cache, working folder and a folder
// of files that must survive); after every case, nothing in it may have changed outside the
// data folder, the output folder and the extractor's cache.

#include "command.h"
#include "fixtures/adddialog.h"
#include "fixtures/faultfixture.h"
#include "framefixture.h"
#include "listing.h"
#include "subtitles.h"
#include "tablesfixture.h"
#include "testsupport.h"

#include <QSet>

using namespace fixture;

namespace {

constexpr int kRunMs = 180000; // one analysis or download, with room to spare
const QString kLinkTitle = QStringLiteral("Crafted ##@## %(id)s \u202Egnp.exe\u202C 🎉 $HOME");

// An argument list read as the extractor's option parser reads it: the options the program
// passes take their values with them, whatever those look like; every other argument before
// "--" that starts with "-" is an option that was slipped in.
struct ReadArgs
{
    QStringList injected;
    QStringList positional;
};

ReadArgs ReadAsExtractor(const QStringList& args)
{
    static const QHash<QString, int> ours = {{"--ffmpeg-location", 1},
                                             {"--write-thumbnail", 0},
                                             {"--convert-thumbnails", 1},
                                             {"--skip-download", 0},
                                             {"--output", 1},
                                             {"-o", 1},
                                             {"-F", 0},
                                             {"--flat-playlist", 0},
                                             {"-J", 0},
                                             {"--list-subs", 0},
                                             {"--get-duration", 0},
                                             {"--get-title", 0},
                                             {"--add-metadata", 0},
                                             {"--merge-output-format", 1},
                                             {"-f", 1}};
    ReadArgs read;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            read.positional << args.mid(i + 1);
            break;
        }
        if (ours.contains(arg))
            i += ours.value(arg);
        else if (arg.startsWith(QLatin1Char('-')))
            read.injected << arg;
        else
            read.positional << arg;
    }
    return read;
}

// Every run the stand-in logged got `link` as its one argument after "--", and no option of
// anybody else's.
void CheckRuns(const QList<QStringList>& runs, const QString& link)
{
    QVERIFY(!runs.isEmpty());
    for (const QStringList& run : runs) {
        const ReadArgs read = ReadAsExtractor(run);
        QCOMPARE(read.injected, QStringList());
        QCOMPARE(read.positional, QStringList{link});
        QCOMPARE(run.at(run.size() - 2), QStringLiteral("--"));
    }
}

void AddLinkRows()
{
    QTest::addColumn<QString>("link");
    QTest::newRow("double quotes") << R"(http://127.0.0.1:9/watch?v="a b" "c")";
    QTest::newRow("leading dash") << "-opwned-%(id)s";
    QTest::newRow("leading double dash") << "--exec=touch pwned";
    QTest::newRow("double dash alone") << "--";
    QTest::newRow("spaces") << "http://127.0.0.1:9/a b  c ";
    QTest::newRow("semicolon") << "http://127.0.0.1:9/x;touch pwned";
    QTest::newRow("command substitution") << "http://127.0.0.1:9/$(touch pwned)";
    QTest::newRow("backticks") << "http://127.0.0.1:9/`touch pwned`";
    QTest::newRow("pipe") << "http://127.0.0.1:9/x|touch pwned";
    QTest::newRow("all at once") << R"(--" -o pwned; $(touch pwned) | `touch pwned` ")";
}

void AddTitleRows()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("stored"); // the title as the task keeps it
    QTest::addColumn<QString>("place");  // the file below the output folder, before "-KEY.mp4"
    const QString templ = QStringLiteral("Clip %(id)s %(title)s 100% ${HOME}");
    QTest::newRow("template fields") << templ << templ << templ;
    QTest::newRow("parent folder") << ".."
                                   << ".."
                                   << "__";
    QTest::newRow("leading slash") << "/etc/passwd"
                                   << "/etc/passwd"
                                   << "etc/passwd";
    QTest::newRow("climbing out") << "../../escape"
                                  << "../../escape"
                                  << "__/__/escape";
    QTest::newRow("field separator") << "a ##@## b"
                                     << "a #@## b"
                                     << "a #@## b";
    QTest::newRow("line break") << "line one\nline two"
                                << "line one line two"
                                << "line one line two";
    const QString emoji = QStringLiteral("Party 🎉 time 🎈");
    QTest::newRow("4-byte UTF-8") << emoji << emoji << emoji;
    const QString rtl = QStringLiteral("\u202Egnp.exe\u202C \u200Fmark\u200E");
    QTest::newRow("right-to-left marks") << rtl << rtl << rtl;
    const QString shell = QStringLiteral("$(id) `id` ; rm -rf ~ | cat");
    QTest::newRow("shell characters") << shell << shell << shell;
    QTest::newRow("control characters") << "tab\there\x01 bell\x07 del\x7f cr\rend"
                                        << "tab\there\x01 bell\x07 del\x7f cr end"
                                        << "tabhere bell del cr end";
    QTest::newRow("blank") << "   "
                           << "   "
                           << "   ";
    QTest::newRow("dash and tilde") << "-rf ~"
                                    << "-rf ~"
                                    << "-rf ~";
    // 300 bytes: cut to 200 at a character boundary, leaving room for "-KEY.f160.mp4.part".
    const QString e100 = QString(100, QChar(0xE9));
    const QString tooLong = e100 + QStringLiteral("🎉").repeated(25);
    QTest::newRow("longer than a file name") << tooLong << tooLong << e100;
    const QString x = QString(300, QLatin1Char('x'));
    const QString y = QString(300, QLatin1Char('y'));
    QTest::newRow("long names in sub-folders")
        << x + "/" + y << x + "/" + y << x.left(200) + "/" + y.left(200);
    // The extractor echoes the file path in its own lines: keywords in the title count for
    // nothing there (the 144p format's total makes a convincing progress line).
    const QString total =
        ExtractorSizeText(QFileInfo(MakeMedia() + QStringLiteral("/v144.mp4")).size());
    for (const QString& forged :
         {"x [download] 5.0% of " + total + " y", QStringLiteral("x Adding metadata to y"),
          QStringLiteral("x has already been downloaded")})
        QTest::newRow(qPrintable("keyword: " + forged)) << forged << forged << forged;
}

} // namespace

class TestHostile : public QObject, private CTableTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void linkReachesExtractorWhole_data() { AddLinkRows(); }
    void linkReachesExtractorWhole();
    void linkRefusedByRealExtractor_data() { AddLinkRows(); }
    void linkRefusedByRealExtractor();
    void hostileTitle_data() { AddTitleRows(); }
    void hostileTitle();
    void unfinishedTitledTaskDeleted_data() { AddTitleRows(); }
    void unfinishedTitledTaskDeleted();
    void craftedListingAndFile_data();
    void craftedListingAndFile();

private:
    // Nothing in the sandbox has changed since init() outside the data folder, the output
    // folder (and the folders made on the way to it) and the extractor's cache.
    void CheckSandbox();
    // The stand-in's script, with its log; `extra` adds or replaces keys.
    void Script(const QJsonObject& extra);
    QString Victim() const { return m_home.path() + QStringLiteral("/victims/precious.mp4"); }
    QString Log() const { return m_tools.path() + QStringLiteral("/runs.log"); }

    QTemporaryDir m_tools; // the stand-in's application folder, script and log
    QString m_scriptedApp;
    QString m_media;
    CMediaServer m_server;
    QMap<QString, QByteArray> m_before;
};

void TestHostile::initTestCase()
{
    QVERIFY(m_home.isValid() && m_tools.isValid());
    m_scriptedApp = m_tools.path() + QStringLiteral("/app");
    QVERIFY(StartWindowTests(m_home.path(), &m_recorder, m_server, m_media, m_scriptedApp));
    // Whatever an extractor writes relative to where it runs lands in the sandbox.
    QVERIFY(QDir().mkpath(m_home.path() + QStringLiteral("/cwd")));
    QVERIFY(QDir::setCurrent(m_home.path() + QStringLiteral("/cwd")));
    WriteFile(Victim(), "precious");
    WriteFile(m_home.path() + QStringLiteral("/home/notes.txt"), "notes");
    // The default output folder: below the sandbox's home.
    m_outputDir = m_home.path() + QStringLiteral("/home/Documents/Quillane/");
}

void TestHostile::init()
{
    QVERIFY(QDir(DataFolder()).removeRecursively());
    QVERIFY(QDir().mkpath(DownloadingDir()) && QDir().mkpath(FinishedDir()));
    QVERIFY(QDir(m_outputDir).removeRecursively());
    QFile::remove(Log());
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    m_before = Snapshot(m_home.path());
}

void TestHostile::cleanupTestCase()
{
    m_server.Stop();
    ReleaseThisMachine();
}

void TestHostile::CheckSandbox()
{
    const QMap<QString, QByteArray> after = Snapshot(m_home.path());
    const QStringList allowed{DataFolder(), m_outputDir, m_home.path() + QStringLiteral("/cache/")};
    QSet<QString> paths(m_before.keyBegin(), m_before.keyEnd());
    for (auto it = after.keyBegin(); it != after.keyEnd(); ++it)
        paths.insert(*it);
    QStringList changed;
    for (const QString& path : paths) {
        const bool mayChange = std::any_of(allowed.begin(), allowed.end(), [&](const QString& a) {
            return (path + QLatin1Char('/')).startsWith(a) || a.startsWith(path + QLatin1Char('/'));
        });
        if (!mayChange && (m_before.contains(path) != after.contains(path) ||
                           m_before.value(path) != after.value(path)))
            changed << path;
    }
    changed.sort();
    QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QStringLiteral(", "))));
}

void TestHostile::Script(const QJsonObject& extra)
{
    QJsonObject script{
        {"log", Log()}, {"title", kLinkTitle}, {"thumb", m_media + QStringLiteral("/thumb.jpg")}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        script.insert(it.key(), it.value());
    QVERIFY(fault::SetScript(m_tools.path() + QStringLiteral("/script.json"), script));
}

void TestHostile::linkReachesExtractorWhole()
{
    QFETCH(QString, link);
    SetAppFolder(m_scriptedApp);
    Script({{"download", "fail"}});
    _VIDEO_FILE_INFO_ task;
    {
        auto w = MakeWindow();
        const AddedVideo added = AddVideoThroughDialog(*w, link, 0);
        QCOMPARE(added.notices, QStringList());
        QCOMPARE(added.nFormats, 1);
        QCOMPARE(TaskCount(*w), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!Task(*w, 0).bRunning, kRunMs);
        task = Task(*w, 0).VideoFileInfo;
        QCOMPARE(task.QstrUrl, link);
    }
    // Restarted, the unfinished task comes back with its link and completes when resumed.
    Script({{"download", "complete"}});
    _VIDEO_FILE_INFO_ restored;
    {
        auto w = MakeWindow();
        QCOMPARE(TaskCount(*w), 1);
        restored = Task(*w, 0).VideoFileInfo;
        QCOMPARE(restored.QstrUrl, link);
        QCOMPARE(restored.QstrTitle, task.QstrTitle);
        Task(*w, 0).pBtnPause->click();
        QTRY_COMPARE_WITH_TIMEOUT(int(w->vecFinishedList.size()), 1, kRunMs);
        QCOMPARE(w->vecFinishedList.front().VideoFileInfo.QstrFilePath, DownloadOutputFile(task));
    }
    QVERIFY(QFileInfo::exists(DownloadOutputFile(task)));

    // Thumbnail, listing, download, download again: each exactly as the program builds it; the
    // subtitle listing runs beside the analysis, in no fixed order with it.
    const QList<QStringList> logged = fault::LoggedRuns(Log());
    QList<QStringList> runs;
    for (const QStringList& run : logged) {
        if (run.contains(QStringLiteral("--list-subs")))
            QCOMPARE(run, SubtitleListArgs(link));
        else
            runs << run;
    }
    QCOMPARE(logged.size(), 5);
    QCOMPARE(runs.size(), 4);
    const QString converter = ConverterPath(m_scriptedApp);
    QCOMPARE(runs[0], ThumbnailArgs(converter, ThumbnailBase(task.QstrThumbPath), link));
    QCOMPARE(runs[1], ListingArgs(converter, link));
    QCOMPARE(runs[2], BuildDownloadArgs(task, m_scriptedApp));
    QCOMPARE(runs[3], runs[2]);
    CheckRuns(logged, link);
    CheckSandbox();
}

void TestHostile::linkRefusedByRealExtractor()
{
    QFETCH(QString, link);
    auto w = MakeWindow();
    const AddedVideo added = AddVideoThroughDialog(*w, link, 0);
    QCOMPARE(added.nFormats, 0);
    QCOMPARE(added.notices.size(), 1); // the notice, then what went wrong
    QVERIFY(added.notices[0].startsWith(Tr("Messages/MSG0108") + QStringLiteral("\n\n")));
    QCOMPARE(TaskCount(*w), 0);
    QCOMPARE(FilesIn(DownloadingDir()), QStringList());
    CheckSandbox();
}

void TestHostile::hostileTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, stored);
    QFETCH(QString, place);
    _VIDEO_FILE_INFO_ done;
    {
        auto w = MakeWindow();
        const AddedVideo added =
            AddVideoThroughDialog(*w, m_server.PageUrl(title), 2); // the 144p row
        QCOMPARE(added.notices, QStringList());
        QCOMPARE(added.nFormats, 3);
        QTRY_COMPARE_WITH_TIMEOUT(int(w->vecFinishedList.size()), 1, kRunMs);
        done = w->vecFinishedList.front().VideoFileInfo;
    }
    QCOMPARE(done.QstrTitle, stored);
    const QString file = m_outputDir + place + QLatin1Char('-') + done.QstrTaskKey + ".mp4";
    QCOMPARE(done.QstrFilePath, file);
    const QString realOutput = QFileInfo(m_outputDir).canonicalFilePath() + QLatin1Char('/');
    QVERIFY2(QFileInfo(file).canonicalFilePath().startsWith(realOutput), qPrintable(file));
    for (const QString& name : file.mid(m_outputDir.size()).split(QLatin1Char('/')))
        QVERIFY2(name.toUtf8().size() <= 255, qPrintable(name));
    QCOMPARE(StreamHash(file, QStringLiteral("v")),
             StreamHash(m_media + QStringLiteral("/v144.mp4"), QStringLiteral("v")));

    // Restarted, the task is listed again; deleted with its file, it leaves nothing behind.
    {
        auto w = MakeWindow();
        QCOMPARE(int(w->vecFinishedList.size()), 1);
        QCOMPARE(w->vecFinishedList.front().VideoFileInfo.QstrTitle, stored);
        QCOMPARE(w->vecFinishedList.front().VideoFileInfo.QstrFilePath, file);
        SeenDialog seen;
        AnswerDialog(true, true, &seen);
        w->vecFinishedList.front().pBtnDelete->click();
        QVERIFY(seen.bSeen);
        QVERIFY(w->vecFinishedList.empty());
    }
    QCOMPARE(Snapshot(m_outputDir).keys(), QStringList());
    QCOMPARE(FilesIn(FinishedDir()), QStringList());
    CheckSandbox();
}

void TestHostile::unfinishedTitledTaskDeleted()
{
    QFETCH(QString, title);
    QFETCH(QString, place);
    QVERIFY(m_server.SetRate(100000));
    auto w = MakeWindow();
    const AddedVideo added = AddVideoThroughDialog(*w, m_server.PageUrl(title), 2); // the 144p row
    QCOMPARE(added.nFormats, 3);
    QTRY_VERIFY_WITH_TIMEOUT(Task(*w, 0).VideoFileInfo.QstrPercent.toDouble() >= 5, kRunMs);
    const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
    task.pBtnPause->click();
    const QString part = m_outputDir + place + QLatin1Char('-') + task.VideoFileInfo.QstrTaskKey +
                         QStringLiteral(".f160.mp4.part");
    QVERIFY2(QFileInfo(part).size() > 0, qPrintable(part));

    // Deleted with its files: the parts go, and so do the folders made for them.
    SeenDialog seen;
    AnswerDialog(true, true, &seen);
    task.pBtnDelete->click();
    QVERIFY(seen.bSeen);
    QCOMPARE(TaskCount(*w), 0);
    QCOMPARE(Snapshot(m_outputDir).keys(), QStringList());
    QCOMPARE(FilesIn(DownloadingDir()), QStringList());
    CheckSandbox();
}

void TestHostile::craftedListingAndFile_data()
{
    QTest::addColumn<QString>("format"); // the listing's one format line
    QTest::addColumn<QString>("report"); // what the metadata line names (empty: the real file)
    const QString plain = QStringLiteral("137 mp4 1x1 25 | 1.00MiB 1k http | x 1k video only"
                                         " DASH video, mp4_dash");
    QTest::newRow("format code and extension like options")
        << "--exec=touch_pwned --output 1x1 25 | 1.00MiB 1k http | x 1k video only DASH video, -o"
        << "";
    QTest::newRow("extension with a path")
        << "137 ../../../victims/x 1x1 25 | 1.00MiB 1k http | x 1k video only DASH video, x"
        << "";
    QTest::newRow("file outside the output folder") << plain << "victim";
    QTest::newRow("file climbing out of the output folder") << plain << "climb";
    QTest::newRow("link to a file outside") << plain << "link";
}

void TestHostile::craftedListingAndFile()
{
    QFETCH(QString, format);
    QFETCH(QString, report);
    QString reported;
    if (report == QLatin1String("victim"))
        reported = Victim();
    if (report == QLatin1String("climb"))
        reported = m_outputDir + QStringLiteral("../../../victims/precious.mp4");
    if (report == QLatin1String("link")) {
        reported = m_outputDir + QStringLiteral("precious.mp4");
        QVERIFY(QDir().mkpath(m_outputDir) && QFile::link(Victim(), reported));
    }
    SetAppFolder(m_scriptedApp);
    QJsonObject script{{"formats", QJsonArray{format}}};
    if (!reported.isEmpty())
        script.insert(QStringLiteral("report"), reported);
    Script(script);
    const QString link = QStringLiteral("http://127.0.0.1:9/crafted");
    {
        auto w = MakeWindow();
        const AddedVideo added = AddVideoThroughDialog(*w, link, 0);
        QCOMPARE(added.nFormats, 1);
        QTRY_COMPARE_WITH_TIMEOUT(int(w->vecFinishedList.size()), 1, kRunMs);
    }
    CheckRuns(fault::LoggedRuns(Log()), link);
    // Restarted, the task is listed; deleted with "its" file, it deletes nothing outside.
    {
        auto w = MakeWindow();
        QCOMPARE(int(w->vecFinishedList.size()), 1);
        SeenDialog seen;
        AnswerDialog(true, true, &seen);
        w->vecFinishedList.front().pBtnDelete->click();
        QVERIFY(w->vecFinishedList.empty());
    }
    QCOMPARE(ReadAll(Victim()), QByteArray("precious"));
    CheckSandbox();
}

QTEST_MAIN(TestHostile)
#include "moc_framefixture.cpp"
#include "tst_hostile.moc"
