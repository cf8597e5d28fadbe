#include "file_correction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "memory_budget.h"
#include "test_support.h"

namespace {

ByteTables InvertingTables() {
    ByteTables t;
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v) t.channel[c][v] = static_cast<uint8_t>(255 - v + c);
    return t;
}

ProcessFields CutFields(const char* x, const char* y, const char* width, const char* height) {
    ProcessFields f;
    f.cutX = x, f.cutY = y, f.cutWidth = width, f.cutHeight = height;
    return f;
}

// The chain written out step by step on two images, every skipped step a copy.
TBitmap LiteralChain(const TBitmap& decoded, const ByteTables& t, const ProcessOptions& o) {
    TBitmap a, b;
    CopyImage(decoded, a);
    MapColors(a, t);
    if (o.cut) CropImage(a, o.cut->x, o.cut->y, o.cut->x + o.cut->width - 1, o.cut->y + o.cut->height - 1, b);
    else CopyImage(a, b);
    if (o.resample) a.SetSize(o.resample->width, o.resample->height), ScaleNearest(b, a);
    else CopyImage(b, a);
    RotateImage(a, b, o.angle);
    if (o.flipVertical) FlipVertical(b, a); else CopyImage(b, a);
    if (o.mirrorLeftRight) MirrorHorizontal(a, b); else CopyImage(a, b);
    return b;
}

TEST(ProcessChain, EveryCombinationMatchesTheStepByStepChain) {
    const TBitmap decoded = NumberedPicture(37, 23);
    const ByteTables tables = InvertingTables();
    for (int cut = 0; cut < 2; ++cut)
        for (int resample = 0; resample < 2; ++resample)
            for (int angle : {0, 90, 180, 270})
                for (int flips = 0; flips < 4; ++flips) {
                    ProcessOptions o;
                    if (cut) o.cut = CutRect{3, 4, 20, 11};
                    if (resample) o.resample = PictureSize{13, 29};
                    o.angle = angle;
                    o.flipVertical = flips & 1;
                    o.mirrorLeftRight = flips & 2;
                    TBitmap picture = decoded, work;
                    MapColors(picture, tables);
                    const TBitmap& got = TransformMapped(picture, work, o);
                    const TBitmap want = LiteralChain(decoded, tables, o);
                    ASSERT_EQ(got.Width(), want.Width());
                    ASSERT_EQ(got.Height(), want.Height());
                    EXPECT_TRUE(got.SamePixels(want))
                        << cut << resample << " " << angle << " " << flips;
                }
}

TEST(ProcessChain, OutputSizes) {
    const struct {
        ProcessOptions options;
        int width, height;
    } cases[] = {
        {{}, 400, 300},
        {{CutRect{10, 20, 100, 50}, PictureSize{640, 480}, 90, true, false}, 480, 640},
        {{CutRect{10, 20, 100, 50}, std::nullopt, 270, false, true}, 50, 100},
        // A cut larger than the picture is clipped to it.
        {{CutRect{350, 280, 100, 50}, std::nullopt, 0, false, false}, 50, 20},
        {{CutRect{-5, -5, 100, 50}, std::nullopt, 180, false, false}, 95, 45},
    };
    for (const auto& c : cases) {
        TBitmap picture(400, 300), work;
        const TBitmap& got = TransformMapped(picture, work, c.options);
        EXPECT_EQ(got.Width(), c.width);
        EXPECT_EQ(got.Height(), c.height);
    }
    TBitmap picture(400, 300), work;
    EXPECT_THROW(TransformMapped(picture, work, {CutRect{400, 0, 5, 5}, {}, 0, false, false}),
                 ImageError);
}

