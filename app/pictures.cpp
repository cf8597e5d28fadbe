#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

// Only the left 103 pixels of a tile picture are shown, so the pictogram lives there.
constexpr qreal kVisibleWidth = 103.0;

enum class Tool { Stereo, Object, Multi, Panorama, Color, Editor };

struct Palette {
    QColor ink;
    QColor accent;
    QColor soft;
};

Palette TilePalette(bool hot) {
    if (hot) return {QColor(20, 60, 140), QColor(230, 90, 20), QColor(225, 238, 255)};
    return {QColor(70, 80, 95), QColor(150, 110, 90), QColor(246, 246, 246)};
}

void DrawCard(QPainter& p, bool hot, const Palette& pal) {
    const QRectF card(3.5, 3.5, kVisibleWidth - 7, kTilePictureSize - 7);
    QLinearGradient fill(card.topLeft(), card.bottomLeft());
    fill.setColorAt(0, hot ? QColor(255, 255, 255) : QColor(252, 252, 252));
    fill.setColorAt(1, pal.soft);
    p.setBrush(fill);
    p.setPen(QPen(hot ? QColor(40, 110, 220) : QColor(200, 200, 200), hot ? 3 : 1));
    p.drawRoundedRect(card, 12, 12);
}

void DrawStereo(QPainter& p, bool hot, const Palette& pal) {
    // Red/cyan glasses.
    const QColor red = hot ? QColor(230, 30, 30) : QColor(200, 80, 80);
    const QColor cyan = hot ? QColor(0, 200, 230) : QColor(80, 170, 190);
    p.setPen(QPen(pal.ink, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(red);
    p.drawRoundedRect(QRectF(12, 58, 36, 28), 8, 8);
    p.setBrush(cyan);
    p.drawRoundedRect(QRectF(55, 58, 36, 28), 8, 8);
    p.setBrush(Qt::NoBrush);
    QPainterPath bridge;
    bridge.moveTo(48, 66);
    bridge.quadTo(51.5, 58, 55, 66);
    p.drawPath(bridge);
    p.drawLine(QPointF(12, 64), QPointF(6, 52));
    p.drawLine(QPointF(91, 64), QPointF(97, 52));
    // Two offset outlines of a cube above: the stereo pair.
    p.setPen(QPen(red, 2));
    p.drawRect(QRectF(35, 20, 24, 24));
    p.setPen(QPen(cyan, 2));
    p.drawRect(QRectF(41, 20, 24, 24));
    p.setPen(QPen(pal.ink, 2));
    p.drawLine(QPointF(20, 110), QPointF(83, 110));
}

void DrawObject(QPainter& p, bool hot, const Palette& pal) {
    // A vase on a turntable with a turning arrow.
    p.setPen(QPen(pal.ink, 3));
    p.setBrush(hot ? QColor(200, 215, 235) : QColor(225, 225, 225));
    p.drawEllipse(QRectF(12, 92, 80, 24));
    p.setBrush(hot ? QColor(240, 170, 60) : QColor(200, 170, 130));
    QPainterPath vase;
    vase.moveTo(42, 100);
    vase.cubicTo(22, 80, 36, 52, 45, 40);
    vase.lineTo(45, 30);
    vase.lineTo(59, 30);
    vase.lineTo(59, 40);
    vase.cubicTo(68, 52, 82, 80, 62, 100);
    vase.closeSubpath();
    p.drawPath(vase);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal.accent, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(8, 120, 88, 18), 200 * 16, 140 * 16);
    const QPointF tip(90, 132);
    p.drawLine(tip, tip + QPointF(-8, -5));
    p.drawLine(tip, tip + QPointF(-9, 4));
}

void DrawMulti(QPainter& p, bool hot, const Palette& pal) {
    // Stacked frames, the front one holding a small landscape.
    const QColor frames[3] = {QColor(180, 190, 205), QColor(150, 170, 200),
                              hot ? QColor(70, 130, 210) : QColor(120, 140, 170)};
    for (int i = 0; i < 3; ++i) {
        const QRectF r(14 + i * 10, 28 + i * 14, 56, 44);
        p.setPen(QPen(pal.ink, 2));
        p.setBrush(i == 2 ? QColor(255, 255, 255) : frames[i]);
        p.drawRect(r);
        if (i == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(frames[2]);
            QPolygonF hills;
            hills << QPointF(r.left() + 2, r.bottom() - 2) << QPointF(r.left() + 20, r.top() + 18)
                  << QPointF(r.left() + 32, r.top() + 30) << QPointF(r.left() + 42, r.top() + 22)
                  << QPointF(r.right() - 2, r.bottom() - 2);
            p.drawPolygon(hills);
            p.setBrush(pal.accent);
            p.drawEllipse(QPointF(r.right() - 12, r.top() + 10), 5, 5);
        }
    }
}

void DrawPanorama(QPainter& p, bool hot, const Palette& pal) {
    // A globe with its grid of meridians and parallels.
    const QPointF c(51.5, 72);
    const qreal r = 38;
    QRadialGradient sea(c - QPointF(12, 12), r * 1.4);
    sea.setColorAt(0, hot ? QColor(190, 225, 255) : QColor(230, 235, 240));
    sea.setColorAt(1, hot ? QColor(60, 130, 210) : QColor(150, 165, 185));
    p.setBrush(sea);
    p.setPen(QPen(pal.ink, 3));
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal.ink, 1.5));
    for (int k = 1; k <= 3; ++k) {
        const qreal w = r * k / 3.0;
        p.drawEllipse(c, w * 0.999, r);  // meridians
    }
    for (int k = -2; k <= 2; ++k) {  // parallels
        const qreal y = c.y() + k * r / 3.0;
        const qreal half = std::sqrt(r * r - (y - c.y()) * (y - c.y()));
        p.drawLine(QPointF(c.x() - half, y), QPointF(c.x() + half, y));
    }
    p.setPen(QPen(pal.accent, 3));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
}

