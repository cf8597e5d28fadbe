#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <memory>
#include <string>

#include "image_control.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "mpo_writer.h"
#include "real_file_dialog.h"
#include "stereo_viewer_window.h"
#include "window_fixture.h"

namespace {

struct Rgb {
    int red, green, blue;
};

// Solid halves, so JPEG loss stays within a few levels away from the seam.
const Rgb kLeftColour{200, 60, 30};
const Rgb kRightColour{30, 140, 230};
constexpr int kTolerance = 4;

void WriteSideBySide(const std::string& path, int width, int height, Rgb left = kLeftColour,
                     Rgb right = kRightColour) {
    TBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb& c = x < width / 2 ? left : right;
            uint8_t* p = image.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>(c.blue);
            p[1] = static_cast<uint8_t>(c.green);
            p[2] = static_cast<uint8_t>(c.red);
        }
    SaveJpegFile(image, path, 100);
}

Rgb Shown(const TStereo_Viewer& w, int x, int y) {
    const uint8_t* p = w.Image1->Picture().ScanLine(y) + 3 * x;
    return Rgb{p[2], p[1], p[0]};
}

::testing::AssertionResult Near(const Rgb& actual, const Rgb& expected) {
    if (std::abs(actual.red - expected.red) <= kTolerance &&
        std::abs(actual.green - expected.green) <= kTolerance &&
        std::abs(actual.blue - expected.blue) <= kTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shown (" << actual.red << "," << actual.green << ","
                                         << actual.blue << "), expected (" << expected.red << ","
                                         << expected.green << "," << expected.blue << ")";
}

const Rgb kGrey{128, 128, 128};

// A picture of at least one pixel whose every pixel is black.
bool IsBlack(const TBitmap& picture) {
    if (picture.Empty()) return false;
    for (int y = 0; y < picture.Height(); ++y)
        for (int i = 0; i < 3 * picture.Width(); ++i)
            if (picture.ScanLine(y)[i] != 0) return false;
    return true;
}

class StereoViewerWindow : public WindowFixture<TStereo_Viewer> {
protected:
    StereoViewerWindow() : WindowFixture(ShowUntil::kActive) {}

    // Makes the image area exactly width x height.
    void SetImageArea(int width, int height) {
        const int bar = window->height() - window->ImageAreaHeight();
        window->resize(width, height + bar);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return window->ImageAreaWidth() == width && window->ImageAreaHeight() == height;
        }));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }

    void OpenByDialog(const std::string& path) {
        dialogs.AnswerFile(path);
        Key(Qt::Key_O, Qt::ControlModifier);
    }

    // Opens pair.jpg, a side-by-side pair of width x height, in an image area of the size given.
    std::string OpenPair(int width, int height, int areaWidth, int areaHeight) {
        const std::string path = PathOf("pair.jpg");
        WriteSideBySide(path, width, height);
        SetImageArea(areaWidth, areaHeight);
        OpenByDialog(path);
        return path;
    }

    // A mouse move over the image area with the given buttons and keys held.
    void MoveMouse(int x, int y, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF local(x, y);
        QMouseEvent event(QEvent::MouseMove, local, window->Image1->mapToGlobal(local),
                          Qt::NoButton, buttons, modifiers);
        QCoreApplication::sendEvent(window->Image1, &event);
    }

    void Wheel(int delta) {
        const QPointF local(50, 50);
        QWheelEvent event(local, window->mapToGlobal(local), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window->Image1, &event);
    }

};

}  // namespace

TEST(StereoViewerFreshWindow, StartsEmptyAtTheCornerWithItsCaptionAndSize) {
    TStereo_Viewer w;
    EXPECT_EQ(CaptionOf(w), "Stereo Photo Viewer");
    EXPECT_EQ(w.width(), 607);
    EXPECT_EQ(w.height(), 478);
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_FALSE(w.Loaded());
    EXPECT_EQ(w.StatusBar1->PanelCount(), 5);
    EXPECT_TRUE(w.Menu.Anaglyph1->isChecked());
    EXPECT_FALSE(w.Menu.Swapimages1->isChecked());
    // The image area fills the client area above the status bar.
    EXPECT_EQ(w.ImageAreaWidth(), 607);
    EXPECT_EQ(w.ImageAreaHeight() + w.StatusBar1->height(), 478);
    EXPECT_EQ(w.StatusBar1->y(), w.ImageAreaHeight());
}

