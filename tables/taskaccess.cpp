#include "taskaccess.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTableWidget>
#include <algorithm>

namespace {

const char* const kTaskTable = "quillaneTaskTable";
const char* const kTaskRow = "quillaneTaskRow";

// The rows of a task table in view, top to bottom (rows are built when they come into view).
QList<QWidget*> RowsInView(const QTableWidget* table)
{
    QList<QWidget*> rows;
    for (QObject* child : table->viewport()->children()) {
        auto* row = qobject_cast<QWidget*>(child);
        if (row && row->property(kTaskRow).toBool() && row->isVisibleTo(table) &&
            row->geometry().intersects(table->viewport()->rect()))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    return rows;
}

class CTaskTableAccess : public QAccessibleWidget
{
public:
    explicit CTaskTableAccess(QTableWidget* table) : QAccessibleWidget(table, QAccessible::List) {}

    int childCount() const override { return int(Rows().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> rows = Rows();
        return index >= 0 && index < rows.size() ? QAccessible::queryAccessibleInterface(rows[index])
                                                 : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(Rows().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (QWidget* row : Rows()) {
            if (QRect(row->mapToGlobal(QPoint(0, 0)), row->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(row);
        }
        return nullptr;
    }

private:
    QList<QWidget*> Rows() const { return RowsInView(static_cast<QTableWidget*>(widget())); }
};

// A row: its parent is the table (not the table's viewport, which the list leaves out).
class CTaskRowAccess : public QAccessibleWidget
{
public:
    explicit CTaskRowAccess(QWidget* row) : QAccessibleWidget(row, QAccessible::ListItem) {}

    QAccessibleInterface* parent() const override
    {
        QWidget* viewport = widget()->parentWidget();
        if (QWidget* table = viewport ? viewport->parentWidget() : nullptr)
            return QAccessible::queryAccessibleInterface(table);
        return QAccessibleWidget::parent();
    }
};

QAccessibleInterface* TaskAccessFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (object->property(kTaskTable).toBool())
        return new CTaskTableAccess(static_cast<QTableWidget*>(object));
    if (object->property(kTaskRow).toBool())
        return new CTaskRowAccess(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void MarkTaskTable(QTableWidget* table)
{
    static const bool s_installed = [] {
        QAccessible::installFactory(TaskAccessFactory);
        return true;
    }();
    Q_UNUSED(s_installed);
    table->setProperty(kTaskTable, true);
}

void MarkTaskRow(QWidget* row)
{
    row->setProperty(kTaskRow, true);
}
