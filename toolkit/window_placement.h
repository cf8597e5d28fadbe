#pragma once
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <optional>

class QWidget;

// Window placement by the outer frame.
//
// A window's position on the screen is that of its outer frame: the title bar and borders
// the window manager draws round the client area. Their size is known only once the window
// manager has framed the window, a moment after it is first shown, and placing the client
// area instead leaves the title bar off the screen (a window "at 0, 0" would show its frame
// at y = -20). So every top-level window of the program calls PlaceWindow once, in its
// constructor after its size is set, or right after it is made:
//
//     PlaceWindow(this, QPoint(0, 0));  // the design puts the frame's corner at 0, 0
//     PlaceWindow(this);                // keeps a position set with move() before, if any,
//                                       // else the window manager chooses
//
// From then on, each time the window is shown, its frame is kept wholly inside the available
// area of its screen (the screen without panels and docks): at the design position on the
// first show and where the user left it later, moved only as far as needed. The correction
// waits for the window manager's frame for at most kPlacementSettleMs after the window is
// shown (without a window manager there is no frame and the client area is placed). A window
// larger than the area keeps its top-left corner, with the title bar, inside it. Calling
// PlaceWindow again only replaces the design position.
void PlaceWindow(QWidget* window, QPoint frameTopLeft);
void PlaceWindow(QWidget* window);

constexpr int kPlacementSettleMs = 1500;

// The frame moved the least distance that puts it inside area. A frame wider (taller) than
// the area is aligned with the area's left (top) edge.
QRect FitFrameInto(const QRect& frame, const QRect& area);

// The decisions of PlaceWindow, free of any window, so they can be followed step by step.
class FramePlacement {
public:
    FramePlacement() = default;
    explicit FramePlacement(QPoint designFrameTopLeft) : design_(designFrameTopLeft) {}

    // The window is being shown: look at it until it stands where it belongs.
    void Showing();
    // One look at the window as the window system reports it: the client area, the frame
    // margins (null until the window manager has framed the window), the screen's available
    // area and whether the settling time is over. Returns where the client area has to move
    // to, if anywhere.
    std::optional<QPoint> Look(const QRect& client, const QMargins& margins, const QRect& area,
                               bool timeUp);
    bool Settling() const { return settling_; }

private:
    std::optional<QPoint> design_;
    std::optional<QPoint> wanted_;  // frame corner this show aims at; none: where it stands
    bool shownBefore_ = false;
    bool settling_ = false;
};