TEST_F(StereoViewerWindow, OpensThroughTheDialogFitsAndShowsTheAnaglyph) {
    const std::string path = PathOf("pair.jps");
    WriteSideBySide(path, 2048, 768);
    SetImageArea(591, 423);
    OpenByDialog(path);

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].filter,
              "All (*.jpg;*.jpeg;*.jps;*.mpo)|*.jpg;*.jpeg;*.jps;*.mpo|JPEG Image File (*.jpg)|*.jpg|"
              "JPEG Image File (*.jpeg)|*.jpeg|JPS (*.jps)|*.jps|MPO (*.mpo)|*.mpo");
    EXPECT_EQ(dialogs.fileRequests[0].filterIndex, 1);
    EXPECT_EQ(Caption(), "Stereo Viewer - " + path);
    EXPECT_EQ(Panel(0), "1024x768");
    EXPECT_EQ(window->ViewState().scale, static_cast<float>(768.0 / 423.0));
    EXPECT_EQ(Panel(1), "Parallax (0,0)");
    EXPECT_EQ(Panel(2), "Position (0,0)");
    EXPECT_EQ(Panel(3), "55.1%");
    EXPECT_EQ(Panel(4), "");

    // Red from the left view, green and blue from the right one; grey past the half's width
    // (1024 / 1.8156 = 564 display columns).
    ASSERT_EQ(window->Image1->Picture().Width(), 591);
    ASSERT_EQ(window->Image1->Picture().Height(), 423);
    EXPECT_TRUE(Near(Shown(*window, 10, 10), Rgb{200, 140, 230}));
    EXPECT_TRUE(Near(Shown(*window, 300, 422), Rgb{200, 140, 230}));
    EXPECT_TRUE(Near(Shown(*window, 580, 10), kGrey));
}

TEST_F(StereoViewerWindow, CancelledDialogChangesNothing) {
    dialogs.CancelFile();
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_FALSE(window->Loaded());
    EXPECT_EQ(Caption(), "Stereo Photo Viewer");
    EXPECT_EQ(Panel(0), "");
}

