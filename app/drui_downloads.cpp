// The downloading table: its rows and list entries, selection colours, and the task
// controls (pause/resume, open folder, delete one, delete all).

#include "drui.h"
#include "lazyrows.h"
#include "tasktables.h"

#include <QMutexLocker>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {

// Waits for a stopped run: one task, and each task of a Clean.
constexpr int kStopWaitMs = 1000;
constexpr int kStopAllWaitMs = 500;

// A snapshot of one entry, taken under the mutex and used after it is released.
struct TaskSnapshot
{
    bool bFound = false;
    bool bPaused = false;
    QProcess* pProcess = nullptr;
    _VIDEO_FILE_INFO_ info;
};

} // namespace

// The first entry whose button of the given kind is `button`, copied under the mutex.
static TaskSnapshot FindByButton(CDownloadEngine& engine, QObject* button,
                                 QPushButton* _VIDEO_DOWNLOAD_INFO_::*member)
{
    TaskSnapshot snap;
    if (!button)
        return snap;
    QMutexLocker locker(&engine.Mutex());
    for (const _VIDEO_DOWNLOAD_INFO_& task : engine.Tasks()) {
        if (task.*member == button) {
            snap.bFound = true;
            snap.bPaused = task.bPaused;
            snap.pProcess = task.pProcess;
            snap.info = task.VideoFileInfo;
            break;
        }
    }
    return snap;
}

// Builds the widgets of one downloading row and hands them to the row's list entry. Rows are
// built when they first come into view (or at once for a new task).
static QWidget* BuildDownloadRowAt(DRUI& window, int row, Thumbnail thumbnail)
{
    QTableWidget* table = window.pDownloadTable;
    QTableWidgetItem* item = table ? table->item(row, 0) : nullptr;
    if (!item || table->cellWidget(row, 0))
        return nullptr;
    _VIDEO_DOWNLOAD_INFO_ task;
    {
        QMutexLocker locker(&window.engine.Mutex());
        const auto& tasks = window.engine.Tasks();
        if (row >= int(tasks.size()))
            return nullptr;
        task = tasks[size_t(row)];
    }
    // A new task shows 0 and the pause picture; a restored one its stored percentage and,
    // while it is paused, the play picture.
    const DownloadRowWidgets widgets =
        BuildDownloadRow(task.VideoFileInfo, task.bPaused, table->viewport(), thumbnail);
    QObject::connect(widgets.pBtnPause, &QPushButton::clicked, &window, &DRUI::PauseDownload);
    QObject::connect(widgets.pBtnOpen, &QPushButton::clicked, &window, &DRUI::btnOpenDownloadFile);
    QObject::connect(widgets.pBtnDelete, &QPushButton::clicked, &window, &DRUI::DelDownload);
    {
        QMutexLocker locker(&window.engine.Mutex());
        auto& tasks = window.engine.Tasks();
        if (row >= int(tasks.size()) || tasks[size_t(row)].pProcess != task.pProcess) {
            delete widgets.pRow;
            return nullptr;
        }
        _VIDEO_DOWNLOAD_INFO_& entry = tasks[size_t(row)];
        entry.pProgressBar = widgets.pProgressBar;
        entry.pStatusLabel = widgets.pStatusLabel;
        entry.pBtnPause = widgets.pBtnPause;
        entry.pBtnDelete = widgets.pBtnDelete;
        entry.pBtnOpen = widgets.pBtnOpen;
        task = entry;
    }
    item->setData(Qt::UserRole, QVariant::fromValue(task));
    PlaceRowWidget(table, row, widgets.pRow, window.vecDownloadSelected);
    return widgets.pRow;
}

QTableWidget* DRUI::CreateDownloadTable(QWidget* container)
{
    pDownloadTable = CreateTaskTable(container, width() - 40);
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
        _VIDEO_DOWNLOAD_INFO_ task;
        task.bRunning = false;
        task.bHasProgress = bRestored;
        task.bPaused = bRestored;
        task.VideoFileInfo = list[k];
        task.pProcess = new QProcess(this);

        auto* item = new QTableWidgetItem;
        item->setData(Qt::UserRole, QVariant::fromValue(task));
        pDownloadTable->setItem(row, 0, item);
        engine.AppendTask(task, !bRestored); // a new task gets its info file
        // A new task shows its progress from the start; restored ones wait until in view.
        if (!bRestored)
            BuildDownloadRowAt(*this, row, Thumbnail::Now);
    }
    if (CLazyRows* lazy = CLazyRows::Of(pDownloadTable))
        lazy->BuildVisible();
    if (pDownloadCleanButton)
        pDownloadCleanButton->setEnabled(pDownloadTable->rowCount() > 0);
}

_VIDEO_DOWNLOAD_INFO_* DRUI::GetTableItemDownloadInfo(QTableWidgetItem* item)
{
    if (!item)
        return nullptr;
    const auto data = item->data(Qt::UserRole).value<VIDEO_DOWNLOAD_INFO>();
    QMutexLocker locker(&engine.Mutex());
    for (_VIDEO_DOWNLOAD_INFO_& task : engine.Tasks()) {
        if (task.VideoFileInfo.QstrUrl == data.VideoFileInfo.QstrUrl &&
            task.VideoFileInfo.QstrTaskKey == data.VideoFileInfo.QstrTaskKey)
            return &task;
    }
    return nullptr;
}

