// Faults: the program killed with SIGKILL at random moments while it downloads, runs that end
// without completing, info files that cannot be loaded, and info-file writes cut short.
// The program under the knife is tests/fixtures/fault_driver.cpp; the real extractor and
// converter download from the loopback site, the scripted stand-in crashes on demand.

#include "fixtures/faultfixture.h"
#include "framefixture.h"
#include "tablesfixture.h"
#include "testsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <csignal>

using namespace fixture;
using fault::CDriver;

namespace {

constexpr int kRunMs = 180000;       // one download, with room to spare
constexpr int kKillRounds = 10;      // kills while downloads run
constexpr int kMaxKillMs = 5000;     // a kill comes at most this long after the first progress
constexpr int kWriteKills = 40;      // kills while an info file is being rewritten
constexpr qint64 kSlowRate = 150000; // bytes per second and transfer: downloads last rounds

// What the data folder holds: the stored percentage of each unfinished task, and how many
// tasks are finished.
QString Progress(const QString& dataDir)
{
    QStringList parts;
    for (const _VIDEO_FILE_INFO_& info :
         LoadDownloadInfos(dataDir + QStringLiteral("downloading/")))
        parts << info.QstrTitle + QStringLiteral(": ") + info.QstrPercent + QLatin1Char('%');
    parts << QString::number(LoadFinishedInfos(dataDir + QStringLiteral("finished/")).size()) +
                 QStringLiteral(" finished");
    return parts.join(QStringLiteral(", "));
}

// Every visible file of an info folder: name and content.
QMap<QString, QByteArray> InfoFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : FilesIn(folder))
        files.insert(name, ReadAll(folder + name));
    return files;
}

} // namespace

class TestFaults : public QObject, private CTableTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void killedAtRandomMoments();
    void killedWhileAnalysing();
    void runEndsWithoutCompletion_data();
    void runEndsWithoutCompletion();
    void unloadableFilesStay_data();
    void unloadableFilesStay();
    void damagedKeyDeletesOnlyItsOwnFiles_data();
    void damagedKeyDeletesOnlyItsOwnFiles();
    void interruptedWritesLeaveWholeFiles();

private:
    // A task of the clip's video format `index` (0: 144p, 1: 240p, 2: 360p).
    _VIDEO_FILE_INFO_ ClipTask(int index, const QString& title, const QString& outputDir,
                               int n) const;
    // The downloaded file carries exactly the streams the site served.
    void CheckSameStreams(const QString& file, int index);
    // Each visible info file holds one whole record named after its file, and every task
    // is in one of the two folders.
    void CheckInfoFiles(const QString& dataDir, const std::vector<_VIDEO_FILE_INFO_>& tasks);
    // After a restart every task is listed, and every unfinished one is paused at its
    // stored percentage.
    void CheckListing(const QStringList& lines, const std::vector<_VIDEO_FILE_INFO_>& tasks);

    CMediaServer m_server;
    QString m_media;
    QString m_scriptedApp;
};

void TestFaults::initTestCase()
{
    QVERIFY(m_home.isValid());
    m_scriptedApp = m_home.path() + QStringLiteral("/scripted-app");
    QVERIFY(StartWindowTests(m_home.path(), &m_recorder, m_server, m_media, m_scriptedApp));
}

void TestFaults::init()
{
    QVERIFY(FreshFolders());
    QVERIFY(m_server.SetRate(0));
}

void TestFaults::cleanupTestCase()
{
    m_server.Stop();
    ReleaseThisMachine();
}

_VIDEO_FILE_INFO_ TestFaults::ClipTask(int index, const QString& title, const QString& outputDir,
                                       int n) const
{
    const ClipFormat format = ClipFormats().at(index);
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = format.id;
    info.QstrExt = format.ext;
    info.QstrSize = RecordSizeText(QFileInfo(m_media + QLatin1Char('/') + format.file).size());
    info.QstrDuration = QStringLiteral("00:00:08");
    info.QstrTitle = title;
    info.QstrOutputDir = outputDir;
    info.QstrTaskKey = QStringLiteral("2024-05-01-10-00-%1").arg(n, 2, 10, QLatin1Char('0'));
    info.QstrUrl = m_server.PageUrl(title);
    return info;
}

