#include <gtest/gtest.h>

#include <cstring>

#include "image_ops.h"
#include "picture_view.h"
#include "point_pairs.h"
#include "test_support.h"

namespace {

void SetPixel(TBitmap& picture, int x, int y, int red, int green, int blue) {
    uint8_t* p = picture.ScanLine(y) + 3 * x;
    p[0] = static_cast<uint8_t>(blue);
    p[1] = static_cast<uint8_t>(green);
    p[2] = static_cast<uint8_t>(red);
}

// The straightforward view: the whole picture scaled, then turned.
void RenderView(const TBitmap& picture, int zoom, int rotation, TBitmap& view) {
    const ViewSize zoomed = ZoomedSize(picture.Width(), picture.Height(), zoom);
    TBitmap scaled(zoomed.width, zoomed.height);
    ScaleNearest(picture, scaled);
    RotateImage(scaled, view, rotation * 90);
}

TEST(PictureView, ImageAndViewCoordinatesRoundTripForEveryZoomAndTurn) {
    const int scales[kZoomCount][2] = {{1, 4}, {1, 2}, {1, 1}, {2, 1}, {3, 1}};  // num, den
    for (auto [w, h] : {std::pair{400, 300}, std::pair{37, 53}}) {
        for (int zoom = 0; zoom < kZoomCount; ++zoom) {
            for (int rotation = 0; rotation < kRotationCount; ++rotation) {
                const ViewSize view = TurnedViewSize(w, h, zoom, rotation);
                const int den = scales[zoom][1];
                for (int px = 0; px < w; px += 3) {
                    for (int py = 0; py < h; py += 5) {
                        int x = px, y = py;
                        ImageToView(x, y, view.width, view.height, zoom, rotation);
                        // Zoomed-out views drop the columns and rows that the zoom skips.
                        const bool shown = px / den < w * scales[zoom][0] / den &&
                                           py / den < h * scales[zoom][0] / den;
                        if (shown) {
                            ASSERT_TRUE(x >= 0 && x < view.width && y >= 0 && y < view.height)
                                << zoom << " " << rotation << " (" << px << "," << py << ")";
                        }
                        ViewToImage(x, y, view.width, view.height, zoom, rotation);
                        ASSERT_EQ(x, px / den * den) << zoom << " " << rotation;
                        ASSERT_EQ(y, py / den * den) << zoom << " " << rotation;
                    }
                }
            }
        }
    }
    int x = 0, y = 0;
    const ViewSize view = TurnedViewSize(400, 300, 0, 1);
    EXPECT_EQ(view.width, 75);
    EXPECT_EQ(view.height, 100);
    ImageToView(x, y, view.width, view.height, 0, 1);
    EXPECT_EQ(x, 74);
    EXPECT_EQ(y, 0);
    ViewToImage(x, y, view.width, view.height, 0, 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(PictureView, RenderedViewShowsEachPixelWhereImageToViewPutsIt) {
    const TBitmap picture = NumberedPicture(23, 17);
    TBitmap view;
    for (int rotation = 0; rotation < kRotationCount; ++rotation) {
        RenderViewPart(picture, kDefaultZoom, rotation, {0, 0, 100, 100}, view);
        const ViewSize size = TurnedViewSize(23, 17, kDefaultZoom, rotation);
        ASSERT_EQ(view.Width(), size.width);
        ASSERT_EQ(view.Height(), size.height);
        for (int py = 0; py < 17; ++py) {
            for (int px = 0; px < 23; ++px) {
                int x = px, y = py;
                ImageToView(x, y, size.width, size.height, kDefaultZoom, rotation);
                ASSERT_EQ(0, std::memcmp(view.ScanLine(y) + 3 * x, picture.ScanLine(py) + 3 * px, 3))
                    << rotation << " (" << px << "," << py << ")";
            }
        }
    }
    RenderViewPart(picture, 4, 3, {0, 0, 1000, 1000}, view);
    EXPECT_EQ(view.Width(), 51);
    EXPECT_EQ(view.Height(), 69);
}

TEST(PictureView, AnyPartOfTheViewEqualsTheSameRectangleOfTheWholeView) {
    const ViewPart parts[] = {{0, 0, 1000, 1000}, {5, 3, 7, 11}, {-4, -9, 10, 12}, {20, 30, 500, 2}};
    TBitmap whole, part, expected;
    // Rows with padding bytes after the last pixel, and rows without any.
    for (const TBitmap& picture : {NumberedPicture(37, 22), NumberedPicture(36, 21)})
    for (int zoom = 0; zoom < kZoomCount; ++zoom) {
        for (int rotation = 0; rotation < kRotationCount; ++rotation) {
            RenderView(picture, zoom, rotation, whole);
            for (const ViewPart& wanted : parts) {
                const ViewPart got = RenderViewPart(picture, zoom, rotation, wanted, part);
                EXPECT_GE(got.left, 0);
                EXPECT_LE(got.left + got.width, whole.Width());
                EXPECT_LE(got.top + got.height, whole.Height());
                CropImage(whole, got.left, got.top, got.left + got.width - 1,
                          got.top + got.height - 1, expected);
                ASSERT_TRUE(part.SamePixels(expected))
                    << "zoom " << zoom << " turn " << rotation << " at " << wanted.left << ","
                    << wanted.top;
            }
        }
    }
    const ViewPart none = RenderViewPart(TBitmap(), 2, 1, {0, 0, 10, 10}, part);
    EXPECT_EQ(none.width * none.height, 0);
    EXPECT_TRUE(part.Empty());
}

TEST(PointList, ClicksDeletionAndSwapKeepRecordsInOrder) {
    PointList list;
    EXPECT_EQ(list.SetReferencePoint(1, 2), 1);
    EXPECT_EQ(list.SetReferencePoint(3, 4), 1);  // an unfinished record takes the new point
    EXPECT_EQ(list.SetSamplePoint(5, 6), 1);
    EXPECT_EQ(list.SetSamplePoint(7, 8), 1);
    EXPECT_EQ(list.Record(1), (PointRecord{3, 4, 7, 8}));
    EXPECT_EQ(list.SetReferencePoint(9, 9), 2);

    list.Reset();
    for (int i = 1; i <= 10; ++i) {
        list.SetReferencePoint(i, i);
        list.SetSamplePoint(-i, -i);
    }
    list.DeleteRecords(2, 3);
    ASSERT_EQ(list.Count(), 8);
    const int kept[] = {1, 4, 5, 6, 7, 8, 9, 10};
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(*list.Record(n).x1, kept[n - 1]);

    list.SwapSides();
    EXPECT_EQ(list.Record(2), (PointRecord{-4, -4, 4, 4}));
    list.DeleteRecords(0, 99);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Record(1), PointRecord{});
}

TEST(ColorSampling, AveragesReferenceValuesPerSampleValue) {
    TBitmap reference(4, 4), sample(4, 4);
    SetPixel(reference, 1, 1, 200, 100, 50);
    SetPixel(sample, 2, 2, 180, 90, 40);
    SetPixel(reference, 2, 1, 60, 0, 0);
    SetPixel(reference, 3, 1, 63, 0, 0);
    SetPixel(sample, 0, 0, 100, 0, 0);
    SetPixel(sample, 3, 3, 100, 0, 0);

    PointList one;
    one.SetReferencePoint(1, 1);
    one.SetSamplePoint(2, 2);
    ColorTable calculated;
    ASSERT_EQ(ExportColors(reference, sample, one, false, calculated), ExportStatus::Done);
    EXPECT_EQ(calculated.CellText(kRed, 180), "200");
    EXPECT_EQ(calculated.CellText(kGreen, 90), "100");
    EXPECT_EQ(calculated.CellText(kBlue, 40), "50");
    ColorTable expected;
    expected.Set(kRed, 180, 200);
    expected.Set(kGreen, 90, 100);
    expected.Set(kBlue, 40, 50);
    EXPECT_EQ(calculated, expected);

    PointList two;
    two.SetReferencePoint(2, 1);
    two.SetSamplePoint(0, 0);
    two.SetReferencePoint(3, 1);
    two.SetSamplePoint(3, 3);
    two.SetReferencePoint(0, 0);  // unfinished last record: left out
    ASSERT_EQ(ExportColors(reference, sample, two, false, calculated), ExportStatus::Done);
    EXPECT_EQ(calculated.CellText(kRed, 100), "61");
}

TEST(ColorSampling, NeighbourhoodReadsOutsidePixelsAs255) {
    TBitmap reference(3, 3), sample(3, 3);  // all black
    PointList corner;
    corner.SetReferencePoint(0, 0);
    corner.SetSamplePoint(2, 2);
    ColorTable calculated;
    ASSERT_EQ(ExportColors(reference, sample, corner, true, calculated), ExportStatus::Done);
    // Reference corner (0,0): 5 of 9 outside; sample corner (2,2): 5 of 9 outside. Offsets
    // (-1,-1), (0,-1), (1,-1), (-1,1), (-1,0) fall out at the reference corner, (1,-1), (1,0),
    // (1,1), (0,1), (-1,1) at the sample one.
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(calculated.CellText(c, 0), "191") << "sample black: 0, 255, 255, 255";
        EXPECT_EQ(calculated.CellText(c, 255), "102") << "sample outside: 255, 0, 0, 0, 255";
    }

    PointList emptyFirst;
    emptyFirst.SetReferencePoint(1, 1);
    EXPECT_EQ(ExportColors(reference, sample, emptyFirst, true, calculated), ExportStatus::TableEmpty);

    PointList far;
    far.SetReferencePoint(INT32_MAX, INT32_MIN);
    far.SetSamplePoint(INT32_MIN, 1);
    ASSERT_EQ(ExportColors(reference, sample, far, true, calculated), ExportStatus::Done);
    EXPECT_EQ(calculated.CellText(kRed, 255), "255");
}

}  // namespace
