#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <memory>
#include <string>
#include <vector>

#include "image_control.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "mpo_writer.h"
#include "panorama_viewer_window.h"
#include "printing.h"
#include "real_file_dialog.h"
#include "ui_language.h"
#include "window_fixture.h"

namespace {

constexpr int kViewWidth = 240;
constexpr int kViewHeight = 160;

// A panorama with detail everywhere: a colour that changes with the column and the row, so
// any turn of the view changes the picture. Quality 100 keeps it close to the drawn one.
void WritePanorama(const std::string& path, int width, int height, int seed = 0) {
    TBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>(((x / 8 + y / 8) % 2) * 200 + seed * 20);
        }
    SaveJpegFile(image, path, 100);
}

// "FPS=" and either ">1000" or a number left-aligned in four places.
bool IsFpsText(const std::string& text) {
    if (text.rfind("FPS=", 0) != 0) return false;
    const std::string value = text.substr(4);
    if (value == ">1000") return true;
    const std::size_t digits = value.find_first_not_of("0123456789");
    const std::size_t end = digits == std::string::npos ? value.size() : digits;
    return end > 0 && value.size() >= 4 && value.find_first_not_of(' ', end) == std::string::npos;
}

// Five unsigned numbers separated by single blanks.
bool IsFiveNumbers(const std::string& text) {
    int numbers = 0;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = text.find_first_not_of("0123456789", at);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop == at) return false;
        ++numbers;
        if (stop == text.size()) return numbers == 5;
        if (text[stop] != ' ') return false;
        at = stop + 1;
    }
}

// What the renderer shows for a file at the default view, computed without the window.
TBitmap ExpectedView(const std::string& path, int width, int height, PanoramaView view) {
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(LoadJpegFile(path));
    TBitmap target(width, height);
    PanoramaRenderer renderer;
    view.RequestRender();
    renderer.Frame(view, SteeringState(), &pano, target);
    return target;
}

class PanoramaViewerWindow : public WindowFixture<TPanorama_Viewer> {
protected:
    PanoramaViewerWindow() : WindowFixture(ShowUntil::kActive) {}
    void BeforeShow() override {
        // QTest keeps the buttons it pressed across tests (a double click leaves one down).
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        // The tests drive the renderer's ticks themselves, one Redraw1Click per tick.
        window->Timers.Timer1->stop();
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        SetViewSize(kViewWidth, kViewHeight);
    }

    void SetViewSize(int width, int height) {
        const int bar = window->height() - window->Image1->height();
        window->resize(width, height + bar);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return window->Image1->width() == width && window->Image1->height() == height;
        }));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }
    void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCoreApplication::sendEvent(window.get(), &event);
    }

    void OpenByDialog(const std::string& path) {
        dialogs.AnswerFile(path);
        Key(Qt::Key_O, Qt::ControlModifier);
    }

    std::string OpenSample(const std::string& name = "pano.jpg") {
        const std::string path = PathOf(name);
        WritePanorama(path, 360, 180);
        OpenByDialog(path);
        window->Redraw1Click();
        return path;
    }

    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF local(x, y);
        QMouseEvent event(type, local, window->Image1->mapToGlobal(local), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window->Image1, &event);
    }

    // A mouse event on Image1 through the window system, so the application's button state
    // follows it, as it does for the user's.
    void RealMouse(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::NoButton) {
        QWindow* handle = window->windowHandle();
        const QPoint at = window->Image1->mapTo(window.get(), QPoint(x, y));
        if (type == QEvent::MouseButtonPress) QTest::mousePress(handle, button, {}, at);
        else if (type == QEvent::MouseButtonRelease) QTest::mouseRelease(handle, button, {}, at);
        else QTest::mouseMove(handle, at);
    }

};

}  // namespace

