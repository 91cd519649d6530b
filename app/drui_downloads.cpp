// The downloading table: its rows, each tied to its own task, selection colours, and the task
// controls (pause/resume, open folder, delete one, delete all).

#include "drui.h"
#include "languagesconfig.h"
#include "lazyrows.h"
#include "rowthrottle.h"
#include "statusline.h"
#include "tasktables.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {

// Waits for a stopped run: one task, and each task of a Clean.
constexpr int kStopWaitMs = 1000;
constexpr int kStopAllWaitMs = 500;

// A removal names its task by link, duration, size and format code as well as by key.
bool SameTask(const _VIDEO_FILE_INFO_& a, const _VIDEO_FILE_INFO_& b)
{
    return a.QstrUrl == b.QstrUrl && a.QstrDuration == b.QstrDuration && a.QstrSize == b.QstrSize &&
           a.QstrFormatId == b.QstrFormatId && a.QstrTaskKey == b.QstrTaskKey;
}

// What a row shows of its task, with the row's widgets.
_VIDEO_DOWNLOAD_INFO_ Snapshot(const CDownloadTask& task, const DownloadRowWidgets& widgets)
{
    _VIDEO_DOWNLOAD_INFO_ info;
    info.bRunning = task.IsRunning();
    info.bHasProgress = task.HasProgress();
    info.bPaused = task.WaitsForUser();
    info.VideoFileInfo = task.Record();
    info.pProcess = &task.Process();
    info.pProgressBar = widgets.pProgressBar;
    info.pStatusLabel = widgets.pStatusLabel;
    info.pBtnPause = widgets.pBtnPause;
    info.pBtnDelete = widgets.pBtnDelete;
    info.pBtnOpen = widgets.pBtnOpen;
    return info;
}

// A report on the row: the bar, and the status line unless the report leaves it alone. Output
// read while a paused task's run ends still moves the bar, so it shows the paused status (the
// size part) of the same line.
void ShowProgress(const DownloadRowWidgets& row, const CDownloadTask& task,
                  const ProgressReport& report)
{
    // The bar would repaint itself at once; this way it is painted with the status line, in
    // one pass from the event loop.
    row.pProgressBar->setUpdatesEnabled(false);
    row.pProgressBar->setValue(report.nProValue);
    row.pProgressBar->setUpdatesEnabled(true);
    const QString text = StatusLineText(report, LanguageStatusWords());
    if (!text.isEmpty())
        row.pStatusLabel->setText(task.IsPaused() ? StatusSizePart(text) : text);
}

// Reports that a row shows at once, whatever the throttle holds: the end of the stream (100 %,
// metadata), and whatever comes while the task does not run on.
bool IsUrgent(const ProgressReport& report, const CDownloadTask& task)
{
    return report.nProValue >= 100 || !task.IsRunning() || task.IsPaused();
}

// A task that waits in the queue says so; once it leaves the queue the row shows again what it
// showed before (a run's reports then take over).
void ShowQueued(const DownloadRowWidgets& row, bool bQueued)
{
    static const char* const kBefore = "statusBeforeWaiting";
    QLabel* label = row.pStatusLabel;
    const QString waiting = LanguageText("Tasks/Waiting");
    if (bQueued) {
        if (label->text() != waiting)
            label->setProperty(kBefore, label->text());
        label->setText(waiting);
    } else if (label->text() == waiting) {
        label->setText(label->property(kBefore).toString());
    }
}

// The row's pause button follows the task; a held task's status keeps its size part only.
void ShowState(const DownloadRowWidgets& row, const CDownloadTask& task)
{
    SetPauseButtonState(row.pBtnPause, task.WaitsForUser());
    if (task.IsPaused())
        row.pStatusLabel->setText(StatusSizePart(row.pStatusLabel->text()));
}

// What a row built after its task has moved on shows of it: its newest status line (the size
// part while held), or the cause of its failed run.
void ShowSoFar(const DownloadRowWidgets& row, const CDownloadTask& task)
{
    if (task.State() == TaskState::Failed)
        row.pStatusLabel->setText(FailedStatusText(task.LastError()));
    else if (const ProgressReport* status = task.LatestStatus())
        ShowProgress(row, task, *status);
    if (task.HasProgress())
        row.pProgressBar->setValue(PercentBarValue(task.Record().QstrPercent));
}

} // namespace