void DrawColor(QPainter& p, bool hot, const Palette& pal) {
    // Three colour curves on a small chart.
    const QRectF chart(14, 30, 76, 76);
    p.setPen(QPen(QColor(200, 200, 200), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(chart);
    for (int k = 1; k < 4; ++k) {
        p.drawLine(QPointF(chart.left() + chart.width() * k / 4, chart.top()),
                   QPointF(chart.left() + chart.width() * k / 4, chart.bottom()));
        p.drawLine(QPointF(chart.left(), chart.top() + chart.height() * k / 4),
                   QPointF(chart.right(), chart.top() + chart.height() * k / 4));
    }
    const QColor colors[3] = {hot ? QColor(230, 30, 30) : QColor(190, 90, 90),
                              hot ? QColor(20, 170, 40) : QColor(90, 160, 100),
                              hot ? QColor(30, 80, 230) : QColor(90, 110, 190)};
    const qreal bends[3] = {0.55, 1.0, 1.6};
    for (int i = 0; i < 3; ++i) {
        QPainterPath curve;
        for (int s = 0; s <= 20; ++s) {
            const qreal t = s / 20.0;
            const QPointF pt(chart.left() + t * chart.width(),
                             chart.bottom() - std::pow(t, bends[i]) * chart.height());
            if (s == 0) curve.moveTo(pt);
            else curve.lineTo(pt);
        }
        p.setPen(QPen(colors[i], 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
    }
    p.setPen(QPen(pal.ink, 2));
    p.drawRect(chart);
}

void DrawEditor(QPainter& p, bool hot, const Palette& pal) {
    // A tilted photograph being aligned on a guide grid.
    const QRectF frame(12, 30, 80, 80);
    p.setPen(QPen(pal.ink, 2));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(frame);
    p.save();
    p.translate(frame.center());
    p.rotate(hot ? -12 : -8);
    p.setPen(QPen(pal.accent, 2));
    p.setBrush(hot ? QColor(250, 215, 170) : QColor(235, 225, 210));
    p.drawRect(QRectF(-28, -22, 56, 44));
    p.restore();
    p.setPen(QPen(hot ? QColor(20, 60, 140) : QColor(60, 60, 60), 1, Qt::DashLine));
    for (int k = 1; k < 4; ++k) {
        const qreal x = frame.left() + frame.width() * k / 4;
        const qreal y = frame.top() + frame.height() * k / 4;
        p.drawLine(QPointF(x, frame.top()), QPointF(x, frame.bottom()));
        p.drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
    }
}

QImage DrawTile(Tool tool, bool hot) {
    QImage image(kTilePictureSize, kTilePictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette pal = TilePalette(hot);
    DrawCard(p, hot, pal);
    switch (tool) {
        case Tool::Stereo: DrawStereo(p, hot, pal); break;
        case Tool::Object: DrawObject(p, hot, pal); break;
        case Tool::Multi: DrawMulti(p, hot, pal); break;
        case Tool::Panorama: DrawPanorama(p, hot, pal); break;
        case Tool::Color: DrawColor(p, hot, pal); break;
        case Tool::Editor: DrawEditor(p, hot, pal); break;
    }
    return image;
}

}  // namespace

std::vector<QImage> DrawTilePictures() {
    std::vector<QImage> list;
    list.reserve(kTilePictureCount);
    for (int slot = 0; slot < kTilePictureCount; ++slot) {
        QImage blank(kTilePictureSize, kTilePictureSize, QImage::Format_RGB32);
        blank.fill(Qt::white);
        list.push_back(blank);
    }
    // Tiles 1, 2, 4, 5, 6, 7 are the ones on screen; 3, 8, 9, 10 lie outside the window.
    const struct {
        int tile;
        Tool tool;
    } shown[] = {{1, Tool::Stereo},   {2, Tool::Object}, {4, Tool::Multi},
                 {5, Tool::Panorama}, {6, Tool::Color},  {7, Tool::Editor}};
    for (const auto& t : shown) {
        list[static_cast<std::size_t>(3 * (t.tile - 1))] = DrawTile(t.tool, false);
        list[static_cast<std::size_t>(3 * (t.tile - 1) + 1)] = DrawTile(t.tool, true);
    }
    return list;
}

QImage DrawAppIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    QLinearGradient body(0, 0, 0, 64);
    body.setColorAt(0, QColor(60, 120, 220));
    body.setColorAt(1, QColor(20, 50, 130));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setBrush(QColor(235, 60, 50));
    p.drawEllipse(QPointF(22, 34), 13, 13);
    p.setBrush(QColor(40, 210, 230));
    p.drawEllipse(QPointF(42, 34), 13, 13);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(32, 34), 6, 6);
    p.end();
    return image;
}

QIcon DrawAppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(DrawAppIconImage(size)));
    return icon;
}