TEST_F(PanoramaViewerWindow, StartsEmptyWithItsMenuTimersAndStatusBar) {
    EXPECT_EQ(Caption(), "Panorama Viewer");
    EXPECT_FALSE(window->PanoramaLoaded());
    EXPECT_EQ(window->Timers.Timer1->interval(), 10);
    EXPECT_EQ(window->Timers.Timer2->interval(), 1000);
    EXPECT_TRUE(window->Timers.Timer2->isActive());
    ASSERT_EQ(window->StatusBar1->PanelCount(), 5);

    std::vector<std::string> order;
    for (QAction* a : window->Menu.PopupMenu1->actions())
        order.push_back(a->isSeparator() ? "-" : a->objectName().toStdString());
    const std::vector<std::string> expected = {"Open1",  "-",         "Next1",      "Previous1",
                                               "-",      "Copytoclipboard1", "Save1", "-",
                                               "Printsetup1", "Print1", "-", "Arrow1",
                                               "Hand1",  "Cross1"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(window->Menu.Open1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(window->Menu.Next1->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(window->Menu.Previous1->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_TRUE(window->Menu.Arrow1->isChecked());
    EXPECT_TRUE(window->Menu.MouseModeGroup->isExclusive());
    EXPECT_EQ(window->Image1->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->Dialogs.SavePictureDialog1.Filter,
              "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp");

    // Without a panorama a tick draws nothing.
    window->Redraw1Click();
    EXPECT_FALSE(window->LastFrame().rendered);
    EXPECT_EQ(Panel(0), "");
}

TEST_F(PanoramaViewerWindow, OpensThroughTheDialogAndShowsTheViewOnTheNextTick) {
    const std::string path = PathOf("pano.jpg");
    WritePanorama(path, 360, 180);
    OpenByDialog(path);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_NE(dialogs.fileRequests[0].filter.find("*.jpg"), std::string::npos);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + path);
    EXPECT_TRUE(window->PanoramaLoaded());
    EXPECT_EQ(window->CurrentFile(), path);

    window->Redraw1Click();
    ASSERT_TRUE(window->LastFrame().rendered);
    EXPECT_EQ(Panel(0), "360x180");
    EXPECT_EQ(Panel(1), "alpha=0     betta=0     gamma=0   ");
    EXPECT_EQ(Panel(2), "FOV=90  ");
    EXPECT_TRUE(IsFpsText(Panel(3))) << Panel(3);
    EXPECT_TRUE(IsFiveNumbers(Panel(4)))
        << Panel(4);
    EXPECT_EQ(window->Image1->Picture().Width(), kViewWidth);
    EXPECT_EQ(window->Image1->Picture().Height(), kViewHeight);
    EXPECT_TRUE(window->Image1->Picture().SamePixels(
        ExpectedView(path, kViewWidth, kViewHeight, PanoramaView())));

    // The renderer's own timer ticks every 10 ms and draws after a change by itself.
    window->FormMouseWheel(-120);
    window->Timers.Timer1->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Panel(2) == "FOV=135 "; }, 2000));
}

// A fake slow frame: the picture's repaint takes longer than the tick. The ticks that fell
// inside it are dropped; none is left waiting to start another frame at once.
TEST_F(PanoramaViewerWindow, ATickLongerThanTheIntervalIsSkippedNotStacked) {
    OpenSample();
    constexpr int kInterval = 400;
    window->Timers.Timer1->setInterval(kInterval);
    int ticks = 0;
    QObject::connect(window->Timers.Timer1, &QTimer::timeout, [&] { ++ticks; });
    int slowFrames = 0;
    struct SlowPaint : QObject {
        int* frames;
        explicit SlowPaint(int* f) : frames(f) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && *frames == 0) {
                QThread::msleep(kInterval * 2);
                ++*frames;
            }
            return false;
        }
    } slowPaint(&slowFrames);
    window->Image1->installEventFilter(&slowPaint);
    window->FormMouseWheel(-120);  // the next tick draws
    window->Timers.Timer1->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return slowFrames == 1; }, 10000));
    const int ticksAfterSlowFrame = ticks;
    EXPECT_GT(window->Timers.Timer1->remainingTime(), kInterval / 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, ticksAfterSlowFrame);
    window->Image1->removeEventFilter(&slowPaint);
}