// Builds the widgets of one downloading row and ties them to the row's task. Rows are built
// when they first come into view, new or restored.
static QWidget* BuildDownloadRowAt(DRUI& window, int row, Thumbnail thumbnail)
{
    QTableWidget* table = window.pDownloadTable;
    QTableWidgetItem* item = table ? table->item(row, 0) : nullptr;
    CDownloadTask* task = window.engine.At(row);
    if (!item || !task || table->cellWidget(row, 0))
        return nullptr;
    // A new task shows 0 and the pause picture; a restored one its stored percentage and,
    // while it is held, the play picture.
    const DownloadRowWidgets widgets =
        BuildDownloadRow(task->Record(), task->WaitsForUser(), table->viewport(), thumbnail);
    const QString key = task->Key();
    QObject::connect(widgets.pBtnPause, &QPushButton::clicked, &window,
                     [&window, key] { window.PauseDownload(key); });
    QObject::connect(widgets.pBtnOpen, &QPushButton::clicked, &window,
                     [&window, key] { window.btnOpenDownloadFile(key); });
    QObject::connect(widgets.pBtnDelete, &QPushButton::clicked, &window,
                     [&window, key] { window.DelDownload(key); });
    // A run prints many lines a second: the row shows a few of them, and none while it is
    // out of view; a change of the task's state shows the newest first.
    auto* shown = new CThrottledRow(widgets.pRow, [widgets, task](const ProgressReport& report) {
        ShowProgress(widgets, *task, report);
    });
    QObject::connect(task, &CDownloadTask::Progress, shown,
                     [shown, task](const ProgressReport& report) {
                         shown->Offer(report, IsUrgent(report, *task));
                     });
    QObject::connect(task, &CDownloadTask::StateChanged, shown, [shown, widgets, task] {
        shown->Flush();
        ShowState(widgets, *task);
    });
    QObject::connect(&window.engine, &CDownloadEngine::QueueChanged, widgets.pRow,
                     [widgets, key](const QString& queuedKey, bool bQueued) {
                         if (queuedKey == key)
                             ShowQueued(widgets, bQueued);
                     });
    ShowSoFar(widgets, *task);
    if (window.engine.IsQueued(key))
        ShowQueued(widgets, true);
    item->setData(Qt::UserRole, QVariant::fromValue(Snapshot(*task, widgets)));
    PlaceRowWidget(table, row, widgets.pRow, window.vecDownloadSelected);
    return widgets.pRow;
}

QTableWidget* DRUI::CreateDownloadTable(QWidget* container)
{
    pDownloadTable = CreateTaskTable(container, width() - 40);
    pDownloadTable->setAccessibleName(LanguageText("MainWnd/DownloadingTable"));
    connect(pDownloadTable, &QTableWidget::cellClicked, this, &DRUI::PDFTableItemPress);
    new CLazyRows(pDownloadTable, [this](int row, Thumbnail thumbnail) {
        return BuildDownloadRowAt(*this, row, thumbnail);
    });
    return pDownloadTable;
}

void DRUI::RefreshDownloadTable(std::vector<_VIDEO_FILE_INFO_>& list, bool bRestored)
{
    if (!pDownloadTable)
        return;
    const int first = pDownloadTable->rowCount();
    pDownloadTable->setRowCount(first + static_cast<int>(list.size()));
    for (size_t k = 0; k < list.size(); ++k) {
        const int row = first + static_cast<int>(k);
        CDownloadTask* task = engine.Add(list[k], bRestored); // a new task gets its info file
        const QString key = task->Key();
        // The window moves a task on once control is back in the event loop, so that this
        // never runs inside the task's own report. A task that has left the list meanwhile
        // (removed, or the rows rebuilt) is no longer the window's.
        const QPointer<CDownloadTask> guard(task);
        connect(
            task, &CDownloadTask::Completed, this,
            [this, guard] {
                if (guard && engine.Find(guard->Key()) == guard && guard->HasCompleted())
                    CompleteTask(guard->Record());
            },
            Qt::QueuedConnection);
        connect(
            task, &CDownloadTask::Failed, this,
            [this, guard](const ExtractorError& error) {
                if (guard && engine.Find(guard->Key()) == guard)
                    DownloadFailed(guard->Key(), error);
            },
            Qt::QueuedConnection);

        auto* item = new QTableWidgetItem;
        item->setData(Qt::UserRole, QVariant::fromValue(Snapshot(*task, {})));
        pDownloadTable->setItem(row, 0, item);
    }
    pDownloadTable->doItemsLayout(); // now rather than from a timer: one repaint, not two
    // The rows in view are built now; a list of hundreds added at once builds no more.
    if (CLazyRows* lazy = CLazyRows::Of(pDownloadTable))
        lazy->BuildVisible();
    if (pDownloadCleanButton)
        pDownloadCleanButton->setEnabled(pDownloadTable->rowCount() > 0);
}