void TestFaults::CheckSameStreams(const QString& file, int index)
{
    QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    const QString video = StreamHash(file, QStringLiteral("v"));
    QVERIFY(!video.isEmpty());
    QCOMPARE(video, StreamHash(m_media + QLatin1Char('/') + ClipFormats().at(index).file,
                               QStringLiteral("v")));
    QCOMPARE(StreamHash(file, QStringLiteral("a")),
             StreamHash(m_media + QStringLiteral("/audio.m4a"), QStringLiteral("a")));
}

void TestFaults::CheckInfoFiles(const QString& dataDir, const std::vector<_VIDEO_FILE_INFO_>& tasks)
{
    QStringList keys;
    QStringList titles;
    const QMap<QString, QByteArray> downloading =
        InfoFiles(dataDir + QStringLiteral("downloading/"));
    for (auto it = downloading.cbegin(); it != downloading.cend(); ++it) {
        const std::vector<_VIDEO_FILE_INFO_> records = ParseDownloadInfo(QString::fromUtf8(*it));
        QVERIFY2(records.size() == 1 && it->endsWith('\n'), qPrintable(it.key() + ": " + *it));
        QCOMPARE(records[0].QstrTaskKey, it.key());
        keys << it.key();
    }
    const QMap<QString, QByteArray> finished = InfoFiles(dataDir + QStringLiteral("finished/"));
    for (auto it = finished.cbegin(); it != finished.cend(); ++it) {
        const std::vector<_VIDEO_FILE_INFO_> records = ParseFinishedInfo(QString::fromUtf8(*it));
        QVERIFY2(records.size() == 1, qPrintable(it.key() + ": " + *it));
        QCOMPARE(records[0].QstrFinishTime, it.key());
        const auto task = std::find_if(tasks.begin(), tasks.end(), [&](const auto& t) {
            return t.QstrTitle == records[0].QstrTitle;
        });
        QVERIFY2(task != tasks.end(), qPrintable(records[0].QstrTitle));
        QCOMPARE(records[0].QstrFilePath, DownloadOutputFile(*task));
        titles << records[0].QstrTitle;
    }
    for (const _VIDEO_FILE_INFO_& task : tasks)
        QVERIFY2(keys.contains(task.QstrTaskKey) || titles.contains(task.QstrTitle),
                 qPrintable(task.QstrTitle + " is lost"));
}

void TestFaults::CheckListing(const QStringList& lines, const std::vector<_VIDEO_FILE_INFO_>& tasks)
{
    QStringList keys;
    QStringList titles;
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.first() == QLatin1String("D")) {
            QCOMPARE(parts.size(), 5);
            QVERIFY2(parts[2] == QLatin1String("1"), qPrintable(line)); // paused
            QCOMPARE(parts[3].toInt(), PercentBarValue(parts[4]));
            QVERIFY2(!keys.contains(parts[1]), qPrintable(line));
            keys << parts[1];
        } else if (parts.first() == QLatin1String("F")) {
            const QString title = line.section(QLatin1Char(' '), 2);
            QVERIFY2(!titles.contains(title), qPrintable(line));
            titles << title;
        }
    }
    for (const _VIDEO_FILE_INFO_& task : tasks)
        QVERIFY2(keys.contains(task.QstrTaskKey) || titles.contains(task.QstrTitle),
                 qPrintable(task.QstrTitle + " is not listed"));
}

