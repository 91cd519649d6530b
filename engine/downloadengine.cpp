#include "downloadengine.h"

#include "command.h"
#include "helpers.h"
#include "infofiles.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPointer>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool SameTask(const _VIDEO_FILE_INFO_& a, const _VIDEO_FILE_INFO_& b)
{
    return a.QstrUrl == b.QstrUrl && a.QstrDuration == b.QstrDuration && a.QstrSize == b.QstrSize &&
           a.QstrFormatId == b.QstrFormatId && a.QstrTaskKey == b.QstrTaskKey;
}

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
    // Nothing a run started outlives the engine.
    for (auto it = m_runs.cbegin(); it != m_runs.cend(); ++it) {
        if (it->pid > 0)
            ::kill(pid_t(-it->pid), SIGKILL);
    }
    // The processes still listed go with it; their last signals find no engine.
    std::vector<_VIDEO_DOWNLOAD_INFO_> tasks;
    {
        QMutexLocker lock(&m_mutex);
        tasks.swap(m_tasks);
    }
    for (const _VIDEO_DOWNLOAD_INFO_& task : tasks) {
        if (task.pProcess) {
            disconnect(task.pProcess, nullptr, this, nullptr);
            delete task.pProcess;
        }
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

std::vector<_VIDEO_DOWNLOAD_INFO_>& CDownloadEngine::Tasks()
{
    return m_tasks;
}

QMutex& CDownloadEngine::Mutex()
{
    return m_mutex;
}

void CDownloadEngine::AppendTask(const _VIDEO_DOWNLOAD_INFO_& task, bool writeInfo)
{
    {
        QMutexLocker lock(&m_mutex);
        m_tasks.push_back(task);
    }
    if (writeInfo)
        WriteDownloadVideoInfo(task.VideoFileInfo);
}

int CDownloadEngine::IndexOf(const std::function<bool(const _VIDEO_DOWNLOAD_INFO_&)>& match)
{
    QMutexLocker lock(&m_mutex);
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        if (match(m_tasks[i]))
            return int(i);
    }
    return -1;
}

int CDownloadEngine::IndexOfKey(const QString& taskKey)
{
    return IndexOf(
        [&](const _VIDEO_DOWNLOAD_INFO_& t) { return t.VideoFileInfo.QstrTaskKey == taskKey; });
}

int CDownloadEngine::IndexOfProcess(const QObject* process)
{
    QMutexLocker lock(&m_mutex);
    return FindProcessLocked(process);
}

int CDownloadEngine::FindProcessLocked(const QObject* process) const
{
    if (!process)
        return -1;
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i].pProcess == process)
            return int(i);
    }
    return -1;
}

void CDownloadEngine::PrepareProcess(QProcess* process)
{
    if (m_prepared.contains(process))
        return;
    m_prepared.insert(process);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    // The error channel is read as it comes, so that it never fills and stalls the
    // extractor; only its messages are kept, to tell why a run failed.
    // A process group of its own, so that stopping the run stops the converter too; the
    // extractor also dies with the program, so that it never downloads on beside the next
    // start's run of the same task.
    BindToProgram(*process, true);
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this, process] { ReadOutput(process); });
    connect(process, &QProcess::readyReadStandardError, this,
            [this, process] { ReadErrors(process); });
    connect(process, &QProcess::finished, this, [this, process] { OnProcessEnded(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            OnProcessEnded(process);
    });
    connect(process, &QObject::destroyed, this, [this](QObject* gone) {
        m_prepared.remove(gone);
        m_buffers.remove(gone);
        m_runs.remove(gone);
        m_judgements.remove(gone);
    });
}

bool CDownloadEngine::StartRun(const QString& taskKey)
{
    QProcess* process = nullptr;
    _VIDEO_FILE_INFO_ info;
    {
        QMutexLocker lock(&m_mutex);
        auto it = std::find_if(m_tasks.begin(), m_tasks.end(), [&](const auto& t) {
            return t.VideoFileInfo.QstrTaskKey == taskKey;
        });
        if (it == m_tasks.end() || it->bRunning || !it->pProcess ||
            it->pProcess->state() != QProcess::NotRunning)
            return false;
        it->bRunning = true;
        process = it->pProcess;
        info = it->VideoFileInfo;
    }
    PrepareProcess(process);
    m_buffers[process] = COutputReader();
    m_runs.insert(process, Run{taskKey, 0, {}, {}});
    process->setProcessEnvironment(
        DownloadEnvironment(info, QProcessEnvironment::systemEnvironment()));
    process->start(ExtractorPath(m_appFolder), BuildDownloadArgs(info, m_appFolder));
    // A start that failed at once has ended the run already.
    auto run = m_runs.find(process);
    if (run != m_runs.end()) {
        run->pid = process->processId();
        process->closeWriteChannel();
    }
    return true;
}

void CDownloadEngine::ReadOutput(QProcess* process)
{
    if (!process)
        return;
    const QByteArray bytes = process->readAllStandardOutput();
    Q_EMIT OutputRead(process, bytes);
    JudgeLines(process, m_buffers[process].Read(bytes));
}

