// What the desktop hears of the downloads: a notification when one completes or fails and
// when the last one ends, and a lock against sleep while any runs or waits.

#include "desktopservices.h"
#include "drui.h"
#include "extractormanager.h"
#include "languagesconfig.h"

#include <QApplication>
#include <QSystemTrayIcon>

CDesktopBus* DRUI::s_pDesktopBus = nullptr;

namespace {

// Where the desktop has no notification service: a message from a tray icon, made when first
// needed.
void ShowFromTray(QWidget* window, const QString& summary, const QString& body)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    static QSystemTrayIcon* tray = nullptr;
    if (!tray) {
        tray = new QSystemTrayIcon(window->windowIcon(), qApp);
        tray->setToolTip(LanguageText("MainWnd/ProTitle"));
        tray->show();
    }
    tray->showMessage(summary, body);
}

} // namespace

void DRUI::InitDesktop()
{
    // Windows that tests make talk to the bus a test gives them, or to none.
    pDesktopBus = s_pDesktopBus;
    pNotifier = new CDownloadNotifier(s_pDesktopBus, this);
    pNotifier->SetWindowActive([this] { return isActiveWindow(); });
#ifndef Q_OS_MACOS
    if (s_pDesktopBus)
#endif
        pNotifier->SetFallback([this](const QString& summary, const QString& body) {
            ShowFromTray(this, summary, body);
        });
    pInhibitor = new CSleepInhibitor(s_pDesktopBus, this);
    connect(&engine, &CDownloadEngine::TaskStateChanged, this, &DRUI::DownloadsChanged);
    connect(&engine, &CDownloadEngine::QueueChanged, this, &DRUI::DownloadsChanged);
    connect(&engine, &CDownloadEngine::RunEnded, this, &DRUI::DownloadsChanged);
}

void DRUI::DownloadsChanged()
{
    if (pInhibitor)
        pInhibitor->SetBusy(engine.RunningCount() > 0 || engine.QueuedCount() > 0);
}

void DRUI::DownloadEnded(const QString& title, bool bCompleted, const QString& cause)
{
    if (!pNotifier)
        return;
    pNotifier->SetEnabled(!pExtractorManager || pExtractorManager->Settings().bNotifications);
    (bCompleted ? nEndedCompleted : nEndedFailed) += 1;
    const bool bLast = engine.RunningCount() == 0 && engine.QueuedCount() == 0;
    if (bLast && nEndedCompleted + nEndedFailed > 1) {
        pNotifier->Notify(LanguageText("Tasks/AllEnded"),
                          LanguageText("Tasks/AllEndedBody").arg(nEndedCompleted).arg(nEndedFailed));
    } else {
        pNotifier->Notify(LanguageText(bCompleted ? "Tasks/Completed" : "Tasks/Failed"),
                          bCompleted ? title : title + QStringLiteral(": ") + cause);
    }
    if (bLast)
        nEndedCompleted = nEndedFailed = 0;
    DownloadsChanged();
}
