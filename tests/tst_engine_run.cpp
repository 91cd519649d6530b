// Download runs with the real extractor and converter against the loopback video site:
// completion, stop and resume, the process group, failures, and the task list.

#include "command.h"
#include "downloadengine.h"
#include "taskfiles.h"
#include "infofiles.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

namespace {

constexpr int kRunMs = 120000;
const QString kVideoId = QStringLiteral("134");

// True while the process exists and is not a zombie.
bool IsAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < text.size() ? text.at(close + 2) : 'X';
    return state != 'Z' && state != 'X';
}

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// Every file and folder below `root`, relative to it, sorted.
QStringList Tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(root).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

} // namespace

class TestEngineRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void wholeDownload_data();
    void wholeDownload();
    void stopAndResume();
    void stopEndsTheProcessGroup();
    void failedRun_data();
    void failedRun();
    void startWhileRunningDoesNothing();
    void receiverRemovesTaskDuringRun();
    void removeTaskTellsKeysApart_data();
    void removeTaskTellsKeysApart();
    void deleteTaskFiles_data();
    void deleteTaskFiles();

private:
    // A task of the clip's 640x360 format, appended to the engine with its info file.
    _VIDEO_FILE_INFO_ AddTask(const QString& title, const QString& key,
                              const QString& url = QString());
    const CDownloadTask& Entry(const QString& key);

    QTemporaryDir m_home;
    QString m_media;
    fixture::CMediaServer m_server;

    // Per test.
    QTemporaryDir* m_work = nullptr;
    CDownloadEngine* m_engine = nullptr;
    QStringList m_reports; // "key value|kind" of each report, and "key 100|" for a completion
    int m_completions = 0; // completed tasks
    std::function<void(const QString&, int)> m_onReport;
    qint64 m_strayPid = 0; // a child of the stand-in extractor, ended whatever the outcome
};

void TestEngineRun::initTestCase()
{
    QVERIFY(m_home.isValid());
    fixture::IsolateHome(m_home.path());
    m_media = fixture::MakeMedia();
    QVERIFY(!m_media.isEmpty());
    QVERIFY(m_server.Start(m_media));
}

void TestEngineRun::cleanupTestCase()
{
    m_server.Stop();
}

void TestEngineRun::init()
{
    QVERIFY(m_server.SetRate(0));
    m_work = new QTemporaryDir;
    QVERIFY(m_work->isValid());
    QDir().mkpath(m_work->path() + QStringLiteral("/downloading"));
    QDir().mkpath(m_work->path() + QStringLiteral("/out"));
    m_engine = new CDownloadEngine;
    m_engine->SetFolders(QStringLiteral(QUILLANE_APP_DIR),
                         m_work->path() + QStringLiteral("/downloading/"));
    m_reports.clear();
    m_completions = 0;
    m_onReport = nullptr;
    connect(m_engine, &CDownloadEngine::Progress, m_engine,
            [this](const QString& key, const ProgressReport& report) {
                static const QHash<ReportKind, QString> kinds = {
                    {ReportKind::Bar, QString()},
                    {ReportKind::Analyzing, QStringLiteral("Analyzing...")},
                    {ReportKind::Progress, QStringLiteral("progress")},
                    {ReportKind::AddingMetadata, QStringLiteral("Adding metadata")}};
                m_reports << key + QLatin1Char(' ') + QString::number(report.nProValue) +
                                 QLatin1Char('|') + kinds.value(report.eKind);
                if (m_onReport)
                    m_onReport(key, report.nProValue);
            });
    connect(m_engine, &CDownloadEngine::Completed, m_engine, [this](const QString& key) {
        m_reports << key + QStringLiteral(" 100|");
        ++m_completions;
    });
}

void TestEngineRun::cleanup()
{
    for (const QString& key : m_engine->Keys())
        m_engine->Stop(key, 30000);
    delete m_engine; // with the tasks it has released, not yet freed by the event loop
    m_engine = nullptr;
    delete m_work;
    m_work = nullptr;
    if (m_strayPid > 0 && IsAlive(m_strayPid))
        ::kill(pid_t(m_strayPid), SIGKILL);
    m_strayPid = 0;
}

