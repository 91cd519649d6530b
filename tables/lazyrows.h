#pragma once
// Row widgets on demand: a task table may hold thousands of rows, but only the few in view
// need their composed row widget (thumbnail, labels, buttons). CLazyRows asks its builder for
// the widget of each row that is in view, has its item, and has no widget yet; rows that
// were never in view cost only their table item.
//
// Rows are looked at again when the table scrolls, is resized or shown, and when rows come
// or go. Those checks run from the event loop, never inside the change that caused them, so
// a builder may take the locks its table's owner holds while it changes the table. Rows
// built that way show their thumbnails once the frame that first shows them has been drawn.

#include "tasktables.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <utility>
#include <vector>

class QTableWidget;

class CLazyRows : public QObject
{
    Q_OBJECT
public:
    // Builds the row widget of `row` and returns it (nullptr if it built none).
    using Builder = std::function<QWidget*(int row, Thumbnail thumbnail)>;

    // Lives as long as `table` (its parent). Rows are built once they have their item, or
    // at once where `bRowsHaveItems` is false (a table whose rows hold no items at all).
    CLazyRows(QTableWidget* table, Builder builder, bool bRowsHaveItems = true);

    // The helper of `table`, if it has one.
    static CLazyRows* Of(const QTableWidget* table);

    // Builds, now, the widget of every row in view that has an item and no widget yet, with
    // its thumbnail (while loading: see Loading).
    void BuildVisible();

    // The rows in view: first and last (-1, -1 for an empty table). A table that has not been
    // laid out yet counts with its own height.
    static std::pair<int, int> VisibleRows(const QTableWidget* table);

    // While a Loading lives (the task lists being read at start), the rows in view are built
    // without their thumbnails, which come once the table's first frame has been drawn.
    class Loading
    {
    public:
        explicit Loading(const QTableWidget* table);
        ~Loading();
        Loading(const Loading&) = delete;
        Loading& operator=(const Loading&) = delete;

    private:
        QPointer<CLazyRows> m_rows;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build(Thumbnail thumbnail);
    void ScheduleBuild();
    void FillPendingThumbnails();

    QTableWidget* m_table;
    Builder m_builder;
    bool m_bRowsHaveItems = true;
    bool m_bScheduled = false;
    bool m_bLoading = false;
    bool m_bFillScheduled = false;
    std::vector<QPointer<QWidget>> m_pendingThumbnails;
};
