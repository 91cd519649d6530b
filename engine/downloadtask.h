#pragma once
// One download: its record, its extractor process and everything a run of it keeps.
//
// The process is driven on the task's thread (the GUI thread) through its signals: a run
// starts, its output is read as it arrives, and when the process has ended the rest of its
// output is read before the end check judges the run. A task never runs twice at once.
// Each run is started in a process group of its own, so that stopping it also stops the
// converter it started.

#include "extractorerrors.h"
#include "outputparser.h"
#include "videoinfo.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QProcess;

// Where a task stands. Waiting: it may run and does not (new, or its run stopped from outside);
// Paused: the user holds it; Failed: its last run ended by itself without the file (it waits
// for the user as a paused one does); Done: its file is complete.
enum class TaskState { Waiting, Running, Paused, Failed, Done };

class CDownloadTask : public QObject
{
    Q_OBJECT
public:
    // A task of `record`; a restored one starts paused, its progress already seen.
    CDownloadTask(const _VIDEO_FILE_INFO_& record, bool bRestored, QObject* parent = nullptr);
    ~CDownloadTask() override;

    const _VIDEO_FILE_INFO_& Record() const { return m_record; }
    QString Key() const { return m_record.QstrTaskKey; }
    TaskState State() const;
    bool IsRunning() const { return m_bRunning; }
    bool IsPaused() const { return m_bPaused; }
    // Paused or failed: the row offers Resume.
    bool WaitsForUser() const { return m_bPaused || m_bFailed; }
    bool HasProgress() const { return m_bHasProgress; }
    // The run has ended with the file named and its stream at 100%.
    bool HasCompleted() const;
    // The newest report with a status line (not a bar alone); nullptr before the first. A row
    // built after its task has moved on shows it.
    const ProgressReport* LatestStatus() const { return m_bHasStatus ? &m_latestStatus : nullptr; }
    // Why the last run failed (read while the state is Failed).
    const ExtractorError& LastError() const { return m_lastError; }
    // The extractor process, for observers (its state and id); the task drives it.
    const QProcess& Process() const { return *m_process; }

    // Starts a run with the extractor of `appFolder` unless one is running or the task is
    // done. Returns true if a run was started.
    bool Start(const QString& appFolder);
    // Stops the run (the whole process group) and waits up to `waitMs` for it to end; the end
    // check has run when this returns true.
    bool Stop(int waitMs);
    // Holds the task: paused first, so that output read while the run ends leaves the status
    // alone, then stopped.
    void Pause(int waitMs);
    // Lets the task go again (paused or failed); the caller starts it.
    void Release();

    // What the program has recorded of a run before (a restored percentage, a known file).
    void SetProgressState(const QString& percent, const QString& filePath);

    // Judges output as if the running extractor had printed it (whole lines only).
    void ReadOutput(const QByteArray& bytes);

    // The task has left the list: it says nothing more, and it is freed once no run of it
    // is left (a stopped run may still be ending).
    void Discard();

Q_SIGNALS:
    void Progress(const ProgressReport& report);
    // The run has ended with the file complete (state Done).
    void Completed();
    // The run ended by itself without completing the task; the error says why.
    void Failed(const ExtractorError& error);
    void StateChanged(TaskState state);
    // A run has ended (after the end check and the signals above).
    void RunEnded();
    // Each read of the run's output, just before it is judged; for observers and tests.
    void OutputRead(const QByteArray& bytes);
    // The record has reached a percentage worth keeping: its info file may be rewritten.
    void RecordChanged();

private:
    void ReadStandardOutput();
    // Keeps the messages among the whole lines of the error channel; `bEnd`: the run has
    // ended, so its unfinished last line is whole too.
    void ReadErrors(bool bEnd = false);
    void JudgeLines(const QByteArray& lines);
    void OnProcessEnded();
    // Kills the run's whole process group and the process itself; returns at once.
    void Kill();
    void SetFlags(bool& flag, bool value);

    _VIDEO_FILE_INFO_ m_record;
    QString m_formatCode; // the format its progress is about, without the choices after it
    QProcess* m_process; // a child of the task
    COutputReader m_reader;
    bool m_bRunning = false;
    bool m_bPaused = false;
    bool m_bFailed = false;
    bool m_bDone = false;
    bool m_bHasProgress = false;
    bool m_bDiscarded = false;
    bool m_bEndHandled = true; // the end of the last run has been judged
    qint64 m_pid = 0;          // the run's process, also the id of its process group
    ProgressReport m_latestStatus;
    bool m_bHasStatus = false;
    ExtractorError m_lastError;
    QStringList m_messages;    // the last "ERROR:" and "WARNING:" lines of the error channel
    QByteArray m_errorRest;    // the error channel's unfinished last line
    // Counts judgements: a receiver of a report may stop the run, whose end judges later
    // output; what is left of an earlier judgement is then old news.
    quint64 m_nJudgement = 0;
};

Q_DECLARE_METATYPE(TaskState)
