#include "subtitlerun.h"

#include "command.h"

#include <QProcess>

CSubtitleRun::CSubtitleRun(QObject* parent) : QObject(parent), m_process(new QProcess(this))
{
    BindToProgram(*m_process, false);
    ConnectRunEnd(*m_process, this, [this] { OnRunEnded(); });
}

CSubtitleRun::~CSubtitleRun()
{
    disconnect(m_process, nullptr, this, nullptr);
    Cancel();
}

void CSubtitleRun::Start(const QString& appFolder, const QString& link)
{
    Cancel();
    m_languages.clear();
    m_bRunning = true;
    m_process->start(ExtractorPath(appFolder),
                     SubtitleListArgs(link, ExtractorRunOptions(appFolder)), QIODevice::ReadOnly);
}

void CSubtitleRun::Cancel()
{
    if (!m_bRunning)
        return;
    m_bRunning = false; // the killed run's end is not told
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished();
    }
    m_process->readAllStandardOutput();
    m_process->readAllStandardError();
}

void CSubtitleRun::OnRunEnded()
{
    if (!m_bRunning)
        return;
    m_bRunning = false;
    // The output is read whole at the end, so only whole lines are read.
    const QByteArray out = m_process->readAllStandardOutput();
    m_process->readAllStandardError();
    const bool ok = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    if (ok)
        m_languages = ParseSubtitleList(QString::fromUtf8(out));
    Q_EMIT Finished();
}
