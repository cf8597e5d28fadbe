#include "image_control.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "application.h"

#include "bitmap_image.h"
#include "image_layout.h"

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);  // moves are reported with and without a pressed button
}

void TImage::Changed() {
    if (AutoSize && !picture_.Empty()) resize(picture_.Width(), picture_.Height());
    update();
}

QImage TImage::WrappedImage() const { return WrapBitmap(picture_); }

QRect TImage::PictureRect() const {
    const PictureRectangle r = PlacePicture(picture_.Width(), picture_.Height(), width(),
                                            height(), Stretch, Proportional, Center);
    return QRect(r.left, r.top, r.width, r.height);
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.Empty()) return;
    const QImage image = WrappedImage();  // the bitmap's own bytes, no copy
    const QRect target = PictureRect();
    if (target.isEmpty()) return;
    QPainter painter(this);
    if (target.size() == image.size()) {
        painter.drawImage(target.topLeft(), image);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image);
    }
}

void TImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressedInside_ = true;
    if (OnMouseDown) OnMouseDown(event);
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = event->button() == Qt::LeftButton && pressedInside_ &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) pressedInside_ = false;
    if (OnMouseUp) OnMouseUp(event);
    if (click && OnClick) OnClick();
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDoubleClick) OnDoubleClick(event);
}

void TImage::enterEvent(QEnterEvent*) {
    if (OnMouseEnter) OnMouseEnter();
}

void TImage::leaveEvent(QEvent*) {
    if (OnMouseLeave) OnMouseLeave();
}

bool TImage::event(QEvent* event) {
    try {
        return QWidget::event(event);
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}