TEST(ProcessFields, OptionsNeedEveryFieldOfAGroup) {
    ProcessFields f = CutFields("1", "2", "3", "");
    f.resampleWidth = "640";
    EXPECT_FALSE(OptionsFromFields(f).cut || OptionsFromFields(f).resample);
    f.cutHeight = "4";
    f.resampleHeight = "5";  // kept to the range leaving the field would give
    const ProcessOptions o = OptionsFromFields(f);
    EXPECT_EQ(o.cut.value_or(CutRect{}), (CutRect{1, 2, 3, 4}));
    EXPECT_EQ(o.resample.value_or(PictureSize{}).height, 10);
    f.cutX = "x1";
    EXPECT_THROW(OptionsFromFields(f), ConvertError);
}

TEST(ProcessFields, LeavingAFieldFitsItToThePicture) {
    // Picture 200 x 100. Fields before: X, Y, Width, Height; the field left; fields after.
    const struct {
        CutField field;
        const char* before[4];
        const char* after[4];
    } cases[] = {
        {CutField::X, {"-5", "", "", ""}, {"0", "", "", ""}},
        {CutField::X, {"500", "", "", ""}, {"199", "", "", ""}},
        {CutField::X, {"150", "", "80", ""}, {"150", "", "50", ""}},
        {CutField::Y, {"", "99", "", "7"}, {"", "99", "", "1"}},
        {CutField::Width, {"10", "", "400", ""}, {"10", "", "190", ""}},
        {CutField::Width, {"", "", "", ""}, {"", "", "1", ""}},
        {CutField::Height, {"", "30", "", "90"}, {"", "30", "", "70"}},
    };
    for (const auto& c : cases) {
        ProcessFields f = CutFields(c.before[0], c.before[1], c.before[2], c.before[3]);
        ValidateCutField(c.field, f, 200, 100);
        EXPECT_EQ(f.cutX + "," + f.cutY + "," + f.cutWidth + "," + f.cutHeight,
                  std::string(c.after[0]) + "," + c.after[1] + "," + c.after[2] + "," + c.after[3]);
    }
    ProcessFields none = CutFields("500", "", "-2", "");  // no picture shown: only the sign rules
    ValidateCutField(CutField::X, none, 0, 0);
    ValidateCutField(CutField::Width, none, 0, 0);
    EXPECT_EQ(none.cutX, "500");
    EXPECT_EQ(none.cutWidth, "1");

    const std::pair<const char*, const char*> resample[] = {
        {"5", "10"}, {"20000", "10000"}, {"abc", "100"}, {"", "100"}, {"640", "640"}, {"0x20", "32"}};
    for (const auto& [text, want] : resample) EXPECT_EQ(ValidateResampleField(text), want) << text;
}

TEST(ProcessFields, PresetsNameTheSizesTheyFill) {
    const auto& presets = ResamplePresets();
    ASSERT_FALSE(presets.empty());
    EXPECT_STREQ(presets[0].width, "");
    EXPECT_STREQ(presets[0].height, "");
    for (std::size_t i = 1; i < presets.size(); ++i)
        EXPECT_EQ(std::string(presets[i].item),
                  std::string(presets[i].width) + "x" + presets[i].height);
}

TEST(PreviewMapping, ShrunkPicturesMapBackToTheirPixels) {
    // Own size when it fits; else the width or the height fills, the other truncated.
    const int cases[][6] = {{100, 50, 400, 300, 100, 50},   {800, 400, 400, 300, 400, 200},
                            {300, 600, 400, 300, 150, 300}, {1000, 333, 300, 100, 300, 99},
                            {0, 0, 400, 300, 0, 0}};
    for (const auto& c : cases) {
        const PictureSize shown = DisplayedSize(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(std::make_pair(shown.width, shown.height), std::make_pair(c[4], c[5])) << c[0];
    }
    const auto p = ControlToPicturePixel(399, 199, 800, 400, 400, 300);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 798);
    EXPECT_EQ(p->y, 398);
    EXPECT_FALSE(ControlToPicturePixel(5, 5, 0, 0, 400, 300));  // nothing previewed yet
    EXPECT_FALSE(ControlToPicturePixel(5, 5, 100, 100, 0, 0));
}

