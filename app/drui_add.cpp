#include "dodivezparseui.h"
#include "drui.h"
#include "extractormanager.h"
#include "helpers.h"
#include "infofiles.h"

#include <QDateTime>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>

namespace {

// The stamp one second later, or "" if `stamp` is no stamp. Counted as UTC: a stamp is a label,
// and local time may skip or repeat an hour.
QString NextSecond(const QString& stamp)
{
    const QDateTime time(QDate::fromString(stamp.left(10), QStringLiteral("yyyy-MM-dd")),
                         QTime::fromString(stamp.mid(11), QStringLiteral("hh-mm-ss")), Qt::UTC);
    return time.isValid() ? time.addSecs(1).toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"))
                          : QString();
}

} // namespace

// Runs the add-video dialog and turns the chosen format into a new task that starts at once.
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
    // Links dropped or copied: analysed as soon as the dialog shows, one dialog per link, the
    // next once this one has closed.
    if (!pendingLinks.isEmpty()) {
        dialog.pUrlEdit->setText(pendingLinks.takeFirst());
        QTimer::singleShot(0, &dialog, &CDodivezParseUI::btnParseSlot);
    }
    dialog.exec();
    if (!pendingLinks.isEmpty())
        QTimer::singleShot(0, this, &DRUI::AddFiles);
    if (dialog.nCancelled != 0)
        return;

    // The key names the task's info file and its output file: never reuse one in use.
    QString key = FreeFinishStamp(QstrDownloadingDir, CurrentTimeStamp());
    while (engine.IndexOf(key) >= 0) {
        const QString next = NextSecond(key);
        if (next.isEmpty())
            break;
        key = FreeFinishStamp(QstrDownloadingDir, next);
    }
    _VIDEO_FILE_INFO_ info = dialog.SelectedInfo;
    info.QstrTaskKey = key;
    std::vector<_VIDEO_FILE_INFO_> list{info};
    RefreshDownloadTable(list, false);

    engine.Start(key);
    pPageStack->setCurrentWidget(pDownloadingPage);
}
