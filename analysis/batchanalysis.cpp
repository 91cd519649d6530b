#include "batchanalysis.h"

QString BatchThumbnailFile(const QString& thumbFile, int index)
{
    if (index <= 0)
        return thumbFile;
    const QString base = ThumbnailBase(thumbFile);
    return base + QLatin1Char('-') + QString::number(index) + thumbFile.mid(base.size());
}

CBatchAnalysis::CBatchAnalysis(QObject* parent) : QObject(parent)
{
    for (int runner = 0; runner < kRunners; ++runner) {
        m_runners[runner] = new CAnalysis(this);
        // Handled from the event loop: the next link may then start on the same runner,
        // whose process has let go of the run that ended.
        connect(m_runners[runner], &CAnalysis::Finished, this,
                [this, runner](const ListingResult& result) {
                    QMetaObject::invokeMethod(
                        this,
                        [this, runner, batch = m_nBatch, result] {
                            OnAnalysed(runner, batch, result);
                        },
                        Qt::QueuedConnection);
                });
    }
}

CBatchAnalysis::~CBatchAnalysis()
{
    Cancel();
}

void CBatchAnalysis::Start(const AnalysisInput& input, const QStringList& links)
{
    Cancel();
    m_input = input;
    m_links = links;
    m_results.assign(links.size(), ListingResult());
    m_nNext = 0;
    m_nDone = 0;
    for (int runner = 0; runner < kRunners; ++runner)
        StartNext(runner);
}

void CBatchAnalysis::Cancel()
{
    ++m_nBatch;
    for (int runner = 0; runner < kRunners; ++runner) {
        m_runnerLink[runner] = -1;
        m_runners[runner]->Cancel();
    }
    m_links.clear();
    m_results.clear();
    m_nNext = 0;
    m_nDone = 0;
}

int CBatchAnalysis::RunningCount() const
{
    int running = 0;
    for (const CAnalysis* runner : m_runners)
        running += runner->IsRunning() ? 1 : 0;
    return running;
}

void CBatchAnalysis::StartNext(int runner)
{
    m_runnerLink[runner] = -1;
    if (m_nNext >= Count())
        return;
    const int index = m_nNext++;
    AnalysisInput input = m_input;
    input.link = m_links.at(index);
    input.thumbFile = BatchThumbnailFile(m_input.thumbFile, index);
    m_runnerLink[runner] = index;
    m_runners[runner]->Start(input);
}

void CBatchAnalysis::OnAnalysed(int runner, quint64 batch, const ListingResult& result)
{
    const int index = m_runnerLink[runner];
    if (batch != m_nBatch || result.bCancelled || index < 0)
        return;
    m_results[index] = result;
    ++m_nDone;
    StartNext(runner);
    Q_EMIT LinkAnalysed(index, m_nDone, Count());
    if (m_nDone == Count())
        Q_EMIT Finished();
}
