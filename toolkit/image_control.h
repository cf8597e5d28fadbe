#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>

#include "bitmap.h"
#include "guarded.h"

class QMouseEvent;
class QPainter;

// Image control holding a TBitmap. Painting wraps the bitmap's own bytes in a QImage
// (Format_BGR888), so nothing is copied per paint. After changing Picture() call Changed().
//
//   Image1->Stretch = Image1->Proportional = Image1->Center = true;  // fit, keep the aspect
//   Image1->OnPaintOverlay = [this](QPainter& p, const QRect& shown) { /* crosses, grids */ };
//   Image1->OnMouseDown = [this](QMouseEvent* e) {
//       const QPoint pixel = Image1->ControlToPicture(e->position().toPoint());
//       if (Image1->PictureContains(pixel)) ...  // a pixel of the picture, at any zoom
//   };
class TImage : public TGuardedEvents<QWidget> {
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

    // Where the picture is shown in the control under the current flags.
    QRect PictureRect() const;
    // The picture pixel under a point of the control (its inverse, at any zoom). Points
    // outside the shown picture give pixels outside the picture; check PictureContains.
    QPoint ControlToPicture(const QPoint& at) const;
    // The control point where the top-left corner of a picture pixel is shown.
    QPoint PictureToControl(const QPoint& pixel) const;
    bool PictureContains(const QPoint& pixel) const;

    // A QImage over the bitmap's bytes (valid until the bitmap is resized).
    QImage WrappedImage() const;

    // A short text shown in the middle of the control while the picture is empty, so an empty
    // window says how to fill it. "" shows nothing.
    void SetEmptyHint(const std::string& hint);
    const std::string& EmptyHint() const { return emptyHint_; }

    std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp, OnDoubleClick;
    std::function<void()> OnClick, OnMouseEnter, OnMouseLeave;
    // Drawn over the picture after every paint, in control coordinates; shown is
    // PictureRect(). Called only while the picture is not empty.
    std::function<void(QPainter&, const QRect& shown)> OnPaintOverlay;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::string emptyHint_;
    TBitmap picture_;
    bool pressedInside_ = false;
};
