#include <climits>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "image_error.h"
#include "image_ops.h"
#include "pixel_gather.h"
#include "test_support.h"

namespace {

struct Pixel {
    int b, g, r;
    bool operator==(const Pixel& o) const { return b == o.b && g == o.g && r == o.r; }
};

Pixel At(const TBitmap& p, int x, int y) {
    const uint8_t* px = p.ScanLine(y) + 3 * x;
    return {px[0], px[1], px[2]};
}

// Pixels named 'A', 'B', ... row by row; each channel differs so a swapped channel shows.
TBitmap Lettered(int w, int h) {
    TBitmap p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int id = 'A' + y * w + x;
            uint8_t* px = p.ScanLine(y) + 3 * x;
            px[0] = static_cast<uint8_t>(id);
            px[1] = static_cast<uint8_t>(id + 100);
            px[2] = static_cast<uint8_t>(id + 150);
        }
    return p;
}

// The picture as rows of letters, e.g. {"DA", "EB", "FC"}; '.' for a black pixel.
std::vector<std::string> Letters(const TBitmap& p) {
    std::vector<std::string> rows;
    for (int y = 0; y < p.Height(); ++y) {
        std::string row;
        for (int x = 0; x < p.Width(); ++x) {
            const Pixel px = At(p, x, y);
            if (px == Pixel{0, 0, 0}) {
                row += '.';
            } else {
                EXPECT_EQ(px.g, px.b + 100);  // channels kept in place
                EXPECT_EQ(px.r, px.b + 150);
                row += static_cast<char>(px.b);
            }
        }
        rows.push_back(row);
    }
    return rows;
}

using Rows = std::vector<std::string>;

// Row padding must stay zero: four-byte pixel moves must never spill into it.
void ExpectZeroPadding(const TBitmap& p) {
    const size_t rowBytes = static_cast<size_t>(p.Width()) * 3;
    for (int y = 0; y < p.Height(); ++y)
        for (size_t i = rowBytes; i < p.Stride(); ++i)
            ASSERT_EQ(p.ScanLine(y)[i], 0) << "row " << y << " byte " << i;
}

// Checks target against a per-pixel source position, the plain reading of each operation.
void ExpectMapping(const TBitmap& source, const TBitmap& target, int wt, int ht,
                   const std::function<std::pair<int, int>(int, int)>& from) {
    ASSERT_EQ(target.Width(), wt);
    ASSERT_EQ(target.Height(), ht);
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < wt; ++x) {
            const auto [sx, sy] = from(x, y);
            ASSERT_TRUE(At(target, x, y) == At(source, sx, sy)) << x << "," << y;
        }
    ExpectZeroPadding(target);
}

// Runs body once with the SSSE3 paths and once with the plain pixel moves.
void ForBothPaths(const std::function<void()>& body) {
    for (bool simd : {true, false}) {
        SCOPED_TRACE(simd ? "SIMD path" : "plain path");
        SetShufflesEnabled(simd);
        body();
    }
    SetShufflesEnabled(true);
}

}  // namespace

TEST(RotateImage, QuarterTurnsOfThreeByTwo) {
    const TBitmap source = Lettered(3, 2);  // ABC / DEF
    TBitmap target;
    RotateImage(source, target, 90);
    EXPECT_EQ(Letters(target), (Rows{"DA", "EB", "FC"}));
    RotateImage(source, target, 270);
    EXPECT_EQ(Letters(target), (Rows{"CF", "BE", "AD"}));
    RotateImage(source, target, 180);
    EXPECT_EQ(Letters(target), (Rows{"FED", "CBA"}));
    RotateImage(source, target, 0);
    EXPECT_EQ(Letters(target), (Rows{"ABC", "DEF"}));
}

// Sizes that cross tile borders, odd widths with row padding, single rows and columns.
TEST(RotateImage, MatchesThePixelFormulasAtAnySize) {
  ForBothPaths([] {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 7}, std::pair{7, 1}, std::pair{33, 65},
                        std::pair{70, 31}, std::pair{64, 64}, std::pair{5, 130}, std::pair{4, 4},
                        std::pair{8, 12}, std::pair{263, 70}}) {
        const TBitmap source = NumberedPicture(w, h);
        TBitmap target;
        RotateImage(source, target, 90);
        ExpectMapping(source, target, h, w, [&, h = h](int x, int y) { return std::pair{y, h - 1 - x}; });
        RotateImage(source, target, 270);
        ExpectMapping(source, target, h, w, [&, w = w](int x, int y) { return std::pair{w - 1 - y, x}; });
        RotateImage(source, target, 180);
        ExpectMapping(source, target, w, h,
                      [&, w = w, h = h](int x, int y) { return std::pair{w - 1 - x, h - 1 - y}; });
    }
  });
}

