#include "drui.h"
#include "fonts.h"
#include "platform.h"
#include "videoinfo.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

namespace {

// The program keeps no log: every debug, warning and critical message is dropped.
void customMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

// For start-up measurements only: when QUILLANE_BENCH_READY_FILE names a file, that file is
// created once the window's first frame has been painted. Nothing else changes.
class CFirstFrameMark : public QObject
{
public:
    explicit CFirstFrameMark(QString path) : m_path(std::move(path)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Runs once the whole frame this paint belongs to has been drawn.
            QTimer::singleShot(0, this, [this] {
                QFile mark(m_path);
                mark.open(QIODevice::WriteOnly);
            });
        }
        return false;
    }

private:
    QString m_path;
};

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(customMessageHandler);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(drui);
    RegisterVideoInfoTypes();

    if (DecideStartMode(argc) == StartMode::Relaunch) {
        // Started without the one argument: start again as it should be, show nothing.
        RelaunchForStart(QCoreApplication::applicationFilePath());
        return 0;
    }

    QApplication::setFont(CalibriFont(10));
    DRUI window;
    window.Init();
    CFirstFrameMark firstFrame(qEnvironmentVariable("QUILLANE_BENCH_READY_FILE"));
    if (qEnvironmentVariableIsSet("QUILLANE_BENCH_READY_FILE"))
        window.installEventFilter(&firstFrame);
    window.show();
    return app.exec();
}
