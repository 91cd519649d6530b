// The lists of a start. The finished list: its files are read on a worker thread from the
// window's first frame on, and listed once they have all been read (or at once, waiting for the
// reading, when something needs the list before then). The unfinished tasks: read on a worker
// while the window is built, listed right after the first frame.

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
        if (m_unfinishedReader)
            m_unfinishedReader->wait();
    }

    bool Pending() const { return !m_bListed; }
    bool FrameShown() const { return m_bFrameShown; }
    bool UnfinishedListed() const { return m_bUnfinishedListed; }

    void ReadUnfinished()
    {
        if (m_unfinishedReader)
            return;
        m_unfinished = std::make_shared<std::vector<_VIDEO_FILE_INFO_>>();
        m_unfinishedReader = QThread::create(
            [folder = m_window.QstrDownloadingDir, loaded = m_unfinished] {
                *loaded = LoadDownloadInfos(folder);
            });
        m_unfinishedReader->setParent(this);
        m_unfinishedReader->start();
    }

    void ListUnfinished()
    {
        if (!m_unfinishedReader || m_bUnfinishedListed)
            return;
        m_bUnfinishedListed = true;
        m_unfinishedReader->wait(); // read while the window was built: ended by now, as a rule
        std::vector<_VIDEO_FILE_INFO_> list = std::move(*m_unfinished);
        m_window.ListUnfinished(list);
    }

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
        ListUnfinished(); // the tasks of the start above anything the user adds
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
        ListUnfinished();
    }

    DRUI& m_window;
    QPointer<QWindow> m_handle;
    bool m_bPainted = false;
    bool m_bFrameShown = false;
    bool m_bListed = false;
    QThread* m_reader = nullptr;                 // reads the files, then ends
    std::shared_ptr<CFinishedRecords> m_loaded; // what it read, taken once it has ended
    QThread* m_unfinishedReader = nullptr;       // reads the unfinished info files
    std::shared_ptr<std::vector<_VIDEO_FILE_INFO_>> m_unfinished;
    bool m_bUnfinishedListed = false;
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

bool DeferStartupUnfinished(DRUI& window)
{
    CStartupFinished* startup = Find(window);
    if (!DRUI::s_bUnfinishedAfterFrame || !startup || startup->FrameShown() ||
        !startup->Pending() || startup->UnfinishedListed())
        return false;
    startup->ReadUnfinished(); // once: rows rebuilt before the frame get what it reads
    return true;
}

void ListStartupUnfinished(DRUI& window)
{
    if (CStartupFinished* startup = Find(window))
        startup->ListUnfinished();
}

void ListStartupFinished(DRUI& window)
{
    if (CStartupFinished* startup = Find(window))
        startup->List();
}

#include "drui_startup.moc"
