#include "rowthrottle.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

namespace {

qint64 SteadyMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

} // namespace

CRowThrottle::CRowThrottle(Clock clock, qint64 intervalMs)
    : m_clock(clock ? std::move(clock) : Clock(SteadyMs)), m_intervalMs(intervalMs)
{
}

void CRowThrottle::Shown()
{
    m_bHolding = false;
    m_bShownBefore = true;
    m_lastShown = m_clock();
}

bool CRowThrottle::Offer(bool bUrgent, bool bInView)
{
    if (bUrgent || (bInView && Wait() == 0)) {
        Shown();
        return true;
    }
    m_bHolding = true;
    return false;
}

bool CRowThrottle::Release(bool bInView, bool bAtOnce)
{
    if (!m_bHolding || !bInView || (!bAtOnce && Wait() > 0))
        return false;
    Shown();
    return true;
}

qint64 CRowThrottle::DueInMs() const
{
    return m_bHolding ? Wait() : -1;
}

qint64 CRowThrottle::Wait() const
{
    return m_bShownBefore ? qMax<qint64>(0, m_lastShown + m_intervalMs - m_clock()) : 0;
}

CThrottledRow::CThrottledRow(QWidget* row, Show show, CRowThrottle::Clock clock)
    : QObject(row), m_row(row), m_show(std::move(show)), m_throttle(std::move(clock))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Release(false); });
    // Scrolling moves the row, a page shown shows it: either may bring it into view.
    row->installEventFilter(this);
}

bool CThrottledRow::InView(const QWidget* row)
{
    const QWidget* parent = row->parentWidget();
    return row->isVisible() && (!parent || row->geometry().intersects(parent->rect()));
}

void CThrottledRow::Offer(const ProgressReport& report, bool bUrgent)
{
    if (bUrgent)
        Flush();
    const bool bInView = InView(m_row);
    if (m_throttle.Offer(bUrgent, bInView)) {
        m_timer.stop();
        m_show(report);
        return;
    }
    m_held = report;
    // A row out of view waits until it comes into view.
    if (bInView && !m_timer.isActive())
        StartTimer();
}

void CThrottledRow::Flush()
{
    m_timer.stop();
    if (m_throttle.Release(true, true))
        m_show(m_held);
}

void CThrottledRow::Release(bool bAtOnce)
{
    const bool bInView = InView(m_row);
    if (m_throttle.Release(bInView, bAtOnce)) {
        m_timer.stop();
        m_show(m_held);
    } else if (bInView && m_throttle.IsHolding() && !m_timer.isActive()) {
        StartTimer();
    }
}

void CThrottledRow::StartTimer()
{
    // A report that comes once the held one is due is shown at once in its place, so a row
    // whose task keeps reporting needs no wake-up of its own; the timer lets the held report
    // go only where the reports have paused.
    m_timer.start(int(m_throttle.DueInMs() + CRowThrottle::kIntervalMs));
}

bool CThrottledRow::eventFilter(QObject*, QEvent* event)
{
    // Moved (scrolled, or rows above it gone) or shown: in view now, it shows what it holds.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Move || type == QEvent::Show) && m_throttle.IsHolding())
        Release(true);
    return false;
}
