#include "desktopbus.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

void CSystemDesktopBus::Call(BusKind bus, const QDBusMessage& call, ReplyHandler onReply)
{
    QDBusConnection connection =
        bus == BusKind::Session ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
    if (!connection.isConnected()) {
        if (onReply)
            onReply(call.createErrorReply(QDBusError::Disconnected, QString()));
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, onReply = std::move(onReply)] {
                         if (onReply)
                             onReply(watcher->reply());
                         watcher->deleteLater();
                     });
}
