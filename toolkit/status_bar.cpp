#include "status_bar.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int kStatusBarHeight = 19;
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kStatusBarHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TStatusBar::SetPanels(const std::vector<PanelSpec>& panels) {
    specs_ = panels;
    texts_.assign(panels.size(), std::string());
    update();
}

int TStatusBar::PanelCount() const { return static_cast<int>(specs_.size()); }

void TStatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || index >= PanelCount()) return;
    if (texts_[static_cast<std::size_t>(index)] == text) return;
    texts_[static_cast<std::size_t>(index)] = text;
    update();
}

std::string TStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) return std::string();
    return texts_[static_cast<std::size_t>(index)];
}

void TStatusBar::SetSimpleText(const std::string& text) {
    if (simpleText_ == text) return;
    simpleText_ = text;
    update();
}

std::string TStatusBar::SimpleText() const { return simpleText_; }

QSize TStatusBar::sizeHint() const { return QSize(200, kStatusBarHeight); }

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The face colour of controls, whatever background the window itself has.
    const QColor face = palette().color(QPalette::Button);
    const QColor shadow(160, 160, 160);
    const QColor light(255, 255, 255);
    painter.fillRect(rect(), face);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    auto sunken = [&](const QRect& r) {
        painter.setPen(shadow);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(light);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.setPen(palette().color(QPalette::WindowText));
    };
    if (specs_.empty()) {
        const QRect r = rect().adjusted(0, 2, -1, -1);
        sunken(r);
        painter.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(simpleText_));
        return;
    }
    const QFontMetrics metrics(font());
    // The last panel reaches the right edge, as desktop status bars draw it.
    auto panelWidth = [&](std::size_t i, int x) {
        return i + 1 == specs_.size() ? std::max(specs_[i].width, width() - x) : specs_[i].width;
    };
    int x = 0;
    for (std::size_t i = 0; i < specs_.size();) {
        const QString text = QString::fromStdString(texts_[i]);
        const int needed = metrics.horizontalAdvance(text) + 6;
        int w = panelWidth(i, x);
        std::size_t next = i + 1;
        // A text wider than its panel runs on over the empty panels after it, drawn as one box
        // with them; the panels keep their places.
        while (w < needed && next < specs_.size() && texts_[next].empty()) {
            w += panelWidth(next, x + w);
            ++next;
        }
        const bool centred = specs_[i].centred && (next == i + 1 || w < needed);
        const QRect r(x, 2, w - 2, height() - 3);
        sunken(r);
        const Qt::Alignment align = (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
        painter.drawText(r.adjusted(3, 0, -3, 0), align, text);
        x += w;
        i = next;
    }
}
