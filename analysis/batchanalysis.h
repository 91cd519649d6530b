#pragma once
// The analysis of several links: at most two extractors at once (two CAnalysis), the results
// kept in the order of the links, and the count of those done told as it grows.

#include "analysisrun.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <vector>

// The thumbnail file of the link at `index` of a batch whose first link has `thumbFile`:
// the first keeps it, the others get "-INDEX" before the extension, so that no two analyses
// of a batch ever write the same file.
QString BatchThumbnailFile(const QString& thumbFile, int index);

class CBatchAnalysis : public QObject
{
    Q_OBJECT
public:
    explicit CBatchAnalysis(QObject* parent = nullptr);
    ~CBatchAnalysis() override;

    // Analyses `links` (replacing a batch under way) with `input`'s application folder, output
    // folder and, stepped by BatchThumbnailFile, thumbnail file.
    void Start(const AnalysisInput& input, const QStringList& links);
    // Kills the running extractors; nothing of the batch is told any more.
    void Cancel();

    bool IsRunning() const { return m_nDone < Count(); }
    int Count() const { return static_cast<int>(m_links.size()); }
    int DoneCount() const { return m_nDone; }
    // How many extractor runs are under way (never more than two).
    int RunningCount() const;
    const QStringList& Links() const { return m_links; }
    // The result of every link, in the order of the links; empty until the link is done.
    const std::vector<ListingResult>& Results() const { return m_results; }

Q_SIGNALS:
    // The link at `index` is done; `done` of all the links are.
    void LinkAnalysed(int index, int done, int total);
    // Every link is done.
    void Finished();

private:
    static constexpr int kRunners = 2;

    void StartNext(int runner);
    void OnAnalysed(int runner, quint64 batch, const ListingResult& result);

    std::array<CAnalysis*, kRunners> m_runners{}; // children of the batch
    std::array<int, kRunners> m_runnerLink{-1, -1}; // the link each runner analyses, or -1
    AnalysisInput m_input;
    QStringList m_links;
    std::vector<ListingResult> m_results;
    int m_nNext = 0;
    int m_nDone = 0;
    quint64 m_nBatch = 0; // counts the batches, so that late news of an earlier one is known
};
