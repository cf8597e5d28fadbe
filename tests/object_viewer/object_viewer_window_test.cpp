#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "image_control.h"
#include "jpeg_image.h"
#include "object_viewer_window.h"
#include "ui_language.h"
#include "window_fixture.h"

namespace {

struct Bgr {
    int blue, green, red;
};

// Solid frames, so JPEG loss stays within a level or two.
constexpr int kTolerance = 3;
const Bgr kColours[] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {120, 120, 20}};

void WriteFrame(const std::string& path, int colour, int width = 90, int height = 60) {
    const Bgr& c = kColours[colour];
    SaveJpegFile(SolidPicture(width, height, static_cast<uint8_t>(c.blue),
                              static_cast<uint8_t>(c.green), static_cast<uint8_t>(c.red)),
                 path, 100);
}

::testing::AssertionResult Shows(const TObject_Viewer& w, int x, int y, const Bgr& expected) {
    const TBitmap& picture = w.Image1->Picture();
    if (x >= picture.Width() || y >= picture.Height())
        return ::testing::AssertionFailure() << "no pixel " << x << "," << y;
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    if (std::abs(p[0] - expected.blue) <= kTolerance &&
        std::abs(p[1] - expected.green) <= kTolerance && std::abs(p[2] - expected.red) <= kTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shown (" << int(p[0]) << "," << int(p[1]) << ","
                                         << int(p[2]) << "), expected (" << expected.blue << ","
                                         << expected.green << "," << expected.red << ")";
}

// The tests make their windows themselves, each with its own command line.
class ObjectViewerWindow : public WindowTest<> {
protected:
    // Shows the window with the timers stopped, so the test runs the ticks itself.
    void Show(TObject_Viewer& w) {
        ASSERT_NO_FATAL_FAILURE(ShowAndWait(w));
        w.Timer1->stop();
    }
    void Ticks(TObject_Viewer& w, int count) {
        for (int i = 0; i < count; ++i) w.Timer1Timer();
    }
};

TEST_F(ObjectViewerWindow, CommandLineFolderPlaysItsFramesInNameOrderOnceShown) {
    WriteFrame(folder.File("b.JPG"), 1);
    WriteFrame(folder.File("a.jpg"), 0);
    WriteFrame(folder.File("C.jpeg"), 2);
    WriteBytes(folder.File("notes.txt"), {'x'});
    TObject_Viewer w(nullptr, folder.File("b.JPG"));
    ASSERT_TRUE(w.SequenceLoaded());
    EXPECT_TRUE(w.Autorotate2->isChecked());
    EXPECT_TRUE(w.Image1->Picture().Empty()) << "nothing is drawn before the window shows";

    // The real timer turns it: some step past frame 0 arrives within a second or two.
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Rotation().CurrentFrame != 0; }, 3000));
    w.Timer1->stop();
    const int32_t shown = w.Rotation().CurrentFrame;
    EXPECT_EQ(PanelOf(w, 0), "Images " + std::to_string(shown) + "," +
                               std::to_string((shown + 1) % 3) + " from 3");
    EXPECT_EQ(PanelOf(w, 1), "Resolution: 90x60");

    // From frame 2 the next automatic step (six ticks) comes round to frame 0; the anaglyph
    // takes blue and green from a.jpg and red from b.JPG.
    while (w.Rotation().CurrentFrame != 2) Ticks(w, 1);
    Ticks(w, 6);
    EXPECT_EQ(w.Rotation().CurrentFrame, 0);
    EXPECT_EQ(PanelOf(w, 0), "Images 0,1 from 3");
    EXPECT_TRUE(Shows(w, 5, 5, Bgr{200, 30, 30}));
}

TEST_F(ObjectViewerWindow, OpenTakesTheSelectionInTheDialogsOrderAndModesFollowAtTheNextDraw) {
    WriteFrame(folder.File("a.jpg"), 0);
    WriteFrame(folder.File("b.jpg"), 1);
    WriteFrame(folder.File("c.jpg"), 2);
    TObject_Viewer w;
    Show(w);
    dialogs.AnswerFiles({folder.File("c.jpg"), folder.File("a.jpg")});
    w.Open2->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].multiSelect);
    EXPECT_EQ(dialogs.fileRequests[0].filter, "JPEG images (*.jpg;*.jpeg)|*.jpg;*.jpeg;");
    EXPECT_EQ(PanelOf(w, 0), "Images 0,1 from 2");
    EXPECT_FALSE(w.Autorotate2->isChecked());
    // Anaglyph: blue and green of c.jpg, red of a.jpg.
    EXPECT_TRUE(Shows(w, 3, 3, Bgr{30, 30, 30}));

    // Choosing a mode or the swap changes the check marks only; a key step redraws.
    const struct {
        QAction* item;
        const char* status;
        Bgr row0, row1;
    } modes[] = {
        {w.Mono2, "Image 1 from 2", {200, 30, 30}, {200, 30, 30}},
        {w.Horizontalinterlace1, "Images 0,1 from 2", {200, 30, 30}, {30, 30, 200}},
        {w.Swapimages2, "Images 1,0 from 2", {200, 30, 30}, {30, 30, 200}},
    };
    for (const auto& m : modes) {
        const std::string before = PanelOf(w, 0);
        m.item->trigger();
        EXPECT_EQ(PanelOf(w, 0), before) << m.status;
        w.FormKeyDown(Qt::Key_Right);
        Ticks(w, 6);
        w.FormKeyUp();
        EXPECT_EQ(PanelOf(w, 0), m.status);
        EXPECT_TRUE(Shows(w, 3, 0, m.row0)) << m.status;
        EXPECT_TRUE(Shows(w, 3, 1, m.row1)) << m.status;
    }

    // Cancel, or a selection without one frame, leaves the sequence on show.
    dialogs.CancelFile();
    w.Open2->trigger();
    WriteBytes(folder.File("junk.jpg"), {'n', 'o'});
    dialogs.AnswerFiles({folder.File("junk.jpg")});
    w.Open2->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind(folder.File("junk.jpg") + ": skipped", 0), 0u)
        << dialogs.messages[0];
    EXPECT_EQ(w.Frames().size(), 2u);
    EXPECT_EQ(PanelOf(w, 0), "Images 1,0 from 2");
}