// Identities between the operations, on both paths and at sizes with and without whole
// shuffle blocks: four quarter turns give the original, two give the half turn, a mirror and a
// flip give it too, and a crop of the whole picture is a copy.
TEST(CopyOperations, IdentitiesHoldOnBothPaths) {
  ForBothPaths([] {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{33, 17}, std::pair{64, 4}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const TBitmap source = NumberedPicture(w, h);
        TBitmap turned = source, half, other;
        for (int i = 0; i < 2; ++i) RotateImage(turned, turned, 90);
        RotateImage(source, half, 180);
        EXPECT_TRUE(turned.SamePixels(half));
        for (int i = 0; i < 2; ++i) RotateImage(turned, turned, 90);
        EXPECT_TRUE(turned.SamePixels(source));
        MirrorHorizontal(source, other);
        FlipVertical(other, other);
        EXPECT_TRUE(other.SamePixels(half));
        CropImage(source, 0, 0, w - 1, h - 1, other);
        CopyImage(source, turned);
        EXPECT_TRUE(other.SamePixels(turned));
        EXPECT_TRUE(other.SamePixels(source));
    }
  });
}

TEST(RotateImage, TurnsUndoEachOther) {
    const TBitmap source = NumberedPicture(45, 29);
    TBitmap once, twice;
    RotateImage(source, once, 180);
    RotateImage(once, twice, 180);
    EXPECT_TRUE(twice.SamePixels(source));
    RotateImage(source, once, 90);
    RotateImage(once, twice, 270);
    EXPECT_TRUE(twice.SamePixels(source));
    // Four quarter turns through one bitmap passed as both source and target.
    TBitmap same = source;
    for (int i = 0; i < 4; ++i) RotateImage(same, same, 90);
    EXPECT_TRUE(same.SamePixels(source));
}

TEST(RotateImage, UnsupportedAnglesLeaveTheTargetUntouched) {
    const TBitmap source = Lettered(3, 2);
    for (int angle : {45, -90, 360, 1, INT_MIN}) {
        TBitmap target = Lettered(4, 5);
        RotateImage(source, target, angle);
        EXPECT_TRUE(target.SamePixels(Lettered(4, 5))) << angle;
    }
}

TEST(CropImage, InclusiveRectangles) {
    const TBitmap source = Lettered(4, 3);  // ABCD / EFGH / IJKL
    TBitmap target;
    CropImage(source, 1, 1, 2, 2, target);
    EXPECT_EQ(Letters(target), (Rows{"FG", "JK"}));
    CropImage(source, 3, 0, 3, 0, target);
    EXPECT_EQ(Letters(target), (Rows{"D"}));
    CropImage(source, 0, 0, 3, 2, target);
    EXPECT_TRUE(target.SamePixels(source));
    ExpectZeroPadding(target);
}

TEST(CropImage, NeverReadsOutsideTheSource) {
    const TBitmap source = Lettered(3, 2);  // ABC / DEF
    TBitmap target;
    CropImage(source, -2, -1, 3, 1, target);  // pixels outside come out black
    EXPECT_EQ(Letters(target), (Rows{"......", "..ABC.", "..DEF."}));
    CropImage(source, 10, 10, 11, 12, target);
    EXPECT_EQ(Letters(target), (Rows{"..", "..", ".."}));
    // An empty or inverted rectangle gives an empty picture.
    CropImage(source, 2, 0, 1, 1, target);
    EXPECT_EQ(target.Width(), 0);
    EXPECT_EQ(target.Height(), 0);
    CropImage(source, INT_MAX, 0, INT_MIN, 1, target);
    EXPECT_EQ(target.Width(), 0);
    // A rectangle too large to hold fails cleanly instead of overflowing.
    EXPECT_THROW(CropImage(source, INT_MIN, INT_MIN, INT_MAX, INT_MAX, target), ImageError);
}

TEST(ScaleNearest, RowsAndColumnsTakenByTheIndexFormula) {
    // Four rows into seven: rows 0, 0, 1, 1, 2, 2, 3. Three columns into five: 0, 0, 1, 1, 2.
    const TBitmap source = Lettered(3, 4);  // ABC / DEF / GHI / JKL
    TBitmap target(5, 7);
    ScaleNearest(source, target);
    EXPECT_EQ(Letters(target),
              (Rows{"AABBC", "AABBC", "DDEEF", "DDEEF", "GGHHI", "GGHHI", "JJKKL"}));
    // Shrinking takes the first and last rows and columns exactly.
    const TBitmap big = Lettered(7, 3);  // ABCDEFG / HIJKLMN / OPQRSTU
    TBitmap small(3, 2);
    ScaleNearest(big, small);
    EXPECT_EQ(Letters(small), (Rows{"ADG", "OR\x55"}));
    ExpectZeroPadding(small);
}

