#pragma once
// Moving a frameless window by dragging it with the left button. Where the window system
// moves windows itself (a Wayland compositor places every top-level window; a client cannot)
// the drag is handed to it; elsewhere the window follows the pointer.

#include <QPoint>
#include <functional>

class QMouseEvent;
class QWidget;
class QWindow;

// The drag of one window, kept by the window between its mouse events.
struct CWindowDrag
{
    enum class Mode { Idle, Pressed, BySystem, ByProgram };
    QPoint ptOffset; // pointer position relative to the frame at the last left press
    Mode mode = Mode::Idle;
};

// From mousePressEvent: a left-button press stores the pointer's offset from the window's
// frame and accepts the event; other presses change nothing.
void BeginWindowDrag(const QWidget* window, QMouseEvent* event, CWindowDrag& drag);

// From mouseMoveEvent: while exactly the left button is held after a press, the first move asks the
// window system to move the window; where it cannot, this and every later move of the drag moves
// the window so that the pointer keeps its offset. Accepts the event.
void ContinueWindowDrag(QWidget* window, QMouseEvent* event, CWindowDrag& drag);

// Asks the window system to move `window` with the pointer; false where it does not offer
// that. Tests put their own in place; null restores QWindow::startSystemMove.
using SystemMoveStarter = std::function<bool(QWindow* window)>;
void SetSystemMoveStarter(SystemMoveStarter starter);
