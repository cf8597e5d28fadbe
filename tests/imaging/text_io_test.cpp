#include <locale.h>

#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "image_error.h"
#include "test_support.h"
#include "text_io.h"

namespace {

// Reads up to four "%i" fields; returns how many matched and the values.
std::pair<int, std::vector<int32_t>> Ints(const std::string& text, int count) {
    std::vector<int32_t> values(static_cast<size_t>(count), -777);
    const int matched = ScanInts(text, values.data(), count);
    values.resize(static_cast<size_t>(matched));
    return {matched, values};
}

using V = std::vector<int32_t>;

std::string ConvertMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const ConvertError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(ScanInts, ReadsLikeScanfPercentI) {
    EXPECT_EQ(Ints("010", 1), (std::pair{1, V{8}}));          // octal after a leading 0
    EXPECT_EQ(Ints("0x1F", 1), (std::pair{1, V{31}}));        // hexadecimal
    EXPECT_EQ(Ints("-0X1f +12", 2), (std::pair{2, V{-31, 12}}));
    EXPECT_EQ(Ints(" 5", 1), (std::pair{1, V{5}}));           // white space skipped
    EXPECT_EQ(Ints("\r\n\t 7\r\n-8", 2), (std::pair{2, V{7, -8}}));
    EXPECT_EQ(Ints("10 ,20", 2), (std::pair{1, V{10}}));      // ',' stops the scan
    EXPECT_EQ(Ints("+-3", 1), (std::pair{0, V{}}));
    EXPECT_EQ(Ints("", 1), (std::pair{0, V{}}));
    EXPECT_EQ(Ints("   ", 2), (std::pair{0, V{}}));
    EXPECT_EQ(Ints("08", 2), (std::pair{2, V{0, 8}}));        // 8 is no octal digit
    EXPECT_EQ(Ints("0x", 1), (std::pair{1, V{0}}));           // "0x" without a digit is 0
    EXPECT_EQ(Ints("12abc 4", 2), (std::pair{1, V{12}}));
    EXPECT_EQ(Ints("99999999999 -99999999999", 2), (std::pair{2, V{INT32_MAX, INT32_MIN}}));
    EXPECT_EQ(Ints("-2147483648 2147483647", 2), (std::pair{2, V{INT32_MIN, INT32_MAX}}));
}

TEST(TextScanner, MixedFieldsLiteralsAndStopping) {
    TextScanner scan("/pics/a.jpg\t12\t-3.5e1\r\n7,8");
    std::string word;
    int32_t a = 0, b = 0, c = 0;
    double d = 0;
    EXPECT_TRUE(scan.ReadWord(word));
    EXPECT_EQ(word, "/pics/a.jpg");
    EXPECT_TRUE(scan.ReadInt(a));
    EXPECT_TRUE(scan.ReadDouble(d));
    EXPECT_TRUE(scan.ReadInt(b));
    EXPECT_TRUE(scan.ReadLiteral(','));
    EXPECT_TRUE(scan.ReadInt(c));
    EXPECT_EQ(a, 12);
    EXPECT_DOUBLE_EQ(d, -35.0);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(c, 8);
    EXPECT_EQ(scan.Matched(), 5);
    EXPECT_TRUE(scan.AtEnd());
    // After a mismatch nothing more is read, as with scanf.
    TextScanner stop("1 x 2");
    EXPECT_TRUE(stop.ReadInt(a));
    EXPECT_FALSE(stop.ReadInt(a));
    EXPECT_FALSE(stop.ReadWord(word));
    EXPECT_TRUE(stop.Failed());
    EXPECT_EQ(stop.Matched(), 1);
    EXPECT_EQ(stop.Rest(), "x 2");
}

TEST(ScanDoubles, ReadsLikeScanfPercentLfWhateverTheLocale) {
    // A Qt application adopts the user's locale; files still use '.'.
    const char* previous = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool german = setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                        setlocale(LC_NUMERIC, "ru_RU.UTF-8") != nullptr;
    double v[3] = {};
    EXPECT_EQ(ScanDoubles(" 1.5\t-2e3\n.25", v, 3), 3);
    EXPECT_DOUBLE_EQ(v[0], 1.5);
    EXPECT_DOUBLE_EQ(v[1], -2000);
    EXPECT_DOUBLE_EQ(v[2], 0.25);
    EXPECT_EQ(ScanDoubles("3,5", v, 2), 1);
    EXPECT_DOUBLE_EQ(v[0], 3);
    EXPECT_EQ(ScanDoubles("+-1", v, 1), 0);
    EXPECT_EQ(ScanDoubles("", v, 1), 0);
    float f = 0;
    TextScanner scan("0.8");
    EXPECT_TRUE(scan.ReadFloat(f));
    EXPECT_EQ(f, 0.8f);
    EXPECT_EQ(FormatText("%.2f\t%i\t%s", 1.5, -3, "x"), "1.50\t-3\tx");
    setlocale(LC_NUMERIC, saved.c_str());
    if (!german) GTEST_LOG_(INFO) << "no comma locale installed; checked in the C locale only";
}

TEST(LenientConversions, TakeWhatTheyCanLikeAtoiAndAtof) {
    EXPECT_EQ(LenientToInt("42"), 42);
    EXPECT_EQ(LenientToInt("  -17px"), -17);
    EXPECT_EQ(LenientToInt("010"), 10);  // decimal only, unlike "%i"
    EXPECT_EQ(LenientToInt("0x1F"), 0);
    EXPECT_EQ(LenientToInt("abc"), 0);
    EXPECT_EQ(LenientToInt(""), 0);
    EXPECT_EQ(LenientToInt("+-3"), 0);
    EXPECT_EQ(LenientToInt("99999999999"), INT32_MAX);
    EXPECT_DOUBLE_EQ(LenientToDouble(" 2.5e2x"), 250);
    EXPECT_DOUBLE_EQ(LenientToDouble("x"), 0);
    EXPECT_DOUBLE_EQ(LenientToDouble(""), 0);
    EXPECT_DOUBLE_EQ(LenientToDouble("-.5"), -0.5);
}

TEST(StrictConversions, AcceptWholeNumbersOnlyAndNameTheText) {
    EXPECT_EQ(StrToInt("123"), 123);
    EXPECT_EQ(StrToInt(" -45"), -45);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ConvertMessage([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
    EXPECT_EQ(ConvertMessage([] { StrToInt(""); }), "'' is not a valid integer value");
    for (const char* bad : {"12 ", "1.5", "+", "2147483648", "-2147483649", "$", "0x", "1e3", "+-3"})
        EXPECT_THROW(StrToInt(bad), ConvertError) << bad;
    int32_t v = 5;
    EXPECT_FALSE(TryStrToInt("x", v));
    EXPECT_EQ(v, 5);
    EXPECT_DOUBLE_EQ(StrToFloat(" 1.25 "), 1.25);
    EXPECT_DOUBLE_EQ(StrToFloat("-3e-2"), -0.03);
    EXPECT_EQ(ConvertMessage([] { StrToFloat("1,5"); }), "'1,5' is not a valid floating point value");
    for (const char* bad : {"", "nan", "inf", "0x1p3", "1e999", "."}) EXPECT_THROW(StrToFloat(bad), ConvertError) << bad;
}

TEST(LineReader, PiecesOfABufferSizeWithLineEndsRemoved) {
    // Lines end with CR LF, LF or a lone CR.
    LineReader reader("LANG=rus\r\nsecond\nthird\rlast");
    std::string line;
    std::vector<std::string> lines;
    while (reader.ReadLine(200, line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"LANG=rus", "second", "third", "last"}));

    // A 200-byte buffer takes 199 characters; the rest of the line is a piece of its own.
    const std::string longLine(450, 'a');
    LineReader pieces(longLine + "\r\nnext\r\n");
    std::string piece;
    std::vector<size_t> sizes;
    while (pieces.ReadLine(200, piece)) sizes.push_back(piece.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{199, 199, 52, 4}));

    // Exactly 199 characters: the line end goes with them, no empty piece follows.
    LineReader exact(std::string(199, 'b') + "\r\nc\r\n");
    EXPECT_TRUE(exact.ReadPiece(200, piece));
    EXPECT_EQ(piece, std::string(199, 'b') + "\r\n");
    EXPECT_TRUE(exact.ReadLine(200, piece));
    EXPECT_EQ(piece, "c");
    EXPECT_FALSE(exact.ReadLine(200, piece));

    // Every line end is one line, CR LF included; trimming keeps a line's first character,
    // so a line that holds nothing but its end keeps one character of it.
    LineReader blank("\r\n\n\r\rx");
    lines.clear();
    while (blank.ReadLine(200, line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"\r", "\n", "\r", "\r", "x"}));
    LineReader whole(longLine + "\rz");
    EXPECT_TRUE(whole.ReadLine(line));
    EXPECT_EQ(line, longLine);
    EXPECT_TRUE(whole.ReadLine(line));
    EXPECT_EQ(line, "z");
    EXPECT_FALSE(whole.ReadLine(line));
}

