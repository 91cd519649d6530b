#include "windowdrag.h"

#include <QMouseEvent>
#include <QWidget>

void BeginWindowDrag(const QWidget* window, QMouseEvent* event, QPoint& offset)
{
    if (event->button() != Qt::LeftButton)
        return;
    offset = event->globalPosition().toPoint() - window->frameGeometry().topLeft();
    event->accept();
}

void ContinueWindowDrag(QWidget* window, QMouseEvent* event, const QPoint& offset)
{
    if (event->buttons() != Qt::LeftButton)
        return;
    window->move(event->globalPosition().toPoint() - offset);
    event->accept();
}