TEST_F(StereoViewerWindow, ZoomLadderFromAFittedScaleByKeysAndWheel) {
    OpenPair(2048, 768, 591, 423);
    ASSERT_NEAR(window->ViewState().scale, 1.816, 0.001);

    const char* zoomIn[] = {"66.7%",  "100.0%", "133.3%",  "200.0%", "303.0%",
                            "400.0%", "666.7%", "1000.0%", "1000.0%"};
    for (const char* text : zoomIn) {
        Key(Qt::Key_I, Qt::ControlModifier);
        EXPECT_EQ(Panel(3), text);
    }
    EXPECT_EQ(window->ViewState().scale, 0.1f);

    const char* zoomOut[] = {"666.7%", "400.0%", "303.0%", "200.0%", "133.3%",
                             "100.0%", "66.7%",  "50.0%",  "50.0%"};
    for (const char* text : zoomOut) {
        Wheel(120);  // away from the user: zoom out
        EXPECT_EQ(Panel(3), text);
    }
    EXPECT_EQ(window->ViewState().scale, 2.0f);
    Wheel(-120);
    EXPECT_EQ(window->ViewState().scale, 1.5f);
    Key(Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(window->ViewState().scale, 2.0f);
}

TEST_F(StereoViewerWindow, ZoomKeepsTheSourcePointAtTheTopLeftCorner) {
    OpenPair(400, 100, 300, 200);
    Key(Qt::Key_F1);  // Left view only
    MoveMouse(100, 100, Qt::NoButton);
    MoveMouse(130, 110, Qt::LeftButton);  // pan right and down
    const StereoViewState before = window->ViewState();
    Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(window->ViewState().positionX, before.positionX);
    EXPECT_EQ(window->ViewState().positionY, before.positionY);
    EXPECT_EQ(Panel(2), "Position (" + std::to_string(int(before.positionX)) + "," +
                                     std::to_string(int(before.positionY)) + ")");
}

TEST_F(StereoViewerWindow, DragPansAndShiftDragMovesTheParallaxAtScaleTwo) {
    OpenPair(2048, 768, 591, 423);
    Key(Qt::Key_U, Qt::ControlModifier);  // 1.816 -> 2.0
    ASSERT_EQ(window->ViewState().scale, 2.0f);
    Key(Qt::Key_F1);

    MoveMouse(100, 100, Qt::NoButton);
    MoveMouse(110, 100, Qt::LeftButton);
    EXPECT_EQ(window->ViewState().positionX, 20.0f);
    EXPECT_EQ(Panel(2), "Position (20,0)");
    // The picture followed the mouse: source column trunc(2x - 20) is grey left of column 10.
    EXPECT_TRUE(Near(Shown(*window, 5, 50), kGrey));
    EXPECT_TRUE(Near(Shown(*window, 15, 50), kLeftColour));

    MoveMouse(120, 100, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(window->ViewState().parallaxX, -20.0f);
    EXPECT_EQ(window->ViewState().positionX, 20.0f);
    EXPECT_EQ(Panel(1), "Parallax (-20,0)");

    // Moves without the button only record the position.
    MoveMouse(300, 300, Qt::NoButton);
    EXPECT_EQ(window->ViewState().positionX, 20.0f);
    MoveMouse(300, 290, Qt::LeftButton);
    EXPECT_EQ(Panel(2), "Position (20,-20)");
}

TEST_F(StereoViewerWindow, ArrowKeysPanAndShiftArrowsMoveTheParallax) {
    OpenPair(2048, 768, 591, 423);

    for (int i = 0; i < 12 && window->ViewState().scale > 0.1f; ++i)
        Key(Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(window->ViewState().scale, 0.1f);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(window->ViewState().parallaxX, 1.0f);
    EXPECT_EQ(Panel(1), "Parallax (1,0)");

    for (int i = 0; i < 12 && window->ViewState().scale < 2.0f; ++i)
        Key(Qt::Key_U, Qt::ControlModifier);
    ASSERT_EQ(window->ViewState().scale, 2.0f);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(window->ViewState().parallaxX, 11.0f);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Panel(1), "Parallax (11,-10)");

    Key(Qt::Key_Left);
    EXPECT_EQ(window->ViewState().positionX, -10.0f);
    Key(Qt::Key_Down);
    EXPECT_EQ(Panel(2), "Position (-10,10)");
    EXPECT_EQ(window->ViewState().parallaxX, 11.0f);
}

TEST_F(StereoViewerWindow, ModesAndSwapFromTheirKeysAndTheMenu) {
    OpenPair(200, 100, 100, 100);  // scale 1

    Key(Qt::Key_F1);
    Key(Qt::Key_F1);  // choosing the checked mode again keeps it
    EXPECT_TRUE(window->Menu.Left1->isChecked());
    EXPECT_FALSE(window->Menu.Anaglyph1->isChecked());
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kLeftColour));
    Key(Qt::Key_F2);
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kRightColour));
    Key(Qt::Key_F4);  // rows: left view on even rows
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kLeftColour));
    EXPECT_TRUE(Near(Shown(*window, 20, 21), kRightColour));
    Key(Qt::Key_F5);  // columns: right view on even columns
    EXPECT_TRUE(window->Menu.Verticalinterlace1->isChecked());
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kRightColour));
    EXPECT_TRUE(Near(Shown(*window, 21, 20), kLeftColour));

    // One press of Ctrl+S toggles the swap once.
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(window->Menu.Swapimages1->isChecked());
    EXPECT_TRUE(window->ViewState().swap);
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kLeftColour));
    Key(Qt::Key_F1);
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kRightColour));  // "Left" shows the file's right half
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->Menu.Swapimages1->isChecked());
    EXPECT_TRUE(Near(Shown(*window, 20, 20), kLeftColour));

    // The menu items run the same commands.
    window->Menu.Anaglyph1->trigger();
    EXPECT_EQ(window->ViewState().mode, StereoMode::Anaglyph);
    EXPECT_FALSE(window->Menu.Left1->isChecked());
    window->Menu.Swapimages1->trigger();
    EXPECT_TRUE(window->ViewState().swap);
    EXPECT_TRUE(Near(Shown(*window, 20, 20), Rgb{30, 60, 30}));  // red of right, rest of left
}

