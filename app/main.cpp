#include "desktopbus.h"
#include "drui.h"
#include "fonts.h"
#include "platform.h"
#include "videoinfo.h"

#include <QApplication>

namespace {

// The program keeps no log: every debug, warning and critical message is dropped.
void customMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(customMessageHandler);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(drui);
    RegisterTaskRowTypes();

    if (DecideStartMode(argc) == StartMode::Relaunch) {
        // Started without the one argument: start again as it should be, show nothing.
        RelaunchForStart(QCoreApplication::applicationFilePath());
        return 0;
    }

    QApplication::setFont(CalibriFont(10));
    DRUI::s_bExtractorUpdates = true;
    DRUI::s_bUnfinishedAfterFrame = true;
    CSystemDesktopBus desktopBus;
    DRUI::s_pDesktopBus = &desktopBus;
    DRUI window;
    window.Init();
    window.show();
    return app.exec();
}
