#pragma once
// One run of the extractor that lists the subtitles a video offers, driven on its thread (the
// GUI thread) by its process's signals; the add-video dialog starts it beside the analysis.

#include "subtitles.h"

#include <QObject>
#include <vector>

class QProcess;

class CSubtitleRun : public QObject
{
    Q_OBJECT
public:
    explicit CSubtitleRun(QObject* parent = nullptr);
    ~CSubtitleRun() override;

    // Starts a listing of the link's subtitles; one under way is stopped first.
    void Start(const QString& appFolder, const QString& link);
    // Stops the run under way (its extractor is killed); Finished is not told.
    void Cancel();
    bool IsRunning() const { return m_bRunning; }
    // What the last run that ended found; empty when it failed.
    const std::vector<SubtitleLanguage>& Languages() const { return m_languages; }

Q_SIGNALS:
    void Finished();

private:
    void OnRunEnded();

    QProcess* m_process; // a child of the run
    bool m_bRunning = false;
    std::vector<SubtitleLanguage> m_languages;
};