TEST_F(StereoViewerWindow, RightClickOnThePictureOpensTheMenu) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                            window->Image1->mapToGlobal(QPoint(20, 20)));
    QCoreApplication::sendEvent(window->Image1, &event);
    EXPECT_TRUE(window->Menu.PopupMenu1->isVisible());
    QStringList captions;
    for (QAction* item : window->Menu.PopupMenu1->actions())
        if (!item->isSeparator()) captions << item->text();
    EXPECT_EQ(captions.join("|").toStdString(),
              "Open|Next|Previous|Fit to width|Fit to height|Fit to window|Zoom in|Zoom out|"
              "Left|Right|Anaglyph|Horizontal interlace|Vertical interlace|Swap images");
    EXPECT_EQ(window->Menu.Fittowindow1->shortcut(), QKeySequence("Ctrl+F"));
    window->Menu.PopupMenu1->close();
}

TEST_F(StereoViewerWindow, NextAndPreviousWalkTheFolderOfTheFileAndStopAtItsEnds) {
    // Different widths tell the files apart in panel 0.
    WriteSideBySide(PathOf("a.jpg"), 40, 10);
    WriteSideBySide(PathOf("b.jpeg"), 60, 10);
    WriteSideBySide(PathOf("c.jps"), 80, 10);
    WriteSideBySide(PathOf("d.png"), 100, 10);  // a JPEG, but not named like one
    QTemporaryDir elsewhere;
    WriteSideBySide(QDir(elsewhere.path()).filePath("z.jpg").toStdString(), 120, 10);

    OpenByDialog(PathOf("b.jpeg"));
    ASSERT_EQ(Panel(0), "30x10");
    // Another window may have moved the working folder; the walk keeps to the file's folder.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());

    Key(Qt::Key_Space);
    EXPECT_EQ(Panel(0), "40x10");
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jps"));
    EXPECT_EQ(Caption(), "Stereo Viewer - " + PathOf("c.jps"));
    Key(Qt::Key_N, Qt::ControlModifier);  // last file: nothing happens
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jps"));

    Key(Qt::Key_Backspace);
    EXPECT_EQ(Panel(0), "30x10");
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Panel(0), "20x10");
    Key(Qt::Key_Backspace);  // first file: nothing happens
    EXPECT_EQ(window->CurrentFile(), PathOf("a.jpg"));
    EXPECT_EQ(Panel(0), "20x10");
    QDir::setCurrent(saved);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);  // Next and Previous never ask
}

TEST_F(StereoViewerWindow, NextStepsPastADamagedFile) {
    WriteSideBySide(PathOf("a.jpg"), 40, 10);
    WriteText(PathOf("b.jpg"), "damaged");
    WriteSideBySide(PathOf("c.jpg"), 80, 10);
    OpenByDialog(PathOf("a.jpg"));

    // Another window is the active one; the box still stands over the viewer and names the
    // file it is about before the decoder's reason.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    Key(Qt::Key_Space);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind(PathOf("b.jpg") + ": Not a JPEG file", 0), 0u)
        << dialogs.errors[0];
    EXPECT_EQ(dialogs.boxOwners, std::vector<QWidget*>{window.get()});
    EXPECT_EQ(Panel(0), "20x10");  // the shown pair stays
    EXPECT_EQ(Caption(), "Stereo Viewer - " + PathOf("a.jpg"));
    Key(Qt::Key_Space);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(Panel(0), "40x10");
    EXPECT_EQ(window->CurrentFile(), PathOf("c.jpg"));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(window->CurrentFile(), PathOf("a.jpg"));
    EXPECT_EQ(dialogs.errors.size(), 2u);
}

