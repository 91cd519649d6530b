// The end of a download: the move of a completed task from the downloading table to the top
// of the finished table, and the cause of a failed run on its row.

#include "cmessagebox.h"
#include "drui.h"
#include "extractormanager.h"
#include "languagesconfig.h"
#include "platform.h"
#include "statusline.h"
#include "tasktables.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>

void DRUI::CompleteTask(_VIDEO_FILE_INFO_ record)
{
    std::vector<_VIDEO_FILE_INFO_> list{record};
    const bool bNew = !FindFinishedTableItem(&list[0]);
    if (bNew)
        RefreshFinishedTable(list, true);
    RemoveDownloadTableItem(&record);
    if (bNew)
        DownloadEnded(record.QstrTitle, true, QString());
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
    const QString cause = FailureCause(error);
    if (widgets.pStatusLabel)
        widgets.pStatusLabel->setText(FailedStatusText(error));
    if (widgets.pBtnPause)
        SetPauseButtonState(widgets.pBtnPause, true);
    const QString title = task->Record().QstrTitle;
    DownloadEnded(title, false, cause);
    OfferFix(error, title);
}

void DRUI::OfferFix(const ExtractorError& error, const QString& title)
{
    const bool bRuntimeFound = pExtractorManager && pExtractorManager->Runtime().IsFound();
    const ErrorFix fix = OfferedFix(error, s_bExtractorUpdates, bRuntimeFound);
    if (fix == ErrorFix::None || pFixNotice || setDeclinedOffers.contains(error.QstrClass))
        return;
    CLanguagesConfig* texts = CLanguagesConfig::GetInstance();
    // Not modal: the other rows go on while it is open.
    auto* box = new CMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setFixedSize(500, 260);
    box->PlaceOver(this);
    box->InitQuestionDialog(texts->ReadLanguageInfo("Errors/DownloadFailed").arg(title) +
                            QStringLiteral("\n\n") + FailureAdvice(error) + QStringLiteral("\n\n") +
                            texts->ReadLanguageInfo(OfferKey(fix).constData()));
    pFixNotice = box;
    const QString cls = error.QstrClass;
    connect(box, &QDialog::finished, this, [this, box, fix, cls] {
        if (box->GetMessageBoxRet() != 0) {
            setDeclinedOffers.insert(cls);
            return;
        }
        const SettingsStart start = fix == ErrorFix::Update    ? SettingsStart::Update
                                    : fix == ErrorFix::Runtime ? SettingsStart::FetchRuntime
                                                               : SettingsStart::Cookies;
        // Once the notice has gone: the settings dialog runs a loop of its own.
        QMetaObject::invokeMethod(
            this, [this, start] { OpenSettings(nullptr, start); }, Qt::QueuedConnection);
    });
    box->show();
}
