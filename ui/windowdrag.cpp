#include "windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

SystemMoveStarter& Starter()
{
    static SystemMoveStarter starter;
    return starter;
}

bool StartSystemMove(QWidget* window)
{
    QWindow* handle = window->windowHandle();
    if (!handle)
        return false;
    if (Starter())
        return Starter()(handle);
    return handle->startSystemMove();
}

} // namespace

void SetSystemMoveStarter(SystemMoveStarter starter)
{
    Starter() = std::move(starter);
}

void BeginWindowDrag(const QWidget* window, QMouseEvent* event, CWindowDrag& drag)
{
    if (event->button() != Qt::LeftButton)
        return;
    drag.ptOffset = event->globalPosition().toPoint() - window->frameGeometry().topLeft();
    drag.mode = CWindowDrag::Mode::Pressed;
    event->accept();
}

void ContinueWindowDrag(QWidget* window, QMouseEvent* event, CWindowDrag& drag)
{
    if (event->buttons() != Qt::LeftButton || drag.mode == CWindowDrag::Mode::Idle)
        return;
    event->accept();
    if (drag.mode == CWindowDrag::Mode::Pressed)
        drag.mode =
            StartSystemMove(window) ? CWindowDrag::Mode::BySystem : CWindowDrag::Mode::ByProgram;
    // The window system moves the window until the button goes up.
    if (drag.mode == CWindowDrag::Mode::BySystem)
        return;
    window->move(event->globalPosition().toPoint() - drag.ptOffset);
}