TEST_F(StereoViewerWindow, NextOpensANeighbourWithAFreshViewButKeepsModeAndSwap) {
    WriteSideBySide(PathOf("a.jpg"), 400, 100);
    WriteSideBySide(PathOf("b.jpg"), 800, 100);
    SetImageArea(200, 100);
    OpenByDialog(PathOf("a.jpg"));
    Key(Qt::Key_F2);
    Key(Qt::Key_S, Qt::ControlModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right);
    Key(Qt::Key_Space);
    EXPECT_EQ(window->CurrentFile(), PathOf("b.jpg"));
    EXPECT_EQ(Panel(1), "Parallax (0,0)");
    EXPECT_EQ(Panel(2), "Position (0,0)");
    EXPECT_EQ(window->ViewState().scale, 2.0f);  // 400 / 200
    EXPECT_EQ(window->ViewState().mode, StereoMode::Right);
    EXPECT_TRUE(window->ViewState().swap);
}

TEST_F(StereoViewerWindow, ResizeRefitsClearsThePositionAndKeepsTheParallax) {
    OpenPair(2048, 768, 591, 423);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(Panel(1), "Parallax (-18,0)");
    ASSERT_NE(Panel(2), "Position (0,0)");

    SetImageArea(512, 384);
    EXPECT_EQ(window->ViewState().scale, 2.0f);
    EXPECT_EQ(Panel(3), "50.0%");
    EXPECT_EQ(Panel(2), "Position (0,0)");
    EXPECT_EQ(Panel(1), "Parallax (-18,0)");
    EXPECT_EQ(window->Image1->Picture().Width(), 512);
    EXPECT_EQ(window->Image1->Picture().Height(), 384);
}

TEST_F(StereoViewerWindow, AWindowWithoutImagePixelsKeepsItsScaleAndRendersNothing) {
    OpenPair(400, 100, 100, 100);
    ASSERT_EQ(window->ViewState().scale, 2.0f);

    SetImageArea(100, 0);
    EXPECT_EQ(window->ViewState().scale, 2.0f);
    EXPECT_EQ(window->Image1->Picture().Height(), 0);
    Key(Qt::Key_W, Qt::ControlModifier);  // fit to width still divides by the width
    EXPECT_EQ(window->ViewState().scale, 2.0f);
    Key(Qt::Key_H, Qt::ControlModifier);  // fit to height has nothing to divide by
    EXPECT_EQ(window->ViewState().scale, 2.0f);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Panel(1), "Parallax (10,0)");

    SetImageArea(50, 100);
    EXPECT_EQ(window->ViewState().scale, 4.0f);
    EXPECT_EQ(window->Image1->Picture().Width(), 50);
    EXPECT_TRUE(Near(Shown(*window, 2, 2), Rgb{200, 140, 230}));
}

TEST_F(StereoViewerWindow, CommandsDoNothingBeforeAPictureIsOpened) {
    Key(Qt::Key_I, Qt::ControlModifier);
    Key(Qt::Key_F, Qt::ControlModifier);
    Key(Qt::Key_F1);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Space);
    Key(Qt::Key_Backspace);
    Wheel(120);
    MoveMouse(10, 10, Qt::NoButton);
    MoveMouse(20, 20, Qt::LeftButton);
    EXPECT_FALSE(window->Loaded());
    EXPECT_EQ(window->ViewState().scale, 0.0f);
    EXPECT_EQ(window->ViewState().parallaxX, 0.0f);
    EXPECT_EQ(Panel(1), "");
    EXPECT_EQ(Panel(3), "");
    EXPECT_TRUE(IsBlack(window->Image1->Picture()));  // sized, but nothing was drawn
    EXPECT_TRUE(dialogs.fileRequests.empty());
}

