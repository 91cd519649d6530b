#include "downloadtask.h"

#include "command.h"
#include "taskchoice.h"

#include <QPointer>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

CDownloadTask::CDownloadTask(const _VIDEO_FILE_INFO_& record, bool bRestored, QObject* parent)
    : QObject(parent), m_record(record), m_formatCode(ReadTaskChoice(record.QstrFormatId).StreamFormat()),
      m_process(new QProcess(this)), m_bPaused(bRestored), m_bHasProgress(bRestored)
{
    static const int registered = [] {
        qRegisterMetaType<ProgressReport>();
        qRegisterMetaType<TaskState>();
        qRegisterMetaType<ExtractorError>();
        return 0;
    }();
    Q_UNUSED(registered);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    // A process group of its own, so that stopping the run stops the converter too; the
    // extractor also dies with the program, so that it never downloads on beside the next
    // start's run of the same task.
    BindToProgram(*m_process, true);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            &CDownloadTask::ReadStandardOutput);
    // The error channel is read as it comes, so that it never fills and stalls the
    // extractor; only its messages are kept, to tell why a run failed.
    connect(m_process, &QProcess::readyReadStandardError, this, [this] { ReadErrors(); });
    ConnectRunEnd(*m_process, this, [this] { OnProcessEnded(); });
}

CDownloadTask::~CDownloadTask()
{
    // Nothing a run started outlives its task; the process's last signals find no task.
    disconnect(m_process, nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning)
        Kill();
}

TaskState CDownloadTask::State() const
{
    if (m_bDone)
        return TaskState::Done;
    if (m_bRunning)
        return TaskState::Running;
    if (m_bPaused)
        return TaskState::Paused;
    if (m_bFailed)
        return TaskState::Failed;
    return TaskState::Waiting;
}

bool CDownloadTask::HasCompleted() const
{
    return !m_bRunning && m_record.QstrPercent == QLatin1String("100") &&
           !m_record.QstrFilePath.isEmpty();
}

void CDownloadTask::SetFlags(bool& flag, bool value)
{
    if (flag == value)
        return;
    flag = value;
    if (!m_bDiscarded)
        Q_EMIT StateChanged(State());
}

bool CDownloadTask::Start(const QString& appFolder)
{
    if (m_bRunning || m_bDone || m_bDiscarded || m_process->state() != QProcess::NotRunning)
        return false;
    m_reader = COutputReader();
    m_messages.clear();
    m_errorRest.clear();
    m_pid = 0;
    m_bEndHandled = false;
    m_bFailed = false;
    SetFlags(m_bRunning, true);
    m_process->setProcessEnvironment(
        DownloadEnvironment(m_record, QProcessEnvironment::systemEnvironment()));
    const QPointer<CDownloadTask> alive(this);
    m_process->start(ExtractorPath(appFolder), BuildDownloadArgs(m_record, appFolder));
    // A start that failed at once has ended the run already.
    if (alive && !m_bEndHandled) {
        m_pid = m_process->processId();
        m_process->closeWriteChannel();
    }
    return true;
}

void CDownloadTask::ReadStandardOutput()
{
    ReadOutput(m_process->readAllStandardOutput());
}

void CDownloadTask::ReadOutput(const QByteArray& bytes)
{
    if (m_bDiscarded)
        return; // the row has gone: the output is dropped
    Q_EMIT OutputRead(bytes);
    JudgeLines(m_reader.Read(bytes));
}

void CDownloadTask::JudgeLines(const QByteArray& lines)
{
    if (lines.isEmpty() || m_bDiscarded)
        return;
    TaskOutputState state;
    state.QstrExt = m_record.QstrExt;
    state.QstrSize = m_record.QstrSize;
    state.QstrFormatId = m_formatCode;
    state.QstrTaskKey = m_record.QstrTaskKey;
    state.QstrPercent = m_record.QstrPercent;
    state.QstrFilePath = m_record.QstrFilePath;
    state.bHasProgress = m_bHasProgress;
    state.bRunning = m_bRunning;
    state.eStream = m_reader.eStream;
    const ChunkOutcome outcome = JudgeOutput(lines, state);
    m_reader.eStream = state.eStream;

    // A receiver of a report may stop the run (whose end then judges later output) or
    // discard the task; the task itself stays until control is back in the event loop.
    const quint64 judgement = ++m_nJudgement;
    auto writeBack = [this](const QString& percent, const QString& path, bool hasProgress) {
        m_record.QstrPercent = percent;
        m_record.QstrFilePath = path;
        m_bHasProgress = hasProgress;
    };
    for (const ProgressReport& r : outcome.reports) {
        writeBack(r.QstrPercent, r.QstrFilePath, r.bHasProgress);
        if (r.eKind != ReportKind::Bar) {
            m_latestStatus = r;
            m_bHasStatus = true;
        }
        Q_EMIT Progress(r);
        if (m_bDiscarded || m_nJudgement != judgement)
            return;
    }
    writeBack(state.QstrPercent, state.QstrFilePath, state.bHasProgress);
    if (outcome.bRewriteInfo)
        Q_EMIT RecordChanged();
    // Output judged after the run's end (its metadata line) completes the task now.
    if (!m_bEndHandled || m_bDone || !HasCompleted())
        return;
    SetFlags(m_bDone, true);
    Q_EMIT Completed();
}

