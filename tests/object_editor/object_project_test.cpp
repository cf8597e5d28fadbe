#include "object_project.h"

#include <gtest/gtest.h>

#include "image_error.h"
#include "jpeg_image.h"
#include "test_support.h"

TEST(ProjectFile, WritesTheSizeLineAndOneTabSeparatedLinePerRowWithCrLf) {
    ProjectRow row;
    row.path = "/photos/a.jpg";
    row.sx = "10";
    row.sy = "-5";
    row.rotate = "2.5";
    row.scale = "1.1";
    EXPECT_EQ(FormatProjectFile("800", "600", {row}),
              "800\t600\r\n/photos/a.jpg\t10\t-5\t2.5\t1.1\r\n");
    // The empty row of a new project writes four TABs; texts go out as they stand.
    EXPECT_EQ(FormatProjectFile("8 0", "", {ProjectRow{"", "", "", "", ""}}), "8 0\t\r\n\t\t\t\t\r\n");
}

TEST(ProjectFile, ReadsWhatItWroteWhateverTheLineEnds) {
    std::vector<ProjectRow> rows = {{"/p/a.jpg", "10", "-5", "2.5", "1.1"},
                                    {"/p/b c.jpg", "x", "0", "-3", "0.9"}};
    const std::string crlf = FormatProjectFile("1024", "768", rows);
    std::string lf, cr;
    for (char c : crlf) {
        if (c != '\r') lf += c;
        if (c != '\n') cr += c;
    }
    for (const std::string& text : {crlf, lf, cr, lf.substr(0, lf.size() - 1)}) {
        const ProjectFileContent content = ParseProjectFile(text, "/p");
        EXPECT_EQ(content.width, 1024);
        EXPECT_EQ(content.height, 768);
        EXPECT_EQ(content.rows, rows);
    }
    // Paths written relative to the project (or on another desktop) name files beside it.
    EXPECT_EQ(ParseProjectFile("1 1\nsub\\b.jpg\n", "/data/p.oep").rows.at(0).path,
              "/data/sub/b.jpg");
}

TEST(ProjectFile, ReaderToleratesOddLines) {
    struct Case {
        const char* text;
        std::optional<int32_t> width, height;
        std::vector<ProjectRow> rows;
    } cases[] = {
        // A space or several blanks between the sizes, signs and prefixes as scanf reads them.
        {"640 480\n", 640, 480, {}},
        {" 0x10\t\t-010 junk\n", 16, -8, {}},
        // A first line without two integers keeps what it can; the rows still count.
        {"wide 5\n/a.jpg\t1\t2\t3\t4\n", std::nullopt, std::nullopt, {{"/a.jpg", "1", "2", "3", "4"}}},
        {"300\n", 300, std::nullopt, {}},
        {"", std::nullopt, std::nullopt, {}},
        // Six or more fields keep the first five; fewer take the values of a new image.
        {"1 1\n/a.jpg\t1\t2\t3\t4\t5\t6\n", 1, 1, {{"/a.jpg", "1", "2", "3", "4"}}},
        {"1 1\n/a.jpg\t7\n/b.jpg\n", 1, 1, {{"/a.jpg", "7", "0", "0", "1"}, {"/b.jpg", "0", "0", "0", "1"}}},
        // Lines without a path are no images: blank lines and a saved empty project.
        {"800\t600\r\n\t\t\t\t\r\n\r\n", 800, 600, {}},
        {"1 1\n\n/a.jpg\t\t\t\t\n", 1, 1, {{"/a.jpg", "", "", "", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ProjectFileContent content = ParseProjectFile(c.text, "/");
        EXPECT_EQ(content.width, c.width);
        EXPECT_EQ(content.height, c.height);
        EXPECT_EQ(content.rows, c.rows);
    }
}

TEST(ProjectFile, LongLinesStayWholeAndRowsBeyondTheTableAreCounted) {
    const std::string longPath = "/" + std::string(2500, 'p') + ".jpg";
    std::string text = "800\t600\n";
    for (int i = 0; i < kMaxProjectImages + 3; ++i) text += longPath + "\t1\t2\t3\t4\n";
    const ProjectFileContent content = ParseProjectFile(text, "/");
    ASSERT_EQ(static_cast<int>(content.rows.size()), kMaxProjectImages);
    EXPECT_EQ(content.droppedRows, 3);
    EXPECT_EQ(content.rows.back(), (ProjectRow{longPath, "1", "2", "3", "4"}));
}

TEST(ProjectFile, FileRoundTripAndFailuresNameTheFile) {
    TempFolder folder;
    const std::string path = folder.File("a.oep");
    const std::vector<ProjectRow> rows = {{folder.File("x.jpg"), "1", "2", "3", "4"}};
    WriteProjectFile(path, "800", "600", rows);
    EXPECT_EQ(ReadProjectFile(path).rows, rows);
    try {
        ReadProjectFile(folder.File("missing.oep"));
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(folder.File("missing.oep"), 0), 0u) << e.what();
    }
    EXPECT_THROW(WriteProjectFile(folder.File("no/such/folder.oep"), "1", "1", rows), ImageError);
    // A picture chosen by mistake is refused by name instead of read as rows of junk.
    const std::string picture = folder.File("shot.jpg");
    SaveJpegFile(GradientPicture(16, 16), picture, 90);
    try {
        ReadProjectFile(picture);
        FAIL() << "a picture read as a project";
    } catch (const ImageError& e) {
        EXPECT_EQ(std::string(e.what()), picture + ": the file is not an Object Editor project.");
    }
}

TEST(ProjectFile, APathTheFormatCannotHoldIsRefusedBeforeAnythingIsWritten) {
    TempFolder folder;
    const std::string path = folder.File("a.oep");
    WriteBytes(path, {'o', 'l', 'd'});
    const struct {
        const char* picture;
        const char* said;
    } cases[] = {
        {"/x/tab\tname.jpg", "The path \"/x/tab<TAB>name.jpg\" holds a TAB"},
        {"/x/nl\nnew/a.jpg", "The path \"/x/nl<LF>new/a.jpg\" holds a line break (LF)"},
        {"/x/cr\r.jpg", "The path \"/x/cr<CR>.jpg\" holds a line break (CR)"},
    };
    for (const auto& c : cases) {
        const std::vector<ProjectRow> rows = {{"/x/fine.jpg", "0", "0", "0", "1"},
                                              {c.picture, "0", "0", "0", "1"}};
        try {
            WriteProjectFile(path, "800", "600", rows);
            ADD_FAILURE() << "saved " << c.picture;
        } catch (const UnwritableValueError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string(c.said) + ", which a project file cannot hold; nothing was saved.");
        }
        EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

