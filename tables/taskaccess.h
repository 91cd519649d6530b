#pragma once
// The accessibility tree of the task tables. A table's own interface knows its cells, which
// hold no text here, and not the widgets in them; a task table instead shows its rows in view
// as a list, top to bottom, each row named by its task's title and holding its controls (the
// bar, the texts, the buttons), so that a screen reader, or a script, finds a row's buttons by
// role and name.

class QTableWidget;
class QWidget;

// Marks `table` as a task table (before it is first asked for its accessible interface).
void MarkTaskTable(QTableWidget* table);
// Marks `row`, a row widget of a task table, as one of its rows.
void MarkTaskRow(QWidget* row);