QImage DrawAboutPicture(int number) {
    if (number < 1) number = 1;
    if (number > 9) number = 9;
    const int column = (number - 1) % 3;
    const int row = (number - 1) / 3;
    QImage image(kAboutPictureSize, kAboutPictureSize, QImage::Format_RGB32);
    image.fill(QColor(240, 240, 240));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(50, 50);
    // The white of the eye.
    QPainterPath eye;
    eye.moveTo(6, 50);
    eye.quadTo(50, 4, 94, 50);
    eye.quadTo(50, 96, 6, 50);
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(eye);
    p.setClipPath(eye);
    // Iris and pupil moved towards the zone; straight ahead the pupil opens wide.
    const QPointF look((column - 1) * 22.0, (row - 1) * 14.0);
    const bool ahead = column == 1 && row == 1;
    QRadialGradient iris(c + look, 19);
    iris.setColorAt(0, QColor(120, 190, 120));
    iris.setColorAt(1, QColor(30, 100, 60));
    p.setPen(QPen(QColor(20, 50, 30), 1.5));
    p.setBrush(iris);
    p.drawEllipse(c + look, 19, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 10, 10));
    p.drawEllipse(c + look, ahead ? 11 : 8, ahead ? 11 : 8);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(c + look + QPointF(-5, -5), 3, 3);
    return image;
}
