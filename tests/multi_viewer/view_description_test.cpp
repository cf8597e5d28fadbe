#include "view_description.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "text_io.h"

namespace {

// Every field in one line, so a wrong field shows in the failure message.
std::string Describe(const ViewSettings& v) {
    return FormatText("file[%d]=%s rotate=%d,%d,%d crop=%d,%d,%d,%d resize=%d,%d resample=%g,%g "
                      "mirror=%d,%d gamma=%g brightness=%g contrast=%g inverse=%d grayscale=%d "
                      "colorize=%g,%g,%g",
                      v.hasFileName, v.fileName.c_str(), v.rotateAngle, v.rotateColumn,
                      v.rotateRow, v.cropLeft, v.cropTop, v.cropWidth, v.cropHeight,
                      v.resizeWidth, v.resizeHeight, v.resampleWidth, v.resampleHeight,
                      v.upsideDown, v.leftRight, v.gamma, v.brightness, v.contrast, v.inverse,
                      v.grayscale, v.colorizeRed, v.colorizeGreen, v.colorizeBlue);
}

ViewSettings ReadOnlyView(std::vector<std::string> body) {
    body.insert(body.begin(), "viewname=V");
    const auto v = ReadView(body, 1);
    EXPECT_TRUE(v.has_value());
    return v.value_or(ViewSettings());
}

}  // namespace

// Each value is read as sscanf reads it, and only the fields before the first mismatch change.
TEST(ViewDescription, FieldsFollowTheScanfRules) {
    struct Case {
        std::vector<std::string> body;
        std::function<void(ViewSettings&)> expect;  // applied to the defaults
    };
    const Case cases[] = {
        {{"rotate=30"}, [](ViewSettings& v) { v.rotateAngle = 30; }},
        {{"rotate=010"}, [](ViewSettings& v) { v.rotateAngle = 8; }},
        {{"rotate=0x1f,-1,+7"},
         [](ViewSettings& v) { v.rotateAngle = 31, v.rotateColumn = -1, v.rotateRow = 7; }},
        {{"crop=10, 20,\t30,  40"},
         [](ViewSettings& v) { v.cropLeft = 10, v.cropTop = 20, v.cropWidth = 30, v.cropHeight = 40; }},
        {{"crop=10 ,20,30,40"}, [](ViewSettings& v) { v.cropLeft = 10; }},
        {{"resize=800;600"}, [](ViewSettings& v) { v.resizeWidth = 800; }},
        {{"resize=99999999999,-0"}, [](ViewSettings& v) { v.resizeWidth = INT32_MAX, v.resizeHeight = 0; }},
        {{"resample=0.5"}, [](ViewSettings& v) { v.resampleWidth = 0.5; }},
        {{"resample= 1e1,.25x"}, [](ViewSettings& v) { v.resampleWidth = 10, v.resampleHeight = 0.25; }},
        {{"mirror=1,junk"}, [](ViewSettings& v) { v.upsideDown = 1; }},
        {{"mirror=,1"}, [](ViewSettings&) {}},
        {{"gamma=0.5", "gamma=2"}, [](ViewSettings& v) { v.gamma = 2; }},
        {{"brightness=abc"}, [](ViewSettings&) {}},
        {{"contrast=-1.5", "inverse=1", "grayscale=07"},
         [](ViewSettings& v) { v.contrast = -1.5, v.inverse = 1, v.grayscale = 7; }},
        {{"colorize=1.0,0.8,0.6"},
         [](ViewSettings& v) { v.colorizeRed = 1, v.colorizeGreen = 0.8, v.colorizeBlue = 0.6; }},
        // A repeated key applies field by field on top of the earlier line.
        {{"crop=1,2,3,4", "crop=9"},
         [](ViewSettings& v) { v.cropLeft = 9, v.cropTop = 2, v.cropWidth = 3, v.cropHeight = 4; }},
        // Keys count only at the very start of a line and exactly as written.
        {{"Rotate=5", " rotate=5", "rotate =5", "ROTATE=5", "# rotate=5"}, [](ViewSettings&) {}},
        {{"filename=D:\\pictures\\side.jpg "},
         [](ViewSettings& v) { v.fileName = "D:\\pictures\\side.jpg ", v.hasFileName = true; }},
        {{"filename="}, [](ViewSettings& v) { v.hasFileName = true; }},
    };
    for (const Case& c : cases) {
        ViewSettings expected;
        c.expect(expected);
        EXPECT_EQ(Describe(ReadOnlyView(c.body)), Describe(expected)) << c.body.front();
    }
}

