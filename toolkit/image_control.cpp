#include "image_control.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "bitmap_image.h"
#include "image_layout.h"

TImage::TImage(QWidget* parent) : TGuardedEvents<QWidget>(parent) {
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

namespace {
// Division rounding toward minus infinity, so points left of or above the picture map to
// negative pixels rather than to pixel 0.
int FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return static_cast<int>(q);
}
}  // namespace

// A control pixel shows the picture pixel under its centre, as nearest-neighbour drawing
// picks it: floor((c + 1/2) * size / shownSize).
QPoint TImage::ControlToPicture(const QPoint& at) const {
    const QRect shown = PictureRect();
    if (shown.width() <= 0 || shown.height() <= 0) return QPoint(-1, -1);
    auto pixel = [](int c, int size, int shownSize) {
        return FloorDiv((2LL * c + 1) * size, 2LL * shownSize);
    };
    return QPoint(pixel(at.x() - shown.left(), picture_.Width(), shown.width()),
                  pixel(at.y() - shown.top(), picture_.Height(), shown.height()));
}

QPoint TImage::PictureToControl(const QPoint& pixel) const {
    const QRect shown = PictureRect();
    if (picture_.Empty()) return shown.topLeft();
    // The first control column showing this pixel or a later one:
    // ceil((2 p shownSize - size) / (2 size)).
    auto start = [](int p, int size, int shownSize) {
        return FloorDiv(2LL * p * shownSize - size + 2LL * size - 1, 2LL * size);
    };
    return QPoint(shown.left() + start(pixel.x(), picture_.Width(), shown.width()),
                  shown.top() + start(pixel.y(), picture_.Height(), shown.height()));
}

bool TImage::PictureContains(const QPoint& pixel) const {
    return pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < picture_.Width() &&
           pixel.y() < picture_.Height();
}

void TImage::SetEmptyHint(const std::string& hint) {
    if (hint == emptyHint_) return;
    emptyHint_ = hint;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.Empty()) {
        if (emptyHint_.empty()) return;
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         QString::fromStdString(emptyHint_));
        return;
    }
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
    if (OnPaintOverlay) OnPaintOverlay(painter, target);
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