TEST_F(PanoramaViewerWindow, DoubleClickOpensAndOpenResetsTheAnglesButNotTheZoom) {
    const std::string first = OpenSample("first.jpg");
    Key(Qt::Key_Right);
    Key(Qt::Key_Up);
    window->FormMouseWheel(-120);
    const std::string second = PathOf("second.jpg");
    WritePanorama(second, 200, 100, 1);
    dialogs.AnswerFile(second);
    QTest::mouseDClick(window->Image1, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(Caption(), "Panorama Viewer - " + second);
    EXPECT_EQ(window->View().alpha, 0.0);
    EXPECT_EQ(window->View().betta, 0.0);
    EXPECT_EQ(window->View().fov, 1.5);
    window->Redraw1Click();
    EXPECT_EQ(Panel(0), "200x100");
    PanoramaView zoomed;
    zoomed.fov = 1.5;
    EXPECT_TRUE(window->Image1->Picture().SamePixels(
        ExpectedView(second, kViewWidth, kViewHeight, zoomed)));
    // A cancelled dialog changes nothing.
    dialogs.CancelFile();
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + second);
    // The caption names the file exactly, even where the name holds Qt's title placeholder.
    const std::string marked = PathOf("view[*]one.jpg");
    WritePanorama(marked, 200, 100, 2);
    OpenByDialog(marked);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + marked);
    // Only the left button's double click opens; other buttons show no dialog.
    const std::size_t asked = dialogs.fileRequests.size();
    QTest::mouseDClick(window->Image1, Qt::MiddleButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseDClick(window.get(), Qt::MiddleButton, Qt::NoModifier,
                       window->StatusBar1->geometry().center());
    EXPECT_EQ(dialogs.fileRequests.size(), asked);
}

