#include "extractormanager.h"

#include "command.h"
#include "extractorrelease.h"

#include <QDate>
#include <QDir>
#include <QTimer>

namespace {
// The background check waits until the window and the first runs have settled.
constexpr int kBackgroundCheckDelayMs = 20000;
// Asking the extractors for their versions waits until the window has come up.
constexpr int kLocateDelayMs = 1500;
} // namespace

CExtractorManager::CExtractorManager(const Folders& folders, QObject* parent)
    : QObject(parent), m_folders(folders), m_settings(LoadSettings(folders.data)),
      m_extractorPath(::ExtractorPath(folders.app))
{
    m_locator = new CExtractorLocator(this);
    m_runtimeLocator = new CJsRuntimeLocator(this);
    connect(m_locator, &CExtractorLocator::Located, this,
            [this](const QString& path, const QString& version) {
                m_extractorPath = path;
                m_extractorVersion = version;
                LocateRuntime();
            });
    connect(m_runtimeLocator, &CJsRuntimeLocator::Located, this, [this](const JsRuntime& runtime) {
        m_runtime = runtime;
        Publish();
        if (m_bCheckAfterLocate) {
            m_bCheckAfterLocate = false;
            QTimer::singleShot(kBackgroundCheckDelayMs, this, &CExtractorManager::CheckInBackground);
        }
    });
}

CExtractorManager::~CExtractorManager()
{
    SetExtractorChoice(m_folders.app, QString(), QStringList());
}

QString CExtractorManager::ChannelFeed(const QString& channel)
{
    return channel == QLatin1String("nightly") ? QStringLiteral(QUILLANE_EXTRACTOR_FEED_NIGHTLY)
                                               : QStringLiteral(QUILLANE_EXTRACTOR_FEED_STABLE);
}

QString CExtractorManager::RuntimeFeed() const
{
    return m_settings.QstrRuntimeFeed.isEmpty() ? QStringLiteral(QUILLANE_RUNTIME_FEED)
                                                : m_settings.QstrRuntimeFeed;
}

void CExtractorManager::Start(bool backgroundCheck)
{
    m_bCheckAfterLocate = backgroundCheck;
    QTimer::singleShot(kLocateDelayMs, this, &CExtractorManager::Locate);
}

void CExtractorManager::Locate()
{
    const QString bundled = QDir(m_folders.app).filePath(QStringLiteral("Pelmora"));
    m_locator->Locate({CExtractorUpdater::InstalledPath(m_folders.data), bundled});
}

void CExtractorManager::LocateRuntime()
{
    m_runtimeLocator->Locate(CJsRuntimeLocator::Candidates(
        ToolsFolder(m_folders.data), qEnvironmentVariable("PATH"), m_settings.QstrRuntimePath));
}

void CExtractorManager::Publish()
{
    const QString bundled = QDir(m_folders.app).filePath(QStringLiteral("Pelmora"));
    SetExtractorChoice(m_folders.app, m_extractorPath.isEmpty() ? bundled : m_extractorPath,
                       ExtractorOptions(m_settings, m_extractorVersion, m_runtime));
    Q_EMIT Changed();
}

bool CExtractorManager::IsBundled() const
{
    return m_extractorPath != CExtractorUpdater::InstalledPath(m_folders.data);
}

void CExtractorManager::CheckInBackground()
{
    const QDate today = QDate::currentDate();
    if (m_settings.bNeverUpdate || m_settings.lastUpdateCheck == today || IsUpdating())
        return;
    m_settings.lastUpdateCheck = today;
    SaveSettings(m_folders.data, m_settings);
    UpdateNow();
}

CExtractorUpdater* CExtractorManager::Updater()
{
    const QString feed =
        m_settings.QstrFeed.isEmpty() ? ChannelFeed(m_settings.QstrChannel) : m_settings.QstrFeed;
    if (m_updater && m_updaterFeed == feed)
        return m_updater;
    if (m_updater && m_updater->IsBusy())
        return m_updater; // the feed changes with the next update
    delete m_updater;
    m_updaterFeed = feed;
    m_updater = new CExtractorUpdater(
        {feed, m_folders.data, QDir(m_folders.app).filePath(QStringLiteral("extractor-release-key.asc"))},
        this);
    m_updater->SetRunsInProgress([this] { return m_runsInProgress && m_runsInProgress(); });
    connect(m_updater, &CExtractorUpdater::Progress, this, &CExtractorManager::UpdateProgress);
    connect(m_updater, &CExtractorUpdater::Finished, this,
            [this](CExtractorUpdater::Result result, const QString& version) {
                if (result == CExtractorUpdater::Result::Installed)
                    Locate();
                Q_EMIT UpdateFinished(result, version);
            });
    return m_updater;
}

void CExtractorManager::UpdateNow()
{
    Updater()->Start(m_extractorVersion);
}

bool CExtractorManager::UseBundled()
{
    if (IsUpdating() || !CExtractorUpdater::UseBundled(m_folders.data))
        return false;
    Locate();
    return true;
}

void CExtractorManager::FetchRuntime()
{
    if (IsFetchingRuntime())
        return;
    // Made anew each time: the address may have changed with the settings.
    if (m_runtimeFetcher)
        m_runtimeFetcher->deleteLater();
    m_runtimeFetcher = new CRuntimeFetcher({RuntimeFeed(), m_folders.data}, this);
    connect(m_runtimeFetcher, &CRuntimeFetcher::Progress, this,
            &CExtractorManager::RuntimeProgress);
    connect(m_runtimeFetcher, &CRuntimeFetcher::Finished, this,
            [this](CRuntimeFetcher::Result result, const QString& version) {
                Q_EMIT RuntimeFetched(result, version);
                if (result == CRuntimeFetcher::Result::Installed)
                    LocateRuntime();
            });
    m_runtimeFetcher->Start();
}

void CExtractorManager::SetRunsInProgress(std::function<bool()> check)
{
    m_runsInProgress = std::move(check);
}

void CExtractorManager::RunsEnded()
{
    if (m_updater && m_updater->HasWaiting())
        m_updater->InstallWaiting();
}

bool CExtractorManager::ApplySettings(const QuillaneSettings& settings)
{
    const bool runtimeChanged = settings.QstrRuntimePath != m_settings.QstrRuntimePath;
    m_settings = settings;
    const bool saved = SaveSettings(m_folders.data, m_settings);
    if (runtimeChanged)
        Locate();
    else
        Publish();
    return saved;
}