CDownloadTask* DRUI::GetTableItemDownloadInfo(QTableWidgetItem* item)
{
    if (!item)
        return nullptr;
    const auto data = item->data(Qt::UserRole).value<VIDEO_DOWNLOAD_INFO>();
    CDownloadTask* task = engine.Find(data.VideoFileInfo.QstrTaskKey);
    return task && task->Record().QstrUrl == data.VideoFileInfo.QstrUrl ? task : nullptr;
}

_VIDEO_DOWNLOAD_INFO_ DRUI::DownloadInfoAt(int row)
{
    const CDownloadTask* task = engine.At(row);
    if (!task)
        return {};
    return Snapshot(*task, DownloadRowOf(pDownloadTable ? pDownloadTable->cellWidget(row, 0)
                                                        : nullptr));
}

void DRUI::PDFTableItemPress(int row, int col)
{
    PaintRowSelection(pDownloadTable, vecDownloadSelected, row, col);
}

void DRUI::btnOpenDownloadFile(const QString& taskKey)
{
    if (const CDownloadTask* task = engine.Find(taskKey))
        OpenFolder(task->Record().QstrOutputDir);
}

void DRUI::PauseDownload(const QString& taskKey)
{
    const CDownloadTask* task = engine.Find(taskKey);
    if (!task)
        return;
    // A task that waits for the user (paused, or failed) is resumed; any other is held.
    if (task->WaitsForUser())
        engine.Resume(taskKey);
    else
        engine.Pause(taskKey, kStopWaitMs);
}

void DRUI::DelDownload(const QString& taskKey)
{
    if (!engine.Find(taskKey))
        return;
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    // The task may have completed (and its row gone) while the dialog was open.
    const CDownloadTask* task = engine.Find(taskKey);
    if (!task)
        return;
    _VIDEO_FILE_INFO_ info = task->Record();
    engine.Stop(taskKey, kStopWaitMs);
    if (info.QstrTaskKey.isEmpty())
        return;
    if (bDeleteFiles)
        DeleteTaskFiles(info);
    RemoveDownloadTableItem(&info);
}

void DRUI::DelAllDownload()
{
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    for (const QString& key : engine.Keys()) {
        const CDownloadTask* task = engine.Find(key);
        if (!task)
            continue;
        _VIDEO_FILE_INFO_ info = task->Record();
        engine.Stop(key, kStopAllWaitMs);
        if (key.isEmpty())
            continue;
        if (bDeleteFiles)
            DeleteTaskFiles(info);
        RemoveDownloadTableItem(&info);
    }
    // Whatever is left (tasks without a key) goes from the list and the table as well.
    engine.Clear();
    vecDownloadSelected.clear();
    if (pDownloadTable)
        pDownloadTable->setRowCount(0);
    if (pDownloadCleanButton)
        pDownloadCleanButton->setEnabled(false);
}

void DRUI::RemoveDownloadTableItem(_VIDEO_FILE_INFO_* info)
{
    const CDownloadTask* task = info ? engine.Find(info->QstrTaskKey) : nullptr;
    const int row = task && SameTask(task->Record(), *info) ? engine.Remove(info->QstrTaskKey) : -1;
    if (row >= 0 && pDownloadTable) {
        pDownloadTable->removeRow(row);
        pDownloadTable->doItemsLayout(); // the rows below move up now: one repaint, not two
        ShiftSelectionForRemoval(vecDownloadSelected, row);
    }
    if (pDownloadCleanButton && pDownloadTable)
        pDownloadCleanButton->setEnabled(pDownloadTable->rowCount() > 0);
}

void DRUI::StopAllRuns()
{
    for (const QString& key : engine.Keys())
        engine.Stop(key, kStopWaitMs);
}

void DRUI::_DoStartDownload(DRUI* window, const QString& taskKey)
{
    if (window)
        window->engine.Start(taskKey);
}

void DRUI::DoStartDownload(const _VIDEO_DOWNLOAD_INFO_* info)
{
    if (info)
        engine.Start(info->VideoFileInfo.QstrTaskKey);
}
