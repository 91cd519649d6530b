#include "dodivezparseui.h"
#include "drui.h"
#include "helpers.h"
#include "infofiles.h"

#include <QDateTime>
#include <QStackedLayout>
#include <QTableWidget>

namespace {

const QString kStampFormat = QStringLiteral("yyyy-MM-dd-hh-mm-ss");

} // namespace

// Runs the add-video dialog and turns the chosen format into a new task that starts at once.
void DRUI::AddFiles()
{
    CDodivezParseUI dialog;
    dialog.InitDialog();
    dialog.exec();
    if (dialog.nCancelled != 0)
        return;

    // The key names the task's info file and its output file: never reuse one in use.
    QString key = FreeFinishStamp(QstrDownloadingDir, CurrentTimeStamp());
    while (engine.IndexOfKey(key) >= 0) {
        const QDateTime next = QDateTime::fromString(key, kStampFormat).addSecs(1);
        key = FreeFinishStamp(QstrDownloadingDir, next.toString(kStampFormat));
    }
    _VIDEO_FILE_INFO_ info = dialog.SelectedInfo;
    info.QstrTaskKey = key;
    std::vector<_VIDEO_FILE_INFO_> list{info};
    RefreshDownloadTable(list, false);

    const int lastRow = pDownloadTable->rowCount() - 1;
    if (const _VIDEO_DOWNLOAD_INFO_* task =
            GetTableItemDownloadInfo(pDownloadTable->item(lastRow, 0))) {
        const QString taskKey = task->VideoFileInfo.QstrTaskKey;
        engine.StartRun(taskKey);
    }
    pPageStack->setCurrentWidget(pDownloadingPage);
}
