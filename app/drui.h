#pragma once
// The main window: two pages (downloading, finished) with their own title bars and
// toolbars, the task tables, and the glue between the widgets, the download engine and
// the info files. The logic itself lives in the engine, store and tables libraries.

#include "downloadengine.h"
#include "finishedlist.h"
#include "links.h"
#include "taskrows.h"
#include "windowdrag.h"

#include <QMainWindow>
#include <QMutex>
#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QString>
#include <vector>

class CDesktopBus;
class CDownloadNotifier;
class CExtractorManager;
class CMessageBox;
class CSleepInhibitor;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QStackedLayout;
class QTableWidget;
class QTableWidgetItem;
class QVBoxLayout;
class QWidget;

// The designer form of the main window: a bare central widget.
class Ui_DRUIClass
{
public:
    QWidget* centralWidget = nullptr;
    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};

class DRUI : public QMainWindow
{
    Q_OBJECT
public:
    explicit DRUI(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DRUI() override;

    void Init();
    void InitWidget();

    // Pages, title bars and menu.
    void InitLayout1Widget();
    void InitLayout2Widget();
    QPushButton* CreateButton(int nKind, int x, QWidget* parent);
    void InitMenu(QWidget* parent);

    // Downloading table.
    QTableWidget* CreateDownloadTable(QWidget* container);
    void RefreshDownloadTable(std::vector<_VIDEO_FILE_INFO_>& list, bool bRestored);
    // The task of a row's item (by the key and link it carries), or null.
    CDownloadTask* GetTableItemDownloadInfo(QTableWidgetItem* item);
    // What row `row` shows of its task, with the row's widgets (null until it is built).
    _VIDEO_DOWNLOAD_INFO_ DownloadInfoAt(int row);

    // Finished table.
    QTableWidget* CreateFinishedTable(QWidget* container);
    void RefreshFinishedTable(std::vector<_VIDEO_FILE_INFO_>& list, bool bCompleted);
    // Lists finished records (read from their files) below the rows there are.
    void ListFinished(CFinishedRecords&& records);
    bool FindFinishedTableItem(_VIDEO_FILE_INFO_* info);

    // Info files.
    bool GetDirFiles(QString folder, std::vector<QString>& files, QString filter);
    int WriteDownloadInfo2File(QString content, QString name);
    int WriteDownloadVideoInfo(_VIDEO_FILE_INFO_* info);
    int WriteFinishedVideoInfo(QString content, QString name);
    void InitDownloadVideoInfo();
    // Lists the unfinished tasks read from their info files (restored, paused).
    void ListUnfinished(std::vector<_VIDEO_FILE_INFO_>& list);
    void InitFinishedVideoInfo();

    // Runs of a task, always started by its key.
    static void _DoStartDownload(DRUI* window, const QString& taskKey);
    void DoStartDownload(const _VIDEO_DOWNLOAD_INFO_* info);

    // Removes a downloading task: row, list entry and info file.
    void RemoveDownloadTableItem(_VIDEO_FILE_INFO_* info);

    // Stops every run (used before the window is rebuilt and when it closes).
    void StopAllRuns();
    // Moves a completed task to the top of the finished table and removes its row.
    void CompleteTask(_VIDEO_FILE_INFO_ record);
    // Completes every task whose run has ended complete; for runs that ended inside a stop,
    // whose reports would reach only rows about to be rebuilt.
    void CompleteEndedTasks();
    // A run that failed by itself: the row says why and offers Resume to try again; a notice
    // over the window offers what may mend it (OfferFix).
    void DownloadFailed(const QString& taskKey, const ExtractorError& error);
    // The notice of a failed download that offers its fix (an update, Deno, the cookies
    // setting): not modal, one at a time, and a class declined once is not offered again.
    void OfferFix(const ExtractorError& error, const QString& title);

    // Links dropped onto the window or copied to the clipboard open the add-video dialog with
    // them analysed (the clipboard only while the user has asked for it).
    void InitLinkSources();
    void ClipboardChanged();
    void OfferLinks(const QStringList& links);
    // The desktop: notifications when downloads end, no sleep while they run. Tests give the
    // bus (the program the system's); without one nothing is sent.
    void InitDesktop();
    void DownloadsChanged();
    void DownloadEnded(const QString& title, bool bCompleted, const QString& cause);
    static CDesktopBus* s_pDesktopBus;
    CDesktopBus* pDesktopBus = nullptr; // the bus this window was made with
    CDownloadNotifier* pNotifier = nullptr;
    CSleepInhibitor* pInhibitor = nullptr;
    int nEndedCompleted = 0; // downloads ended since the last time none ran
    int nEndedFailed = 0;
    CSeenLinks seenLinks;          // the clipboard's links offered so far
    QStringList pendingLinks;      // what the next add-video dialog analyses at once

    // What the settings dialog does as it opens.
    enum class SettingsStart { Nothing, Update, FetchRuntime, Cookies };
    // The settings dialog (menu entry Settings) over `owner` (the window when null); it may
    // start an update or a fetch of Deno at once, or show the cookies choice.
    void OpenSettings(QWidget* owner = nullptr, SettingsStart start = SettingsStart::Nothing);
    // Whether Init starts the daily check for a newer extractor and a failure offers an update
    // or Deno (the program turns it on; windows made by tests never fetch anything).
    static bool s_bExtractorUpdates;
    // Whether a start lists its unfinished tasks right after the first frame (read meanwhile
    // on a worker) rather than before it: the program does; windows that tests make list them
    // in Init, as they have been shown nothing.
    static bool s_bUnfinishedAfterFrame;

    // State shared by the window's parts (and read by the tests).
    QString QstrDataDir;
    QString QstrDownloadingDir;
    QString QstrFinishedDir;
    CDownloadEngine engine{this}; // the downloading list: its tasks and their runs
    CExtractorManager* pExtractorManager = nullptr; // which extractor and runtime runs use
    QPointer<CMessageBox> pFixNotice;               // the open notice of OfferFix
    QSet<QString> setDeclinedOffers;                // classes whose fix the user declined
    CFinishedList vecFinishedList; // the finished table's records, row for row
    std::vector<int> vecDownloadSelected;
    std::vector<int> vecFinishedSelected;
    QMutex mutexFinished;

    QWidget* pDownloadingPage = nullptr;
    QWidget* pFinishedPage = nullptr;
    QStackedLayout* pPageStack = nullptr;
    QVBoxLayout* pOuterLayout = nullptr;
    QPushButton* pPage1DownloadingTab = nullptr;
    QPushButton* pPage1FinishedTab = nullptr;
    QPushButton* pPage2DownloadingTab = nullptr;
    QPushButton* pPage2FinishedTab = nullptr;
    QPushButton* pDownloadCleanButton = nullptr;
    QPushButton* pFinishedCleanButton = nullptr;
    QCheckBox* pShutdownCheckBox = nullptr;
    QLabel* pTitleLabel = nullptr;
    QPushButton* pMenuButton = nullptr;
    QMenu* pMainMenu = nullptr;
    QTableWidget* pDownloadTable = nullptr;
    QTableWidget* pFinishedTable = nullptr;
    CWindowDrag dragState;

Q_SIGNALS:
    void VersionSignal();
    // The update check started by VersionSlot is over (VersionSignal, if any, came first).
    void VersionChecked();

public Q_SLOTS:
    void SetMenuStatus(QAction* action);
    void btnMinSlot();
    void btnCloseSlot();
    void btnHelpSlot();
    void btnSupportSlot();
    void btnOpenDownloadFile(const QString& taskKey);
    // The row buttons of a finished task, named by its finish time.
    void btnOpenFinishedFile(const QString& finishTime);
    void FinishedTableItemDoubleClicked(int row);
    void AddFiles();
    // The row buttons of a downloading task.
    void PauseDownload(const QString& taskKey);
    void DelDownload(const QString& taskKey);
    void DelAllDownload();
    void DelFinished(const QString& finishTime);
    void DelAllFinished();
    void PDFTableItemPress(int row, int col);
    // The update check of a start: the link check, then the version file, each fetched by a
    // curl run driven on this thread through its signals; returns at once.
    void VersionSlot();
    void VersionSignalSlot();
    void Downloading();
    void Finished();
    void FinishedTableItemPress(int row, int col);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Ui_DRUIClass ui;
};
