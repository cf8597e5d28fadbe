#pragma once
#include <QWidget>
#include <functional>

#include "guarded.h"

class QPainter;
class QMouseEvent;

// A surface that its owner draws on through a paint callback.
//
//   PaintBox3->OnPaint = [this](QPainter& p) { DrawCurves(p); };
//   PaintBox3->OnMouseDown = [this](QMouseEvent* e) { AddPoint(e->position().toPoint()); };
//   PaintBox3->OnMouseWheel = [this](int delta) { Zoom(delta); };  // delta: 120 per notch
//   PaintBox3->update();  // redraw after the data changed
class TPaintBox : public TGuardedEvents<QWidget> {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);
    std::function<void(QPainter&)> OnPaint;
    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp, OnDoubleClick;
    // The vertical wheel turn (positive away from the user); touchpad phases without a turn
    // are not reported. Without a handler the wheel goes on to the parent.
    std::function<void(int delta)> OnMouseWheel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