TEST_F(PanoramaViewerWindow, KeysSteerAndTheNextTickRedraws) {
    OpenSample();
    TBitmap before = window->Image1->Picture();

    Key(Qt::Key_Right);
    EXPECT_EQ(window->View().alpha, 1.0);
    EXPECT_EQ(Panel(1), "alpha=0     betta=0     gamma=0   ");  // not before the tick
    window->Redraw1Click();
    EXPECT_EQ(Panel(1), "alpha=1     betta=0     gamma=0   ");
    EXPECT_FALSE(window->Image1->Picture().SamePixels(before));

    // A tick without a change draws nothing: a mark in the view survives it.
    window->Image1->Picture().ScanLine(3)[3] ^= 0x5A;
    before = window->Image1->Picture();
    window->Redraw1Click();
    EXPECT_TRUE(window->Image1->Picture().SamePixels(before));

    // Held keys: the repeats' releases do not reset the step; the real release does.
    Send(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, false);
    Send(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, true);
    Send(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, true);
    Send(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, true);
    Send(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, true);
    EXPECT_EQ(window->View().alpha, 1.0 + 1.0 + 1.5 + 2.25);
    Send(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, false);
    EXPECT_EQ(window->Steering().alphaStep, 1.0);

    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(window->View().gamma, 359.0);
    Key(Qt::Key_PageDown);  // the release of Ctrl+Left reset the step: 359 + 1, not above 360
    EXPECT_EQ(window->View().gamma, 360.0);
    Key(Qt::Key_Down);
    EXPECT_EQ(window->View().betta, -1.0);

    // Keypad zoom; the minus of the main block is just another key.
    Key(Qt::Key_Minus);
    EXPECT_EQ(window->View().fov, 1.0);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(window->View().fov, 1.5);
    Key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(window->View().fov, 1.0);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    window->Redraw1Click();
    EXPECT_EQ(Panel(2), "FOV=135 ");
    Key(Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(window->View().fov, 1.0);

    // F1 smooths the picture on screen once.
    window->Redraw1Click();
    TBitmap smoothed = window->Image1->Picture();
    std::vector<uint8_t> scratch;
    QualifyBitmap(smoothed, scratch);
    Key(Qt::Key_F1);
    EXPECT_TRUE(window->Image1->Picture().SamePixels(smoothed));
}

TEST_F(PanoramaViewerWindow, WithoutPanoramaKeysDoNothingButWheelAndMouseStillSteer) {
    Key(Qt::Key_Right);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(window->View().alpha, 0.0);
    EXPECT_EQ(window->View().fov, 1.0);
    const QPointF at(30, 30);
    QWheelEvent wheel(at, window->Image1->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->Image1, &wheel);
    EXPECT_EQ(window->View().fov, 1.5);
    QWheelEvent back(at, window->Image1->mapToGlobal(at), QPoint(), QPoint(0, 120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->Image1, &back);
    EXPECT_EQ(window->View().fov, 1.0);
    window->Menu.Cross1->trigger();
    Mouse(QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 0, kViewHeight / 2, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window->View().betta, 0.0);
    Mouse(QEvent::MouseButtonRelease, 0, kViewHeight / 2, Qt::LeftButton, Qt::NoButton);
}

TEST_F(PanoramaViewerWindow, MouseModesSetCursorsAndSteer) {
    OpenSample();
    window->Menu.Cross1->trigger();
    EXPECT_TRUE(window->Menu.Cross1->isChecked());
    EXPECT_FALSE(window->Menu.Arrow1->isChecked());
    EXPECT_EQ(window->Image1->cursor().shape(), Qt::CrossCursor);
    Mouse(QEvent::MouseButtonPress, 100, 30, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 0, kViewHeight / 2, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window->View().alpha, 0.0);
    EXPECT_EQ(window->View().betta, 0.0);
    Mouse(QEvent::MouseMove, (kViewWidth + 6) / 2, 0, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window->View().alpha, 180.0);
    EXPECT_EQ(window->View().betta, 90.0);
    Mouse(QEvent::MouseButtonRelease, 0, 0, Qt::LeftButton, Qt::NoButton);
    Mouse(QEvent::MouseMove, 10, 10, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(window->View().alpha, 180.0);

    window->Menu.Hand1->trigger();
    EXPECT_EQ(window->Image1->cursor().shape(), Qt::PointingHandCursor);
    Mouse(QEvent::MouseButtonPress, 100, 80, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 110, 80, Qt::NoButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(window->View().alpha, 180.0 - 10 * 90.0 / (kViewWidth + 6));
    Mouse(QEvent::MouseButtonRelease, 110, 80, Qt::LeftButton, Qt::NoButton);

    window->Menu.Arrow1->trigger();
    EXPECT_EQ(window->Image1->cursor().shape(), Qt::ArrowCursor);
    window->Redraw1Click();
    const double start = window->View().alpha;
    // Arrow mode turns on the ticks while the button is really down: the events go through
    // the window system, as the user's do.
    RealMouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton);
    window->Redraw1Click();
    EXPECT_EQ(window->View().alpha, start);  // held without a move: no turn
    RealMouse(QEvent::MouseMove, 100, 50);
    const double perTick = 50 * 20.0 / (kViewWidth + 10);
    window->Redraw1Click();
    EXPECT_NEAR(window->View().alpha, start - perTick, 1e-9);
    window->Redraw1Click();
    EXPECT_NEAR(window->View().alpha, start - 2 * perTick, 1e-9);
    EXPECT_TRUE(window->LastFrame().rendered);
    RealMouse(QEvent::MouseButtonRelease, 100, 50, Qt::LeftButton);
    window->Redraw1Click();
    EXPECT_NEAR(window->View().alpha, start - 2 * perTick, 1e-9);
}

// The right button does not steer, and whatever takes the left button's release (a pop-up
// menu, another window, the focus going elsewhere) ends Arrow mode's turning.
TEST_F(PanoramaViewerWindow, ArrowModeEndsWhenTheLeftButtonIsNoLongerDown) {
    OpenSample();
    auto turnsOnTick = [&] {
        const double before = window->View().alpha;
        window->Redraw1Click();
        return window->View().alpha != before;
    };
    RealMouse(QEvent::MouseButtonPress, 50, 50, Qt::RightButton);  // opens the menu
    EXPECT_TRUE(window->Menu.PopupMenu1->isVisible());
    window->Menu.PopupMenu1->close();
    RealMouse(QEvent::MouseButtonRelease, 50, 50, Qt::RightButton);
    EXPECT_FALSE(turnsOnTick());

    // Left held and moved, then a right click opens the menu, which takes the release.
    RealMouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton);
    RealMouse(QEvent::MouseMove, 100, 50);
    EXPECT_TRUE(turnsOnTick());
    RealMouse(QEvent::MouseButtonPress, 100, 50, Qt::RightButton);
    EXPECT_FALSE(turnsOnTick());
    window->Menu.PopupMenu1->close();
    RealMouse(QEvent::MouseButtonRelease, 100, 50, Qt::RightButton);
    RealMouse(QEvent::MouseButtonRelease, 100, 50, Qt::LeftButton);

    // The view saw a press, but the button is up by the next tick (its release went elsewhere).
    Mouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 100, 50, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(turnsOnTick());
    EXPECT_FALSE(turnsOnTick());

    // Held, but the window loses the keyboard focus.
    RealMouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton);
    RealMouse(QEvent::MouseMove, 100, 50);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(window.get(), &focusOut);
    EXPECT_FALSE(turnsOnTick());
    RealMouse(QEvent::MouseButtonRelease, 100, 50, Qt::LeftButton);
}

TEST_F(PanoramaViewerWindow, SpaceAndBackspaceWalkTheFolderOfThePictureOnRelease) {
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg"}) WritePanorama(PathOf(name), 90, 45);
    WriteText(PathOf("notes.txt"), "not a picture");
    OpenByDialog(PathOf("b.JPG"));
    // The working folder is elsewhere: the walk still follows the picture's folder.
    const QString keep = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));

    Send(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, false);
    EXPECT_EQ(window->CurrentFile(), PathOf("b.JPG"));  // not on the press
    Send(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_EQ(window->CurrentFile(), PathOf("b.JPG"));  // nor on a repeat's release
    Send(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, false);
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jpeg"));
    EXPECT_EQ(Caption(), "Panorama Viewer - " + PathOf("c.jpeg"));
    Key(Qt::Key_Space);  // the last one: nothing happens
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jpeg"));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(window->CurrentFile(), PathOf("b.JPG"));
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->CurrentFile(), PathOf("a.jpg"));
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->CurrentFile(), PathOf("a.jpg"));
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(window->CurrentFile(), PathOf("b.JPG"));
    window->Menu.Next1->trigger();
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jpeg"));
    QDir::setCurrent(keep);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PanoramaViewerWindow, SaveChoosesTheFormatByExtensionThenByFilter) {
    OpenSample();
    struct Case {
        std::string chosen;
        int filterIndex;
        std::string written;
        std::string magic;
    };
    const std::string bm = "BM", jpeg = "\xFF\xD8";
    const Case cases[] = {
        {PathOf("v1.bmp"), 1, PathOf("v1.bmp"), bm},
        {PathOf("v2.BMP"), 1, PathOf("v2.BMP"), bm},
        {PathOf("v3.jpg"), 2, PathOf("v3.jpg"), jpeg},
        {PathOf("v4.JPEG"), 2, PathOf("v4.JPEG"), jpeg},
        {PathOf("v5"), 1, PathOf("v5.jpg"), jpeg},
        {PathOf("v6"), 2, PathOf("v6.bmp"), bm},
        {PathOf("v7.png"), 1, PathOf("v7.png.jpg"), jpeg},
        {PathOf("v8.png"), 2, PathOf("v8.png.bmp"), bm},
    };
    for (const Case& c : cases) {
        dialogs.AnswerFile(c.chosen, c.filterIndex);
        window->Menu.Save1->trigger();
        EXPECT_EQ(FirstBytes(c.written, 2), c.magic) << c.written;
    }
    ASSERT_EQ(dialogs.fileRequests.size(), 9u);  // the open dialog, then eight saves
    EXPECT_EQ(dialogs.fileRequests[1].filter,
              "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp");
    EXPECT_EQ(dialogs.fileRequests[1].kind, FileDialogKind::Save);
    // The saved picture is the view, at the window's size, not the panorama.
    const TBitmap saved = LoadJpegFile(PathOf("v5.jpg"));
    EXPECT_EQ(saved.Width(), kViewWidth);
    EXPECT_EQ(saved.Height(), kViewHeight);
    // Cancel writes nothing.
    dialogs.CancelFile();
    window->Menu.Save1->trigger();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("v9.jpg"))));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PanoramaViewerWindow, CopyPutsTheViewOnTheClipboard) {
    OpenSample();
    QGuiApplication::clipboard()->clear();
    window->Menu.Copytoclipboard1->trigger();
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.width(), kViewWidth);
    EXPECT_EQ(image.height(), kViewHeight);
    const uint8_t* p = window->Image1->Picture().ScanLine(7) + 3 * 11;
    EXPECT_EQ(image.pixelColor(11, 7), QColor(p[2], p[1], p[0]));
}