_VIDEO_FILE_INFO_ TestEngineRun::AddTask(const QString& title, const QString& key,
                                         const QString& url)
{
    const qint64 size = QFileInfo(m_media + QStringLiteral("/v360.mp4")).size();
    _VIDEO_FILE_INFO_ task;
    task.QstrFormatId = kVideoId;
    task.QstrExt = QStringLiteral("mp4");
    task.QstrSize = fixture::RecordSizeText(size);
    task.QstrDuration = QStringLiteral("00:00:08");
    task.QstrTitle = title;
    task.QstrOutputDir = m_work->path() + QStringLiteral("/out/");
    task.QstrTaskKey = key;
    task.QstrUrl = url.isNull() ? m_server.PageUrl(title) : url;
    m_engine->Add(task, false);
    return task;
}

const CDownloadTask& TestEngineRun::Entry(const QString& key)
{
    const CDownloadTask* task = m_engine->Find(key);
    Q_ASSERT(task);
    return *task;
}

void TestEngineRun::wholeDownload_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("plain title") << "Fixture Clip";
    QTest::newRow("template characters stay literal") << "100% $HOME %(id)s ${USER}";
    QTest::newRow("quotes and non-ASCII") << "Größe \"quoted\" 東京";
    QTest::newRow("sub-folder") << "Series/Episode 1";
}

void TestEngineRun::wholeDownload()
{
    QFETCH(QString, title);
    const QString key = QStringLiteral("2024-01-01-10-00-00");
    const _VIDEO_FILE_INFO_ task = AddTask(title, key);
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);

    QVERIFY(m_engine->Start(key));
    QVERIFY(Entry(key).IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 1, kRunMs);

    const CDownloadTask& done = Entry(key);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toString(), key);
    QVERIFY(!done.IsRunning());
    QVERIFY(done.HasProgress());
    QCOMPARE(m_completions, 1);
    QCOMPARE(m_reports.last(), key + QStringLiteral(" 100|"));
    QVERIFY(m_reports.contains(key + QStringLiteral(" 100|Adding metadata")));
    QCOMPARE(done.Record().QstrPercent, QStringLiteral("100"));
    QCOMPARE(done.State(), TaskState::Done);

    // The file is where the engine says, under the title's literal name.
    const QString file = DownloadOutputFile(task);
    QCOMPARE(done.Record().QstrFilePath, file);
    QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    QCOMPARE(QDir(DownloadOutputFolder(task)).entryList(QDir::Files),
             QStringList{QFileInfo(file).fileName()});

    const fixture::ProbeInfo probe = fixture::Probe(file);
    QVERIFY(probe.ok);
    // The audio comes first in the selector, and so in the merged file.
    QCOMPARE(probe.codecTypes, (QStringList{"audio", "video"}));
    QCOMPARE(probe.codecNames, (QStringList{"aac", "h264"}));
    QVERIFY2(qAbs(probe.duration - fixture::kClipSeconds) < 0.5,
             qPrintable(QString::number(probe.duration)));

    // Rewritten along the way or not, the info file still describes the task.
    std::vector<_VIDEO_FILE_INFO_> infos = LoadDownloadInfos(m_engine->DownloadingFolder());
    QCOMPARE(infos.size(), size_t(1));
    QCOMPARE(infos[0].QstrTaskKey, key);
    QCOMPARE(infos[0].QstrTitle, task.QstrTitle);
}