// The display picture takes the image area's size on every resize, not only once a pair is
// shown, so an empty viewer shows a black image area rather than the bare window background.
TEST_F(StereoViewerWindow, TheDisplayPictureFollowsTheImageAreaBeforeAnythingIsOpened) {
    ASSERT_FALSE(window->Loaded());
    EXPECT_EQ(window->Image1->Picture().Width(), window->ImageAreaWidth());
    EXPECT_EQ(window->Image1->Picture().Height(), window->ImageAreaHeight());
    EXPECT_TRUE(IsBlack(window->Image1->Picture()));

    SetImageArea(320, 240);
    EXPECT_EQ(window->Image1->Picture().Width(), 320);
    EXPECT_EQ(window->Image1->Picture().Height(), 240);
    EXPECT_TRUE(IsBlack(window->Image1->Picture()));
    EXPECT_EQ(window->ViewState().scale, 0.0f);
    EXPECT_EQ(Panel(3), "");
}

TEST_F(StereoViewerWindow, FailedOpenShowsTheDecoderMessageAndKeepsEverything) {
    const std::string good = PathOf("good.jpg");
    WriteSideBySide(good, 400, 100);
    SetImageArea(200, 100);
    OpenByDialog(good);
    Key(Qt::Key_F3);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    MoveMouse(50, 50, Qt::NoButton);
    MoveMouse(60, 55, Qt::LeftButton);
    const StereoViewState before = window->ViewState();
    const TBitmap shownBefore = window->Image1->Picture();
    const std::string panels[] = {Panel(0), Panel(1), Panel(2),
                                  Panel(3)};

    const std::string junk = PathOf("junk.jpg");
    WriteText(junk, "this is no picture at all");
    const std::string empty = PathOf("empty.jps");
    WriteText(empty, "");
    const std::string missing = PathOf("missing.jpg");
    for (const std::string& bad : {junk, empty, missing}) {
        std::string decoderMessage;
        try {
            LoadJpegFile(bad);
        } catch (const ImageError& e) {
            decoderMessage = e.what();
        }
        ASSERT_FALSE(decoderMessage.empty()) << bad;

        dialogs.errors.clear();
        OpenByDialog(bad);
        ASSERT_EQ(dialogs.errors.size(), 1u) << bad;
        EXPECT_EQ(dialogs.errors[0], bad + ": " + decoderMessage);

        EXPECT_EQ(Caption(), "Stereo Viewer - " + good);
        EXPECT_EQ(window->CurrentFile(), bad);  // Next walks on from the file chosen
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Panel(i), panels[i]) << i;
        EXPECT_EQ(window->ViewState().scale, before.scale);
        EXPECT_EQ(window->ViewState().positionX, before.positionX);
        EXPECT_EQ(window->ViewState().parallaxX, before.parallaxX);
        EXPECT_TRUE(window->Image1->Picture().SamePixels(shownBefore));
        EXPECT_EQ(window->Pair().halfWidth, 200);
    }
    // The window still works afterwards.
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NE(Panel(1), panels[1]);
}

