#include <gtest/gtest.h>

#include <QAction>
#include <algorithm>
#include <cstdlib>
#include <QWidget>
#include <string>

#include "color_corrector_window.h"
#include "image_control.h"
#include "jpeg_image.h"
#include "multi_viewer_window.h"
#include "object_editor_window.h"
#include "object_viewer_window.h"
#include "panorama_viewer_window.h"
#include "scripted_dialogs.h"
#include "status_bar.h"
#include "stereo_viewer_window.h"

// Each sample is opened the way the guide tells a new user to: through the tool's own dialog
// (or, for the turntable, the command line). Nothing may be reported and the tool must show it.

namespace {

std::string Sample(const std::string& name) { return std::string(LUMIVEX_SAMPLES_DIR) + "/" + name; }

// Sum of absolute differences between a block of the left half at (x, y) and the block of the
// right half shifted left by `shift` pixels.
long BlockDifference(const TBitmap& pair, int x, int y, int shift) {
    const int half = pair.Width() / 2;
    long sum = 0;
    for (int dy = 0; dy < 24; ++dy)
        for (int i = 0; i < 24 * 3; ++i)
            sum += std::abs(pair.ScanLine(y + dy)[3 * x + i] -
                            pair.ScanLine(y + dy)[3 * (half + x - shift) + i]);
    return sum;
}

// The horizontal shift (0..60 pixels) that best matches a block of the left view in the right.
int Disparity(const TBitmap& pair, int x, int y) {
    int best = 0;
    for (int shift = 1; shift <= 60; ++shift)
        if (BlockDifference(pair, x, y, shift) < BlockDifference(pair, x, y, best)) best = shift;
    return best;
}

// Mean absolute byte difference of two pictures over a rectangle.
double MeanDifference(const TBitmap& a, const TBitmap& b, int left, int top, int width, int height) {
    long sum = 0;
    for (int y = top; y < top + height; ++y)
        for (int i = 3 * left; i < 3 * (left + width); ++i)
            sum += std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]);
    return static_cast<double>(sum) / (3.0 * width * height);
}

}  // namespace

TEST(Samples, TheStereoPairOpensWithNearThingsShiftedMoreThanFarOnes) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("stereo/garden.jps"));
    TStereo_Viewer w;
    w.Menu.Open1->trigger();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_EQ(w.StatusBar1->PanelText(0), "1200x900");
    EXPECT_FALSE(w.Image1->Picture().Empty());

    // Real depth: the near red ball (low in the picture) lies further apart in the two views
    // than the pillars far down the garden (near the horizon).
    const TBitmap pair = LoadJpegFile(Sample("stereo/garden.jps"));
    const int nearShift = Disparity(pair, 300, 600);
    const int farShift = Disparity(pair, 560, 300);
    EXPECT_GT(nearShift, farShift + 10) << nearShift << " " << farShift;
}

TEST(Samples, ThePanoramaOpensAndShowsAView) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("panorama/lakeside.jpg"));
    TPanorama_Viewer w;
    w.resize(800, 600);
    w.Menu.Open1->trigger();
    w.Redraw1Click();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_FALSE(w.Image1->Picture().Empty());
    EXPECT_NE(w.windowTitle().toStdString().find("lakeside.jpg"), std::string::npos);
}

TEST(Samples, TheMpoPairOpensWithTheCamerasParallax) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("stereo/garden.mpo"));
    TStereo_Viewer w;
    w.Menu.Open1->trigger();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_EQ(w.StatusBar1->PanelText(0), "1200x900");
    EXPECT_EQ(w.StatusBar1->PanelText(1), "Parallax (-18,0)");
    EXPECT_TRUE(w.Pair().first.Width() == 1200 && w.Pair().second.Height() == 900);
}