TEST_F(PanoramaViewerWindow, PrintWritesThePageAndPrintSetupNeedsNoPanorama) {
    const std::string pdf = PathOf("page.pdf");
    const QString keepName = SharedPrinter().outputFileName();
    SharedPrinter().setOutputFormat(QPrinter::PdfFormat);
    SharedPrinter().setOutputFileName(QString::fromStdString(pdf));

    dialogs.AnswerPrint(true);
    window->Menu.Printsetup1->trigger();
    EXPECT_EQ(dialogs.printerSetupDialogs, 1);
    EXPECT_TRUE(dialogs.messages.empty());

    OpenSample();
    dialogs.AnswerPrint(false);
    window->Menu.Print1->trigger();
    EXPECT_EQ(dialogs.printDialogs, 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
    dialogs.AnswerPrint(true);
    window->Menu.Print1->trigger();
    EXPECT_EQ(dialogs.printDialogs, 2);
    EXPECT_EQ(FirstBytes(pdf, 4), "%PDF");
    SharedPrinter().setOutputFileName(keepName);
}

TEST_F(PanoramaViewerWindow, CommandsWithoutPanoramaAnswerInTheCurrentLanguage) {
    window->Menu.Copytoclipboard1->trigger();
    window->Menu.Save1->trigger();
    window->Menu.Print1->trigger();
    UiLanguage = "rus";
    window->Menu.Save1->trigger();
    window->Menu.Print1->trigger();
    window->Menu.Copytoclipboard1->trigger();
    const std::vector<std::string> expected = {
        "Open file before!",       "Open file before!",       "Open file before!",
        "Сначала откройте файл!", "Сначала откройте файл!", "Сначала откройте файл!"};
    EXPECT_EQ(dialogs.messages, expected);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.printDialogs, 0);
    // Next and Previous without a panorama do nothing at all.
    Key(Qt::Key_N, Qt::ControlModifier);
    Key(Qt::Key_Space);
    EXPECT_EQ(dialogs.messages.size(), 6u);
}