void CDownloadTask::OnProcessEnded()
{
    if (m_bEndHandled)
        return; // this run's end has been handled already
    m_bEndHandled = true;
    ReadErrors(true);
    // A run the program stopped was killed; one that ended by itself with an error failed.
    const bool bEndedByItself = m_process->exitStatus() == QProcess::NormalExit ||
                                m_process->error() == QProcess::FailedToStart;

    // What the run printed last is judged before its end.
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (!m_bDiscarded)
        Q_EMIT OutputRead(bytes);
    const QByteArray lines = m_reader.Read(bytes);
    JudgeLines(lines + m_reader.Finish());
    m_pid = 0;
    if (m_bDiscarded) {
        m_bRunning = false;
        Q_EMIT RunEnded();
        return;
    }

    const bool bComplete = m_record.QstrPercent == QLatin1String("100") &&
                           !m_record.QstrFilePath.isEmpty();
    if (bComplete) {
        m_bDone = true;
        SetFlags(m_bRunning, false);
        Q_EMIT Completed();
    } else if (bEndedByItself && !m_bPaused) {
        ExtractorError error = ClassifyExtractorErrors(m_messages);
        if (!error.IsFailure()) {
            // Nothing said why: a missing extractor, or one that stopped without a word.
            error.QstrClass = QStringLiteral("Unknown");
            error.QstrLine = m_process->errorString();
        }
        m_lastError = error;
        m_bFailed = true;
        SetFlags(m_bRunning, false);
        Q_EMIT Failed(error);
    } else {
        SetFlags(m_bRunning, false);
    }
    Q_EMIT RunEnded();
}

void CDownloadTask::ReadErrors(bool bEnd)
{
    const QByteArray bytes = m_process->readAllStandardError();
    if (m_bEndHandled && !bEnd)
        return;
    // Only whole lines count, and only messages at a line's start; the rest is dropped.
    QByteArray text = m_errorRest + bytes;
    const qsizetype end = bEnd ? text.size() : text.lastIndexOf('\n') + 1;
    m_errorRest = text.mid(end);
    text.truncate(end);
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("ERROR:") || line.startsWith("WARNING:"))
            m_messages << QString::fromUtf8(line.trimmed());
    }
    constexpr int kKeep = 20;
    if (m_messages.size() > kKeep)
        m_messages = m_messages.mid(m_messages.size() - kKeep);
}

bool CDownloadTask::Stop(int waitMs)
{
    if (m_process->state() == QProcess::NotRunning) {
        OnProcessEnded(); // nothing if the end has been handled
        return true;
    }
    Kill();
    m_process->waitForFinished(waitMs);
    return m_process->state() == QProcess::NotRunning;
}

void CDownloadTask::Pause(int waitMs)
{
    SetFlags(m_bPaused, true);
    Stop(waitMs);
}

void CDownloadTask::Release()
{
    const TaskState before = State();
    m_bFailed = false;
    m_bPaused = false;
    if (State() != before && !m_bDiscarded)
        Q_EMIT StateChanged(State());
}

void CDownloadTask::SetProgressState(const QString& percent, const QString& filePath)
{
    m_record.QstrPercent = percent;
    m_record.QstrFilePath = filePath;
}

void CDownloadTask::Kill()
{
    const qint64 pid = m_pid > 0 ? m_pid : m_process->processId();
    // The leader has not been reaped yet, so its id still names its group.
    if (pid > 0)
        ::kill(pid_t(-pid), SIGKILL);
    m_process->kill();
}

void CDownloadTask::Discard()
{
    if (m_bDiscarded)
        return;
    m_bDiscarded = true;
    // Freed from the event loop, never inside a signal of its own or a caller's loop. A
    // run of a task that has gone is stopped; its end is handled first, then the task goes.
    if (m_process->state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    Kill();
    connect(m_process, &QProcess::stateChanged, this, [this](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            deleteLater();
    });
}