void TestEngineRun::stopAndResume()
{
    // The reference: the same format downloaded in one go.
    const QString refKey = QStringLiteral("2024-01-01-11-00-00");
    const _VIDEO_FILE_INFO_ ref = AddTask(QStringLiteral("Reference"), refKey);
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);
    QVERIFY(m_engine->Start(refKey));
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 1, kRunMs);
    QCOMPARE(m_completions, 1);
    const QString refFile = DownloadOutputFile(ref);

    // The same, stopped half-way by a throttled site.
    const QString key = QStringLiteral("2024-01-01-11-00-01");
    const _VIDEO_FILE_INFO_ task = AddTask(QStringLiteral("Resumed"), key);
    QVERIFY(m_server.SetRate(300000));
    ended.clear();
    m_completions = 0;
    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(Entry(key).Record().QstrPercent.toDouble() >= 15, kRunMs);
    QVERIFY(m_engine->Stop(key, 30000));
    QCOMPARE(ended.count(), 1);
    const CDownloadTask& stopped = Entry(key);
    QVERIFY(!stopped.IsRunning());
    QCOMPARE(m_completions, 0);
    QVERIFY(stopped.Record().QstrFilePath.isEmpty());
    const double stoppedAt = stopped.Record().QstrPercent.toDouble();
    QVERIFY(stoppedAt < 100);
    const QString part = DownloadOutputFolder(task) +
                         QFileInfo(DownloadOutputFile(task)).completeBaseName() +
                         QStringLiteral(".f134.mp4.part");
    QVERIFY2(QFileInfo(part).size() > 0, qPrintable(part));

    // Started again, the run goes on from the partial file.
    QVERIFY(m_server.SetRate(0));
    const int reportsBefore = m_reports.size();
    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 2, kRunMs);
    QCOMPARE(m_completions, 1);
    const QStringList later = m_reports.mid(reportsBefore);
    QVERIFY(!later.isEmpty());
    const QString first =
        later.first().section(QLatin1Char(' '), 1).section(QLatin1Char('|'), 0, 0);
    QVERIFY2(first.toInt() >= int(stoppedAt), qPrintable(later.first()));

    const QString file = DownloadOutputFile(task);
    QCOMPARE(Entry(key).Record().QstrFilePath, file);
    QVERIFY(!QFileInfo::exists(part));
    const fixture::ProbeInfo probe = fixture::Probe(file);
    const fixture::ProbeInfo refProbe = fixture::Probe(refFile);
    QVERIFY(probe.ok && refProbe.ok);
    QCOMPARE(probe.codecTypes, refProbe.codecTypes);
    QCOMPARE(probe.codecNames, refProbe.codecNames);
    QCOMPARE(probe.duration, refProbe.duration);
    // The streams are the served ones, byte for byte.
    const QString video = fixture::StreamHash(file, QStringLiteral("v"));
    QVERIFY(!video.isEmpty());
    QCOMPARE(video, fixture::StreamHash(refFile, QStringLiteral("v")));
    QCOMPARE(video,
             fixture::StreamHash(m_media + QStringLiteral("/v360.mp4"), QStringLiteral("v")));
    QCOMPARE(fixture::StreamHash(file, QStringLiteral("a")),
             fixture::StreamHash(m_media + QStringLiteral("/audio.m4a"), QStringLiteral("a")));
}

void TestEngineRun::stopEndsTheProcessGroup()
{
    // The stand-in extractor starts a child as the real one starts the converter.
    QTemporaryDir app;
    QVERIFY(app.isValid());
    QVERIFY(QFile::link(QStringLiteral(QUILLANE_FIXTURES_DIR "/standin_extractor.py"),
                        app.path() + QStringLiteral("/Pelmora")));
    m_engine->SetFolders(app.path(), m_work->path() + QStringLiteral("/downloading/"));
    const QString pidFile = m_work->path() + QStringLiteral("/child.pid");
    const QString key = QStringLiteral("2024-01-01-12-00-00");
    const _VIDEO_FILE_INFO_ task = AddTask(QStringLiteral("Group"), key, QStringLiteral("standin:spawn?pidfile=") + pidFile);
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);

    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(pidFile), kRunMs);
    QFile f(pidFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const qint64 child = f.readAll().trimmed().toLongLong();
    QVERIFY(child > 0);
    m_strayPid = child;
    QVERIFY(IsAlive(child));
    QTRY_VERIFY_WITH_TIMEOUT(!m_reports.isEmpty(), kRunMs);

    QVERIFY(m_engine->Stop(key, 30000));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!Entry(key).IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!IsAlive(child), 30000);
}

void TestEngineRun::failedRun_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("page without a video") << "nothing";
    QTest::newRow("page not found") << "missing";
    QTest::newRow("extractor missing") << "no extractor";
}

