// The end of a download: the move of a completed task from the downloading table to the top
// of the finished table, and the cause of a failed run on its row.

#include "drui.h"
#include "languagesconfig.h"
#include "platform.h"
#include "tasktables.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>

void DRUI::CompleteTask(_VIDEO_FILE_INFO_ record)
{
    std::vector<_VIDEO_FILE_INFO_> list{record};
    if (!FindFinishedTableItem(&list[0]))
        RefreshFinishedTable(list, true);
    RemoveDownloadTableItem(&record);
    const bool bNoneLeft = pDownloadTable ? pDownloadTable->rowCount() == 0 : true;
    if (bNoneLeft && pShutdownCheckBox && pShutdownCheckBox->checkState() == Qt::Checked)
        RunShutdownCommand();
}

void DRUI::CompleteEndedTasks()
{
    std::vector<_VIDEO_FILE_INFO_> completed;
    for (const QString& key : engine.Keys()) {
        const CDownloadTask* task = engine.Find(key);
        if (task && task->HasCompleted())
            completed.push_back(task->Record());
    }
    for (_VIDEO_FILE_INFO_& record : completed)
        CompleteTask(record);
}

void DRUI::DownloadFailed(const QString& taskKey, const ExtractorError& error)
{
    const int row = engine.IndexOf(taskKey);
    const CDownloadTask* task = engine.At(row);
    // Paused meanwhile, or already running again: the failure is old news. A failed task
    // waits as a paused one (its row offers Resume, which starts it again).
    if (!task || task->State() != TaskState::Failed)
        return;
    const DownloadRowWidgets widgets =
        DownloadRowOf(pDownloadTable ? pDownloadTable->cellWidget(row, 0) : nullptr);
        const QString cause = error.QstrClass == QLatin1String("Unknown") && !error.QstrLine.isEmpty()
                              ? error.QstrLine
                              : LanguageText(error.CauseKey().constData());
    if (widgets.pStatusLabel)
        widgets.pStatusLabel->setText(LanguageText("Errors/Failed") + cause);
    if (widgets.pBtnPause)
        SetPauseButtonState(widgets.pBtnPause, true);
}
