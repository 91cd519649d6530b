// Progress reports of the download runs: the row's bar and status line, and the move of a
// completed task from the downloading table to the top of the finished table.

#include "cmessagebox.h"
#include "drui.h"
#include "extractormanager.h"
#include "languagesconfig.h"
#include "outputparser.h"
#include "platform.h"
#include "tasktables.h"

#include <QCheckBox>
#include <QLabel>
#include <QMutexLocker>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

namespace {

// Reports arrive queued, so the record may already hold the file path of a later line while
// the run still writes it ("Adding metadata" reports 100 too): a task is complete only once
// its run has ended.
bool HasCompleted(const _VIDEO_DOWNLOAD_INFO_& task)
{
    return !task.bRunning && !task.VideoFileInfo.QstrFilePath.isEmpty() &&
           task.VideoFileInfo.QstrPercent == QLatin1String("100");
}

} // namespace

void DRUI::DownloadReadOutput()
{
    if (auto* process = qobject_cast<QProcess*>(sender()))
        engine.ReadOutput(process);
}

void DRUI::ProgressSignalSlot(void* pProcess, int nProValue, int nType, QString QstrLabel)
{
    QProgressBar* bar = nullptr;
    QLabel* status = nullptr;
    bool bPaused = false;
    bool bComplete = false;
    _VIDEO_FILE_INFO_ record;
    {
        QMutexLocker locker(&engine.Mutex());
        const auto& tasks = engine.Tasks();
        const auto it = std::find_if(tasks.begin(), tasks.end(), [pProcess](const auto& task) {
            return task.pProcess == pProcess;
        });
        if (it == tasks.end())
            return; // the row is gone: the report is dropped
        const _VIDEO_DOWNLOAD_INFO_& task = *it;
        bar = task.pProgressBar;
        status = task.pStatusLabel;
        bPaused = task.bPaused;
        record = task.VideoFileInfo;
        bComplete = nProValue == 100 && HasCompleted(task);
    }
    // A row that has never been in view has no widgets yet; its task still completes.
    if (nType == 3) {
        if (status)
            status->setText(StatusSizePart(status->text()));
        return;
    }
    if (nType != 1)
        return;

    // Bar and status line show the same, newest line: output read while a paused task's run
    // ends still moves the bar, so it sets the paused status (the size part) as well.
    if (bar)
        bar->setValue(nProValue);
    if (!QstrLabel.isEmpty() && status)
        status->setText(bPaused ? StatusSizePart(QstrLabel) : QstrLabel);
    if (bComplete)
        CompleteTask(record);
}

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
    {
        QMutexLocker locker(&engine.Mutex());
        for (const _VIDEO_DOWNLOAD_INFO_& task : engine.Tasks()) {
            if (HasCompleted(task))
                completed.push_back(task.VideoFileInfo);
        }
    }
    for (_VIDEO_FILE_INFO_& record : completed)
        CompleteTask(record);
}

void DRUI::DownloadFailed(const QString& taskKey, const ExtractorError& error)
{
    QPushButton* pause = nullptr;
    QLabel* status = nullptr;
    QString title;
    bool bFound = false;
    {
        QMutexLocker locker(&engine.Mutex());
        for (_VIDEO_DOWNLOAD_INFO_& task : engine.Tasks()) {
            if (task.VideoFileInfo.QstrTaskKey != taskKey)
                continue;
            if (task.bPaused || task.bRunning)
                return; // paused meanwhile, or already running again
            // A failed task waits as a paused one: Resume starts it again.
            task.bPaused = true;
            pause = task.pBtnPause;
            status = task.pStatusLabel;
            title = task.VideoFileInfo.QstrTitle;
            bFound = true;
            break;
        }
    }
    CLanguagesConfig* texts = CLanguagesConfig::GetInstance();
    const QString cause = error.QstrClass == QLatin1String("Unknown") && !error.QstrLine.isEmpty()
                              ? error.QstrLine
                              : texts->ReadLanguageInfo(error.CauseKey().constData());
    if (status)
        status->setText(texts->ReadLanguageInfo("Errors/Failed") + cause);
    if (pause)
        SetPauseButtonState(pause, true);
    if (bFound)
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