TEST(ScaleNearest, EdgeSizes) {
    const TBitmap source = Lettered(3, 4);
    TBitmap same(3, 4);
    ScaleNearest(source, same);
    EXPECT_TRUE(same.SamePixels(source));

    TBitmap one = Lettered(1, 1);
    TBitmap wide(6, 3);
    ScaleNearest(one, wide);
    EXPECT_EQ(Letters(wide), (Rows{"AAAAAA", "AAAAAA", "AAAAAA"}));

    // One-row and one-column targets take source row and column 0.
    TBitmap row(4, 1);
    ScaleNearest(source, row);
    EXPECT_EQ(Letters(row), (Rows{"AABC"}));  // columns 0, 0, 1, 2
    TBitmap column(1, 3);
    ScaleNearest(source, column);
    EXPECT_EQ(Letters(column), (Rows{"A", "D", "J"}));  // rows 0, 1, 3
    ExpectZeroPadding(column);

    // An empty source gives a black target; an empty target stays empty.
    TBitmap black = Lettered(2, 2);
    ScaleNearest(TBitmap(), black);
    EXPECT_EQ(Letters(black), (Rows{"..", ".."}));
    TBitmap empty;
    ScaleNearest(source, empty);
    EXPECT_EQ(empty.Width(), 0);
}

TEST(ScaleNearest, MatchesTheFormulaOnLargerPictures) {
  ForBothPaths([] {
    const TBitmap source = NumberedPicture(103, 47);
    for (auto [wt, ht] : {std::pair{211, 19}, std::pair{50, 200}, std::pair{2, 2}, std::pair{103, 5},
                          std::pair{90, 9}, std::pair{25, 3}, std::pair{520, 2}}) {
        TBitmap target(wt, ht);
        ScaleNearest(source, target);
        ExpectMapping(source, target, wt, ht, [&, wt = wt, ht = ht](int x, int y) {
            return std::pair{x * 102 / (wt - 1), y * 46 / (ht - 1)};
        });
    }
  });
}

TEST(FlipAndMirror, ExactBytesAndSelfInverse) {
    const TBitmap source = Lettered(3, 2);
    TBitmap target;
    FlipVertical(source, target);
    EXPECT_EQ(Letters(target), (Rows{"DEF", "ABC"}));
    MirrorHorizontal(source, target);
    EXPECT_EQ(Letters(target), (Rows{"CBA", "FED"}));
    TBitmap one = Lettered(1, 1);
    MirrorHorizontal(one, target);
    EXPECT_EQ(Letters(target), (Rows{"A"}));
    ExpectZeroPadding(target);

    ForBothPaths([] {
    for (auto [w, h] : {std::pair{2, 9}, std::pair{37, 11}, std::pair{4, 4}, std::pair{6, 3},
                        std::pair{11, 2}}) {
        const TBitmap picture = NumberedPicture(w, h);
        TBitmap once, twice;
        FlipVertical(picture, once);
        FlipVertical(once, twice);
        EXPECT_TRUE(twice.SamePixels(picture));
        MirrorHorizontal(picture, once);
        ExpectMapping(picture, once, w, h, [w = w](int x, int y) { return std::pair{w - 1 - x, y}; });
        MirrorHorizontal(once, twice);
        EXPECT_TRUE(twice.SamePixels(picture));
        RotateImage(picture, once, 180);
        ExpectMapping(picture, once, w, h,
                      [w = w, h = h](int x, int y) { return std::pair{w - 1 - x, h - 1 - y}; });
    }
    });
    TBitmap same = Lettered(3, 2);
    MirrorHorizontal(same, same);
    EXPECT_EQ(Letters(same), (Rows{"CBA", "FED"}));
    FlipVertical(same, same);
    EXPECT_EQ(Letters(same), (Rows{"FED", "CBA"}));
}

TEST(CopyImage, ExactCopyIntoAnyPreviousTarget) {
    const TBitmap source = NumberedPicture(5, 3);
    TBitmap target = NumberedPicture(9, 9);
    CopyImage(source, target);
    EXPECT_TRUE(target.SamePixels(source));
    ExpectZeroPadding(target);
    CopyImage(TBitmap(), target);
    EXPECT_TRUE(target.Empty());

    // Pictures without columns compare by size alone (they hold no bytes to compare).
    const TBitmap columnless(0, 4);
    EXPECT_TRUE(columnless.SamePixels(TBitmap(0, 4)));
    EXPECT_FALSE(columnless.SamePixels(TBitmap(0, 5)));
}

// Pictures of several megabytes live in separately allocated (huge-page) storage; copies,
// reuse and the operations must not notice.
TEST(LargePictures, BehaveLikeSmallOnes) {
    const TBitmap source = NumberedPicture(1601, 1003);
    TBitmap copy = source;
    EXPECT_TRUE(copy.SamePixels(source));
    TBitmap turned, back;
    RotateImage(source, turned, 90);
    RotateImage(turned, back, 270);
    EXPECT_TRUE(back.SamePixels(source));
    EXPECT_TRUE(At(turned, 0, 0) == At(source, 0, 1002));
    MirrorHorizontal(source, turned);  // reuses the storage of the rotated picture
    EXPECT_TRUE(At(turned, 0, 500) == At(source, 1600, 500));
    ExpectZeroPadding(turned);
    copy.SetSize(10, 10);  // shrinks far below: fresh small storage, zeroed
    EXPECT_EQ(copy.Bits()[0], 0);
}