void TestFaults::killedAtRandomMoments()
{
    const QString dataHome = m_work->path() + QStringLiteral("/data");
    const QString dataDir = dataHome + QStringLiteral("/Quillane/");
    std::vector<_VIDEO_FILE_INFO_> tasks;
    QString lines;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(ClipTask(i, QStringLiteral("Killed %1").arg(i), m_outputDir, i));
        lines += DownloadInfoLine(tasks.back());
    }
    const QString tasksFile = m_work->path() + QStringLiteral("/tasks");
    WriteFile(tasksFile, lines.toUtf8());

    const quint32 seed = qEnvironmentVariableIsSet("QUILLANE_FAULT_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QUILLANE_FAULT_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (QUILLANE_FAULT_SEED=%u repeats this run)", seed, seed);
    QRandomGenerator random(seed);

    QVERIFY(m_server.SetRate(kSlowRate));
    for (int round = 0; round < kKillRounds; ++round) {
        CDriver driver(dataHome);
        QVERIFY(driver.Start(round == 0 ? QStringList{"run", tasksFile} : QStringList{"run"}));
        QVERIFY(driver.WaitFor(QStringLiteral("STARTED"), kRunMs));
        if (round > 0)
            CheckListing(driver.lines, tasks);
        // Killed while data flows, or at the end if everything completes first.
        const int delay = int(random.bounded(kMaxKillMs));
        const QString seen = driver.WaitFor({"PROGRESS", "DONE"}, kRunMs);
        QVERIFY(!seen.isEmpty());
        if (seen == QLatin1String("PROGRESS")) {
            qInfo("round %d: killed %d ms after the first progress", round + 1, delay);
            QTest::qSleep(delay);
        } else {
            qInfo("round %d: everything had completed", round + 1);
        }
        driver.Kill();
        // The extractor dies with the program; a converter it started ends by itself.
        const auto left = [this] { return fault::ProcessesWith(m_outputDir); };
        QTRY_VERIFY2_WITH_TIMEOUT(left().filter(QStringLiteral("Pelmora")).isEmpty(),
                                  qPrintable(left().join(QLatin1Char('\n'))), 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(left().isEmpty(), qPrintable(left().join(QLatin1Char('\n'))),
                                  30000);
        CheckInfoFiles(dataDir, tasks);
        qInfo("round %d: %s", round + 1, qPrintable(Progress(dataDir)));
    }

    // Restarted once more at full speed: every task is listed, resumes and completes.
    QVERIFY(m_server.SetRate(0));
    CDriver driver(dataHome);
    QVERIFY(driver.Start({QStringLiteral("run")}));
    QVERIFY(driver.WaitFor(QStringLiteral("STARTED"), kRunMs));
    CheckListing(driver.lines, tasks);
    QVERIFY(driver.WaitFor(QStringLiteral("DONE"), kRunMs));
    QVERIFY(driver.WaitEnd(30000));
    CheckInfoFiles(dataDir, tasks);
    QCOMPARE(FilesIn(dataDir + QStringLiteral("downloading/")), QStringList());
    QCOMPARE(FilesIn(dataDir + QStringLiteral("finished/")).size(), 3);
    for (int i = 0; i < 3; ++i)
        CheckSameStreams(DownloadOutputFile(tasks[size_t(i)]), i);
}

void TestFaults::killedWhileAnalysing()
{
    // The site sends the thumbnail so slowly that the analysis still runs, quietly, when the
    // program dies (an extractor that prints notices would die of the closed pipe anyway).
    const QString link =
        m_server.PageUrl(QStringLiteral("Analysed %1").arg(QRandomGenerator::global()->generate()));
    QVERIFY(m_server.SetRate(300));
    const QString dataHome = m_work->path() + QStringLiteral("/data");
    CDriver driver(dataHome);
    QVERIFY(driver.Start({QStringLiteral("analyse"), link}));
    QVERIFY(driver.WaitFor(QStringLiteral("ANALYSING"), kRunMs));
    auto thumbnailStarted = [&] {
        QDirIterator it(dataHome, {QStringLiteral("*.jpg")}, QDir::Files,
                        QDirIterator::Subdirectories);
        return it.hasNext();
    };
    QTRY_VERIFY_WITH_TIMEOUT(thumbnailStarted(), kRunMs);
    QVERIFY(!fault::ProcessesWith(link).filter(QStringLiteral("Pelmora")).isEmpty());
    driver.Kill();
    QTRY_VERIFY_WITH_TIMEOUT(fault::ProcessesWith(link).isEmpty(), 10000);
}

void TestFaults::runEndsWithoutCompletion_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("process group killed from outside") << "kill";
    QTest::newRow("extractor crashes") << "crash";
    QTest::newRow("extractor fails with an error") << "fail";
}