TEST(PreviewMapping, DragsSelectTheSameCutEitherWay) {
    const auto forward = CutFromDrag({10, 20}, {109, 69}, 200, 100);
    const auto backward = CutFromDrag({109, 69}, {10, 20}, 200, 100);
    const auto crossed = CutFromDrag({109, 20}, {10, 69}, 200, 100);
    ASSERT_TRUE(forward);
    EXPECT_EQ(*forward, (CutRect{10, 20, 100, 50}));
    EXPECT_EQ(*backward, *forward);
    EXPECT_EQ(*crossed, *forward);
    EXPECT_FALSE(CutFromDrag({10, 20}, {10, 20}, 200, 100));  // a click
    EXPECT_FALSE(CutFromDrag({10, 20}, {11, 20}, 200, 100));  // one row
    EXPECT_FALSE(CutFromDrag({10, 20}, {200, 50}, 200, 100));  // leaves the picture
    EXPECT_FALSE(CutFromDrag({-1, 20}, {50, 50}, 200, 100));
}

TEST(Batch, OutputPaths) {
    EXPECT_EQ(CorrectedPath("/photos/trip/a.JPG"), "/photos/trip/corrected/a.JPG");
    EXPECT_EQ(CorrectedPath("/photos/corrected/a.jpeg"), "/photos/corrected/corrected/a.jpeg");
    EXPECT_EQ(CorrectedPath("a.jpg"), "corrected/a.jpg");
}

using Recorder = StepRecorder;

TEST(Batch, WritesEveryGoodFileNamesTheOthersAndStopsWhenCancelled) {
    TempFolder folder;
    const std::string other = folder.File("other");
    std::filesystem::create_directory(other);
    const TBitmap source = GradientPicture(48, 32);
    const std::vector<std::string> files = {folder.File("a.jpg"), folder.File("broken.jpg"),
                                            other + "/b.jpeg", folder.File("missing.jpg")};
    SaveJpegFile(source, files[0], 100);
    WriteBytes(files[1], {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
    SaveJpegFile(source, files[2], 100);
    ProcessOptions options;
    options.angle = 90;
    Recorder progress;
    const BatchOutcome outcome = CorrectFiles(files, InvertingTables(), options, progress);
    EXPECT_EQ(progress.total, 4);
    EXPECT_EQ(progress.steps, 4);
    EXPECT_EQ(outcome.written, 2);
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].path, files[1]);
    EXPECT_EQ(outcome.failures[1].path, files[3]);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(LoadJpegFile(CorrectedPath(files[2])).Width(), 32);  // its own folder's "corrected"
    EXPECT_FALSE(FileExists(CorrectedPath(files[1])));

    // A cancel stops between two files.
    std::filesystem::remove_all(folder.File("corrected"));
    Recorder cancelling;
    cancelling.cancelAfter = 1;
    const BatchOutcome cancelled = CorrectFiles({files[2], files[0]}, InvertingTables(), options, cancelling);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.written, 1);
    EXPECT_FALSE(FileExists(CorrectedPath(files[0])));
}

TEST(Batch, NeverReplacesAListedSource) {
    TempFolder folder;
    const TBitmap picture = GradientPicture(16, 16);
    const std::string top = folder.File("x.jpg");
    const std::string inner = folder.File("corrected/x.jpg");
    std::filesystem::create_directory(folder.File("corrected"));
    SaveJpegFile(picture, top, 100);
    SaveJpegFile(picture, inner, 100);
    const std::vector<uint8_t> innerBytes = ReadBytes(inner);
    // A folder "corrected" that links back to the pictures' own folder.
    TempFolder linked;
    const std::string looped = linked.File("y.jpg");
    SaveJpegFile(picture, looped, 100);
    const std::vector<uint8_t> loopedBytes = ReadBytes(looped);
    ASSERT_EQ(::symlink(linked.Path().c_str(), linked.File("corrected").c_str()), 0);

    Recorder progress;
    const BatchOutcome outcome =
        CorrectFiles({inner, top, looped}, InvertingTables(), {}, progress);
    EXPECT_EQ(outcome.written, 1);  // inner, into corrected/corrected
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].path, top);
    EXPECT_EQ(outcome.failures[1].path, looped);
    EXPECT_EQ(ReadBytes(inner), innerBytes);
    EXPECT_EQ(ReadBytes(looped), loopedBytes);
    EXPECT_TRUE(FileExists(folder.File("corrected/corrected/x.jpg")));
}

