// Colour tables as 1D .cube files for other programs.
#include "cube_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image_error.h"

namespace {

ColorTable RandomTable(unsigned seed) {
    std::mt19937 rng(seed);
    ColorTable t;
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v) t.Set(c, v, static_cast<int32_t>(rng() % 256));
    return t;
}

ColorTable Identity() {
    ColorTable t;
    for (int c = 0; c < kChannelCount; ++c) t.SetCurve(c, IdentityCurve());
    return t;
}

std::string Cube(const std::string& body) { return "TITLE \"t\"\nLUT_1D_SIZE 3\n" + body; }

TEST(CubeFile, ResultToCubeAndBackGivesTheSameTable) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const ColorTable table = RandomTable(seed);
        EXPECT_EQ(ParseCubeFile(FormatCubeFile(table, "random")), table) << seed;
    }
    const std::string text = FormatCubeFile(Identity(), "Say \"hi\"");
    EXPECT_EQ(text.rfind(
              "TITLE \"Say hi\"\r\nLUT_1D_SIZE 256\r\nDOMAIN_MIN 0.0 0.0 0.0\r\nDOMAIN_MAX 1.0 1.0 1.0\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n0.003921569 0.003921569 0.003921569\r\n"), std::string::npos);
    EXPECT_EQ(ParseCubeFile(text), Identity());
}

TEST(CubeFile, OtherSizesAndDomainsAreResampledLinearly) {
    // Two entries from black to white: the identity, whatever the line ends.
    EXPECT_EQ(ParseCubeFile("LUT_1D_SIZE 2\r\n0 0 0\r\n1 1 1\r\n"), Identity());
    EXPECT_EQ(ParseCubeFile("# made elsewhere\rLUT_1D_SIZE 2\r0 0 0\r1 1 1"), Identity());
    // Three entries: red rises then falls, green is flat, blue falls.
    const ColorTable t = ParseCubeFile(Cube("0 0.5 1\n1 0.5 0.5\n0 0.5 0\n"));
    EXPECT_EQ(t.Value(kRed, 0), 0);
    EXPECT_EQ(t.Value(kRed, 64), 128);     // 64/255 * 2 = 0.502 of the way to 1
    EXPECT_EQ(t.Value(kRed, 128), 254);    // just past the middle entry
    EXPECT_EQ(t.Value(kRed, 255), 0);
    EXPECT_EQ(t.Value(kGreen, 200), 128);  // 0.5 * 255 = 127.5 rounds up
    EXPECT_EQ(t.Value(kBlue, 255), 0);
    // A domain narrower than 0..1: inputs outside it take the end entries.
    const ColorTable d = ParseCubeFile("LUT_1D_SIZE 2\nDOMAIN_MIN 0.2 0.2 0.2\nDOMAIN_MAX 0.6 0.6 0.6\n0 0 0\n1 1 1\n");
    EXPECT_EQ(d.Value(kRed, 40), 0);
    EXPECT_EQ(d.Value(kRed, 102), 128);  // 0.4 is the middle of the domain
    EXPECT_EQ(d.Value(kRed, 200), 255);
    EXPECT_EQ(ParseCubeFile("LUT_1D_INPUT_RANGE 0.2 0.6\nLUT_1D_SIZE 2\n0 0 0\n1 1 1\n"), d);
    // The largest size reads.
    std::string big = "LUT_1D_SIZE 65536\n";
    for (int i = 0; i < 65536; ++i) big += "0.5 0.5 0.5\n";
    EXPECT_EQ(ParseCubeFile(big).Value(kBlue, 17), 128);
}

TEST(CubeFile, MalformedFilesAreRefusedNamingTheLine) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"NaN", Cube("0 0 0\nnan 0 0\n1 1 1\n"), "line 4: 'nan' is not a number"},
        {"above one", Cube("0 0 0\n0.5 1.01 0\n1 1 1\n"), "line 4: a value lies outside 0..1"},
        {"negative", Cube("-0.1 0 0\n0.5 0 0\n1 1 1\n"), "line 3: a value lies outside 0..1"},
        {"too few lines", Cube("0 0 0\n1 1 1\n"), "line 4: only 2 of 3 entries"},
        {"too many lines", Cube("0 0 0\n0 0 0\n1 1 1\n1 1 1\n"), "line 6: more entries"},
        {"two numbers", Cube("0 0\n"), "line 3: three numbers expected"},
        {"3D table", "LUT_3D_SIZE 2\n0 0 0\n", "line 1: a 3D table"},
        {"size one", "LUT_1D_SIZE 1\n0 0 0\n", "line 1: LUT_1D_SIZE must be"},
        {"size too large", "LUT_1D_SIZE 65537\n", "line 1: LUT_1D_SIZE must be"},
        {"size not a number", "LUT_1D_SIZE many\n", "line 1: LUT_1D_SIZE must be"},
        {"no size", "0 0 0\n", "line 1: values come before LUT_1D_SIZE"},
        {"empty file", "", "line 0: no LUT_1D_SIZE"},
        {"unknown keyword", "LUT_1D_SIZE 2\nGAMMA 2.2\n", "line 2: unknown keyword 'GAMMA'"},
        {"empty domain", "DOMAIN_MIN 0.5 0 0\nDOMAIN_MAX 0.5 1 1\n", "line 2: the domain is empty"},
    };
    for (const Case& c : cases) {
        try {
            ParseCubeFile(c.text);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ImageError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
        }
    }
}

TEST(CubeFile, ExportNeedsAWholeTableOfBytes) {
    ColorTable gap = RandomTable(4);
    gap.Erase(kGreen, 17);
    EXPECT_THROW(FormatCubeFile(gap, ""), ImageError);
    ColorTable wide = RandomTable(5);
    wide.Set(kBlue, 3, 256);
    try {
        FormatCubeFile(wide, "");
        ADD_FAILURE() << "a value beyond 255 was written";
    } catch (const ImageError& e) {
        EXPECT_STREQ(e.what(), "the Result table's blue value for 3 is 256, outside 0..255");
    }
}

}  // namespace
