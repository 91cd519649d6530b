#include "lazyrows.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

CLazyRows::CLazyRows(QTableWidget* table, Builder builder, bool bRowsHaveItems)
    : QObject(table), m_table(table), m_builder(std::move(builder)),
      m_bRowsHaveItems(bRowsHaveItems)
{
    table->viewport()->installEventFilter(this);
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, &CLazyRows::ScheduleBuild);
    QAbstractItemModel* model = table->model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, &CLazyRows::ScheduleBuild);
    connect(model, &QAbstractItemModel::rowsInserted, this, &CLazyRows::ScheduleBuild);
    connect(model, &QAbstractItemModel::modelReset, this, &CLazyRows::ScheduleBuild);
}

CLazyRows* CLazyRows::Of(const QTableWidget* table)
{
    return table ? table->findChild<CLazyRows*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

std::pair<int, int> CLazyRows::VisibleRows(const QTableWidget* table)
{
    const int rows = table->rowCount();
    if (rows == 0)
        return {-1, -1};
    const int height = std::max(table->viewport()->height(), table->height());
    int first = table->rowAt(0);
    int last = table->rowAt(height - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = rows - 1;
    return {first, last};
}

void CLazyRows::BuildVisible()
{
    Build(m_bLoading ? Thumbnail::Later : Thumbnail::Now);
}

void CLazyRows::Build(Thumbnail thumbnail)
{
    const auto [first, last] = VisibleRows(m_table);
    for (int row = first; row >= 0 && row <= last && row < m_table->rowCount(); ++row) {
        if ((m_bRowsHaveItems && !m_table->item(row, 0)) || m_table->cellWidget(row, 0))
            continue;
        QWidget* widget = m_builder(row, thumbnail);
        if (widget && thumbnail == Thumbnail::Later) {
            m_pendingThumbnails.emplace_back(widget);
            // A row covers the table beneath it: its own first paint is the frame that shows it.
            widget->installEventFilter(this);
        }
    }
}

bool CLazyRows::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_table->viewport() && event->type() != QEvent::Paint)
        return false; // a row waiting for its picture: only its paint counts
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
        ScheduleBuild();
        break;
    case QEvent::Paint:
        // The frame that shows the rows is being drawn: their pictures follow it.
        if (!m_pendingThumbnails.empty() && !m_bFillScheduled) {
            m_bFillScheduled = true;
            QTimer::singleShot(0, this, &CLazyRows::FillPendingThumbnails);
        }
        break;
    default:
        break;
    }
    return false;
}

void CLazyRows::ScheduleBuild()
{
    if (m_bScheduled)
        return;
    m_bScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bScheduled = false;
        // A hidden table waits for its Show event.
        if (!m_bLoading && m_table->isVisible())
            Build(Thumbnail::Later);
    });
}

void CLazyRows::FillPendingThumbnails()
{
    m_bFillScheduled = false;
    std::vector<QPointer<QWidget>> rows;
    rows.swap(m_pendingThumbnails);
    for (const QPointer<QWidget>& row : rows) {
        if (row)
            row->removeEventFilter(this);
        FillThumbnail(row);
    }
}

CLazyRows::Loading::Loading(const QTableWidget* table) : m_rows(Of(table))
{
    if (m_rows)
        m_rows->m_bLoading = true;
}

CLazyRows::Loading::~Loading()
{
    if (m_rows)
        m_rows->m_bLoading = false;
}
