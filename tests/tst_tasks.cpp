// The states of a download task and the engine's list of tasks, without a real run: a missing
// extractor fails every run at once, and output can be judged as if a run had printed it.

#include "downloadengine.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestTasks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void taskStates_data();
    void taskStates();
    void outputAfterTheEndCompletes_data();
    void outputAfterTheEndCompletes();
    void listInRowOrder();

private:
    QTemporaryDir* m_work = nullptr;
    CDownloadEngine* m_engine = nullptr;
};

void TestTasks::init()
{
    m_work = new QTemporaryDir;
    QVERIFY(m_work->isValid());
    QDir().mkpath(m_work->path() + QStringLiteral("/downloading"));
    m_engine = new CDownloadEngine;
    m_engine->SetFolders(m_work->path(), m_work->path() + QStringLiteral("/downloading/"));
}

void TestTasks::cleanup()
{
    delete m_engine;
    m_engine = nullptr;
    delete m_work;
    m_work = nullptr;
}

void TestTasks::taskStates_data()
{
    // Without an extractor every run fails at once. Steps: "pause", "resume", "start".
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("states"); // after each step
    QTest::newRow("new task fails and waits")
        << false << QStringList{"start"} << QStringList{"Failed"};
    QTest::newRow("restored task resumed")
        << true << QStringList{"start", "resume"} << QStringList{"Paused", "Failed"};
    QTest::newRow("failed task paused and resumed")
        << false << QStringList{"start", "pause", "resume"}
        << QStringList{"Failed", "Paused", "Failed"};
    QTest::newRow("waiting task paused")
        << false << QStringList{"pause", "start", "resume"}
        << QStringList{"Paused", "Paused", "Failed"};
}

void TestTasks::taskStates()
{
    QFETCH(bool, restored);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, states);
    static const QHash<TaskState, QString> names = {
        {TaskState::Waiting, "Waiting"}, {TaskState::Running, "Running"},
        {TaskState::Paused, "Paused"},   {TaskState::Failed, "Failed"},
        {TaskState::Done, "Done"}};
    QTemporaryDir emptyApp;
    m_engine->SetFolders(emptyApp.path(), m_work->path() + QStringLiteral("/downloading/"));
    _VIDEO_FILE_INFO_ info;
    info.QstrTaskKey = QStringLiteral("2024-01-01-17-00-00");
    info.QstrOutputDir = m_work->path() + QStringLiteral("/out/");
    CDownloadTask* task = m_engine->Add(info, restored);
    QCOMPARE(task->State(), restored ? TaskState::Paused : TaskState::Waiting);
    QCOMPARE(task->HasProgress(), restored);
    // A restored task has its info file already; a new one gets it.
    QCOMPARE(QFileInfo::exists(m_engine->DownloadingFolder() + info.QstrTaskKey), !restored);
    QSignalSpy changes(task, &CDownloadTask::StateChanged);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        changes.clear();
        if (steps[i] == QLatin1String("pause"))
            m_engine->Pause(info.QstrTaskKey, 1000);
        else if (steps[i] == QLatin1String("resume"))
            QVERIFY(m_engine->Resume(info.QstrTaskKey));
        else
            QVERIFY(m_engine->Start(info.QstrTaskKey)); // a held task runs when told to
        QTRY_VERIFY(!task->IsRunning()); // a start that fails is told from the event loop
        QCOMPARE(names.value(task->State()), states[i]);
        // Every change is told, the last one as it stands.
        if (!changes.isEmpty())
            QCOMPARE(changes.last().first().value<TaskState>(), task->State());
        QVERIFY(!m_engine->HasRunsInProgress());
    }
}

void TestTasks::outputAfterTheEndCompletes_data()
{
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<bool>("completes");
    // The metadata line judged after the run's end completes the task.
    QTest::newRow("stream complete") << "100" << QStringList{"metadata", "bar"} << true;
    QTest::newRow("stream not complete") << "50.0" << QStringList{"bar"} << false;
}

void TestTasks::outputAfterTheEndCompletes()
{
    QFETCH(QString, percent);
    QFETCH(QStringList, kinds);
    QFETCH(bool, completes);
    _VIDEO_FILE_INFO_ info;
    info.QstrTaskKey = QStringLiteral("2024-01-01-18-00-00");
    info.QstrExt = QStringLiteral("mp4");
    CDownloadTask* task = m_engine->Add(info, true);
    task->SetProgressState(percent, QString());
    QSignalSpy progress(task, &CDownloadTask::Progress);
    QSignalSpy completed(m_engine, &CDownloadEngine::Completed);
    task->ReadOutput("[Metadata] Adding metadata to \"/out/C-1.mp4\"\n");
    QStringList seen;
    for (const QList<QVariant>& r : std::as_const(progress)) {
        const auto kind = r.first().value<ProgressReport>().eKind;
        seen << (kind == ReportKind::AddingMetadata ? "metadata"
                 : kind == ReportKind::Bar          ? "bar"
                                                    : "other");
    }
    QCOMPARE(seen, kinds);
    QCOMPARE(task->Record().QstrFilePath, QStringLiteral("/out/C-1.mp4"));
    QCOMPARE(completed.count(), completes ? 1 : 0);
    QCOMPARE(task->State(), completes ? TaskState::Done : TaskState::Paused);
    // Once done, a task neither completes again nor starts.
    task->ReadOutput("[Metadata] Adding metadata to \"/out/C-1.mp4\"\n");
    QCOMPARE(completed.count(), completes ? 1 : 0);
    if (completes)
        QVERIFY(!m_engine->Resume(info.QstrTaskKey));
}

void TestTasks::listInRowOrder()
{
    // Tasks keep the order they were added in; removing one closes the gap, and a removed
    // task is found no more, nor is its info file left.
    QStringList keys;
    for (int n = 0; n < 4; ++n) {
        _VIDEO_FILE_INFO_ info;
        info.QstrTaskKey = QStringLiteral("2024-01-01-19-00-0%1").arg(n);
        keys << info.QstrTaskKey;
        QVERIFY(m_engine->Add(info, n % 2 == 1));
    }
    QCOMPARE(m_engine->Keys(), keys);
    QCOMPARE(m_engine->Count(), 4);
    QCOMPARE(m_engine->At(2)->Key(), keys[2]);
    QVERIFY(!m_engine->At(4) && !m_engine->At(-1));
    QCOMPARE(m_engine->Remove(keys[1]), 1);
    QCOMPARE(m_engine->Remove(keys[1]), -1);
    QVERIFY(!m_engine->Find(keys[1]));
    QCOMPARE(m_engine->IndexOf(keys[2]), 1);
    QVERIFY(!QFileInfo::exists(m_engine->DownloadingFolder() + keys[1]));
    keys.removeAt(1);
    QCOMPARE(m_engine->Keys(), keys);
    m_engine->Clear();
    QCOMPARE(m_engine->Count(), 0);
    // The info files stay for the next start.
    QVERIFY(QFileInfo::exists(m_engine->DownloadingFolder() + keys[0]));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_engine->findChildren<CDownloadTask*>().size(), 0);
}

QTEST_GUILESS_MAIN(TestTasks)
#include "tst_tasks.moc"
