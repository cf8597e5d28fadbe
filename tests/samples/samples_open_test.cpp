#include <gtest/gtest.h>

#include <QAction>
#include <cstdlib>
#include <string>

#include "image_control.h"
#include "jpeg_image.h"
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

}  // namespace

TEST(Samples, TheStereoPairOpensWithNearThingsShiftedMoreThanFarOnes) {
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(Sample("stereo/garden.jps"));
    TStereo_Viewer w;
    w.Open1->trigger();
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
    w.Open1->trigger();
    w.Redraw1Click();
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_FALSE(w.Image1->Picture().Empty());
    EXPECT_NE(w.windowTitle().toStdString().find("lakeside.jpg"), std::string::npos);
}

TEST(Samples, TheTurntableLoadsAllThirtySixFramesFromTheCommandLine) {
    ScriptedDialogDriver dialogs;
    TObject_Viewer w(nullptr, Sample("turntable/frame_01.jpg"));
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty());
    EXPECT_TRUE(w.SequenceLoaded());
    EXPECT_EQ(w.Frames().size(), 36u);
}