void TestEngineRun::failedRun()
{
    QFETCH(QString, which);
    QTemporaryDir emptyApp;
    QString url = m_server.NoVideoUrl();
    if (which == QLatin1String("missing"))
        url = m_server.MissingUrl();
    if (which == QLatin1String("no extractor"))
        m_engine->SetFolders(emptyApp.path(), m_work->path() + QStringLiteral("/downloading/"));
    const QString key = QStringLiteral("2024-01-01-13-00-00");
    AddTask(QStringLiteral("Failing"), key, url);
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);
    QSignalSpy failed(m_engine, &CDownloadEngine::RunFailed);

    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 1, kRunMs);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), key);
    QVERIFY(failed.first().at(1).value<ExtractorError>().IsFailure());
    const CDownloadTask& entry = Entry(key);
    QVERIFY(!entry.IsRunning());
    // A failed task waits for the user as a paused one does.
    QCOMPARE(entry.State(), TaskState::Failed);
    QVERIFY(entry.WaitsForUser() && !entry.IsPaused());
    QCOMPARE(m_completions, 0);
    QVERIFY(entry.Record().QstrPercent != QLatin1String("100"));
    QVERIFY(entry.Record().QstrFilePath.isEmpty());
    QVERIFY(Tree(m_work->path() + QStringLiteral("/out")).isEmpty());

    // A failed run can be started again.
    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 2, kRunMs);
}

void TestEngineRun::startWhileRunningDoesNothing()
{
    QVERIFY(m_server.SetRate(200000));
    const QString key = QStringLiteral("2024-01-01-14-00-00");
    const _VIDEO_FILE_INFO_ task = AddTask(QStringLiteral("Busy"), key);
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);
    QVERIFY(!m_engine->Start(QStringLiteral("no-such-key")));
    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(Entry(key).Process().state() == QProcess::Running, kRunMs);
    const qint64 pid = Entry(key).Process().processId();
    QVERIFY(!m_engine->Start(key));
    QCOMPARE(Entry(key).Process().processId(), pid);
    QVERIFY(Entry(key).IsRunning());
    QVERIFY(m_engine->Stop(key, 30000));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!Entry(key).IsRunning());
    QCOMPARE(m_completions, 0);
}

void TestEngineRun::receiverRemovesTaskDuringRun()
{
    // The window removes a task from inside a report; its run is stopped unseen, and once it
    // has ended its process is freed with what the engine kept of it.
    QVERIFY(m_server.SetRate(600000));
    const QString key = QStringLiteral("2024-01-01-15-00-00");
    const _VIDEO_FILE_INFO_ task = AddTask(QStringLiteral("Removed"), key);
    const QPointer<const QProcess> process(&Entry(key).Process());
    QSignalSpy ended(m_engine, &CDownloadEngine::RunEnded);
    int removed = -2;
    qsizetype reportsAtRemoval = -1;
    m_onReport = [&](const QString&, int value) {
        if (value > 0 && removed == -2) {
            removed = m_engine->Remove(key);
            reportsAtRemoval = m_reports.size();
        }
    };
    QVERIFY(m_engine->Start(key));
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 1, kRunMs);
    QCOMPARE(removed, 0);
    QCOMPARE(m_engine->IndexOf(key), -1);
    // Output of a removed task is read and dropped.
    QCOMPARE(m_reports.size(), reportsAtRemoval);
    QCOMPARE(m_completions, 0);
    QVERIFY(!QFileInfo::exists(m_engine->DownloadingFolder() + key));
    QTRY_VERIFY(!process);
    QCOMPARE(m_engine->findChildren<CDownloadTask*>().size(), 0);
}

void TestEngineRun::removeTaskTellsKeysApart_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("first") << 0;
    QTest::newRow("second") << 1;
}

void TestEngineRun::removeTaskTellsKeysApart()
{
    QFETCH(int, which);
    const QString url = m_server.PageUrl(QStringLiteral("Same"));
    const QStringList keys = {QStringLiteral("2024-01-01-16-00-00"),
                              QStringLiteral("2024-01-01-16-00-01")};
    QList<_VIDEO_FILE_INFO_> tasks;
    for (const QString& key : keys)
        tasks << AddTask(QStringLiteral("Same"), key, url);
    const QString folder = m_engine->DownloadingFolder();
    QVERIFY(QFileInfo::exists(folder + keys[0]) && QFileInfo::exists(folder + keys[1]));

    _VIDEO_FILE_INFO_ stranger = tasks[0];
    stranger.QstrTaskKey = QStringLiteral("2024-01-01-16-00-02");
    QCOMPARE(m_engine->Remove(stranger.QstrTaskKey), -1);

    QCOMPARE(m_engine->Remove(tasks[which].QstrTaskKey), which);
    QCOMPARE(m_engine->IndexOf(keys[which]), -1);
    QCOMPARE(m_engine->IndexOf(keys[1 - which]), 0);
    QVERIFY(!QFileInfo::exists(folder + keys[which]));
    QVERIFY(QFileInfo::exists(folder + keys[1 - which]));
    QCOMPARE(m_engine->Remove(tasks[which].QstrTaskKey), -1);
}

