#include "paint_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

TPaintBox::TPaintBox(QWidget* parent) : TGuardedEvents<QWidget>(parent) {
    setMouseTracking(true);  // moves are reported with and without a pressed button
}

void TPaintBox::paintEvent(QPaintEvent*) {
    if (!OnPaint) return;
    QPainter painter(this);
    OnPaint(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) OnMouseUp(event);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDoubleClick) OnDoubleClick(event);
}

void TPaintBox::wheelEvent(QWheelEvent* event) {
    if (!OnMouseWheel) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0) OnMouseWheel(delta);
    event->accept();
}
