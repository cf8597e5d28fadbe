#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "stereo_view_commands.h"

TEST(ZoomLadder, ZoomInWalksDownFromAFittedScaleAndStopsAtTheFirstStep) {
    float scale = FitScale(StereoFit::Window, 1024, 768, 591, 423, 0.0f);
    EXPECT_NEAR(scale, 1.816, 0.001);
    const std::vector<float> expected = {1.5f, 1.0f, 0.75f, 0.5f, 0.33f, 0.25f, 0.15f, 0.1f, 0.1f};
    for (float step : expected) {
        scale = ZoomInScale(scale);
        EXPECT_EQ(scale, step);
    }
}

TEST(ZoomLadder, ZoomOutWalksUpAndStopsAtTheLastStep) {
    float scale = 0.1f;
    const std::vector<float> expected = {0.15f, 0.25f, 0.33f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 2.0f};
    for (float step : expected) {
        scale = ZoomOutScale(scale);
        EXPECT_EQ(scale, step);
    }
}

TEST(ZoomLadder, ScalesBetweenAndBeyondTheStepsMoveToTheNeighbours) {
    EXPECT_EQ(ZoomInScale(0.4f), 0.33f);
    EXPECT_EQ(ZoomOutScale(0.4f), 0.5f);
    EXPECT_EQ(ZoomInScale(0.05f), 0.1f);  // below the ladder: zoom in stays at the first step
    EXPECT_EQ(ZoomOutScale(0.05f), 0.1f);
    EXPECT_EQ(ZoomInScale(7.0f), 2.0f);
    EXPECT_EQ(ZoomOutScale(7.0f), 2.0f);
    // A scale a hair above a step zooms in to that very step.
    EXPECT_EQ(ZoomInScale(static_cast<float>(0.3300001)), 0.33f);
}

TEST(FitScale, QuotientsOfHalfSizeAndImageArea) {
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Width, 1024, 768, 591, 423, 0.0f), 1024.0f / 591.0f);
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Height, 1024, 768, 591, 423, 0.0f), 768.0f / 423.0f);
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Window, 2000, 100, 1000, 1000, 0.0f), 2.0f);
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Window, 100, 2000, 1000, 1000, 0.0f), 2.0f);
}

TEST(FitScale, AreaWithoutPixelsOrEmptyHalfKeepsThePreviousScale) {
    EXPECT_EQ(FitScale(StereoFit::Window, 1024, 768, 0, 423, 1.25f), 1.25f);
    EXPECT_EQ(FitScale(StereoFit::Window, 1024, 768, 591, -20, 1.25f), 1.25f);
    EXPECT_EQ(FitScale(StereoFit::Height, 1024, 768, 591, 0, 0.5f), 0.5f);
    // Only the dimension a fit divides by matters.
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Width, 1024, 768, 512, 0, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(FitScale(StereoFit::Height, 1024, 768, 0, 384, 0.5f), 2.0f);
    // A picture too narrow for two halves cannot be fitted by width.
    EXPECT_EQ(FitScale(StereoFit::Width, 0, 768, 591, 423, 0.75f), 0.75f);
    // Nothing to keep yet: one source pixel per display pixel, never zero.
    EXPECT_EQ(FitScale(StereoFit::Window, 1024, 768, 0, 0, 0.0f), 1.0f);
}

TEST(ViewMoves, DragAtScaleTwoMovesTwiceTheDisplayDistance) {
    StereoViewState state;
    state.scale = 2.0f;
    ApplyDrag(state, 10, 0, false);
    EXPECT_EQ(state.positionX, 20.0f);
    EXPECT_EQ(state.positionY, 0.0f);
    EXPECT_EQ(state.parallaxX, 0.0f);
    ApplyDrag(state, 10, -3, true);
    EXPECT_EQ(state.parallaxX, -20.0f);
    EXPECT_EQ(state.parallaxY, 6.0f);
    EXPECT_EQ(state.positionX, 20.0f);
}

