#include "downloadengine.h"

#include "command.h"
#include "helpers.h"
#include "infofiles.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace {

// An info file name must stay inside the downloading folder.
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

} // namespace

CDownloadEngine::CDownloadEngine(QObject* parent) : QObject(parent) {}

CDownloadEngine::~CDownloadEngine()
{
    // The tasks go with the engine, and nothing their runs started outlives them.
    const QList<CDownloadTask*> tasks = findChildren<CDownloadTask*>(Qt::FindDirectChildrenOnly);
    m_tasks.clear();
    for (CDownloadTask* task : tasks) {
        disconnect(task, nullptr, this, nullptr);
        delete task;
    }
}

void CDownloadEngine::SetFolders(const QString& appFolder, const QString& downloadingFolder)
{
    m_appFolder = appFolder;
    m_downloadingFolder = downloadingFolder;
    if (!m_downloadingFolder.isEmpty() && !m_downloadingFolder.endsWith(QLatin1Char('/')))
        m_downloadingFolder += QLatin1Char('/');
}

QString CDownloadEngine::DownloadingFolder() const
{
    return m_downloadingFolder;
}

CDownloadTask* CDownloadEngine::Add(const _VIDEO_FILE_INFO_& record, bool bRestored)
{
    auto* task = new CDownloadTask(record, bRestored, this);
    const QString key = record.QstrTaskKey;
    connect(task, &CDownloadTask::Progress, this,
            [this, key](const ProgressReport& report) { Q_EMIT Progress(key, report); });
    connect(task, &CDownloadTask::RunEnded, this, [this, key] {
        ScheduleQueue();
        Q_EMIT RunEnded(key);
    });
    connect(task, &CDownloadTask::Failed, this,
            [this, key](const ExtractorError& error) { Q_EMIT RunFailed(key, error); });
    connect(task, &CDownloadTask::Completed, this, [this, key] { Q_EMIT Completed(key); });
    connect(task, &CDownloadTask::StateChanged, this,
            [this, key](TaskState state) { Q_EMIT TaskStateChanged(key, state); });
    connect(task, &CDownloadTask::OutputRead, this,
            [this, key](const QByteArray& bytes) { Q_EMIT OutputRead(key, bytes); });
    connect(task, &CDownloadTask::RecordChanged, this, [this, task] {
        const _VIDEO_FILE_INFO_& info = task->Record();
        if (IsPlainName(info.QstrTaskKey) && !m_downloadingFolder.isEmpty())
            m_writer.Queue(m_downloadingFolder, info.QstrTaskKey, DownloadInfoLine(info));
    });
    m_tasks.push_back(task);
    if (!bRestored)
        WriteDownloadVideoInfo(record);
    return task;
}

CDownloadTask* CDownloadEngine::Find(const QString& taskKey) const
{
    const int row = IndexOf(taskKey);
    return row < 0 ? nullptr : m_tasks[size_t(row)];
}

int CDownloadEngine::IndexOf(const QString& taskKey) const
{
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i]->Key() == taskKey)
            return int(i);
    }
    return -1;
}

CDownloadTask* CDownloadEngine::At(int row) const
{
    return row >= 0 && row < Count() ? m_tasks[size_t(row)] : nullptr;
}

QStringList CDownloadEngine::Keys() const
{
    QStringList keys;
    for (const CDownloadTask* task : m_tasks)
        keys << task->Key();
    return keys;
}

void CDownloadEngine::SetLimit(int nLimit)
{
    m_nLimit = qMax(0, nLimit);
    ScheduleQueue();
}

int CDownloadEngine::RunningCount() const
{
    return int(std::count_if(m_tasks.begin(), m_tasks.end(),
                             [](const CDownloadTask* task) { return task->IsRunning(); }));
}

bool CDownloadEngine::Start(const QString& taskKey)
{
    CDownloadTask* task = Find(taskKey);
    if (!task || task->IsRunning() || task->State() == TaskState::Done)
        return false;
    // Earlier rows that wait go first.
    if (!HasRoom() || std::any_of(m_tasks.begin(), m_tasks.begin() + IndexOf(taskKey),
                                  [this](const CDownloadTask* t) { return IsQueued(t->Key()); })) {
        if (!m_queued.contains(taskKey)) {
            m_queued.insert(taskKey);
            Q_EMIT QueueChanged(taskKey, true);
        }
        ScheduleQueue();
        return false;
    }
    Dequeue(taskKey);
    return task->Start(m_appFolder);
}

void CDownloadEngine::Dequeue(const QString& taskKey)
{
    if (m_queued.remove(taskKey))
        Q_EMIT QueueChanged(taskKey, false);
}

