#pragma once
// Telling the user that downloads have ended, keeping the computer awake while they run, and
// showing a finished file in the file manager.

#include "desktopbus.h"

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <functional>

// Desktop notifications. On Linux through the freedesktop notification service; elsewhere (or
// when that service does not answer) through `fallback`, which the window points at its tray
// icon. Nothing is shown while turned off or while the window is active.
class CDownloadNotifier : public QObject
{
    Q_OBJECT
public:
    explicit CDownloadNotifier(CDesktopBus* bus, QObject* parent = nullptr);

    void SetEnabled(bool bEnabled) { m_bEnabled = bEnabled; }
    bool IsEnabled() const { return m_bEnabled; }
    void SetWindowActive(std::function<bool()> isActive) { m_isActive = std::move(isActive); }
    using Fallback = std::function<void(const QString& summary, const QString& body)>;
    void SetFallback(Fallback fallback) { m_fallback = std::move(fallback); }

    // Shows a notification unless turned off or the window is active; returns whether it was
    // handed on.
    bool Notify(const QString& summary, const QString& body);

private:
    CDesktopBus* m_bus;
    bool m_bEnabled = true;
    std::function<bool()> m_isActive;
    Fallback m_fallback;
};

// Asks the system not to sleep while downloads run: logind's "sleep" inhibitor lock on Linux
// (held as long as its file descriptor is open), a power assertion on macOS.
class CSleepInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit CSleepInhibitor(CDesktopBus* bus, QObject* parent = nullptr);
    ~CSleepInhibitor() override;

    // Takes the lock when `bBusy` turns true and lets go when it turns false. Calls that do not
    // change the state do nothing.
    void SetBusy(bool bBusy);
    bool IsBusy() const { return m_bBusy; }
    // Whether the system has granted the lock and it is held now.
    bool IsHeld() const;

private:
    void Release();

    CDesktopBus* m_bus;
    bool m_bBusy = false;
    quint64 m_request = 0; // counts the requests, so a late answer to an old one is let go
    QDBusUnixFileDescriptor m_lock;
    quint32 m_assertion = 0; // macOS power assertion id
};

// Shows `path` selected in the file manager where it offers that
// (org.freedesktop.FileManager1.ShowItems); calls `fallback` where it does not.
void ShowFileInFolder(CDesktopBus* bus, const QString& path, const std::function<void()>& fallback);
