#pragma once
// How often a downloading row shows its task's reports. A run prints many progress lines a
// second; the row shows at most one every interval while it is in view and none while it is
// out of view (scrolled away, or its page not shown). What must not wait is shown at once: a
// final report, a report of a task that is not running, the first report of a row in view. What is
// held back gives way to the first report after it has fallen due, which is shown at once; if
// none comes, it is shown an interval later, or at once when the row comes into view.
//
// CRowThrottle is the decision alone, on a clock of the caller's choice; CThrottledRow applies
// it to a row widget: it keeps the newest report held back and shows it through its caller.

#include "outputparser.h"

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

class CRowThrottle
{
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kIntervalMs = 333;

    explicit CRowThrottle(Clock clock = {}, qint64 intervalMs = kIntervalMs);

    // A report has come: true if it is to be shown now (it supersedes what was held), false
    // if it is held back.
    bool Offer(bool bUrgent, bool bInView);
    // Whether the held report is to be shown now: the row is in view and the report has
    // fallen due, or `bAtOnce` (the row has come into view). It is no longer held once this
    // says true.
    bool Release(bool bInView, bool bAtOnce);
    bool IsHolding() const { return m_bHolding; }
    // Milliseconds until the held report falls due (0: now); -1 while nothing is held.
    qint64 DueInMs() const;

private:
    void Shown();
    // Milliseconds until a report would fall due now (0: the row may show one).
    qint64 Wait() const;

    Clock m_clock;
    qint64 m_intervalMs;
    qint64 m_lastShown = 0;
    bool m_bShownBefore = false;
    bool m_bHolding = false;
};

class CThrottledRow : public QObject
{
    Q_OBJECT
public:
    using Show = std::function<void(const ProgressReport&)>;

    // Lives as long as `row` (its parent) and shows reports on it through `show`.
    CThrottledRow(QWidget* row, Show show, CRowThrottle::Clock clock = {});

    // A report for the row; `bUrgent`: it is shown now, after what was held.
    void Offer(const ProgressReport& report, bool bUrgent);
    // Shows the held report now, in view or not (the task's state changes).
    void Flush();

    // Whether a row is in view: shown, and inside its parent (the table's viewport).
    static bool InView(const QWidget* row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Release(bool bAtOnce);
    void StartTimer();

    QWidget* m_row;
    Show m_show;
    CRowThrottle m_throttle;
    ProgressReport m_held;
    QTimer m_timer; // a held report of a row in view falls due
};