TEST_F(StereoViewerWindow, MenuFollowsTheLanguageWithinASecondAlsoWhileHidden) {
    window->hide();
    UiLanguage = "rus";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Menu.Open1->text() == "Открыть"; }, 2500));
    const std::pair<QAction*, const char*> russian[] = {
        {window->Menu.Open1, "Открыть"},
        {window->Menu.Next1, "Далее"},
        {window->Menu.Previous1, "Назад"},
        {window->Menu.Fittowidth1, "По ширине"},
        {window->Menu.Fittoheight1, "По высоте"},
        {window->Menu.Fittowindow1, "По размеру окна"},
        {window->Menu.Zoomin1, "Увеличить"},
        {window->Menu.Zoomout1, "Уменьшить"},
        {window->Menu.Left1, "Левый"},
        {window->Menu.Right1, "Правый"},
        {window->Menu.Anaglyph1, "Анаглиф"},
        {window->Menu.Horizontalinterlace1, "Построчно"},
        {window->Menu.Verticalinterlace1, "Постолбцово"},
        {window->Menu.Swapimages1, "Обменять изображения"}};
    for (const auto& [item, caption] : russian)
        EXPECT_EQ(item->text().toStdString(), caption) << item->objectName().toStdString();
    EXPECT_EQ(Caption(), "Stereo Photo Viewer");  // the caption is not relabelled

    SwitchLanguage("deu", &TStereo_Viewer::Timer1Timer);  // neither language: the captions stay
    EXPECT_EQ(window->Menu.Swapimages1->text().toStdString(), "Обменять изображения");
    SwitchLanguage("eng", &TStereo_Viewer::Timer1Timer);
    EXPECT_EQ(window->Menu.Swapimages1->text().toStdString(), "Swap images");
    EXPECT_EQ(window->Menu.Horizontalinterlace1->text().toStdString(), "Horizontal interlace");
}

// Qt reads "[*]" in a window title as the place of the modified mark and drops it; a file
// name may well contain those three characters, and the caption must show the path as it is.
TEST_F(StereoViewerWindow, CaptionShowsAPathWithBracketedStarAsItIs) {
    const std::string path = PathOf("pair[*].jpg");
    WriteSideBySide(path, 40, 10);
    OpenByDialog(path);
    ASSERT_TRUE(window->Loaded());
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(Caption(), "Stereo Viewer - " + path);
}

TEST_F(StereoViewerWindow, TheRealOpenDialogReportsEveryFileType) {
    WriteSideBySide(PathOf("pair.jps"), 40, 20);
    ExpectEveryFilterComesBack(FileDialogKind::Open, window->OpenPictureDialog1.Filter,
                               PathOf("pair.jps"));
}

// A sub-folder named like a picture stands in the listing with its files; the walk goes
// through it and out again, because it stays rooted at the folder of the file opened.
TEST_F(StereoViewerWindow, NextAndPreviousPassThroughASubFolderNamedLikeAPicture) {
    ASSERT_NO_FATAL_FAILURE(WritePicturesAroundASubFolder(
        [](const std::string& path, int i) { WriteSideBySide(path, 40 + 20 * i, 10); }));
    OpenByDialog(PathOf("a.jpg"));
    for (const auto& [key, file] : {std::pair{Qt::Key_Space, "x.jpg/d.jpg"}, {Qt::Key_Space, "z.jpg"},
                                    {Qt::Key_Backspace, "x.jpg/d.jpg"}, {Qt::Key_Backspace, "a.jpg"}}) {
        Key(key);
        EXPECT_EQ(window->CurrentFile(), PathOf(file));
    }
    EXPECT_EQ(Panel(0), "20x10");
}

// The zoom panel keeps its width; a text wider than it ("1000.0%") is shown whole, running on
// into the always empty last panel rather than losing its first digit.
TEST_F(StereoViewerWindow, TheZoomPanelShowsItsWholeText) {
    WriteSideBySide(PathOf("a.jpg"), 400, 100);
    SetImageArea(300, 100);
    OpenByDialog(PathOf("a.jpg"));
    for (int i = 0; i < 12; ++i) Key(Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(Panel(3), "1000.0%");
    // Width of the dark text pixels of a bar, from column from on.
    auto inkWidth = [](TStatusBar& bar, int from) {
        const QImage shot = bar.grab().toImage();
        int first = -1, last = -1;
        for (int x = from; x < shot.width() - 2; ++x)
            for (int y = 4; y < shot.height() - 3; ++y)
                if (shot.pixelColor(x, y).lightness() < 100) last = (first < 0 ? first = x : x);
        return last - first;
    };
    window->StatusBar1->resize(600, window->StatusBar1->height());
    TStatusBar roomy;  // the same text with room to spare
    roomy.setFont(window->StatusBar1->font());
    roomy.resize(300, window->StatusBar1->height());
    roomy.SetPanels({{300, false}});
    roomy.SetPanelText(0, "1000.0%");
    ASSERT_GT(inkWidth(roomy, 2), 0);
    EXPECT_EQ(inkWidth(*window->StatusBar1, 402), inkWidth(roomy, 2));  // from panel 3 on
    EXPECT_EQ(window->StatusBar1->PanelCount(), 5);
}

TEST_F(StereoViewerWindow, TheOpenDialogStartsAtTheFileReachedByNextAndPrevious) {
    WriteSideBySide(PathOf("a.jpg"), 40, 10);
    WriteSideBySide(PathOf("b.jpg"), 60, 10);
    OpenByDialog(PathOf("a.jpg"));
    Key(Qt::Key_Space);
    dialogs.CancelFile();
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.fileRequests.back().fileName, PathOf("b.jpg"));
    Key(Qt::Key_Backspace);
    dialogs.CancelFile();
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.fileRequests.back().fileName, PathOf("a.jpg"));
}

