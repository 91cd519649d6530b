#pragma once
// The desktop's own services (notifications, staying awake, showing a file in its folder) are
// reached over D-Bus on Linux. Every call goes through one CDesktopBus so that tests can stand
// in for the buses; a program without a bus set makes no such call at all.

#include <QDBusMessage>
#include <functional>

enum class BusKind { Session, System };

class CDesktopBus
{
public:
    virtual ~CDesktopBus() = default;
    // Sends a method call and hands its reply (or an error message) to `onReply` later, on the
    // caller's thread; never blocks.
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;
    virtual void Call(BusKind bus, const QDBusMessage& call, ReplyHandler onReply) = 0;
};

// The real session and system buses.
class CSystemDesktopBus : public CDesktopBus
{
public:
    void Call(BusKind bus, const QDBusMessage& call, ReplyHandler onReply) override;
};
