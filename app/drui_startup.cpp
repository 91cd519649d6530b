// The finished list of a start, filled right after the window's first frame.

#include "druistartup.h"

#include "drui.h"
#include "infofiles.h"
#include "lazyrows.h"

#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <vector>

namespace {

class CStartupFinished : public QObject
{
    Q_OBJECT
public:
    explicit CStartupFinished(DRUI& window) : QObject(&window), m_window(window)
    {
        window.installEventFilter(this);
    }

    bool Pending() const { return !m_bListed; }
    bool FrameShown() const { return m_bFrameShown; }

    void List()
    {
        // Not before the window has its table and folders.
        if (m_bListed || !m_window.pFinishedTable || m_window.QstrFinishedDir.isEmpty())
            return;
        m_bListed = true;
        m_window.removeEventFilter(this);
        if (m_handle)
            m_handle->removeEventFilter(this);
        std::vector<_VIDEO_FILE_INFO_> records = LoadFinishedInfos(m_window.QstrFinishedDir);
        {
            const CLazyRows::Loading loading(m_window.pFinishedTable);
            m_window.RefreshFinishedTable(records, false);
        }
        deleteLater();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_bListed)
            return false;
        if (watched == &m_window && event->type() == QEvent::Show && !m_handle) {
            // The native window exists now; its first expose brings the first frame.
            m_handle = m_window.windowHandle();
            if (m_handle)
                m_handle->installEventFilter(this);
        } else if (watched == &m_window && event->type() == QEvent::Paint) {
            m_bPainted = true;
        } else if (watched == m_handle && event->type() == QEvent::Expose &&
                   m_handle->isExposed()) {
            m_handle->removeEventFilter(this);
            // Let the window draw and show its first frame, then fill the list.
            static_cast<QObject*>(m_handle)->event(event);
            if (m_bPainted) {
                FirstFrameShown();
            } else {
                // This platform paints later: list once that has happened.
                QTimer::singleShot(0, this, [this] { FirstFrameShown(); });
            }
            return true;
        }
        return false;
    }

private:
    void FirstFrameShown()
    {
        m_bFrameShown = true;
        const QString mark = qEnvironmentVariable("QUILLANE_BENCH_READY_FILE");
        if (!mark.isEmpty()) {
            QFile file(mark);
            file.open(QIODevice::WriteOnly);
        }
        List();
    }

    DRUI& m_window;
    QPointer<QWindow> m_handle;
    bool m_bPainted = false;
    bool m_bFrameShown = false;
    bool m_bListed = false;
};

CStartupFinished* Find(DRUI& window)
{
    return window.findChild<CStartupFinished*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

void BeginStartupFinished(DRUI& window)
{
    if (!Find(window))
        new CStartupFinished(window);
}

bool DeferStartupFinished(DRUI& window)
{
    CStartupFinished* startup = Find(window);
    if (!startup || !startup->Pending())
        return false;
    if (startup->FrameShown())
        startup->List();
    return true;
}

void ListStartupFinished(DRUI& window)
{
    if (CStartupFinished* startup = Find(window))
        startup->List();
}

#include "drui_startup.moc"