TEST_F(PanoramaViewerWindow, AFileThatDoesNotOpenLeavesTheHeldPanoramaShown) {
    const std::string good = OpenSample();
    Key(Qt::Key_Right);
    window->Redraw1Click();
    const TBitmap shown = window->Image1->Picture();
    const PanoramaView view = window->View();
    std::string panels[5];
    for (int i = 0; i < 5; ++i) panels[i] = Panel(i);

    const std::string junk = PathOf("junk.jpg");
    WriteText(junk, "this is no picture at all");
    const std::string empty = PathOf("empty.jpg");
    WriteText(empty, "");
    const std::string truncated = PathOf("truncated.jpg");
    WriteText(truncated, FirstBytes(good, 20));
    const std::string missing = PathOf("missing.jpg");
    for (const std::string& bad : {junk, empty, truncated, missing}) {
        dialogs.errors.clear();
        OpenByDialog(bad);
        ASSERT_EQ(dialogs.errors.size(), 1u) << bad;
        EXPECT_EQ(dialogs.errors[0].rfind(bad + ": ", 0), 0u) << dialogs.errors[0];
        EXPECT_GT(dialogs.errors[0].size(), bad.size() + 2);  // and a reason after it
        EXPECT_EQ(Caption(), "Panorama Viewer - " + good);
        EXPECT_TRUE(window->PanoramaLoaded());
        EXPECT_EQ(window->Panorama().W(), 360);
        EXPECT_EQ(window->View().alpha, view.alpha);
        window->Redraw1Click();  // nothing changed, nothing drawn
        EXPECT_TRUE(window->Image1->Picture().SamePixels(shown));
        for (int i = 0; i < 5; ++i) EXPECT_EQ(Panel(i), panels[i]) << i;
    }
    // The damaged file chosen last is the current picture, so Next walks on from it.
    EXPECT_EQ(window->CurrentFile(), missing);
    Key(Qt::Key_Left);
    window->Redraw1Click();
    EXPECT_EQ(Panel(1), "alpha=0     betta=0     gamma=0   ");
}

TEST_F(PanoramaViewerWindow, APanoramaCutOffPartWayShowsAndIsToldOnce) {
    const std::string whole = PathOf("whole.jpg"), cut = PathOf("cut.jpg");
    WritePanorama(whole, 360, 180);
    WriteText(cut, FirstBytes(whole, QFileInfo(QString::fromStdString(whole)).size() * 2 / 3));
    for (int i = 0; i < 2; ++i) {
        OpenByDialog(cut);
        window->Redraw1Click();
        EXPECT_TRUE(window->PanoramaLoaded());
        EXPECT_EQ(Caption(), "Panorama Viewer - " + cut);
    }
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{cut + ": " + DamagedPictureReason({false, 0})});
}