TEST_F(ObjectViewerWindow, HeldButtonTurnsByThePointersZoneAndStopsWhenItLeavesTheWindow) {
    for (int i = 0; i < 4; ++i) WriteFrame(folder.File("f" + std::to_string(i) + ".jpg"), i);
    TObject_Viewer w(nullptr, folder.File("f0.jpg"));
    Show(w);
    int pointerX = 0;
    w.OuterFrame = [] { return QRect(100, 50, 1100, 700); };
    w.PointerPosition = [&] { return QPoint(pointerX, 300); };

    QTest::mousePress(w.Image1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    pointerX = 1199;  // the rightmost zone: a step every five ticks
    Ticks(w, 5);
    EXPECT_EQ(w.Rotation().CurrentFrame, 1);
    EXPECT_FALSE(w.Autorotate2->isChecked()) << "a drag ends the automatic turn";
    pointerX = 650;  // the middle zone holds still
    Ticks(w, 50);
    EXPECT_EQ(w.Rotation().CurrentFrame, 1);
    pointerX = 100;  // the leftmost zone turns back
    Ticks(w, 4);
    pointerX = 1200;  // just past the frame: the pressure built so far is gone
    Ticks(w, 1);
    EXPECT_EQ(w.Rotation().StepAccumulator, 0);
    pointerX = 100;
    Ticks(w, 4);
    EXPECT_EQ(w.Rotation().CurrentFrame, 1);
    Ticks(w, 1);
    EXPECT_EQ(w.Rotation().CurrentFrame, 0);
    EXPECT_EQ(PanelOf(w, 0), "Images 0,1 from 4");

    QTest::mouseRelease(w.Image1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Ticks(w, 30);
    EXPECT_EQ(w.Rotation().CurrentFrame, 0) << "released, nothing turns";

    // Held Left arrow with inverse rotation turns forward.
    w.Inverserotation2->trigger();
    QTest::keyPress(&w, Qt::Key_Left);
    Ticks(w, 6);
    QTest::keyRelease(&w, Qt::Key_Left);
    Ticks(w, 6);
    EXPECT_EQ(w.Rotation().CurrentFrame, 1);
}

TEST_F(ObjectViewerWindow, ResizeRefitsTheFramesCentredInTheImageArea) {
    WriteFrame(folder.File("a.jpg"), 0, 300, 200);
    WriteFrame(folder.File("b.jpg"), 2, 300, 200);
    TObject_Viewer w(nullptr, folder.File("a.jpg"));
    Show(w);
    const int bar = w.height() - w.ImageArea().height();
    const struct {
        int areaWidth, areaHeight;
        QRect display;
    } cases[] = {
        {800, 300, QRect(175, 0, 450, 300)},  // wider than the frames: centred sideways
        {300, 500, QRect(0, 150, 300, 200)},  // taller: centred up and down
        {600, 400, QRect(0, 0, 600, 400)},
    };
    for (const auto& c : cases) {
        w.resize(c.areaWidth, c.areaHeight + bar);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.ImageArea().width() == c.areaWidth; }));
        EXPECT_EQ(w.Image1->geometry(), c.display);
        EXPECT_EQ(w.Image1->Picture().Width(), c.display.width());
        EXPECT_EQ(w.Image1->Picture().Height(), c.display.height());
        EXPECT_TRUE(Shows(w, c.display.width() - 1, c.display.height() - 1, Bgr{200, 30, 200}));
        EXPECT_EQ(w.StatusBar1->y(), c.areaHeight);
    }
}

