#pragma once
// The downloading list and the runs of its tasks.
//
// Every QProcess is driven on the thread of the engine (the GUI thread) through its
// signals: a run starts, its output is read as it arrives, and when the process has ended
// the rest of its output is read before the end check judges the run. A task never runs
// twice at once: bRunning is set when a run starts and cleared when it has ended.
// Each run is started in a process group of its own, so that stopping it also stops the
// converter it started.

#include "extractorerrors.h"
#include "infowriter.h"
#include "outputparser.h"
#include "videoinfo.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <functional>
#include <vector>

class QProcess;

class CDownloadEngine : public QObject
{
    Q_OBJECT
public:
    explicit CDownloadEngine(QObject* parent = nullptr);
    ~CDownloadEngine() override;

    // The application folder (extractor, converter) and the downloading info folder.
    void SetFolders(const QString& appFolder, const QString& downloadingFolder);
    QString DownloadingFolder() const;

    // The list: entry i belongs to table row i. Read and change it only with Mutex() held,
    // and never hold the mutex while calling the engine.
    std::vector<_VIDEO_DOWNLOAD_INFO_>& Tasks();
    QMutex& Mutex();

    // Appends a task (its pProcess must be set). The engine owns that process from now on:
    // it is freed when its entry goes (RemoveTask, ClearTasks), once its run has ended, or
    // with the engine. Writes the info file when `writeInfo` is true (a new task).
    void AppendTask(const _VIDEO_DOWNLOAD_INFO_& task, bool writeInfo);

    // Index of the first entry that matches, or -1.
    int IndexOf(const std::function<bool(const _VIDEO_DOWNLOAD_INFO_&)>& match);
    int IndexOfKey(const QString& taskKey);
    int IndexOfProcess(const QObject* process);

    // Starts a run of the task with this key unless it is running already or gone.
    // Returns true if a run was started.
    bool StartRun(const QString& taskKey);

    // Whether any task's run is in progress.
    bool HasRunsInProgress() const { return !m_runs.isEmpty(); }

    // Reads what the process has printed and judges its whole lines.
    void ReadOutput(QProcess* process);

    // Stops the task's run (the whole process group) and waits up to `waitMs` for it to
    // end; the end check has run when this returns true.
    bool StopRun(QProcess* process, int waitMs);

    // Removes the entry of this record (link, duration, size, format code and task key
    // must match) and deletes its info file. Returns the removed index, or -1.
    int RemoveTask(const _VIDEO_FILE_INFO_& info);

    // Removes every entry (their processes are stopped first by the caller).
    void ClearTasks();

    // How many entries the per-process tables hold; they empty as the processes go.
    int ProcessTableEntries() const;

    // Rewrites the info file of a task now (a run's progress rewrites it in the background).
    int WriteDownloadVideoInfo(const _VIDEO_FILE_INFO_& info);
    // Writes `content` as the downloading info file `name` now.
    int WriteDownloadInfoFile(const QString& name, const QString& content);
    // Waits until the background rewrites queued so far are on the disk.
    void FlushInfoFiles();

Q_SIGNALS:
    // Kind 1: progress (bar value, optional status text); the completion report is
    // (100, 1, "") once the record holds "100" and the file path.
    void ProgressSignal(void* pProcess, int nProValue, int nType, QString QstrLabel);
    // A run has ended (after the end check); for observers and tests.
    void RunEnded(QString taskKey);
    // Each read of a run's output, just before it is judged; for observers and tests.
    void OutputRead(void* pProcess, QByteArray bytes);
    // A run ended on its own without completing its task (not stopped by the program); the
    // error says why, in the user's terms. Sent before RunEnded.
    void RunFailed(QString taskKey, ExtractorError error);

private:
    struct Run
    {
        QString taskKey;
        qint64 pid = 0;       // also the id of the run's process group
        QStringList messages; // the last "ERROR:" and "WARNING:" lines of its error channel
        QByteArray errorRest; // the error channel's unfinished last line
    };

    void PrepareProcess(QProcess* process);
    // Kills the run's whole process group and the process itself; returns at once.
    void KillRun(QProcess* process);
    // Frees the process of an entry that has gone: now if it is not running, else it stops
    // the run and frees the process once the run has ended (a stopped run may still be
    // ending).
    void ReleaseProcess(QProcess* process);
    void OnProcessEnded(QProcess* process);
    // Keeps the messages among the whole lines of the error channel; `bEnd`: the run has
    // ended, so its unfinished last line is whole too.
    void ReadErrors(QProcess* process, bool bEnd = false);
    // Judges whole lines as the extractor printed them (see JudgeOutput).
    void JudgeLines(QProcess* process, const QByteArray& lines);
    // Index of the entry of this process; call with the mutex held.
    int FindProcessLocked(const QObject* process) const;

    QString m_appFolder;
    QString m_downloadingFolder;
    std::vector<_VIDEO_DOWNLOAD_INFO_> m_tasks;
    QMutex m_mutex;
    QHash<const QObject*, COutputReader> m_buffers;
    QHash<const QObject*, Run> m_runs;           // runs in progress, by process
    QHash<const QObject*, quint64> m_judgements; // counts the judgements of each process
    QSet<const QObject*> m_prepared;             // processes whose signals are connected
    CInfoWriter m_writer;                        // progress rewrites of the info files
};

// Deletes the files of a task in its output folder: every visible file of the folder the
// output file lies in whose name begins with the output file's "TITLE-KEY."; then removes
// the title's emptied sub-folders. Never touches anything outside the output folder.
void DeleteTaskFiles(const _VIDEO_FILE_INFO_& info);