namespace {

// An MPO file of two solid views of width x height, the second with a Parallax value.
void WriteMpo(const std::string& path, int width, int height, std::optional<double> parallax) {
    std::vector<std::vector<uint8_t>> views;
    for (const Rgb& c : {kLeftColour, kRightColour}) {
        TBitmap view(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = view.ScanLine(y) + 3 * x;
                p[0] = static_cast<uint8_t>(c.blue);
                p[1] = static_cast<uint8_t>(c.green);
                p[2] = static_cast<uint8_t>(c.red);
            }
        TJPEGImage jpeg;
        jpeg.CompressionQuality = 100;
        jpeg.Assign(view);
        views.push_back(jpeg.Bytes());
    }
    const std::vector<uint8_t> bytes = JoinMpoPictures(views, parallax);
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

TEST_F(StereoViewerWindow, MpoPairsOpenWithTheirParallaxAndFollowTheJpegsOfTheFolder) {
    WriteSideBySide(PathOf("a.jpg"), 40, 10);
    WriteMpo(PathOf("m.mpo"), 50, 10, -10.0);  // -10 % of 50: five pixels
    WriteSideBySide(PathOf("z.jpg"), 60, 10);
    WriteText(PathOf("n.mpo"), "not a picture");

    OpenByDialog(PathOf("a.jpg"));
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Space);
    EXPECT_EQ(window->CurrentFile(), PathOf("z.jpg"));
    Key(Qt::Key_Space);  // the MPO files come after every JPEG
    ASSERT_EQ(window->CurrentFile(), PathOf("m.mpo"));
    EXPECT_EQ(Panel(0), "50x10");
    EXPECT_EQ(Panel(1), "Parallax (-5,0)");
    EXPECT_EQ(window->ViewState().parallaxX, -5.0f);
    // Red from the left view, green and blue from the right view; grey where it was shifted out.
    const float scale = window->ViewState().scale;
    const int row = static_cast<int>(5 / scale);
    EXPECT_TRUE(Near(Shown(*window, static_cast<int>(25 / scale), row),
                     Rgb{kLeftColour.red, kRightColour.green, kRightColour.blue}));
    EXPECT_TRUE(Near(Shown(*window, static_cast<int>(2 / scale), row), Rgb{kLeftColour.red, 128, 128}));
    EXPECT_EQ(Panel(4), "");

    // A file that is refused names itself and leaves the pair shown.
    Key(Qt::Key_Space);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind(PathOf("n.mpo") + ": ", 0), 0u);
    EXPECT_EQ(Panel(1), "Parallax (-5,0)");
    EXPECT_EQ(Caption(), "Stereo Viewer - " + PathOf("m.mpo"));

    // An unusable parallax opens the pair without it and says so.
    WriteMpo(PathOf("m.mpo"), 50, 10, 150.0);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Panel(1), "Parallax (0,0)");
    EXPECT_NE(Panel(4).find("Metadata ignored"), std::string::npos);
}
