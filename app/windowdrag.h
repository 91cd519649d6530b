#pragma once
// Moving a frameless window by dragging it with the left button.

#include <QPoint>

class QMouseEvent;
class QWidget;

// From mousePressEvent: a left-button press stores the pointer's offset from the window's
// frame in `offset` and accepts the event; other presses change nothing.
void BeginWindowDrag(const QWidget* window, QMouseEvent* event, QPoint& offset);

// From mouseMoveEvent: while exactly the left button is held, moves the window so that the
// pointer keeps its offset, and accepts the event.
void ContinueWindowDrag(QWidget* window, QMouseEvent* event, const QPoint& offset);