void TestFaults::runEndsWithoutCompletion()
{
    QFETCH(QString, how);
    auto w = MakeWindow();
    const int format = 1;
    const _VIDEO_FILE_INFO_ info =
        ClipTask(format, QStringLiteral("Ended ") + how, m_outputDir, 20);
    const QString size = ExtractorSizeText(
        QFileInfo(m_media + QLatin1Char('/') + ClipFormats().at(format).file).size());
    if (how == QLatin1String("kill")) {
        QVERIFY(m_server.SetRate(kSlowRate));
    } else {
        w->engine.SetFolders(m_scriptedApp, w->QstrDownloadingDir);
        QVERIFY(fault::SetScript(
            m_work->path() + QStringLiteral("/script.json"),
            {{"download", how}, {"size", size}, {"percents", QJsonArray{12.5, 31.0}}}));
    }
    AddTasks(*w, {info}, false);
    QSignalSpy ended(&w->engine, &CDownloadEngine::RunEnded);
    QVERIFY(w->engine.Start(info.QstrTaskKey));
    const _VIDEO_DOWNLOAD_INFO_ started = Task(*w, 0);
    if (how == QLatin1String("kill")) {
        QTRY_VERIFY_WITH_TIMEOUT(started.pProgressBar->value() >= 10, kRunMs);
        QVERIFY(::kill(-pid_t(started.pProcess->processId()), SIGKILL) == 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, kRunMs);
    QCoreApplication::processEvents(); // the reports queued before the end

    // The row shows the last progress of the run and keeps showing it; a run that failed by
    // itself says why instead and waits paused.
    const bool bFailed = how == QLatin1String("fail");
    if (bFailed)
        QTRY_VERIFY(Task(*w, 0).bPaused);
    const _VIDEO_DOWNLOAD_INFO_ stopped = Task(*w, 0);
    QVERIFY(!stopped.bRunning && stopped.bPaused == bFailed);
    const QString percent = stopped.VideoFileInfo.QstrPercent;
    QVERIFY2(percent.toDouble() > 0 && percent.toDouble() < 100, qPrintable(percent));
    if (how != QLatin1String("kill"))
        QCOMPARE(percent, QStringLiteral("31.0"));
    const int bar = stopped.pProgressBar->value();
    const QString status = stopped.pStatusLabel->text();
    QCOMPARE(bar, PercentBarValue(percent));
    if (bFailed)
        QCOMPARE(status, Tr("Errors/Failed") + QStringLiteral("scripted failure"));
    else
        QVERIFY2(status.contains(QStringLiteral("Completed: ") + percent + QLatin1Char('%')),
                 qPrintable(status));
    QTest::qWait(300);
    QCOMPARE(stopped.pProgressBar->value(), bar);
    QCOMPARE(stopped.pStatusLabel->text(), status);
    QVERIFY(QFileInfo::exists(DownloadingDir() + info.QstrTaskKey));
    QVERIFY(w->vecFinishedList.empty());

    // Paused and resumed with the real extractor at full speed, the task completes.
    w->engine.SetFolders(QStringLiteral(QUILLANE_APP_DIR), w->QstrDownloadingDir);
    QVERIFY(m_server.SetRate(0));
    if (!bFailed) {
        stopped.pBtnPause->click();
        QVERIFY(Task(*w, 0).bPaused);
    }
    stopped.pBtnPause->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->vecFinishedList.size() == 1, kRunMs);
    QCOMPARE(TaskCount(*w), 0);
    QCOMPARE(w->vecFinishedList.front().VideoFileInfo.QstrFilePath, DownloadOutputFile(info));
    CheckSameStreams(DownloadOutputFile(info), format);
}

void TestFaults::unloadableFilesStay_data()
{
    QTest::addColumn<bool>("finished");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    const QByteArray nine = QByteArray("a##@##").repeated(8) + "a\n";
    const QByteArray eleven = QByteArray("a##@##").repeated(10) + "a\n";
    QByteArray binary;
    for (int i = 0; i < 512; ++i)
        binary += char(i * 37 % 256);
    const QByteArray seven = QByteArray("a##@##").repeated(6) + "a";
    const QByteArray ten = QByteArray("a##@##").repeated(9) + "a";
    const char* stamp = "2024-02-02-02-02-02";
    QTest::newRow("downloading: garbage") << false << stamp << QByteArray("not an info file\n");
    QTest::newRow("downloading: nine fields") << false << stamp << nine;
    QTest::newRow("downloading: eleven fields") << false << "notes.txt" << eleven;
    QTest::newRow("downloading: empty") << false << stamp << QByteArray();
    QTest::newRow("downloading: binary") << false << stamp << binary;
    QTest::newRow("finished: garbage") << true << stamp << QByteArray("\x01\x02 garbage");
    QTest::newRow("finished: seven fields") << true << stamp << seven;
    QTest::newRow("finished: ten fields") << true << "notes.txt" << ten;
    QTest::newRow("finished: empty") << true << stamp << QByteArray();
    QTest::newRow("finished: binary") << true << stamp << binary;
}

