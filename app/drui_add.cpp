#include "dodivezparseui.h"
#include "drui.h"
#include "druistartup.h"
#include "extractormanager.h"
#include "helpers.h"
#include "infofiles.h"

#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>

// Runs the add-video dialog and turns each chosen video into a new task that starts at once.
void DRUI::AddFiles()
{
    CDodivezParseUI dialog;
    // An analysis that a newer extractor may mend offers the update, and one that wants a
    // JavaScript runtime while none is found offers Deno; both are shown in the settings (not
    // in windows that tests make: they fetch nothing).
    if (s_bExtractorUpdates) {
        dialog.offerExtractorUpdate = [this, &dialog] {
            OpenSettings(&dialog, SettingsStart::Update);
        };
        if (pExtractorManager && !pExtractorManager->Runtime().IsFound())
            dialog.offerRuntimeFetch = [this, &dialog] {
                OpenSettings(&dialog, SettingsStart::FetchRuntime);
            };
    }
    dialog.InitDialog();
    // Links dropped or copied: all of them in the field, analysed as soon as the dialog shows.
    if (!pendingLinks.isEmpty()) {
        dialog.pUrlEdit->setText(pendingLinks.join(QLatin1Char(' ')));
        pendingLinks.clear();
        QTimer::singleShot(0, &dialog, &CDodivezParseUI::btnParseSlot);
    }
    dialog.exec();
    if (dialog.nCancelled != 0 || dialog.vecSelected.empty())
        return;
    ListStartupUnfinished(*this); // the tasks of the start keep their places above

    // Each video becomes a task of its own. The key names the task's info file and its output
    // file: never reuse one in use (a task just added holds its key already).
    for (_VIDEO_FILE_INFO_ info : dialog.vecSelected) {
        const QString key = FreeStamp(QstrDownloadingDir, CurrentTimeStamp(),
                                      [this](const QString& k) { return engine.IndexOf(k) >= 0; });
        info.QstrTaskKey = key;
        std::vector<_VIDEO_FILE_INFO_> list{info};
        RefreshDownloadTable(list, false);
        engine.Start(key);
    }
    pPageStack->setCurrentWidget(pDownloadingPage);
}