TEST(Samples, ThePartialPanoramaOpensPlacedAndLooksEast) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("panorama/lakeside_strip.jpg"));
    TPanorama_Viewer w;
    w.Menu.Open1->trigger();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_NE(w.windowTitle().toStdString().find("lakeside_strip.jpg - 360 x 120 degrees"), std::string::npos)
        << w.windowTitle().toStdString();
    EXPECT_EQ(w.Panorama().W(), 4096);
    EXPECT_EQ(w.Panorama().H(), 2048);
    EXPECT_DOUBLE_EQ(w.View().alpha, 90.0);
}

TEST(Samples, TheTurntableLoadsAllThirtySixFramesFromTheCommandLine) {
    ScriptedDialogDriver dialogs;
    TObject_Viewer w(nullptr, Sample("turntable/frame_01.jpg"));
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_TRUE(w.SequenceLoaded());
    EXPECT_EQ(w.Frames().size(), 36u);
}

TEST(Samples, ThePointsAndTheColourTableOpenAndTheTableIsWhatThePointsMeasure) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("color/points.txt"));
    dialogs.AnswerFile(Sample("color/correction_table.txt"));
    TColor_Corrector w;
    w.Source.Button4Click();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    ASSERT_TRUE(w.ReferenceLoaded() && w.SampleLoaded());
    EXPECT_EQ(w.Points().Count(), 21);
    w.Source.BitBtn4Click();  // "Export colors "
    w.Table.Button5Click();  // "Interpolate"
    const ColorTable measured = w.Result();
    w.Table.Button7Click();  // "Open" the shipped table
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    // The curves measured from the marked spots follow the shipped correction closely.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        long sum = 0;
        for (int v = 0; v < kTableSize; ++v) {
            ASSERT_TRUE(w.Result().Has(channel, v) && measured.Has(channel, v));
            sum += std::abs(w.Result().Value(channel, v) - measured.Value(channel, v));
        }
        EXPECT_LT(sum / kTableSize, 12) << "channel " << channel;
    }
}

TEST(Samples, TheProjectOpensAndItsParametersLineTheShotsUp) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("object_editor/project.oep"));
    TObject_Editor w;
    w.resize(1000, 760);
    w.Open1->trigger();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    ASSERT_EQ(w.ImageCount, 6);
    const TBitmap first = w.Images.Image1->Picture();
    ASSERT_EQ(first.Width(), 800);
    // The horizon and the floor's tiles to the upper left of the robot (inside the guide grid's
    // first cell) stand where they stand in the first shot once each shot's parameters are
    // applied, and not without them.
    for (int shot = 2; shot <= 6; ++shot) {
        w.Images.Button4Click();  // ">>"
        ASSERT_EQ(w.CurrentImage, shot);
        EXPECT_FALSE(w.Parameters.Unreadable(shot));
        const double lined = MeanDifference(first, w.Images.Image1->Picture(), 40, 50, 150, 90);
        const ParamFields own = w.Images.Fields();
        w.Images.SetFields(ParamFields());
        w.Showimage1Click();
        const double raw = MeanDifference(first, w.Images.Image1->Picture(), 40, 50, 150, 90);
        w.Images.SetFields(own);
        w.Showimage1Click();
        EXPECT_LT(lined * 2, raw) << "shot " << shot << ": " << lined << " vs " << raw;
    }
}

TEST(Samples, TheViewsOpenAndEachShowsItsAdjustedPicture) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("views/views.mvw"));
    TMulti_Viewer w;
    w.Open1Click();
    ASSERT_EQ(w.ViewCount, 9);
    // The sizes the chain gives each view: garden.jpg is 1200 x 900, robot.jpg 800 x 600.
    const char* sizes[] = {"1200x900", "900x680", "960x720", "400x300", "800x600",
                           "1200x900", "1200x900", "1200x900", "1200x900"};
    for (int view = 1; view <= 9; ++view) {
        if (view > 1) w.Next1Click();
        EXPECT_EQ(w.StatusBar1->PanelText(1), sizes[view - 1]) << "view " << view;
        if (view == 3) {  // the enlarged red ball fills the middle of its view
            const uint8_t* p = w.Image1->Picture().ScanLine(360) + 3 * 480;
            EXPECT_GT(p[2], 2 * std::max(p[0], p[1]));
        }
    }
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
}
