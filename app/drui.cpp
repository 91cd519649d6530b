#include "drui.h"

#include "cmessagebox.h"
#include "druistartup.h"
#include "finishedcache.h"
#include "extractormanager.h"
#include "infofiles.h"
#include "languagesconfig.h"
#include "lazyrows.h"
#include "paths.h"
#include "urlconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QMutexLocker>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

QString MakeFolder(const QString& path)
{
    QString folder = path;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QDir().mkpath(folder);
    return folder;
}

} // namespace

void Ui_DRUIClass::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("DRUIClass"));
    window->resize(800, 600);
    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    window->setCentralWidget(centralWidget);
    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void Ui_DRUIClass::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(QCoreApplication::translate("DRUIClass", "DRUI"));
}

DRUI::DRUI(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    ui.centralWidget->setStyleSheet(QStringLiteral("background-color: rgb(252, 252, 252);"));
    setWindowTitle(LanguageText("MainWnd/ProTitle"));
    setFixedSize(1000, 680);
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    QstrDataDir = DataFolder();
    // The finished history waits for the first frame.
    BeginStartupFinished(*this);
}

DRUI::~DRUI()
{
    // No extractor or converter outlives the window.
    StopAllRuns();
    delete pFixNotice;
    delete pExtractorManager;
    // A fetch of the update check in progress ends at once, and tells the window nothing.
    CURLConfig::GetInstance()->RequestStop();
}

bool DRUI::s_bExtractorUpdates = false;
bool DRUI::s_bUnfinishedAfterFrame = false;

void DRUI::Init()
{
    QstrDataDir = MakeFolder(DataFolder());
    QstrDownloadingDir = MakeFolder(QstrDataDir + QStringLiteral("downloading/"));
    QstrFinishedDir = MakeFolder(QstrDataDir + QStringLiteral("finished/"));
    // A crash in the middle of a write leaves a hidden temporary file that nothing else
    // would remove once its task has gone.
    RemoveStaleTemporaries(QstrDownloadingDir);
    // A finished folder the cache knows as it is holds none (and a hundred thousand names).
    if (!FinishedCacheCurrent(QstrFinishedDir, FinishedCacheFile(*this)))
        RemoveStaleTemporaries(QstrFinishedDir);
    engine.SetFolders(AppFolder(), QstrDownloadingDir);

    // The prompt runs a loop of its own: not inside the fetch's signal.
    connect(this, &DRUI::VersionSignal, this, &DRUI::VersionSignalSlot, Qt::QueuedConnection);

    // The newest extractor this user has, and a JavaScript runtime; runs started before they
    // are known use the bundled extractor. A verified update waits for the runs to end.
    // Not a child of the window: its version and update runs are no task processes of it.
    pExtractorManager = new CExtractorManager({AppFolder(), QstrDataDir});
    pExtractorManager->SetRunsInProgress([this] { return engine.HasRunsInProgress(); });
    connect(&engine, &CDownloadEngine::RunEnded, pExtractorManager, &CExtractorManager::RunsEnded,
            Qt::QueuedConnection);
    pExtractorManager->Start(s_bExtractorUpdates);
    // How many downloads run at once follows the settings.
    engine.SetLimit(pExtractorManager->Settings().nDownloadsAtOnce);
    connect(pExtractorManager, &CExtractorManager::Changed, this,
            [this] { engine.SetLimit(pExtractorManager->Settings().nDownloadsAtOnce); });
    InitLinkSources();
    InitDesktop();

    CURLConfig::GetInstance()->SetDataFolder(QstrDataDir);
    QMetaObject::invokeMethod(this, &DRUI::VersionSlot, Qt::QueuedConnection);

    InitWidget();
}

void DRUI::InitWidget()
{
    delete pPageStack;
    pPageStack = new QStackedLayout;

    // The rows go with the old pages; the engine frees their tasks once control is back in
    // the event loop (the caller has stopped their runs).
    engine.Clear();
    {
        QMutexLocker locker(&mutexFinished);
        vecFinishedList.clear();
    }
    vecDownloadSelected.clear();
    vecFinishedSelected.clear();

    InitLayout1Widget();
    InitLayout2Widget();

    pPageStack->addWidget(pDownloadingPage);
    pPageStack->addWidget(pFinishedPage);
    pPageStack->setCurrentWidget(pDownloadingPage);

    if (!pOuterLayout) {
        pOuterLayout = new QVBoxLayout(ui.centralWidget);
        pOuterLayout->setSpacing(0);
        pOuterLayout->setContentsMargins(0, 0, 0, 0);
    }
    pOuterLayout->addLayout(pPageStack);

    InitDownloadVideoInfo();
    InitFinishedVideoInfo();
}

bool DRUI::GetDirFiles(QString folder, std::vector<QString>& files, QString filter)
{
    return ::GetDirFiles(folder, files, filter);
}

int DRUI::WriteDownloadInfo2File(QString content, QString name)
{
    // Through the engine, which also rewrites these files in the background.
    return engine.WriteDownloadInfoFile(name, content);
}

int DRUI::WriteDownloadVideoInfo(_VIDEO_FILE_INFO_* info)
{
    if (!info)
        return -1;
    return WriteDownloadInfo2File(DownloadInfoLine(*info), info->QstrTaskKey);
}

int DRUI::WriteFinishedVideoInfo(QString content, QString name)
{
    return WriteInfoFile(QstrFinishedDir, name, content);
}

void DRUI::InitDownloadVideoInfo()
{
    if (DeferStartupUnfinished(*this))
        return;
    std::vector<_VIDEO_FILE_INFO_> list = LoadDownloadInfos(QstrDownloadingDir);
    ListUnfinished(list);
}

void DRUI::ListUnfinished(std::vector<_VIDEO_FILE_INFO_>& list)
{
    const CLazyRows::Loading loading(pDownloadTable);
    RefreshDownloadTable(list, true);
}

void DRUI::InitFinishedVideoInfo()
{
    if (DeferStartupFinished(*this))
        return;
    const CLazyRows::Loading loading(pFinishedTable);
    ListFinished(CFinishedRecords::Load(QstrFinishedDir, FinishedCacheFile(*this)));
}
