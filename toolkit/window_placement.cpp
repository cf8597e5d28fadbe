#include "window_placement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

QRect FitFrameInto(const QRect& frame, const QRect& area) {
    // One axis at a time: past the far edge moves back, then the near edge wins, so a frame
    // larger than the area keeps its title bar and left border reachable.
    auto fit = [](int start, int length, int areaStart, int areaLength) {
        if (start + length > areaStart + areaLength) start = areaStart + areaLength - length;
        return start < areaStart ? areaStart : start;
    };
    return QRect(QPoint(fit(frame.left(), frame.width(), area.left(), area.width()),
                        fit(frame.top(), frame.height(), area.top(), area.height())),
                 frame.size());
}

void FramePlacement::Showing() {
    wanted_ = !shownBefore_ ? design_ : std::nullopt;
    shownBefore_ = true;
    settling_ = true;
}

std::optional<QPoint> FramePlacement::Look(const QRect& client, const QMargins& margins,
                                           const QRect& area, bool timeUp) {
    if (!settling_) return std::nullopt;
    if (margins.isNull() && !timeUp) return std::nullopt;  // not framed yet
    const QRect frame = client.marginsAdded(margins);
    const QPoint want = wanted_ ? *wanted_ : frame.topLeft();
    const QPoint target = FitFrameInto(QRect(want, frame.size()), area).topLeft();
    wanted_ = target;
    const bool there = frame.topLeft() == target;
    if (there || timeUp) settling_ = false;
    if (there) return std::nullopt;
    return target + QPoint(margins.left(), margins.top());
}

namespace {

const char kPlacerName[] = "lumivex_window_placement";

// Watches one window's show events and corrects its place while the window manager frames it.
class WindowPlacer : public QObject {
public:
    explicit WindowPlacer(QWidget* window) : QObject(window), window_(window) {
        setObjectName(QLatin1String(kPlacerName));
        window->installEventFilter(this);
        ticks_.setInterval(20);
        connect(&ticks_, &QTimer::timeout, this, [this]() { LookNow(); });
    }

    FramePlacement placement;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            placement.Showing();
            since_.start();
            ticks_.start();
        }
        return false;
    }

private:
    void LookNow() {
        if (!window_->isVisible() ||
            (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            ticks_.stop();
            return;
        }
        const QWindow* handle = window_->windowHandle();
        const QMargins margins = handle ? handle->frameMargins() : QMargins();
        const QRect client = window_->geometry();
        QScreen* screen = QGuiApplication::screenAt(client.center());
        if (!screen) screen = window_->screen();
        if (!screen) return;
        const std::optional<QPoint> to = placement.Look(client, margins, screen->availableGeometry(),
                                                        since_.elapsed() >= kPlacementSettleMs);
        // Client coordinates: correct whichever gravity the window was created with.
        if (to) window_->setGeometry(QRect(*to, window_->size()));
        if (!placement.Settling()) ticks_.stop();
    }

    QWidget* window_;
    QTimer ticks_;
    QElapsedTimer since_;
};

WindowPlacer& PlacerOf(QWidget* window) {
    QObject* placer = window->findChild<QObject*>(QLatin1String(kPlacerName),
                                                  Qt::FindDirectChildrenOnly);
    return placer ? *static_cast<WindowPlacer*>(placer) : *new WindowPlacer(window);
}

}  // namespace

void PlaceWindow(QWidget* window, QPoint frameTopLeft) {
    if (!window) return;
    // Also asked of Qt, so the window is mapped near its place before the frame is known.
    window->move(frameTopLeft);
    PlacerOf(window).placement = FramePlacement(frameTopLeft);
}

void PlaceWindow(QWidget* window) {
    if (!window) return;
    if (window->testAttribute(Qt::WA_Moved)) PlaceWindow(window, window->pos());
    else PlacerOf(window).placement = FramePlacement();
}
