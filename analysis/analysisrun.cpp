#include "analysisrun.h"

#include "command.h"

#include <QProcess>

CAnalysis::CAnalysis(QObject* parent) : QObject(parent), m_process(new QProcess(this))
{
    static const int registered = [] {
        qRegisterMetaType<ListingResult>();
        return 0;
    }();
    Q_UNUSED(registered);
    // The extractor dies with the program, so that no analysis runs on after a crash.
    BindToProgram(*m_process, false);
    connect(m_process, &QProcess::finished, this, &CAnalysis::OnRunEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            OnRunEnded();
    });
}

CAnalysis::~CAnalysis()
{
    // The process's last signals find no analysis.
    disconnect(m_process, nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished();
    }
}

bool CAnalysis::Start(const AnalysisInput& input)
{
    if (IsRunning())
        return false;
    m_input = input;
    m_bCancelled = false;
    ++m_nAnalysis;
    RunStage(Stage::Thumbnail);
    return true;
}

void CAnalysis::RunStage(Stage stage)
{
    m_stage = stage;
    const QString converter = ConverterPath(m_input.appFolder);
    const QStringList options = ExtractorRunOptions(m_input.appFolder);
    const QStringList args =
        stage == Stage::Thumbnail
            ? ThumbnailArgs(converter, ThumbnailBase(m_input.thumbFile), m_input.link, options)
            : ListingArgs(converter, m_input.link, options);
    m_process->start(ExtractorPath(m_input.appFolder), args, QIODevice::ReadWrite);
}

void CAnalysis::Cancel()
{
    if (!IsRunning())
        return;
    m_bCancelled = true;
    // Killed, and its end awaited (it comes at once), so that the next analysis may start.
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished();
    }
    OnRunEnded(); // nothing if the end has been handled
}

void CAnalysis::OnRunEnded()
{
    if (m_stage == Stage::Idle)
        return; // this run's end has been handled already
    // Both channels are read at the end; only the listing run's output counts.
    const QString out = QString::fromUtf8(m_process->readAllStandardOutput());
    const QString err = QString::fromUtf8(m_process->readAllStandardError());
    if (m_bCancelled) {
        m_stage = Stage::Idle;
        ListingResult cancelled;
        cancelled.bCancelled = true;
        Q_EMIT Finished(cancelled);
        return;
    }
    if (m_stage == Stage::Thumbnail) {
        // The listing run starts from the event loop: the process is still finishing the
        // run that has just ended (a start that failed is told before the process has let go).
        m_stage = Stage::Listing;
        QMetaObject::invokeMethod(
            this,
            [this, analysis = m_nAnalysis] {
                if (analysis == m_nAnalysis && m_stage == Stage::Listing && !m_bCancelled)
                    RunStage(Stage::Listing);
            },
            Qt::QueuedConnection);
        return;
    }
    m_stage = Stage::Idle;
    Q_EMIT Finished(ParseListing(out, err, m_input.thumbFile, m_input.outputDir));
}