TEST(ViewDescription, ViewsAreFoundByTheirExactFirstLine) {
    const std::string text =
        "comment before the first view\r\n"
        "filename=ignored.jpg\r\n"
        "viewname=Front\r\n"
        "filename=front.jpg\r\n"
        "gamma=0.8\n"
        "Viewname=not a view\r"
        " viewname=not a view either\n"
        "viewname=\r\n"
        "resize=10,20\r\n"
        "viewname=Detail  \r\n"
        "grayscale=1";
    const std::vector<std::string> lines = SplitDescriptionLines(text);
    EXPECT_EQ(ListViews(lines), (std::vector<std::string>{"Front", "", "Detail  "}));

    const auto front = ReadView(lines, 1);
    ASSERT_TRUE(front);
    EXPECT_EQ(front->fileName, "front.jpg");
    EXPECT_EQ(front->gamma, 0.8);
    EXPECT_EQ(front->resizeWidth, -1);  // the next view's lines stay with it

    const auto second = ReadView(lines, 2);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->hasFileName);
    EXPECT_EQ(second->resizeHeight, 20);

    const auto third = ReadView(lines, 3);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->grayscale, 1);
    EXPECT_EQ(third->gamma, 1.0);  // settings do not carry over from an earlier view

    for (int missing : {0, -1, 4}) EXPECT_FALSE(ReadView(lines, missing)) << missing;
    EXPECT_TRUE(ListViews(SplitDescriptionLines("")).empty());
}

// Lines beyond 999 characters are kept whole: a long value stays one value and no piece of it
// can turn into a line of its own.
TEST(ViewDescription, LongLinesStayWhole) {
    const std::string longName = std::string(1500, 'a') + ".jpg";
    const std::string text = "viewname=A\nfilename=" + longName + "\ncomment " +
                             std::string(995, ' ') + "viewname=B\n";
    const auto lines = SplitDescriptionLines(text);
    EXPECT_EQ(ListViews(lines).size(), 1u);
    EXPECT_EQ(ReadView(lines, 1)->fileName, longName);
}

// Paths written on another desktop name the file beside the description by its name; only a
// complete path of this system is used as it stands.
TEST(ViewDescription, ImagePathsResolveBesideTheDescription) {
    const std::string description = "/data/views/show.mvw";
    const std::pair<const char*, const char*> cases[] = {
        {"front.jpg", "/data/views/front.jpg"},
        {"pics\\a.jpg", "/data/views/a.jpg"},
        {"pics/a.jpg", "/data/views/a.jpg"},
        {"D:\\pictures\\side.jpg", "/data/views/side.jpg"},
        {"D:side.jpg", "/data/views/side.jpg"},
        {"\\x\\y.jpg", "/data/views/y.jpg"},
        {"\\\\server\\share\\z.jpg", "/data/views/z.jpg"},
        {"/srv/pictures/b.jpeg", "/srv/pictures/b.jpeg"},
        {"name with blanks .jpg", "/data/views/name with blanks .jpg"},
        {"", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(ResolveImagePath(description, value), expected) << value;
    EXPECT_EQ(ResolveImagePath("show.mvw", "pics\\a.jpg"), "a.jpg");  // relative description
}
