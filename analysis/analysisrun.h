#pragma once
// One analysis of a link, driven on its thread (the GUI thread) by its process's signals:
// the thumbnail run, then the listing run, then the reading of the listing.

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
    enum class Stage { Idle, Thumbnail, Listing };

    void RunStage(Stage stage);
    void OnRunEnded();

    QProcess* m_process; // a child of the analysis
    AnalysisInput m_input;
    Stage m_stage = Stage::Idle;
    bool m_bCancelled = false;
    quint64 m_nAnalysis = 0; // counts the analyses, so that a late step of one is known
};