void CDownloadEngine::JudgeLines(QProcess* process, const QByteArray& lines)
{
    if (lines.isEmpty())
        return;
    TaskOutputState state;
    {
        QMutexLocker lock(&m_mutex);
        const int i = FindProcessLocked(process);
        if (i < 0)
            return; // the row has gone: the output is dropped
        const _VIDEO_DOWNLOAD_INFO_& t = m_tasks[size_t(i)];
        state.QstrExt = t.VideoFileInfo.QstrExt;
        state.QstrSize = t.VideoFileInfo.QstrSize;
        state.QstrFormatId = t.VideoFileInfo.QstrFormatId;
        state.QstrTaskKey = t.VideoFileInfo.QstrTaskKey;
        state.QstrPercent = t.VideoFileInfo.QstrPercent;
        state.QstrFilePath = t.VideoFileInfo.QstrFilePath;
        state.bHasProgress = t.bHasProgress;
        state.bRunning = t.bRunning;
    }
    const auto reader = m_buffers.find(process);
    if (reader != m_buffers.end())
        state.eStream = reader->eStream;
    const ChunkOutcome outcome = JudgeOutput(lines, state);
    if (reader != m_buffers.end())
        reader->eStream = state.eStream;

    // A receiver of a report may call back into the engine: stop the run (whose end then
    // judges later output), remove the task, even delete the process. The entry is looked
    // up again after every report, and once later output has been judged meanwhile, what
    // is left of this judgement is old news.
    const quint64 judgement = ++m_judgements[process];
    const QPointer<QProcess> alive(process);
    auto writeBack = [&](const QString& percent, const QString& path, bool hasProgress) {
        QMutexLocker lock(&m_mutex);
        const int i = FindProcessLocked(process);
        if (i < 0)
            return false;
        _VIDEO_DOWNLOAD_INFO_& t = m_tasks[size_t(i)];
        t.VideoFileInfo.QstrPercent = percent;
        t.VideoFileInfo.QstrFilePath = path;
        t.bHasProgress = hasProgress;
        return true;
    };
    for (const ProgressReport& r : outcome.reports) {
        if (!writeBack(r.QstrPercent, r.QstrFilePath, r.bHasProgress))
            return;
        Q_EMIT ProgressSignal(process, r.nProValue, r.nType, r.QstrLabel);
        if (!alive || m_judgements.value(process) != judgement)
            return;
    }
    if (!writeBack(state.QstrPercent, state.QstrFilePath, state.bHasProgress))
        return;
    if (outcome.bRewriteInfo) {
        _VIDEO_FILE_INFO_ record;
        {
            QMutexLocker lock(&m_mutex);
            const int i = FindProcessLocked(process);
            if (i < 0)
                return;
            record = m_tasks[size_t(i)].VideoFileInfo;
        }
        if (IsPlainName(record.QstrTaskKey) && !m_downloadingFolder.isEmpty())
            m_writer.Queue(m_downloadingFolder, record.QstrTaskKey, DownloadInfoLine(record));
    }
}

void CDownloadEngine::OnProcessEnded(QProcess* process)
{
    auto run = m_runs.find(process);
    if (run == m_runs.end())
        return; // this run's end has been handled already
    ReadErrors(process, true);
    const QString taskKey = run->taskKey;
    const QStringList messages = run->messages;
    m_runs.erase(run);
    // A run the program stopped was killed; one that ended by itself with an error failed.
    const bool bEndedByItself = process->exitStatus() == QProcess::NormalExit ||
                                process->error() == QProcess::FailedToStart;

    // What the run printed last is judged before its end.
    const QPointer<QProcess> alive(process);
    const QByteArray bytes = process->readAllStandardOutput();
    Q_EMIT OutputRead(process, bytes);
    COutputReader& reader = m_buffers[process];
    const QByteArray lines = reader.Read(bytes);
    JudgeLines(process, lines + reader.Finish());
    if (!alive) {
        Q_EMIT RunEnded(taskKey);
        return;
    }

    bool complete = false;
    {
        QMutexLocker lock(&m_mutex);
        const int i = FindProcessLocked(process);
        if (i >= 0) {
            _VIDEO_DOWNLOAD_INFO_& t = m_tasks[size_t(i)];
            t.bRunning = false;
            complete = t.VideoFileInfo.QstrPercent == QLatin1String("100") &&
                       !t.VideoFileInfo.QstrFilePath.isEmpty();
        }
    }
    if (complete) {
        Q_EMIT ProgressSignal(process, 100, 1, QString());
    } else if (bEndedByItself) {
        ExtractorError error = ClassifyExtractorErrors(messages);
        if (!error.IsFailure()) {
            // Nothing said why: a missing extractor, or one that stopped without a word.
            error.QstrClass = QStringLiteral("Unknown");
            error.QstrLine = process->errorString();
        }
        Q_EMIT RunFailed(taskKey, error);
    }
    Q_EMIT RunEnded(taskKey);
}