void TestEngineRun::deleteTaskFiles_data()
{
    // Paths are relative to a scratch folder; the output folder is "out/" unless a row
    // names another.
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("left");

    const QString k = QStringLiteral("2024-02-03-04-05-06");
    QTest::newRow("title in a sub-folder")
        << "out"
        << "sub/title" << k
        << QStringList{"out/sub/title-" + k + ".mp4", "out/sub/title-" + k + ".f134.mp4.part",
                       "out/sub/title-" + k + ".f140.m4a", "out/keep.mp4"}
        << QStringList{"out", "out/keep.mp4"};
    QTest::newRow("sub-folder with other files stays")
        << "out"
        << "sub/title" << k << QStringList{"out/sub/title-" + k + ".mp4", "out/sub/other.mp4"}
        << QStringList{"out", "out/sub", "out/sub/other.mp4"};
    QTest::newRow("nested sub-folders")
        << "out"
        << "a/b/title" << k << QStringList{"out/a/b/title-" + k + ".mp4", "out/a/x.txt"}
        << QStringList{"out", "out/a", "out/a/x.txt"};
    QTest::newRow("plain title keeps the output folder")
        << "out"
        << "title" << k << QStringList{"out/title-" + k + ".mp4", "out/.hidden-" + k}
        << QStringList{"out", "out/.hidden-" + k};
    QTest::newRow("parent folder title reaches nothing outside")
        << "out"
        << "../x" << k << QStringList{"x-" + k + ".mp4", "out/keep.mp4"}
        << QStringList{"out", "out/keep.mp4", "x-" + k + ".mp4"};
    QTest::newRow("absolute title reaches nothing outside")
        << "out"
        << "/x" << k << QStringList{"x-" + k + ".mp4"} << QStringList{"out", "x-" + k + ".mp4"};
    QTest::newRow("key only in a folder name")
        << "out" << k + "/title" << k << QStringList{"out/" + k + "/title.mp4"}
        << QStringList{"out", "out/" + k, "out/" + k + "/title.mp4"};
    QTest::newRow("empty key deletes nothing")
        << "out"
        << "title"
        << "" << QStringList{"out/title-.mp4", "out/other.mp4"}
        << QStringList{"out", "out/other.mp4", "out/title-.mp4"};
    const QString q = QStringLiteral("say \"hi\"");
    QTest::newRow("output folder with quotes")
        << q << "sub/a \"quoted\" title" << k
        << QStringList{q + "/sub/a quoted title-" + k + ".mp4",
                       q + "/sub/a quoted title-" + k + ".f140.m4a", q + "/keep.mp4"}
        << QStringList{q, q + "/keep.mp4"};
}

void TestEngineRun::deleteTaskFiles()
{
    QFETCH(QString, out);
    QFETCH(QString, title);
    QFETCH(QString, key);
    QFETCH(QStringList, files);
    QFETCH(QStringList, left);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QDir().mkpath(scratch.path() + QLatin1Char('/') + out);
    for (const QString& f : std::as_const(files))
        Touch(scratch.path() + QLatin1Char('/') + f);

    _VIDEO_FILE_INFO_ info;
    info.QstrTitle = title;
    info.QstrTaskKey = key;
    info.QstrExt = QStringLiteral("mp4");
    info.QstrOutputDir = scratch.path() + QLatin1Char('/') + out + QLatin1Char('/');
    // The run writes there, and deleting finds it there.
    QVERIFY(DownloadOutputFile(info).startsWith(info.QstrOutputDir));
    DeleteTaskFiles(info);
    QCOMPARE(Tree(scratch.path()), left);
}

QTEST_GUILESS_MAIN(TestEngineRun)
#include "tst_engine_run.moc"