TEST(ViewMoves, ParallaxKeysMoveAboutFiveDisplayPixelsAndAtLeastOne) {
    EXPECT_EQ(ParallaxKeyStep(0.1f), 1);
    EXPECT_EQ(ParallaxKeyStep(0.33f), 1);
    EXPECT_EQ(ParallaxKeyStep(0.5f), 2);
    EXPECT_EQ(ParallaxKeyStep(2.0f), 10);
    for (float scale : {0.1f, 2.0f}) {
        StereoViewState state;
        state.scale = scale;
        ApplyArrowKey(state, ArrowKey::Left, true);
        EXPECT_EQ(state.parallaxX, scale == 0.1f ? 1.0f : 10.0f);
        ApplyArrowKey(state, ArrowKey::Right, true);
        ApplyArrowKey(state, ArrowKey::Down, true);
        EXPECT_EQ(state.parallaxX, 0.0f);
        EXPECT_EQ(state.parallaxY, scale == 0.1f ? -1.0f : -10.0f);
        EXPECT_EQ(state.positionX, 0.0f);
    }
}

TEST(ViewMoves, ArrowKeysPanByFiveDisplayPixels) {
    StereoViewState state;
    state.scale = 0.5f;
    ApplyArrowKey(state, ArrowKey::Left, false);
    EXPECT_EQ(state.positionX, -2.5f);
    ApplyArrowKey(state, ArrowKey::Down, false);
    ApplyArrowKey(state, ArrowKey::Down, false);
    EXPECT_EQ(state.positionY, 5.0f);
    ApplyArrowKey(state, ArrowKey::Up, false);
    ApplyArrowKey(state, ArrowKey::Right, false);
    EXPECT_EQ(state.positionX, 0.0f);
    EXPECT_EQ(state.positionY, 2.5f);
    EXPECT_EQ(state.parallaxX, 0.0f);
}

TEST(StatusTexts, Formats) {
    StereoPair pair;
    pair.halfWidth = 1024;
    pair.height = 768;
    EXPECT_EQ(PairSizeText(pair), "1024x768");

    EXPECT_EQ(ZoomText(2.0f), "50.0%");
    EXPECT_EQ(ZoomText(1.0f), "100.0%");
    EXPECT_EQ(ZoomText(0.1f), "1000.0%");
    EXPECT_EQ(ZoomText(0.33f), "303.0%");
    EXPECT_EQ(ZoomText(0.15f), "666.7%");
    EXPECT_EQ(ZoomText(200.0f), " 0.5%");  // the field is four characters wide

    StereoViewState state;
    state.positionX = -0.5f;
    state.positionY = 12.9f;
    EXPECT_EQ(PositionText(state), "Position (0,12)");
    state.positionX = -1.7f;
    EXPECT_EQ(PositionText(state), "Position (-1,12)");
    state.positionX = 1e30f;
    EXPECT_FALSE(PositionText(state).empty());  // clamped, not undefined
}

// The toolkit takes the desktop's locale for the C library too, and Russian or German desktops
// write a decimal comma; the zoom text keeps its point whatever the locale says.
TEST(StatusTexts, ZoomTextKeepsItsDecimalPointUnderACommaLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char* commaLocales[] = {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8", "de_DE.utf8",
                                  "fr_FR.UTF-8", "fr_FR.utf8"};
    bool switched = false;
    for (const char* name : commaLocales)
        if (std::setlocale(LC_NUMERIC, name) != nullptr &&
            std::string(std::localeconv()->decimal_point) == ",") {
            switched = true;
            break;
        }
    if (!switched) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const std::string texts[] = {ZoomText(2.0f), ZoomText(0.33f), ZoomText(0.15f),
                                 ZoomText(static_cast<float>(768.0 / 423.0)), ZoomText(200.0f)};
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(texts[0], "50.0%");
    EXPECT_EQ(texts[1], "303.0%");
    EXPECT_EQ(texts[2], "666.7%");
    EXPECT_EQ(texts[3], "55.1%");
    EXPECT_EQ(texts[4], " 0.5%");
}