TEST_F(PanoramaViewerWindow, NextStepsPastADamagedPicture) {
    WritePanorama(PathOf("a.jpg"), 90, 45);
    WriteText(PathOf("b.jpg"), "damaged");
    WritePanorama(PathOf("c.jpg"), 120, 60);
    OpenByDialog(PathOf("a.jpg"));

    Key(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + PathOf("a.jpg"));
    EXPECT_EQ(window->Panorama().W(), 90);
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + PathOf("c.jpg"));
    EXPECT_EQ(window->Panorama().W(), 120);
}

TEST_F(PanoramaViewerWindow, ResizeSizesTheViewAndCloseReleasesThePanorama) {
    const std::string path = OpenSample();
    SetViewSize(300, 220);
    EXPECT_EQ(window->Image1->Picture().Width(), 300);
    EXPECT_EQ(window->Image1->Picture().Height(), 220);
    window->Redraw1Click();  // a resize always draws on the next tick
    ASSERT_TRUE(window->LastFrame().rendered);
    EXPECT_TRUE(window->Image1->Picture().SamePixels(
        ExpectedView(window->CurrentFile(), 300, 220, window->View())));

    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->PanoramaLoaded());
    EXPECT_EQ(window->Image1->Picture().Width(), 1);
    EXPECT_EQ(window->Image1->Picture().Height(), 1);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + path);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Panel(i), "") << i;  // nothing of the released one
    window->Redraw1Click();
    Key(Qt::Key_Right);
    EXPECT_EQ(window->View().alpha, 0.0);

    // Shown again, the view fills the window at once; a new panorama draws at that size.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->Image1->width(), 300);
    EXPECT_EQ(window->Image1->Picture().Width(), 300);
    EXPECT_EQ(window->Image1->Picture().Height(), 220);
    window->Redraw1Click();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Panel(i), "") << i;
    OpenSample("again.jpg");
    EXPECT_EQ(Panel(0), "360x180");
}

TEST_F(PanoramaViewerWindow, ViewsTallerThan2048RowsRender) {
    OpenSample();
    window->resize(64, 2300 + (window->height() - window->Image1->height()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Image1->height() >= 2100; }));
    window->Redraw1Click();
    ASSERT_TRUE(window->LastFrame().rendered);
    const TBitmap& shown = window->Image1->Picture();
    EXPECT_TRUE(shown.SamePixels(
        ExpectedView(window->CurrentFile(), shown.Width(), shown.Height(), window->View())));
}

TEST_F(PanoramaViewerWindow, MenuFollowsTheLanguage) {
    SwitchLanguage("rus", &TPanorama_Viewer::Timer2Timer);
    EXPECT_EQ(window->Menu.Open1->text().toStdString(), "Открыть");
    EXPECT_EQ(window->Menu.Next1->text().toStdString(), "Далее");
    EXPECT_EQ(window->Menu.Previous1->text().toStdString(), "Назад");
    EXPECT_EQ(window->Menu.Save1->text().toStdString(), "Сохранить");
    EXPECT_EQ(window->Menu.Copytoclipboard1->text().toStdString(), "Копировать в буфер");
    EXPECT_EQ(window->Menu.Printsetup1->text().toStdString(), "Настройка печати");
    EXPECT_EQ(window->Menu.Print1->text().toStdString(), "Печать");
    EXPECT_EQ(window->Menu.Arrow1->text().toStdString(), "Стрелка");
    EXPECT_EQ(window->Menu.Hand1->text().toStdString(), "Рука");
    EXPECT_EQ(window->Menu.Cross1->text().toStdString(), "Крест");
    SwitchLanguage("deu", &TPanorama_Viewer::Timer2Timer);
    EXPECT_EQ(window->Menu.Open1->text().toStdString(), "Открыть");
    SwitchLanguage("eng", &TPanorama_Viewer::Timer2Timer);
    EXPECT_EQ(window->Menu.Open1->text().toStdString(), "Open");
    EXPECT_EQ(window->Menu.Copytoclipboard1->text().toStdString(), "Copy to clipboard");
    EXPECT_EQ(window->Menu.Cross1->text().toStdString(), "Cross");
    EXPECT_EQ(Caption(), "Panorama Viewer");  // the caption stays English
}

