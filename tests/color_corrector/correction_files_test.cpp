#include <gtest/gtest.h>

#include "correction_files.h"
#include "image_error.h"
#include "test_support.h"
#include "text_io.h"

namespace {

std::string WithLineEnds(std::string text, const std::string& end) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += end;
        else out += c;
    }
    return out;
}

TEST(PointsFile, APathWithALineBreakIsRefusedAndOneWithATabKept) {
    PointList list;
    list.SetReferencePoint(1, 2);
    TempFolder folder;
    const std::string path = folder.File("p.txt");
    for (const char* broken : {"/x/nl\nnew", "/x/cr\r.jpg"}) {
        EXPECT_THROW(SavePointsFile(path, "/x/a.jpg", broken, list), UnwritableValueError);
        EXPECT_FALSE(FileExists(path));
    }
    try {
        FormatPointsFile("/tmp/bf/nl\nnew", "/x/b.jpg", list);
        ADD_FAILURE() << "no refusal";
    } catch (const UnwritableValueError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The path \"/tmp/bf/nl<LF>new\" holds a line break (LF), which a points file "
                  "cannot hold; nothing was saved.");
    }
    // A path takes its whole line, so a TAB in it comes back as it went.
    const PointsFileContent content =
        ParsePointsFile(FormatPointsFile("/x/tab\tref.jpg", "/x/b.jpg", list));
    EXPECT_EQ(content.referencePath, "/x/tab\tref.jpg");
}

TEST(PointsFile, WrittenWithCrLfAndReadBackWithAnyLineEnd) {
    PointList list;
    list.SetReferencePoint(10, 20);
    list.SetSamplePoint(30, 40);
    list.SetReferencePoint(5, 6);  // unfinished: empty fields
    const std::string longPath = "/pictures/" + std::string(300, 'a') + ".jpg";
    const std::string text = FormatPointsFile(longPath, "C:\\b.jpg", list);
    EXPECT_EQ(text, longPath + "\r\nC:\\b.jpg\r\n10\t20\t30\t40\r\n5\t6\t\t\r\n");

    TempFolder folder;
    SavePointsFile(folder.File("p.txt"), longPath, "C:\\b.jpg", list);
    std::string saved;
    ASSERT_TRUE(ReadTextFile(folder.File("p.txt"), saved));
    EXPECT_EQ(saved, text);

    const std::string complete = longPath + "\nC:\\b.jpg\n10\t20\t30\t40\n0x10 010 -3 +4\n";
    for (const char* end : {"\r\n", "\n", "\r"}) {
        const PointsFileContent content = ParsePointsFile(WithLineEnds(complete, end));
        EXPECT_EQ(content.referencePath, longPath);
        EXPECT_EQ(content.samplePath, "C:\\b.jpg");
        ASSERT_EQ(content.records.size(), 2u);
        EXPECT_EQ(content.records[1], (PointRecord{16, 8, -3, 4}));
        EXPECT_EQ(content.stoppedAtLine, 0);
    }
}

TEST(PointsFile, ReadingStopsAtTheFirstGroupThatIsNotFourIntegers) {
    struct Case {
        std::string text;
        std::size_t records;
        int stoppedAtLine;
    };
    const Case cases[] = {
        {"a\nb\n", 0, 0},
        {"", 0, 0},
        {"a\nb\n1 2 3 4\n5\t6\t\t\n", 1, 4},  // an unfinished record as "Save points" writes it
        {"a\nb\n1 2 3 4\r\n\r\nx 1 2 3\n1 2 3 4\n", 1, 5},
        {"a\nb\n1 2\n3 4\n5 6 7 8.5\n", 2, 5},
        {"a\r\nb\r\n1 2 3 4 99999999999 1 1 1", 2, 0},  // out-of-range values are clamped
    };
    for (const Case& c : cases) {
        const PointsFileContent content = ParsePointsFile(c.text);
        EXPECT_EQ(content.records.size(), c.records) << c.text;
        EXPECT_EQ(content.stoppedAtLine, c.stoppedAtLine) << c.text;
    }
}

TEST(ColorTableFile, WrittenWithCrLfAndReadBack) {
    ColorTable result;
    for (int c = 0; c < kChannelCount; ++c) result.SetCurve(c, IdentityCurve());
    result.Set(kGreen, 7, -12);
    result.Erase(kBlue, 255);
    const std::string text = FormatColorTableFile(result);
    EXPECT_EQ(text.substr(0, 7), "0\t0\t0\r\n");
    EXPECT_EQ(text.substr(text.size() - 10), "255\t255\t\r\n");

    TempFolder folder;
    SaveColorTableFile(folder.File("t.txt"), result);
    std::string saved;
    ASSERT_TRUE(ReadTextFile(folder.File("t.txt"), saved));
    EXPECT_EQ(saved, text);

    result.Set(kBlue, 255, 255);
    for (const char* end : {"\r\n", "\n"}) {
        const ColorTableFileContent content =
            ParseColorTableFile(WithLineEnds(FormatColorTableFile(result), end));
        EXPECT_EQ(content.rowsRead, 256);
        EXPECT_EQ(content.result, result);
    }
}

TEST(ColorTableFile, ShortOrJunkFilesFillOnlyTheRowsRead) {
    struct Case {
        std::string text;
        int rowsRead;
    };
    const Case cases[] = {
        {"", 0},
        {"junk", 0},
        {"0 0 0\n1 1 1\n2 2\n", 2},
        {"0\t0\t0\n1\t1\tx\n2 2 2\n", 1},
        {"0 0 0 1 1 1 2 2 2", 3},  // any white space separates the values
    };
    for (const Case& c : cases) {
        const ColorTableFileContent content = ParseColorTableFile(c.text);
        EXPECT_EQ(content.rowsRead, c.rowsRead) << c.text;
        for (int v = 0; v < kTableSize; ++v)
            for (int ch = 0; ch < kChannelCount; ++ch)
                ASSERT_EQ(content.result.Has(ch, v), v < c.rowsRead) << c.text << " " << v;
    }
    std::string zeros;
    for (int v = 0; v < 300; ++v) zeros += "0\t0\t0\n";
    const ColorTableFileContent content = ParseColorTableFile(zeros);
    EXPECT_EQ(content.rowsRead, 256);
    EXPECT_EQ(content.result.CellText(kBlue, 255), "0");
}

}  // namespace