void CDownloadEngine::ScheduleQueue()
{
    if (m_bQueueScheduled || m_queued.isEmpty())
        return;
    m_bQueueScheduled = true;
    QMetaObject::invokeMethod(this, &CDownloadEngine::StartQueued, Qt::QueuedConnection);
}

void CDownloadEngine::StartQueued()
{
    m_bQueueScheduled = false;
    // The room is counted only at the tasks that wait, so a long list costs one pass.
    for (size_t i = 0; i < m_tasks.size() && !m_queued.isEmpty(); ++i) {
        CDownloadTask* task = m_tasks[i];
        const QString key = task->Key();
        if (!m_queued.contains(key))
            continue;
        if (!HasRoom())
            break;
        Dequeue(key);
        const QPointer<CDownloadTask> alive(task);
        task->Start(m_appFolder);
        // A start may end at once and change the list: look again from the first row.
        if (!alive || At(int(i)) != task)
            i = size_t(-1);
    }
}

void CDownloadEngine::PauseAll(int waitMs)
{
    for (const QString& key : Keys()) {
        const CDownloadTask* task = Find(key);
        if (task && (task->IsRunning() || IsQueued(key)))
            Pause(key, waitMs);
    }
}

void CDownloadEngine::ResumeAll()
{
    for (const QString& key : Keys()) {
        const CDownloadTask* task = Find(key);
        if (task && task->WaitsForUser())
            Resume(key);
    }
}

void CDownloadEngine::Pause(const QString& taskKey, int waitMs)
{
    const QPointer<CDownloadTask> task = Find(taskKey);
    if (!task)
        return;
    Dequeue(taskKey);
    task->Pause(waitMs);
    ScheduleQueue();
    // The info file keeps the percentage reached, so that a restart shows the bar where it
    // stopped (progress lines rewrite it only at even percentages).
    if (task && Find(taskKey) == task)
        WriteDownloadVideoInfo(task->Record());
}

bool CDownloadEngine::Resume(const QString& taskKey)
{
    CDownloadTask* task = Find(taskKey);
    if (!task)
        return false;
    task->Release();
    return Start(taskKey);
}

bool CDownloadEngine::Stop(const QString& taskKey, int waitMs)
{
    CDownloadTask* task = Find(taskKey);
    return !task || task->Stop(waitMs);
}

int CDownloadEngine::Remove(const QString& taskKey)
{
    const int row = IndexOf(taskKey);
    if (row < 0)
        return -1;
    CDownloadTask* task = m_tasks[size_t(row)];
    m_tasks.erase(m_tasks.begin() + row);
    m_queued.remove(taskKey);
    ScheduleQueue();
    // Only the end of a run still ending is told; the rest of the task is silent now.
    disconnect(task, nullptr, this, nullptr);
    connect(task, &CDownloadTask::RunEnded, this, [this, taskKey] { Q_EMIT RunEnded(taskKey); });
    task->Discard();
    if (IsPlainName(taskKey) && !m_downloadingFolder.isEmpty()) {
        m_writer.Settle(m_downloadingFolder, taskKey);
        QFile::remove(m_downloadingFolder + taskKey);
    }
    return row;
}

void CDownloadEngine::Clear()
{
    std::vector<CDownloadTask*> tasks;
    tasks.swap(m_tasks);
    m_queued.clear();
    for (CDownloadTask* task : tasks) {
        disconnect(task, nullptr, this, nullptr);
        const QString key = task->Key();
        connect(task, &CDownloadTask::RunEnded, this, [this, key] { Q_EMIT RunEnded(key); });
        task->Discard();
    }
}

bool CDownloadEngine::HasRunsInProgress() const
{
    const QList<CDownloadTask*> tasks = findChildren<CDownloadTask*>(Qt::FindDirectChildrenOnly);
    return std::any_of(tasks.begin(), tasks.end(),
                       [](const CDownloadTask* task) { return task->IsRunning(); });
}

int CDownloadEngine::WriteDownloadVideoInfo(const _VIDEO_FILE_INFO_& info)
{
    return WriteDownloadInfoFile(info.QstrTaskKey, DownloadInfoLine(info));
}

int CDownloadEngine::WriteDownloadInfoFile(const QString& name, const QString& content)
{
    if (!IsPlainName(name) || m_downloadingFolder.isEmpty())
        return -1;
    m_writer.Settle(m_downloadingFolder, name);
    const int result = WriteInfoFile(m_downloadingFolder, name, content);
    if (result == 0)
        m_writer.Written(m_downloadingFolder, name);
    return result;
}

void CDownloadEngine::FlushInfoFiles()
{
    m_writer.Flush();
}
