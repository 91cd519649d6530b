#include "dodivezparseui.h"
#include "drui.h"
#include "helpers.h"
#include "infofiles.h"

#include <QStackedLayout>
#include <QTableWidget>

// Runs the add-video dialog and turns the chosen format into a new task that starts at once.
void DRUI::AddFiles()
{
    CDodivezParseUI dialog;
    // An analysis that a newer extractor may mend offers the update, shown in the settings
    // (not in windows that tests make: they fetch nothing).
    if (s_bExtractorUpdates)
        dialog.offerExtractorUpdate = [this, &dialog] { OpenSettings(&dialog, true); };
    dialog.InitDialog();
    dialog.exec();
    if (dialog.nCancelled != 0)
        return;

    // The key names the task's info file and its output file: never reuse one in use.
    const QString key = FreeStamp(QstrDownloadingDir, CurrentTimeStamp(),
                                  [this](const QString& k) { return engine.IndexOf(k) >= 0; });
    _VIDEO_FILE_INFO_ info = dialog.SelectedInfo;
    info.QstrTaskKey = key;
    std::vector<_VIDEO_FILE_INFO_> list{info};
    RefreshDownloadTable(list, false);

    engine.Start(key);
    pPageStack->setCurrentWidget(pDownloadingPage);
}