void TestFaults::unloadableFilesStay()
{
    QFETCH(bool, finished);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString file = (finished ? FinishedDir() : DownloadingDir()) + name;
    WriteFile(file, content);
    const QDateTime changed = QFileInfo(file).lastModified();
    // Beside it, one loadable task in each folder.
    const _VIDEO_FILE_INFO_ task = Record(1);
    QCOMPARE(WriteInfoFile(DownloadingDir(), task.QstrTaskKey, DownloadInfoLine(task)), 0);
    _VIDEO_FILE_INFO_ done = Record(2);
    WriteFinishedInfo(done, QStringLiteral("2024-03-03-03-03-03"));

    for (int start = 0; start < 2; ++start) {
        auto w = MakeWindow();
        QCOMPARE(TaskCount(*w), start == 0 ? 1 : 0);
        QCOMPARE(int(w->vecFinishedList.size()), start == 0 ? 1 : 0);
        // Deleting everything, files included, deletes only what was listed.
        SeenDialog seen;
        AnswerDialog(true, true, &seen);
        w->DelAllDownload();
        AnswerDialog(true, true, &seen);
        w->DelAllFinished();
        QCOMPARE(ReadAll(file), content);
        QCOMPARE(QFileInfo(file).lastModified(), changed);
    }
    QCOMPARE(FilesIn(finished ? FinishedDir() : DownloadingDir()), QStringList{name});
    QCOMPARE(FilesIn(finished ? DownloadingDir() : FinishedDir()), QStringList());
}

void TestFaults::damagedKeyDeletesOnlyItsOwnFiles_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("own");    // the files of the task's runs
    QTest::addColumn<QStringList>("others"); // files of other tasks and of the user
    const QString k = QStringLiteral("2024-06-01-08-00-00");
    QTest::newRow("key is a dot") << "." << QStringList{"Clip-..mp4"}
                                  << QStringList{"Other.mp4", "Clip.f137.mp4.part", "notes.txt"};
    QTest::newRow("key is one digit")
        << "2" << QStringList{"Clip-2.mp4", "Clip-2.f137.mp4.part"}
        << QStringList{"Other-2.mp4", "2024-01-01-10-00-00.mp4", "Clip-2024.mp4"};
    QTest::newRow("another task's files hold the same key")
        << k << QStringList{"Clip-" + k + ".mp4", "Clip-" + k + ".f140.m4a"}
        << QStringList{"Older clip-" + k + ".mp4", "Older clip-" + k + ".f140.m4a"};
}

void TestFaults::damagedKeyDeletesOnlyItsOwnFiles()
{
    QFETCH(QString, key);
    QFETCH(QStringList, own);
    QFETCH(QStringList, others);
    _VIDEO_FILE_INFO_ task = Record(1, QStringLiteral("Clip"));
    task.QstrTaskKey = key;
    QCOMPARE(WriteInfoFile(DownloadingDir(), QStringLiteral("2024-02-02-02-02-02"),
                           DownloadInfoLine(task)),
             0);
    for (const QString& name : own + others)
        WriteFile(m_outputDir + name, "data");

    auto w = MakeWindow();
    QCOMPARE(TaskCount(*w), 1);
    SeenDialog seen;
    AnswerDialog(true, true, &seen);
    Task(*w, 0).pBtnDelete->click();
    QVERIFY(seen.bSeen);
    QCOMPARE(TaskCount(*w), 0);
    QStringList left = others;
    left.sort();
    QCOMPARE(FilesIn(m_outputDir), left);
}

void TestFaults::interruptedWritesLeaveWholeFiles()
{
    const QString folder = m_work->path() + QStringLiteral("/downloading/");
    QVERIFY(QDir().mkpath(folder));
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    for (int round = 0; round < kWriteKills; ++round) {
        CDriver driver(m_work->path());
        QVERIFY(driver.Start({QStringLiteral("rewrite"), folder}));
        QVERIFY(driver.WaitFor(QStringLiteral("WRITING"), 30000));
        QTest::qSleep(int(random.bounded(0, 20)));
        driver.Kill();
        // The file is the old one or the new one, whole, and nothing else is loaded.
        const QStringList names = FilesIn(folder);
        QCOMPARE(names, QStringList{QStringLiteral("2024-01-01-00-00-00")});
        const std::vector<_VIDEO_FILE_INFO_> loaded = LoadDownloadInfos(folder);
        QCOMPARE(loaded.size(), size_t(1));
        QCOMPARE(loaded[0].QstrTaskKey, names.first());
    }
}

QTEST_MAIN(TestFaults)
#include "moc_framefixture.cpp"
#include "tst_faults.moc"
