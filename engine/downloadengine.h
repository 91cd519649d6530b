#pragma once
// The downloading list: its tasks by key, in row order, and their info files.
//
// Each task (CDownloadTask) owns its process and run; the engine keeps them in the order of
// the table's rows, starts, pauses, resumes and removes them by key, and rewrites their info
// files in the background as their runs progress.

#include "downloadtask.h"
#include "infowriter.h"
#include "videoinfo.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <vector>

class CDownloadEngine : public QObject
{
    Q_OBJECT
public:
    explicit CDownloadEngine(QObject* parent = nullptr);
    ~CDownloadEngine() override;

    // The application folder (extractor, converter) and the downloading info folder.
    void SetFolders(const QString& appFolder, const QString& downloadingFolder);
    QString DownloadingFolder() const;

    // Appends a task of `record` at the end of the list; a restored task starts paused, a new
    // one gets its info file. Returns the task, owned by the engine. Keys name the info files,
    // so the caller keeps them apart; where two are alike, the first in the list is found.
    CDownloadTask* Add(const _VIDEO_FILE_INFO_& record, bool bRestored);

    // The task with this key, or null; its row (index in the list), or -1.
    CDownloadTask* Find(const QString& taskKey) const;
    int IndexOf(const QString& taskKey) const;
    // The task of row `row`, or null.
    CDownloadTask* At(int row) const;
    int Count() const { return int(m_tasks.size()); }
    QStringList Keys() const;

    // How many runs may go at once; 0: no limit. A task started while the limit is reached
    // waits in the queue and starts, in the order of the rows, when a run ends, a task is
    // paused or removed, or the limit grows.
    void SetLimit(int nLimit);
    int Limit() const { return m_nLimit; }
    // Whether the task waits in the queue for its turn.
    bool IsQueued(const QString& taskKey) const { return m_queued.contains(taskKey); }
    // The runs in progress of the tasks in the list, and the tasks that wait for their turn.
    int RunningCount() const;
    int QueuedCount() const { return int(m_queued.size()); }

    // Starts a run of the task unless it is running already or gone; beyond the limit the
    // task waits in the queue instead. True if a run started.
    bool Start(const QString& taskKey);
    // Holds the task (a waiting one leaves the queue) and stops its run, waiting up to
    // `waitMs` for its end; its info file then keeps the percentage reached.
    void Pause(const QString& taskKey, int waitMs);
    // Lets a paused or failed task go again and starts it, or puts it back into the queue at
    // its place. True if a run started.
    bool Resume(const QString& taskKey);
    // Every task that runs or waits is held; every held or failed one goes again, in the order
    // of the rows.
    void PauseAll(int waitMs);
    void ResumeAll();
    // Stops the task's run and waits up to `waitMs`; true once the run has ended.
    bool Stop(const QString& taskKey, int waitMs);

    // Removes the task and deletes its info file; a run of it is stopped, and the task is
    // freed once that run has ended. Returns the removed row, or -1.
    int Remove(const QString& taskKey);
    // Removes every task (their runs are stopped first by the caller); the info files stay.
    void Clear();

    // Whether any task's run is in progress (removed tasks' ending runs included).
    bool HasRunsInProgress() const;

    // Rewrites the info file of a task now (a run's progress rewrites it in the background).
    int WriteDownloadVideoInfo(const _VIDEO_FILE_INFO_& info);
    // Writes `content` as the downloading info file `name` now.
    int WriteDownloadInfoFile(const QString& name, const QString& content);
    // Waits until the background rewrites queued so far are on the disk.
    void FlushInfoFiles();

Q_SIGNALS:
    // Every task's signals, by key, for observers and tests. RunEnded also comes for a task
    // that has been removed while its run was ending.
    void Progress(QString taskKey, ProgressReport report);
    void RunEnded(QString taskKey);
    void RunFailed(QString taskKey, ExtractorError error);
    void Completed(QString taskKey);
    void OutputRead(QString taskKey, QByteArray bytes);
    void TaskStateChanged(QString taskKey, TaskState state);
    // The task has joined (true) or left (false) the queue.
    void QueueChanged(QString taskKey, bool bQueued);

private:
    // Starts waiting tasks in row order while the limit leaves room; from the event loop, so
    // that it never runs inside a task's own report.
    void ScheduleQueue();
    void StartQueued();
    bool HasRoom() const { return m_nLimit <= 0 || RunningCount() < m_nLimit; }
    void Dequeue(const QString& taskKey);

    QString m_appFolder;
    QString m_downloadingFolder;
    std::vector<CDownloadTask*> m_tasks; // in row order; children of the engine
    CInfoWriter m_writer;                // progress rewrites of the info files
    int m_nLimit = 0;
    QSet<QString> m_queued; // keys of the tasks that wait for a free place
    bool m_bQueueScheduled = false;
};
