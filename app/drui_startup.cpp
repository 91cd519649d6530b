// The finished list of a start: its files are read on a worker thread from the window's first
// frame on, and listed once they have all been read (or at once, waiting for the reading, when
// something needs the list before then).

#include "druistartup.h"

#include "drui.h"
#include "infofiles.h"
#include "lazyrows.h"

#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <memory>

QString FinishedCacheFile(const DRUI& window)
{
    return window.QstrDataDir.isEmpty() ? QString()
                                        : window.QstrDataDir + QStringLiteral("finished.cache");
}

namespace {

class CStartupFinished : public QObject
{
    Q_OBJECT
public:
    explicit CStartupFinished(DRUI& window) : QObject(&window), m_window(window)
    {
        window.installEventFilter(this);
    }

    ~CStartupFinished() override
    {
        if (m_reader)
            m_reader->wait(); // a window closed while its history is read
    }

    bool Pending() const { return !m_bListed; }
    bool FrameShown() const { return m_bFrameShown; }

    // Starts reading the files on a worker thread (once the window has its folders).
    void Read()
    {
        if (m_reader || m_bListed || m_window.QstrFinishedDir.isEmpty())
            return;
        m_loaded = std::make_shared<CFinishedRecords>();
        m_reader = QThread::create([folder = m_window.QstrFinishedDir,
                                    cache = FinishedCacheFile(m_window), loaded = m_loaded] {
            *loaded = CFinishedRecords::Load(folder, cache);
        });
        m_reader->setParent(this);
        // QThread::finished comes from the worker: queued, List runs on this object's thread.
        connect(m_reader, &QThread::finished, this, &CStartupFinished::List,
                Qt::QueuedConnection);
        m_reader->start(QThread::LowPriority);
    }

    void List()
    {
        // Not before the window has its table and folders.
        if (m_bListed || !m_window.pFinishedTable || m_window.QstrFinishedDir.isEmpty())
            return;
        m_bListed = true;
        m_window.removeEventFilter(this);
        if (m_handle)
            m_handle->removeEventFilter(this);
        CFinishedRecords records;
        if (m_reader) {
            m_reader->wait(); // at once if it has ended
            records = std::move(*m_loaded);
        } else {
            records = CFinishedRecords::Load(m_window.QstrFinishedDir, FinishedCacheFile(m_window));
        }
        {
            const CLazyRows::Loading loading(m_window.pFinishedTable);
            m_window.ListFinished(std::move(records));
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
        Read();
    }

    DRUI& m_window;
    QPointer<QWindow> m_handle;
    bool m_bPainted = false;
    bool m_bFrameShown = false;
    bool m_bListed = false;
    QThread* m_reader = nullptr;                 // reads the files, then ends
    std::shared_ptr<CFinishedRecords> m_loaded; // what it read, taken once it has ended
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
