#include "parameter_editing.h"

#include <gtest/gtest.h>

TEST(FieldExit, NormalisesEveryFieldToItsRangeAndDefault) {
    struct Case {
        std::string (*normalise)(const std::string&);
        const char* typed;
        const char* shown;
    } cases[] = {
        {NormaliseOutputWidth, "5000", "3000"}, {NormaliseOutputWidth, "50", "100"},
        {NormaliseOutputWidth, "abc", "800"},   {NormaliseOutputWidth, " 1024", "1024"},
        {NormaliseOutputHeight, "abc", "600"},  {NormaliseOutputHeight, "0x200", "512"},
        {NormaliseShift, "-4000", "-3000"},     {NormaliseShift, "12.5", "0"},
        {NormaliseShift, "77", "77"},           {NormaliseRotate, "400", "360"},
        {NormaliseRotate, "-1e9", "-360"},      {NormaliseRotate, "12.5deg", "12.5"},
        {NormaliseRotate, "nan", "0"},          {NormaliseRotate, "  -0.25", "-0.25"},
        {NormaliseScale, "0.05", "0.1"},        {NormaliseScale, "abc", "0.1"},
        {NormaliseScale, "inf", "10"},          {NormaliseScale, "1.25", "1.25"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.normalise(c.typed), c.shown) << c.typed;
}

TEST(FieldReading, TextsThatAreNotNumbersReadAsTheDefaults) {
    ParamFields f{"12", "junk", "45.5x", "two"};
    const TransformValues v = TransformValuesOf("abc", "99999", f);
    EXPECT_EQ(v.Wo, 100);
    EXPECT_EQ(v.Ho, 3000);
    EXPECT_EQ(v.X0, 12);
    EXPECT_EQ(v.Y0, 0);
    EXPECT_EQ(v.Rotate, 45.5);
    EXPECT_EQ(v.Scale, 0);
}

TEST(Navigation, StepsWrapAroundAtBothEnds) {
    EXPECT_EQ(NextImage(3, 3), 1);
    EXPECT_EQ(NextImage(1, 3), 2);
    EXPECT_EQ(PreviousImage(1, 3), 3);
    EXPECT_EQ(PreviousImage(3, 3), 2);
    EXPECT_EQ(NextImage(1, 1), 1);
}

TEST(UndoHistory, PopsNewestFirstAndNothingWhenEmpty) {
    ParamHistory history;
    ParamFields a, b{"5", "0", "0", "1"};
    history.Push(a);
    history.Push(b);
    EXPECT_EQ(history.Pop(), b);
    EXPECT_EQ(history.Pop(), a);
    EXPECT_FALSE(history.Pop());
    history.Push(a);
    history.Clear();
    EXPECT_FALSE(history.Pop());
}

namespace {

struct Gesture {
    MouseButton button;
    Modifiers mods;
    ViewPoint press, release;
};

// Runs one press and release on a 400 x 300 preview of an 800-wide output (k = 0.5).
std::optional<ParamFields> Apply(PreviewGestures& g, const Gesture& s, const ParamFields& f) {
    g.Press(s.button, s.mods, s.press);
    return g.Release(s.button, s.mods, s.release, f, 400, 300, "800", true).fields;
}

}  // namespace

TEST(PreviewGestures, EachGestureChangesItsFields) {
    const Modifiers none, shift{true, false, false}, ctrl{false, true, false},
        alt{false, false, true}, ctrlShift{true, true, false};
    const ParamFields start{"5", "-5", "0", "1"};
    struct Case {
        const char* what;
        Gesture gesture;
        ParamFields fields;  // start with the expected changes
    } cases[] = {
        {"move 10 right at k 0.5", {MouseButton::Left, none, {100, 100}, {110, 100}}, {"25", "-5", "0", "1"}},
        {"move up and left", {MouseButton::Left, none, {100, 100}, {99, 97}}, {"3", "-11", "0", "1"}},
        {"centre on a point 20 left", {MouseButton::Right, none, {0, 0}, {180, 150}}, {"45", "-5", "0", "1"}},
        {"rotate 30 right", {MouseButton::Left, shift, {10, 10}, {40, 12}}, {"5", "-5", "   3.0", "1"}},
        {"rotate 30 down", {MouseButton::Left, shift, {10, 10}, {12, 40}}, {"5", "-5", "   0.3", "1"}},
        {"scale 100 right", {MouseButton::Left, ctrl, {0, 0}, {100, 0}}, {"5", "-5", "0", "1.1"}},
        {"scale 100 down", {MouseButton::Left, ctrl, {0, 0}, {0, 100}}, {"5", "-5", "0", "1.01"}},
        {"scale below 0.1", {MouseButton::Left, ctrl, {1000, 0}, {0, 0}}, {"5", "-5", "0", "0.1"}},
        {"ctrl decides over shift", {MouseButton::Left, ctrlShift, {0, 0}, {100, 0}}, {"5", "-5", "0", "1.1"}},
        {"horizontal line", {MouseButton::Right, shift, {100, 100}, {200, 110}}, {"5", "-5", "-5.71059", "1"}},
        {"vertical line leaning right", {MouseButton::Right, shift, {100, 100}, {110, 200}}, {"5", "-5", "5.71059", "1"}},
        {"vertical line leaning left", {MouseButton::Right, shift, {110, 100}, {100, 200}}, {"5", "-5", "-5.71059", "1"}},
    };
    for (const Case& c : cases) {
        PreviewGestures g;
        EXPECT_EQ(Apply(g, c.gesture, start), c.fields) << c.what;
    }
    // Gestures that change nothing.
    const Gesture idle[] = {{MouseButton::Left, alt, {0, 0}, {50, 50}},
                            {MouseButton::Middle, none, {0, 0}, {50, 50}},
                            {MouseButton::Right, alt, {0, 0}, {50, 50}},
                            {MouseButton::Right, shift, {100, 100}, {100, 200}}};
    for (const Gesture& s : idle) {
        PreviewGestures g;
        EXPECT_FALSE(Apply(g, s, start));
    }
}

TEST(PreviewGestures, RotationWrapsAtFullTurns) {
    const Modifiers shift{true, false, false};
    struct Case {
        const char* rotate;
        int dx;
        const char* shown;
    } cases[] = {{"355", 100, "   5.0"}, {"-355", -100, "  -5.0"}, {"350", 100, " 360.0"},
                 {"720", 0, " 360.0"}, {"1e12", 0, " 144.0"}, {"inf", 10, "   1.0"}};
    for (const Case& c : cases) {
        PreviewGestures g;
        const auto f = Apply(g, {MouseButton::Left, shift, {0, 0}, {c.dx, 0}},
                             {"0", "0", c.rotate, "1"});
        ASSERT_TRUE(f);
        EXPECT_EQ(f->rotate, c.shown) << c.rotate;
    }
}

TEST(PreviewGestures, ScaleToReferenceMultipliesByTheDistanceRatio) {
    PreviewGestures g;
    const Modifiers ctrl{false, true, false};
    const ParamFields start{"0", "0", "0", "2"};
    // Reference 60 above the centre row (150), the feature clicked 30 above: scale doubles.
    EXPECT_FALSE(Apply(g, {MouseButton::Middle, ctrl, {0, 0}, {10, 90}}, start));
    EXPECT_EQ(g.Reference().y, 90);
    EXPECT_EQ(Apply(g, {MouseButton::Right, ctrl, {0, 0}, {10, 120}}, start)->scale, "4");
    // The reference serves the next images too; a click on the centre row changes nothing.
    EXPECT_EQ(Apply(g, {MouseButton::Right, ctrl, {0, 0}, {10, 30}}, start)->scale, "1");
    EXPECT_FALSE(Apply(g, {MouseButton::Right, ctrl, {0, 0}, {10, 150}}, start));
}

TEST(PreviewGestures, ReleasesAfterAProjectChangeOrWithoutImagesAreIgnored) {
    PreviewGestures g;
    const ParamFields f;
    g.Press(MouseButton::Left, {}, {0, 0});
    g.IgnoreNextRelease();
    EXPECT_FALSE(g.Release(MouseButton::Left, {}, {50, 0}, f, 400, 300, "800", true).preview);
    g.Press(MouseButton::Left, {}, {0, 0});
    EXPECT_TRUE(g.Release(MouseButton::Left, {}, {50, 0}, f, 400, 300, "800", true).preview);
    EXPECT_FALSE(g.Release(MouseButton::Left, {}, {50, 0}, f, 400, 300, "800", false).preview);
    // A preview without width does not divide by zero.
    EXPECT_FALSE(g.Release(MouseButton::Left, {}, {50, 0}, f, 0, 300, "800", true).fields);
}

TEST(Layout, PreviewBoxKeepsTheOutputAspect) {
    struct Case {
        int aw, ah;
        const char *w, *h;
        int width, height;
    } cases[] = {{660, 500, "800", "600", 660, 495}, {660, 500, "600", "800", 375, 500},
                 {660, 500, "x", "y", 500, 500},     {0, 500, "800", "600", 0, 0}};
    for (const Case& c : cases) {
        const BoxSize box = PreviewBoxSize(c.aw, c.ah, c.w, c.h);
        EXPECT_EQ(box.width, c.width);
        EXPECT_EQ(box.height, c.height);
    }
}
