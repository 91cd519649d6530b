#include "analysisrun.h"

#include "command.h"

#include <QFuture>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

CAnalysis::CAnalysis(QObject* parent) : QObject(parent), m_process(new QProcess(this))
{
    static const int registered = [] {
        qRegisterMetaType<ListingResult>();
        return 0;
    }();
    Q_UNUSED(registered);
    // The extractor dies with the program, so that no analysis runs on after a crash.
    BindToProgram(*m_process, false);
    ConnectRunEnd(*m_process, this, [this] { OnRunEnded(); });
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
        : stage == Stage::Listing ? ListingArgs(converter, m_input.link, options)
                                  : PlaylistArgs(m_input.link, options);
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
    // Both channels are read at the end; only the listing runs' output counts.
    const QByteArray out = m_process->readAllStandardOutput();
    const QString err = QString::fromUtf8(m_process->readAllStandardError());
    if (m_bCancelled) {
        m_stage = Stage::Idle;
        ListingResult cancelled;
        cancelled.bCancelled = true;
        Q_EMIT Finished(cancelled);
        return;
    }
    switch (m_stage) {
    case Stage::Thumbnail:
        RunNext(Stage::Listing);
        return;
    case Stage::Listing:
        m_listing = ParseListing(QString::fromUtf8(out), err, m_input.thumbFile, m_input.outputDir);
        if (!m_listing.bError && m_listing.records.empty()) {
            RunNext(Stage::Playlist); // no video and no error: perhaps a playlist
            return;
        }
        break;
    case Stage::Playlist:
        ReadPlaylist(out);
        return;
    case Stage::Reading: // the process has no part in it
    case Stage::Idle:
        return;
    }
    m_stage = Stage::Idle;
    Q_EMIT Finished(std::exchange(m_listing, ListingResult()));
}

void CAnalysis::RunNext(Stage stage)
{
    m_stage = stage;
    QMetaObject::invokeMethod(
        this,
        [this, stage, analysis = m_nAnalysis] {
            if (analysis == m_nAnalysis && m_stage == stage && !m_bCancelled)
                RunStage(stage);
        },
        Qt::QueuedConnection);
}

void CAnalysis::ReadPlaylist(const QByteArray& out)
{
    m_stage = Stage::Reading;
    // The continuation runs on this object's thread, and not at all once it is gone.
    QtConcurrent::run(&ParsePlaylist, out)
        .then(this, [this, analysis = m_nAnalysis](const PlaylistResult& playlist) {
            if (analysis != m_nAnalysis || m_stage != Stage::Reading || m_bCancelled)
                return;
            m_stage = Stage::Idle;
            ListingResult result = std::exchange(m_listing, ListingResult());
            if (playlist.bIsPlaylist) {
                result.title = playlist.title; // not the last entry's, which the listing ends on
                result.duration.clear();
            }
            result.playlist = playlist;
            Q_EMIT Finished(result);
        });
}
