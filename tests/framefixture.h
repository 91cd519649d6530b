#pragma once
// Shared by the window and dialog tests: what they open goes to a recorder instead of a
// browser or file manager, the update check stays on 127.0.0.1 and fails at once, and the
// shut-down command is never run. A test that includes this header also includes
// "moc_framefixture.cpp" once.

#include "platform.h"
#include "urlconfig.h"

#include <QApplication>
#include <QDesktopServices>
#include <QList>
#include <QMouseEvent>
#include <QObject>
#include <QUrl>
#include <functional>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void handle(const QUrl& url) { urls.append(url); }
};

inline const char* const kRecordedSchemes[] = {"http", "https", "file"};

inline void KeepOnThisMachine(UrlRecorder* recorder, const QString& dataFolder,
                              std::function<void()> onShutdown = {})
{
    CURLConfig::Overrides overrides;
    overrides.site1 = QStringLiteral("http://127.0.0.1:9");
    overrides.site2 = QStringLiteral("http://127.0.0.1:9");
    overrides.nChineseSystem = 0;
    overrides.curlProgram = QStringLiteral("false");
    overrides.dataFolder = dataFolder;
    CURLConfig::GetInstance()->SetOverrides(overrides);
    for (const char* scheme : kRecordedSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), recorder, "handle");
    SetShutdownRunner([onShutdown](const QString&, const QStringList&) {
        if (onShutdown)
            onShutdown();
    });
}

inline void ReleaseThisMachine()
{
    for (const char* scheme : kRecordedSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    SetShutdownRunner(nullptr);
}

// A mouse event at a global position, sent to `target` as the window system would.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
