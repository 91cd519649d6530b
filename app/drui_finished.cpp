// The finished table: completed tasks (newest at the top), their folders, and their deletion
// with or without the downloaded file.

#include "desktopservices.h"
#include "drui.h"
#include "druistartup.h"
#include "helpers.h"
#include "infofiles.h"
#include "lazyrows.h"
#include "tasktables.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QUrl>
#include <algorithm>

namespace {

// Index of the finished entry of this finish time (which names its info file), or -1.
// The caller holds the finished mutex.
int IndexOfFinished(const std::vector<_VIDEO_FINISHED_INFO_>& list, const QString& finishTime)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].VideoFileInfo.QstrFinishTime == finishTime)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

// Builds the widgets of one finished row and hands its buttons to the row's list entry. Rows
// are built when they first come into view (or at once for a task that has just completed).
static QWidget* BuildFinishedRowAt(DRUI& window, int row, Thumbnail thumbnail)
{
    QTableWidget* table = window.pFinishedTable;
    QTableWidgetItem* item = table ? table->item(row, 0) : nullptr;
    if (!item || table->cellWidget(row, 0))
        return nullptr;
    _VIDEO_FINISHED_INFO_ entry = item->data(Qt::UserRole).value<VIDEO_FINISHED_INFO>();
    const FinishedRowWidgets widgets =
        BuildFinishedRow(entry.VideoFileInfo, window.width() - 250, table->viewport(), thumbnail);
    const QString finishTime = entry.VideoFileInfo.QstrFinishTime;
    QObject::connect(widgets.pBtnOpen, &QPushButton::clicked, &window,
                     [&window, finishTime] { window.btnOpenFinishedFile(finishTime); });
    QObject::connect(widgets.pBtnDelete, &QPushButton::clicked, &window,
                     [&window, finishTime] { window.DelFinished(finishTime); });
    {
        QMutexLocker locker(&window.mutexFinished);
        auto& list = window.vecFinishedList;
        if (row >= int(list.size()) ||
            list[size_t(row)].VideoFileInfo.QstrFinishTime != entry.VideoFileInfo.QstrFinishTime) {
            delete widgets.pRow;
            return nullptr;
        }
        list[size_t(row)].pBtnDelete = widgets.pBtnDelete;
        list[size_t(row)].pBtnOpen = widgets.pBtnOpen;
        entry = list[size_t(row)];
    }
    item->setData(Qt::UserRole, QVariant::fromValue(entry));
    PlaceRowWidget(table, row, widgets.pRow, window.vecFinishedSelected);
    return widgets.pRow;
}

QTableWidget* DRUI::CreateFinishedTable(QWidget* container)
{
    pFinishedTable = CreateTaskTable(container, width() - 40);
    connect(pFinishedTable, &QTableWidget::cellClicked, this, &DRUI::FinishedTableItemPress);
    connect(pFinishedTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { FinishedTableItemDoubleClicked(row); });
    new CLazyRows(pFinishedTable, [this](int row, Thumbnail thumbnail) {
        return BuildFinishedRowAt(*this, row, thumbnail);
    });
    return pFinishedTable;
}

void DRUI::RefreshFinishedTable(std::vector<_VIDEO_FILE_INFO_>& list, bool bCompleted)
{
    if (!pFinishedTable)
        return;
    ListStartupFinished(*this); // the history read at start comes first
    const int first = pFinishedTable->rowCount();
    if (!bCompleted)
        pFinishedTable->setRowCount(first + static_cast<int>(list.size()));
    for (size_t k = 0; k < list.size(); ++k) {
        _VIDEO_FILE_INFO_& record = list[k];
        if (record.QstrFinishTime.isEmpty()) {
            // A completed task gets a stamp no other finished file has, so that two tasks
            // finishing in the same second keep a file each.
            record.QstrFinishTime = bCompleted
                                        ? FreeFinishStamp(QstrFinishedDir, CurrentTimeStamp())
                                        : CurrentTimeStamp();
        }
        _VIDEO_FINISHED_INFO_ entry;
        entry.VideoFileInfo = record;
        auto* item = new QTableWidgetItem;
        item->setData(Qt::UserRole, QVariant::fromValue(entry));

        {
            QMutexLocker locker(&mutexFinished);
            const int row = bCompleted ? 0 : first + static_cast<int>(k);
            if (bCompleted) {
                pFinishedTable->insertRow(0);
                ShiftSelectionForInsertion(vecFinishedSelected, 0);
                vecFinishedList.insert(vecFinishedList.begin(), entry);
            } else {
                vecFinishedList.push_back(entry);
            }
            pFinishedTable->setItem(row, 0, item);
        }
        if (bCompleted) {
            BuildFinishedRowAt(*this, 0, Thumbnail::Now); // shown at once, in view or not
            WriteFinishedVideoInfo(FinishedInfoLine(record), record.QstrFinishTime);
        }
    }
    if (CLazyRows* lazy = CLazyRows::Of(pFinishedTable))
        lazy->BuildVisible();
    if (pFinishedCleanButton)
        pFinishedCleanButton->setEnabled(pFinishedTable->rowCount() > 0);
}

