#include "view_picture.h"

#include <gtest/gtest.h>

#include <string>

#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "test_support.h"

namespace {

std::string FailureOf(const std::string& description, const ViewSettings& settings) {
    try {
        BuildViewPicture(description, 2, "Detail", settings);
    } catch (const ImageError& e) {
        return e.what();
    }
    return "(built)";
}

}  // namespace

TEST(ViewPicture, BuildsTheChainOnTheDecodedFile) {
    TempFolder folder;
    const TBitmap picture = NumberedPicture(40, 30);
    SaveJpegFile(picture, folder.File("a.jpg"), 100);
    ViewSettings v;
    v.fileName = "C:\\elsewhere\\a.jpg";
    v.cropLeft = 5, v.cropTop = 6, v.cropWidth = 20, v.cropHeight = 10;
    const TBitmap built = BuildViewPicture(folder.File("show.mvw"), 1, "A", v);
    ASSERT_EQ(built.Width(), 20);
    ASSERT_EQ(built.Height(), 10);
    TBitmap expected;
    CropImage(LoadJpegFile(folder.File("a.jpg")), 5, 6, 24, 15, expected);
    EXPECT_TRUE(built.SamePixels(expected));
}

// Users edit these files by hand: every failure names the view, and the picture by the path
// it was looked for under.
TEST(ViewPicture, FailuresNameTheViewAndThePicture) {
    TempFolder folder;
    WriteBytes(folder.File("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
    SaveJpegFile(NumberedPicture(8, 8), folder.File("ok.jpg"), 90);
    const std::string description = folder.File("show.mvw");
    ViewSettings none;
    EXPECT_EQ(FailureOf(description, none),
              "View 2 \"Detail\": no picture file named (its \"filename=\" line is missing or empty)");

    ViewSettings missing;
    missing.fileName = "D:\\pictures\\gone.jpg";
    const std::string gone = FailureOf(description, missing);
    EXPECT_EQ(gone.rfind("View 2 \"Detail\": ", 0), 0u) << gone;
    EXPECT_NE(gone.find(folder.File("gone.jpg")), std::string::npos) << gone;

    ViewSettings notJpeg;
    notJpeg.fileName = "text.jpg";
    const std::string junk = FailureOf(description, notJpeg);
    EXPECT_EQ(junk.rfind("View 2 \"Detail\": \"" + folder.File("text.jpg") + "\": ", 0), 0u) << junk;

    ViewSettings tooSmall;
    tooSmall.fileName = "ok.jpg";
    tooSmall.resizeWidth = 1;
    EXPECT_EQ(FailureOf(description, tooSmall),
              "View 2 \"Detail\": Resize to 1 x -1 pixels: a picture needs at least 2 x 2 pixels");
}