TEST_F(ObjectViewerWindow, BrokenFrameIsNamedAndTheOthersPlay) {
    WriteFrame(folder.File("1.jpg"), 0);
    WriteBytes(folder.File("2.jpg"), {'G', 'I', 'F', '8'});
    WriteFrame(folder.File("3.jpg"), 2);
    WriteBytes(folder.File("4.jpg"), FatallyDamagedJpeg(SolidPicture(90, 60, 1, 2, 3)));
    TObject_Viewer w(nullptr, folder.File("1.jpg"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind(folder.File("2.jpg") + ": skipped, Not a JPEG file", 0), 0u)
        << dialogs.messages[0];
    ASSERT_EQ(w.Frames().size(), 3u);
    Show(w);
    for (int i = 0; i < 4 * 6; ++i) w.Timer1Timer();  // four steps: every frame shown
    EXPECT_EQ(w.Rotation().CurrentFrame, 1);
    // The frame that breaks inside its pixel data shows as far as it decoded, named once.
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].rfind(folder.File("4.jpg") + ": ", 0), 0u) << dialogs.messages[1];
}

// Until frames are open the picture area says that the commands are on the right button.
TEST_F(ObjectViewerWindow, TheEmptyWindowSaysItsCommandsAreOnTheRightButton) {
    TObject_Viewer w;
    Show(w);
    const QImage shot = w.Image1->grab().toImage();
    QSet<QRgb> seen;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) seen.insert(shot.pixel(x, y));
    EXPECT_GT(seen.size(), 1) << "a text is drawn on the empty area";
    EXPECT_EQ(w.Image1->EmptyHint().rfind("Right-click to open", 0), 0u);
    UiLanguage = "rus";
    w.Timer2Timer();
    EXPECT_EQ(w.Image1->EmptyHint().rfind("Щёлкните правой кнопкой", 0), 0u);
}

TEST_F(ObjectViewerWindow, AFrameCutOffPartWayIsToldOnceAsShownInPart) {
    WriteFrame(folder.File("1.jpg"), 0);
    WriteBytes(folder.File("2.jpg"), CutOffJpeg(GradientPicture(90, 60)));
    TObject_Viewer w(nullptr, folder.File("1.jpg"));
    ASSERT_EQ(w.Frames().size(), 2u);
    Show(w);
    for (int i = 0; i < 4 * 6; ++i) w.Timer1Timer();  // both frames shown, twice over
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], folder.File("2.jpg") + ": " + DamagedPictureReason({false, 0}));
}

TEST_F(ObjectViewerWindow, DamagedFramesMetWhileABoxStandsAreToldAfterItNotInBoxesOnTop) {
    WriteFrame(folder.File("0.jpg"), 0);
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        WriteBytes(folder.File(name), FatallyDamagedJpeg(SolidPicture(90, 60, 1, 2, 3)));
    struct SlowBoxes : ScriptedDialogDriver {
        void ShowMessage(const std::string& text) override {
            deepest = std::max(deepest, ++open);
            QTest::qWait(150);  // the box's own event loop: ticks and idle filling go on
            ScriptedDialogDriver::ShowMessage(text);
            --open;
        }
        int open = 0, deepest = 0;
    } boxes;
    TObject_Viewer w(nullptr, folder.File("0.jpg"));
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Cache().KeptCount() == 4 && boxes.open == 0; }));
    EXPECT_EQ(boxes.deepest, 1);
    std::string told;
    for (const std::string& message : boxes.messages) told += message + "\n";
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        EXPECT_NE(told.find(folder.File(name) + ": "), std::string::npos) << told;
}

TEST_F(ObjectViewerWindow, FolderWithoutFramesOrMissingStaysNotLoadedAndSaysSo) {
    WriteBytes(folder.File("readme.txt"), {'x'});
    TObject_Viewer empty(nullptr, folder.File("readme.txt"));
    EXPECT_FALSE(empty.SequenceLoaded());
    EXPECT_FALSE(empty.Autorotate2->isChecked());
    TObject_Viewer missing(nullptr, folder.File("gone/x.jpg"));
    EXPECT_FALSE(missing.SequenceLoaded());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0], folder.Path() + "/*.*: no JPEG frames (*.jpg, *.jpeg) to show");
    EXPECT_EQ(dialogs.messages[1], "Ошибка открытия каталога " + folder.Path() + "/gone/*.*");
    Show(empty);
    Ticks(empty, 10);
    EXPECT_EQ(PanelOf(empty, 0), "");
}

TEST_F(ObjectViewerWindow, LanguageTimerRelabelsTheMenuAndDrawsUseTheLanguagesTexts) {
    WriteFrame(folder.File("a.jpg"), 0);
    TObject_Viewer w(nullptr, folder.File("a.jpg"));
    Show(w);
    UiLanguage = "rus";
    w.Timer2Timer();
    EXPECT_EQ(w.Autorotate2->text().toStdString(), "Авто вращение");
    UiLanguage = "xx";  // not a language of the menu: captions stay, status texts are Russian
    w.Timer2Timer();
    EXPECT_EQ(w.Open2->text().toStdString(), "Открыть");
    Ticks(w, 6);  // an automatic step on the one-frame ring redraws frame 0
    EXPECT_EQ(PanelOf(w, 0), "Изображения 0,0 из 1");
    EXPECT_EQ(PanelOf(w, 1), "Разрешение: 90x60");
}

}  // namespace