void DRUI::PDFTableItemPress(int row, int col)
{
    PaintRowSelection(pDownloadTable, vecDownloadSelected, row, col);
}

void DRUI::btnOpenDownloadFile()
{
    const TaskSnapshot snap = FindByButton(engine, sender(), &_VIDEO_DOWNLOAD_INFO_::pBtnOpen);
    if (snap.bFound)
        OpenFolder(snap.info.QstrOutputDir);
}

void DRUI::PauseDownload()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    const TaskSnapshot snap = FindByButton(engine, button, &_VIDEO_DOWNLOAD_INFO_::pBtnPause);
    if (!snap.bFound)
        return;
    auto setPaused = [this, button](bool bPaused) {
        QMutexLocker locker(&engine.Mutex());
        for (_VIDEO_DOWNLOAD_INFO_& task : engine.Tasks()) {
            if (task.pBtnPause == button) {
                task.bPaused = bPaused;
                break;
            }
        }
    };
    if (snap.bPaused) {
        SetPauseButtonState(button, false);
        setPaused(false);
        engine.StartRun(snap.info.QstrTaskKey);
        return;
    }
    // Paused before the stop, so that output read while the run ends leaves the text alone.
    setPaused(true);
    engine.StopRun(snap.pProcess, kStopWaitMs);
    // The info file keeps the percentage reached, so that a restart shows the bar where it
    // stopped (progress lines rewrite it only at even percentages).
    const TaskSnapshot stopped = FindByButton(engine, button, &_VIDEO_DOWNLOAD_INFO_::pBtnPause);
    if (stopped.bFound)
        engine.WriteDownloadVideoInfo(stopped.info);
    SetPauseButtonState(button, true);
    Q_EMIT ProgressSignal(snap.pProcess, 0, 3, QString());
}

void DRUI::DelDownload()
{
    const QPointer<QObject> button = sender();
    const TaskSnapshot clicked = FindByButton(engine, button, &_VIDEO_DOWNLOAD_INFO_::pBtnDelete);
    if (!clicked.bFound)
        return;
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    // The task may have completed (and its row gone) while the dialog was open, and a row
    // built meanwhile may have a button where the clicked one was: only the same button of
    // the same task counts.
    if (!button)
        return;
    const TaskSnapshot snap = FindByButton(engine, button, &_VIDEO_DOWNLOAD_INFO_::pBtnDelete);
    if (!snap.bFound || snap.info.QstrTaskKey != clicked.info.QstrTaskKey)
        return;
    engine.StopRun(snap.pProcess, kStopWaitMs);
    if (snap.info.QstrTaskKey.isEmpty())
        return;
    if (bDeleteFiles)
        DeleteTaskFiles(snap.info);
    _VIDEO_FILE_INFO_ info = snap.info;
    RemoveDownloadTableItem(&info);
}

void DRUI::DelAllDownload()
{
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    std::vector<TaskSnapshot> tasks;
    {
        QMutexLocker locker(&engine.Mutex());
        for (const _VIDEO_DOWNLOAD_INFO_& task : engine.Tasks())
            tasks.push_back({true, task.bPaused, task.pProcess, task.VideoFileInfo});
    }
    for (TaskSnapshot& snap : tasks) {
        engine.StopRun(snap.pProcess, kStopAllWaitMs);
        if (snap.info.QstrTaskKey.isEmpty())
            continue;
        if (bDeleteFiles)
            DeleteTaskFiles(snap.info);
        RemoveDownloadTableItem(&snap.info);
    }
    // Whatever is left (tasks without a key) goes from the list and the table as well.
    engine.ClearTasks();
    vecDownloadSelected.clear();
    if (pDownloadTable)
        pDownloadTable->setRowCount(0);
    if (pDownloadCleanButton)
        pDownloadCleanButton->setEnabled(false);
}

void DRUI::RemoveDownloadTableItem(_VIDEO_FILE_INFO_* info)
{
    const int row = info ? engine.RemoveTask(*info) : -1;
    if (row >= 0 && pDownloadTable) {
        pDownloadTable->removeRow(row);
        ShiftSelectionForRemoval(vecDownloadSelected, row);
    }
    if (pDownloadCleanButton && pDownloadTable)
        pDownloadCleanButton->setEnabled(pDownloadTable->rowCount() > 0);
}

void DRUI::StopAllRuns()
{
    std::vector<QProcess*> processes;
    {
        QMutexLocker locker(&engine.Mutex());
        for (const _VIDEO_DOWNLOAD_INFO_& task : engine.Tasks())
            processes.push_back(task.pProcess);
    }
    for (QProcess* process : processes)
        engine.StopRun(process, kStopWaitMs);
}

void DRUI::_DoStartDownload(void* pParams, QString QstrParams)
{
    if (pParams)
        static_cast<DRUI*>(pParams)->engine.StartRun(QstrParams);
}

void DRUI::DoStartDownload(_VIDEO_DOWNLOAD_INFO_* info)
{
    if (info)
        engine.StartRun(info->VideoFileInfo.QstrTaskKey);
}
