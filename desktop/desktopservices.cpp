#include "desktopservices.h"

#include <QPointer>
#include <QUrl>
#include <QVariantMap>

#ifdef Q_OS_MACOS
#include <IOKit/pwr_mgt/IOPMLib.h>
#endif

namespace {

const QString kNotifyService = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifyPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kLoginService = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kFileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kAppName = QStringLiteral("Quillane");
constexpr int kNotificationTimeoutMs = -1; // the server's own default

} // namespace

CDownloadNotifier::CDownloadNotifier(CDesktopBus* bus, QObject* parent)
    : QObject(parent), m_bus(bus)
{
}

bool CDownloadNotifier::Notify(const QString& summary, const QString& body)
{
    if (!m_bEnabled || (m_isActive && m_isActive()))
        return false;
#ifdef Q_OS_MACOS
    if (m_fallback)
        m_fallback(summary, body);
    return bool(m_fallback);
#else
    if (!m_bus) {
        if (m_fallback)
            m_fallback(summary, body);
        return bool(m_fallback);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kNotifyService, kNotifyPath, kNotifyService, "Notify");
    call << kAppName << quint32(0) << QStringLiteral("folder-download") << summary << body
         << QStringList() << QVariantMap() << qint32(kNotificationTimeoutMs);
    // A desktop without a notification service: the fallback shows it instead.
    m_bus->Call(BusKind::Session, call, [fallback = m_fallback, summary, body](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage && fallback)
            fallback(summary, body);
    });
    return true;
#endif
}

CSleepInhibitor::CSleepInhibitor(CDesktopBus* bus, QObject* parent) : QObject(parent), m_bus(bus)
{
}

CSleepInhibitor::~CSleepInhibitor()
{
    Release();
}

bool CSleepInhibitor::IsHeld() const
{
    return m_lock.isValid() || m_assertion != 0;
}

void CSleepInhibitor::SetBusy(bool bBusy)
{
    if (bBusy == m_bBusy)
        return;
    m_bBusy = bBusy;
    const quint64 request = ++m_request;
    if (!bBusy) {
        Release();
        return;
    }
#ifdef Q_OS_MACOS
    Q_UNUSED(request);
    IOPMAssertionID id = 0;
    const CFStringRef reason = CFSTR("Downloads are running");
    if (IOPMAssertionCreateWithName(kIOPMAssertionTypePreventUserIdleSystemSleep,
                                    kIOPMAssertionLevelOn, reason, &id) == kIOReturnSuccess)
        m_assertion = id;
#else
    if (!m_bus)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kLoginService, kLoginPath, QStringLiteral("org.freedesktop.login1.Manager"), "Inhibit");
    call << QStringLiteral("sleep") << kAppName << QStringLiteral("Downloads are running")
         << QStringLiteral("block");
    QPointer<CSleepInhibitor> self(this);
    m_bus->Call(BusKind::System, call, [self, request](const QDBusMessage& reply) {
        // An answer to a request that has been taken back is dropped, which closes its lock.
        if (!self || request != self->m_request || reply.type() != QDBusMessage::ReplyMessage ||
            reply.arguments().isEmpty())
            return;
        self->m_lock = reply.arguments().first().value<QDBusUnixFileDescriptor>();
    });
#endif
}

void CSleepInhibitor::Release()
{
    m_lock = QDBusUnixFileDescriptor();
#ifdef Q_OS_MACOS
    if (m_assertion != 0)
        IOPMAssertionRelease(m_assertion);
#endif
    m_assertion = 0;
}

void ShowFileInFolder(CDesktopBus* bus, const QString& path, const std::function<void()>& fallback)
{
#ifdef Q_OS_MACOS
    Q_UNUSED(bus);
    Q_UNUSED(path);
    if (fallback)
        fallback();
#else
    if (!bus) {
        if (fallback)
            fallback();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManagerService, kFileManagerPath,
                                                       kFileManagerService, "ShowItems");
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    bus->Call(BusKind::Session, call, [fallback](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage && fallback)
            fallback();
    });
#endif
}
