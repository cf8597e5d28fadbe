#include "paint_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "application.h"

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
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

bool TPaintBox::event(QEvent* event) {
    try {
        return QWidget::event(event);
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}
