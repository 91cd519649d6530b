#pragma once
// Which extractor and JavaScript runtime the program's runs use, and keeping the extractor
// current: a background check at most once a day (unless the user said never), an update on
// demand, and the return to the bundled extractor; Deno fetched when the user asks for it.
// Owned by the main window; lives on the GUI thread. What it finds it hands to the runs
// through SetExtractorChoice.

#include "extractoroptions.h"
#include "extractorupdater.h"
#include "runtimefetcher.h"
#include "settings.h"

#include <QObject>
#include <QString>
#include <functional>

class CExtractorManager : public QObject
{
    Q_OBJECT
public:
    struct Folders
    {
        QString app;  // the bundled extractor and the publisher's key
        QString data; // Settings.ini and tools/
    };
    explicit CExtractorManager(const Folders& folders, QObject* parent = nullptr);
    // The runs with the application folder go back to its own extractor.
    ~CExtractorManager() override;

    // The release feeds of the build (stable and nightly channels).
    static QString ChannelFeed(const QString& channel);
    // Where Deno comes from: the settings' address, else the build's.
    QString RuntimeFeed() const;

    // Finds the extractor and the runtime; then, with `backgroundCheck`, checks for a newer
    // extractor if none was checked today and the user has not turned updates off.
    void Start(bool backgroundCheck);
    // Checks for (and installs) a newer extractor now.
    void UpdateNow();
    // Returns to the application folder's extractor.
    bool UseBundled();
    // Fetches Deno into tools/; once installed, the runs use it.
    void FetchRuntime();

    // While this returns true, a verified update waits; call RunsEnded() when runs end.
    void SetRunsInProgress(std::function<bool()> check);
    void RunsEnded();

    const QuillaneSettings& Settings() const { return m_settings; }
    // Stores the settings and applies them to the next runs.
    bool ApplySettings(const QuillaneSettings& settings);

    QString ExtractorPath() const { return m_extractorPath; }
    QString ExtractorVersion() const { return m_extractorVersion; }
    bool IsBundled() const;
    const JsRuntime& Runtime() const { return m_runtime; }
    bool IsUpdating() const { return m_updater && m_updater->IsBusy(); }
    // A verified update waits for the runs to end.
    bool HasWaitingUpdate() const { return m_updater && m_updater->HasWaiting(); }
    bool IsFetchingRuntime() const { return m_runtimeFetcher && m_runtimeFetcher->IsBusy(); }

Q_SIGNALS:
    // The extractor or the runtime in use has changed (or has been found).
    void Changed();
    void UpdateProgress(int percent);
    void UpdateFinished(CExtractorUpdater::Result result, const QString& version);
    void RuntimeProgress(int percent);
    // Sent before the runtime is looked for again (Changed follows when it is installed).
    void RuntimeFetched(CRuntimeFetcher::Result result, const QString& version);

private:
    void Locate();
    void LocateRuntime();
    void Publish();
    void CheckInBackground();
    CExtractorUpdater* Updater();

    Folders m_folders;
    QuillaneSettings m_settings;
    QString m_extractorPath;
    QString m_extractorVersion;
    JsRuntime m_runtime;
    bool m_bCheckAfterLocate = false;
    CExtractorLocator* m_locator = nullptr;
    CJsRuntimeLocator* m_runtimeLocator = nullptr;
    CExtractorUpdater* m_updater = nullptr;
    CRuntimeFetcher* m_runtimeFetcher = nullptr;
    QString m_updaterFeed;
    std::function<bool()> m_runsInProgress;
};