bool DRUI::FindFinishedTableItem(_VIDEO_FILE_INFO_* info)
{
    if (!info)
        return false;
    ListStartupFinished(*this);
    QMutexLocker locker(&mutexFinished);
    return std::any_of(
        vecFinishedList.begin(), vecFinishedList.end(), [info](const _VIDEO_FINISHED_INFO_& entry) {
            const _VIDEO_FILE_INFO_& f = entry.VideoFileInfo;
            return f.QstrDuration == info->QstrDuration && f.QstrSize == info->QstrSize &&
                   f.QstrFilePath == info->QstrFilePath;
        });
}

void DRUI::FinishedTableItemPress(int row, int col)
{
    PaintRowSelection(pFinishedTable, vecFinishedSelected, row, col);
}

void DRUI::btnOpenFinishedFile(const QString& finishTime)
{
    _VIDEO_FILE_INFO_ info;
    {
        QMutexLocker locker(&mutexFinished);
        const int index = IndexOfFinished(vecFinishedList, finishTime);
        if (index < 0)
            return;
        info = vecFinishedList[index].VideoFileInfo;
    }
    // The file selected in its folder where the file manager offers that, else the folder.
    const QString folder = info.QstrOutputDir;
    if (info.QstrFilePath.isEmpty() || !QFileInfo::exists(info.QstrFilePath)) {
        OpenFolder(folder);
        return;
    }
    ShowFileInFolder(pDesktopBus, info.QstrFilePath, [folder] { OpenFolder(folder); });
}

void DRUI::FinishedTableItemDoubleClicked(int row)
{
    QString file;
    QString folder;
    {
        QMutexLocker locker(&mutexFinished);
        if (row < 0 || row >= int(vecFinishedList.size()))
            return;
        file = vecFinishedList[size_t(row)].VideoFileInfo.QstrFilePath;
        folder = vecFinishedList[size_t(row)].VideoFileInfo.QstrOutputDir;
    }
    // The video in the user's own player; a file that has gone: its folder.
    if (!file.isEmpty() && QFileInfo::exists(file))
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    else
        OpenFolder(folder);
}

void DRUI::DelFinished(const QString& finishTime)
{
    {
        QMutexLocker locker(&mutexFinished);
        if (IndexOfFinished(vecFinishedList, finishTime) < 0)
            return;
    }
    // The finished mutex is never held while the dialog runs: a download can complete
    // inside its event loop and take the same mutex.
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    // Rows may have moved, or gone, while the dialog was open: find the entry again.
    QMutexLocker locker(&mutexFinished);
    const int index = IndexOfFinished(vecFinishedList, finishTime);
    if (index < 0)
        return;
    DeleteFinishedTaskFiles(vecFinishedList[index].VideoFileInfo, QstrFinishedDir, bDeleteFiles);
    vecFinishedList.erase(vecFinishedList.begin() + index);
    if (pFinishedTable)
        pFinishedTable->removeRow(index);
    ShiftSelectionForRemoval(vecFinishedSelected, index);
}

void DRUI::DelAllFinished()
{
    ListStartupFinished(*this); // everything listed goes
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    QMutexLocker locker(&mutexFinished);
    for (const _VIDEO_FINISHED_INFO_& entry : vecFinishedList)
        DeleteFinishedTaskFiles(entry.VideoFileInfo, QstrFinishedDir, bDeleteFiles);
    vecFinishedList.clear();
    vecFinishedSelected.clear();
    if (pFinishedTable)
        pFinishedTable->setRowCount(0);
}
