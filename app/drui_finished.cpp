// The finished table: completed tasks (newest at the top), their folders, and their deletion
// with or without the downloaded file.

#include "desktopservices.h"
#include "drui.h"
#include "druistartup.h"
#include "helpers.h"
#include "infofiles.h"
#include "languagesconfig.h"
#include "lazyrows.h"
#include "tasktables.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPointer>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QUrl>

// Builds the widgets of one finished row from its record. Rows are built when they first come
// into view (at once for a task that completes while the page is shown); the table's rows
// hold no items.
static QWidget* BuildFinishedRowAt(DRUI& window, int row, Thumbnail thumbnail)
{
    QTableWidget* table = window.pFinishedTable;
    if (!table || row < 0 || row >= table->rowCount() || table->cellWidget(row, 0))
        return nullptr;
    _VIDEO_FILE_INFO_ info;
    {
        QMutexLocker locker(&window.mutexFinished);
        const CFinishedRecords& records = window.vecFinishedList.Records();
        if (row >= records.Size())
            return nullptr;
        info = records.At(row);
    }
    const FinishedRowWidgets widgets =
        BuildFinishedRow(info, window.width() - 250, table->viewport(), thumbnail);
    widgets.pBtnOpen->setObjectName(QLatin1String(kFinishedOpenButton));
    widgets.pBtnDelete->setObjectName(QLatin1String(kFinishedDeleteButton));
    const QString finishTime = info.QstrFinishTime;
    QObject::connect(widgets.pBtnOpen, &QPushButton::clicked, &window,
                     [&window, finishTime] { window.btnOpenFinishedFile(finishTime); });
    QObject::connect(widgets.pBtnDelete, &QPushButton::clicked, &window,
                     [&window, finishTime] { window.DelFinished(finishTime); });
    PlaceRowWidget(table, row, widgets.pRow, window.vecFinishedSelected);
    return widgets.pRow;
}

QTableWidget* DRUI::CreateFinishedTable(QWidget* container)
{
    pFinishedTable = CreateTaskTable(container, width() - 40);
    pFinishedTable->setAccessibleName(LanguageText("MainWnd/FinishedTable"));
    vecFinishedList.SetTable(pFinishedTable);
    connect(pFinishedTable, &QTableWidget::cellClicked, this, &DRUI::FinishedTableItemPress);
    connect(pFinishedTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { FinishedTableItemDoubleClicked(row); });
    new CLazyRows(
        pFinishedTable,
        [this](int row, Thumbnail thumbnail) { return BuildFinishedRowAt(*this, row, thumbnail); },
        false);
    return pFinishedTable;
}

void DRUI::RefreshFinishedTable(std::vector<_VIDEO_FILE_INFO_>& list, bool bCompleted)
{
    if (!pFinishedTable)
        return;
    ListStartupFinished(*this); // the history read at start comes first
    if (!bCompleted) {
        CFinishedRecords records;
        for (_VIDEO_FILE_INFO_& record : list) {
            if (record.QstrFinishTime.isEmpty())
                record.QstrFinishTime = CurrentTimeStamp();
            records.Append(record);
        }
        ListFinished(std::move(records));
        return;
    }
    // A new row is built at once, unless the window shows the other page: then it waits, as
    // the page's other rows do, until the page is shown.
    const bool bShown = !isVisible() || pPageStack->currentWidget() == pFinishedPage;
    for (_VIDEO_FILE_INFO_& record : list) {
        // A completed task gets a stamp no other finished file has, so that two tasks
        // finishing in the same second keep a file each.
        if (record.QstrFinishTime.isEmpty())
            record.QstrFinishTime = FreeFinishStamp(QstrFinishedDir, CurrentTimeStamp());
        {
            QMutexLocker locker(&mutexFinished);
            pFinishedTable->insertRow(0);
            ShiftSelectionForInsertion(vecFinishedSelected, 0);
            vecFinishedList.Records().Insert(0, record);
        }
        if (bShown)
            BuildFinishedRowAt(*this, 0, Thumbnail::Now);
        WriteFinishedVideoInfo(FinishedInfoLine(record), record.QstrFinishTime);
    }
    CLazyRows* lazy = CLazyRows::Of(pFinishedTable);
    if (lazy && bShown)
        lazy->BuildVisible();
    if (pFinishedCleanButton)
        pFinishedCleanButton->setEnabled(pFinishedTable->rowCount() > 0);
}

void DRUI::ListFinished(CFinishedRecords&& records)
{
    if (!pFinishedTable)
        return;
    {
        QMutexLocker locker(&mutexFinished);
        CFinishedRecords& list = vecFinishedList.Records();
        list.Append(std::move(records));
        pFinishedTable->setRowCount(list.Size());
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
    return vecFinishedList.Records().IndexOfFile(*info) >= 0;
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
        const CFinishedRecords& records = vecFinishedList.Records();
        const int index = records.IndexOf(finishTime);
        if (index < 0)
            return;
        info = records.At(index);
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
        const CFinishedRecords& records = vecFinishedList.Records();
        if (row < 0 || row >= records.Size())
            return;
        const _VIDEO_FILE_INFO_ info = records.At(row);
        file = info.QstrFilePath;
        folder = info.QstrOutputDir;
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
        if (vecFinishedList.Records().IndexOf(finishTime) < 0)
            return;
    }
    // The finished mutex is never held while the dialog runs: a download can complete
    // inside its event loop and take the same mutex.
    bool bDeleteFiles = false;
    if (!ConfirmTaskDeletion(this, bDeleteFiles))
        return;
    // Rows may have moved, or gone, while the dialog was open: find the entry again.
    QMutexLocker locker(&mutexFinished);
    CFinishedRecords& records = vecFinishedList.Records();
    const int index = records.IndexOf(finishTime);
    if (index < 0)
        return;
    DeleteFinishedTaskFiles(records.At(index), QstrFinishedDir, bDeleteFiles);
    records.Remove(index);
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
    const CFinishedRecords& records = vecFinishedList.Records();
    for (int i = 0; i < records.Size(); ++i)
        DeleteFinishedTaskFiles(records.At(i), QstrFinishedDir, bDeleteFiles);
    vecFinishedList.clear();
    vecFinishedSelected.clear();
    if (pFinishedTable)
        pFinishedTable->setRowCount(0);
}