TEST(TrimLineEnd, ScansBackButKeepsTheFirstCharacter) {
    EXPECT_EQ(TrimLineEnd("abc\r\n"), "abc");
    EXPECT_EQ(TrimLineEnd("abc\n\r\r\n"), "abc");
    EXPECT_EQ(TrimLineEnd("a\rb\n"), "a\rb");
    EXPECT_EQ(TrimLineEnd("\r\n"), "\r");  // the first character is never removed
    EXPECT_EQ(TrimLineEnd("\n"), "\n");
    EXPECT_EQ(TrimLineEnd(""), "");
}

TEST(TextFiles, WrittenWithCrLfAndReadBack) {
    TempFolder tmp;
    std::string out;
    AppendLine(out, FormatText("%i\t%i", 640, 480));
    AppendLine(out, "/pics/a b.jpg");
    WriteTextFile(tmp.File("p.txt"), out);
    std::string back;
    ASSERT_TRUE(ReadTextFile(tmp.File("p.txt"), back));
    EXPECT_EQ(back, "640\t480\r\n/pics/a b.jpg\r\n");
    EXPECT_FALSE(ReadTextFile(tmp.File("missing.txt"), back));
    EXPECT_THROW(WriteTextFile(tmp.File("no/such.txt"), out), ImageError);
}