void CDownloadEngine::ReadErrors(QProcess* process, bool bEnd)
{
    const QByteArray bytes = process->readAllStandardError();
    auto run = m_runs.find(process);
    if (run == m_runs.end())
        return;
    // Only whole lines count, and only messages at a line's start; the rest is dropped.
    QByteArray text = run->errorRest + bytes;
    const qsizetype end = bEnd ? text.size() : text.lastIndexOf('\n') + 1;
    run->errorRest = text.mid(end);
    text.truncate(end);
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("ERROR:") || line.startsWith("WARNING:"))
            run->messages << QString::fromUtf8(line.trimmed());
    }
    constexpr int kKeep = 20;
    if (run->messages.size() > kKeep)
        run->messages = run->messages.mid(run->messages.size() - kKeep);
}

bool CDownloadEngine::StopRun(QProcess* process, int waitMs)
{
    if (!process)
        return true;
    if (process->state() == QProcess::NotRunning) {
        OnProcessEnded(process); // nothing if the end has been handled
        return true;
    }
    KillRun(process);
    const QPointer<QProcess> alive(process);
    process->waitForFinished(waitMs);
    return !alive || process->state() == QProcess::NotRunning;
}

void CDownloadEngine::KillRun(QProcess* process)
{
    const Run run = m_runs.value(process);
    const qint64 pid = run.pid > 0 ? run.pid : process->processId();
    // The leader has not been reaped yet, so its id still names its group.
    if (pid > 0)
        ::kill(pid_t(-pid), SIGKILL);
    process->kill();
}

void CDownloadEngine::ReleaseProcess(QProcess* process)
{
    if (!process)
        return;
    // Deleted from the event loop, never inside a signal of its own or a caller's loop over
    // the list. A run of a task that has gone is stopped; its end is handled first
    // (OnProcessEnded finds no entry), then the process goes.
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    KillRun(process);
    connect(process, &QProcess::stateChanged, process, [process](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            process->deleteLater();
    });
}

int CDownloadEngine::RemoveTask(const _VIDEO_FILE_INFO_& info)
{
    int index = -1;
    QString taskKey;
    QProcess* process = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        for (size_t i = 0; i < m_tasks.size(); ++i) {
            if (SameTask(m_tasks[i].VideoFileInfo, info)) {
                index = int(i);
                taskKey = m_tasks[i].VideoFileInfo.QstrTaskKey;
                process = m_tasks[i].pProcess;
                m_tasks.erase(m_tasks.begin() + qsizetype(i));
                break;
            }
        }
    }
    ReleaseProcess(process);
    if (index >= 0 && IsPlainName(taskKey) && !m_downloadingFolder.isEmpty()) {
        m_writer.Settle(m_downloadingFolder, taskKey);
        QFile::remove(m_downloadingFolder + taskKey);
    }
    return index;
}

void CDownloadEngine::ClearTasks()
{
    std::vector<_VIDEO_DOWNLOAD_INFO_> tasks;
    {
        QMutexLocker lock(&m_mutex);
        tasks.swap(m_tasks);
    }
    for (const _VIDEO_DOWNLOAD_INFO_& task : tasks)
        ReleaseProcess(task.pProcess);
}

int CDownloadEngine::ProcessTableEntries() const
{
    return int(m_buffers.size() + m_runs.size() + m_judgements.size() + m_prepared.size());
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
    return WriteInfoFile(m_downloadingFolder, name, content);
}

void CDownloadEngine::FlushInfoFiles()
{
    m_writer.Flush();
}

void DeleteTaskFiles(const _VIDEO_FILE_INFO_& info)
{
    // Without a key every file would match; without an output folder the files would be
    // looked for relative to wherever the program runs.
    if (info.QstrTaskKey.isEmpty() || info.QstrOutputDir.isEmpty())
        return;
    const QString base = QDir::cleanPath(info.QstrOutputDir);
    const QString folder = QDir::cleanPath(DownloadOutputFolder(info));
    const bool inside = folder == base || folder.startsWith(base + QLatin1Char('/'));
    if (!inside)
        return;

    // Every file of the run begins with the output file's name up to its extension,
    // "TITLE-KEY.": the finished file, the parts ("TITLE-KEY.f137.mp4.part") and the merger's
    // temporary file. Another task's file that merely contains the key stays, and so does
    // every file when the key is as short as "." (a damaged info file).
    _VIDEO_FILE_INFO_ stem = info;
    stem.QstrExt.clear();
    const QString runPrefix = QFileInfo(DownloadOutputFile(stem)).fileName();
    std::vector<QString> files;
    GetDirFiles(folder, files, info.QstrTaskKey);
    for (const QString& file : files) {
        if (QFileInfo(file).fileName().startsWith(runPrefix))
            QFile::remove(file);
    }

    // Remove the title's sub-folders that are now empty; the output folder stays.
    QString title = info.QstrTitle;
    title.remove(QLatin1Char('"'));
    const QString safeTitle = SafeTitlePath(title);
    if (safeTitle.contains(QLatin1Char('/')))
        DelEmptyDir(info.QstrOutputDir, safeTitle);
}
