#pragma once
// One analysis of a link, driven on its thread (the GUI thread) by its process's signals:
// the thumbnail run, then the listing run, then the reading of the listing. A listing without
// formats and without an error is run once more for a playlist's entries, whose JSON is read
// off this thread (a playlist may hold thousands) and handed back by a queued call.

#include "listing.h"

#include <QObject>

class QProcess;

class CAnalysis : public QObject
{
    Q_OBJECT
public:
    explicit CAnalysis(QObject* parent = nullptr);
    ~CAnalysis() override;

    // Starts an analysis unless one is under way; Finished tells its result.
    bool Start(const AnalysisInput& input);
    // Stops the analysis under way: its extractor is killed and its end awaited; Finished
    // tells an empty result with bCancelled set.
    void Cancel();
    bool IsRunning() const { return m_stage != Stage::Idle; }

Q_SIGNALS:
    void Finished(const ListingResult& result);

private:
    enum class Stage { Idle, Thumbnail, Listing, Playlist, Reading };

    void RunStage(Stage stage);
    void OnRunEnded();
    // Starts `stage` from the event loop: the process is still finishing the run that has
    // just ended (a start that failed is told before the process has let go).
    void RunNext(Stage stage);
    void ReadPlaylist(const QByteArray& out);

    QProcess* m_process; // a child of the analysis
    AnalysisInput m_input;
    Stage m_stage = Stage::Idle;
    bool m_bCancelled = false;
    ListingResult m_listing; // the listing of a link that may name a playlist
    quint64 m_nAnalysis = 0; // counts the analyses, so that a late step of one is known
};