TEST(Batch, ADamagedPictureIsAFailureAndTheOthersAreWritten) {
    TempFolder folder;
    const std::string cut = folder.File("cut.jpg"), whole = folder.File("whole.jpg");
    const int rowsRead = WriteWholeAndCutOffJpeg(whole, cut);

    Recorder progress;
    const BatchOutcome outcome = CorrectFiles({cut, whole}, InvertingTables(), {}, progress);
    EXPECT_EQ(outcome.written, 1);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, cut);
    EXPECT_EQ(outcome.failures[0].reason,
              "damaged: only the first " + std::to_string(rowsRead) + " rows could be read");
    EXPECT_FALSE(FileExists(CorrectedPath(cut)));
    EXPECT_TRUE(FileExists(CorrectedPath(whole)));
}

}  // namespace

TEST(Batch, APictureAboveTheMemoryBudgetIsRefusedWithItsFigure) {
    TempFolder folder;
    const std::vector<std::string> files = {folder.File("big.jpg"), folder.File("small.jpg")};
    SaveJpegFile(GradientPicture(640, 480), files[0], 90);  // 921600 bytes decoded
    SaveJpegFile(GradientPicture(32, 16), files[1], 90);
    ScopedPictureMemoryBudget budget(100000);
    Recorder progress;
    const BatchOutcome outcome = CorrectFiles(files, InvertingTables(), ProcessOptions(), progress);
    EXPECT_EQ(outcome.written, 1);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, files[0]);
    EXPECT_NE(outcome.failures[0].reason.find("needs 1 MB of memory"), std::string::npos)
        << outcome.failures[0].reason;
    EXPECT_FALSE(FileExists(CorrectedPath(files[0])));
}

// Every byte through its own channel's table, at every row length (the mapping works on wide
// stretches of a row, so the ends of rows and pixels split across stretches are checked), and
// rows outside the range asked for are left alone.
TEST(MapColors, EveryByteGoesThroughItsChannelsTable) {
    ByteTables t;
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v)
            t.channel[c][v] = static_cast<uint8_t>(v * (2 * c + 3) + 17 * c + 1);
    for (int32_t width : {1, 2, 20, 21, 22, 42, 43, 63, 64, 65, 128, 200, 1001}) {
        TBitmap picture(width, 4);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t i = 0; i < 3 * width; ++i)
                picture.ScanLine(y)[i] = static_cast<uint8_t>(i * 7 + y * 89 + i * i / 5);
        TBitmap expected;
        CopyImage(picture, expected);
        for (int32_t y = 1; y < 3; ++y)
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* p = expected.ScanLine(y) + 3 * x;
                p[0] = t.channel[kBlue][p[0]];
                p[1] = t.channel[kGreen][p[1]];
                p[2] = t.channel[kRed][p[2]];
            }
        MapColorRows(picture, t, 1, 3);
        EXPECT_TRUE(picture.SamePixels(expected)) << "width " << width;
        for (int32_t y = 0; y < 4; ++y)  // the padding stays zero
            for (std::size_t i = 3 * static_cast<std::size_t>(width); i < picture.Stride(); ++i)
                EXPECT_EQ(picture.ScanLine(y)[i], 0) << "width " << width;
    }
}
