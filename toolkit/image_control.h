#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

#include "bitmap.h"

class QMouseEvent;
class QWheelEvent;

// Image control holding a TBitmap. Painting wraps the bitmap's own bytes in a QImage
// (Format_BGR888), so nothing is copied per paint. After changing Picture() call Changed().
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    TBitmap& Picture() { return picture_; }
    const TBitmap& Picture() const { return picture_; }
    void Changed();  // schedules a repaint

    bool Stretch = false;       // scale the picture to the control
    bool Proportional = false;  // with Stretch: keep the aspect ratio
    bool Center = false;        // centre the picture in the control
    bool AutoSize = false;      // Changed() resizes the control to the picture

    // Where the picture lands in the control under the current flags.
    QRect PictureRect() const;

    // A QImage over the bitmap's bytes (valid until the bitmap is resized).
    QImage WrappedImage() const;

    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp, OnDoubleClick;
    std::function<void()> OnClick, OnMouseEnter, OnMouseLeave;

protected:
    bool event(QEvent* event) override;  // callbacks run guarded (guarded.h)
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TBitmap picture_;
    bool pressedInside_ = false;
};