// Through the real Qt dialog: "Bitmaps (*.bmp)" chosen and "view3" typed writes view3.bmp.
TEST_F(PanoramaViewerWindow, TheRealSaveDialogsFileTypeDecidesTheFormat) {
    OpenSample();
    {
        RealDialogs real;
        real.AnswerFile(1, PathOf("view3"));
        window->Menu.Save1->trigger();
    }
    EXPECT_EQ(FirstBytes(PathOf("view3.bmp"), 2), "BM");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("view3.jpg"))));
    ExpectEveryFilterComesBack(FileDialogKind::Save, window->Dialogs.SavePictureDialog1.Filter,
                               PathOf("view4"));
    ExpectEveryFilterComesBack(FileDialogKind::Open, window->Dialogs.OpenPictureDialog1.Filter,
                               PathOf("pano.jpg"));
}

TEST_F(PanoramaViewerWindow, NextAndPreviousPassThroughASubFolderNamedLikeAPicture) {
    ASSERT_NO_FATAL_FAILURE(WritePicturesAroundASubFolder([](const std::string& path, int i) {
        const int widths[] = {90, 100, 120};
        WritePanorama(path, widths[i], widths[i] / 2);
    }));
    OpenByDialog(PathOf("a.jpg"));
    for (const auto& [key, width] : {std::pair{Qt::Key_N, 100}, {Qt::Key_N, 120}, {Qt::Key_P, 100},
                                     {Qt::Key_P, 90}}) {
        Key(key, Qt::ControlModifier);
        EXPECT_EQ(window->Panorama().W(), width);
    }
}

TEST_F(PanoramaViewerWindow, APartialPanoramaOpensPlacedOnTheSphereAndSaysHowMuchItCovers) {
    // A 360 x 120 degree strip: 360 x 120 pixels of a 360 x 180 whole, starting at row 40.
    const std::string strip = PathOf("strip_source.jpg");
    WritePanorama(strip, 360, 120);
    QFile source(QString::fromStdString(strip));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray jpeg = source.readAll();
    const std::string packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/"
        "22-rdf-syntax-ns#'><rdf:Description xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'"
        " GPano:FullPanoWidthPixels='360' GPano:FullPanoHeightPixels='180'"
        " GPano:CroppedAreaImageWidthPixels='360' GPano:CroppedAreaImageHeightPixels='120'"
        " GPano:CroppedAreaLeftPixels='0' GPano:CroppedAreaTopPixels='40'"
        " GPano:InitialViewHeadingDegrees='90'/></rdf:RDF></x:xmpmeta>";
    const std::vector<uint8_t> tagged =
        InsertXmpPacket(std::vector<uint8_t>(jpeg.begin(), jpeg.end()), packet);
    const std::string path = PathOf("partial.jpg");
    WriteText(path, std::string(tagged.begin(), tagged.end()));

    OpenByDialog(path);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + path + " - 360 x 120 degrees");
    EXPECT_EQ(window->Panorama().W(), 360);
    EXPECT_EQ(window->Panorama().H(), 180);
    EXPECT_DOUBLE_EQ(window->View().alpha, 270.0);  // heading 90 from a centre at heading 0
    EXPECT_DOUBLE_EQ(window->View().betta, -10.0);  // the strip's middle row, 100 of 180: below
    window->Redraw1Click();
    EXPECT_EQ(Panel(0), "360x180");

    // The same picture without metadata opens as a full panorama, as it always did.
    OpenByDialog(strip);
    EXPECT_EQ(Caption(), "Panorama Viewer - " + strip);
    EXPECT_EQ(window->Panorama().H(), 120);
    EXPECT_EQ(window->View().alpha, 0.0);

    // Metadata that lies about the picture's size is ignored, and the caption says so.
    std::string lying = packet;
    lying.replace(lying.find("'120'"), 5, "'121'");
    const std::vector<uint8_t> bad = InsertXmpPacket(std::vector<uint8_t>(jpeg.begin(), jpeg.end()), lying);
    WriteText(PathOf("lying.jpg"), std::string(bad.begin(), bad.end()));
    OpenByDialog(PathOf("lying.jpg"));
    EXPECT_EQ(window->Panorama().H(), 120);
    EXPECT_NE(Caption().find("metadata ignored: GPano crop size differs"), std::string::npos) << Caption();
}
