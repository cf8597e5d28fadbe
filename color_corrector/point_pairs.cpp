#include "point_pairs.h"

#include <algorithm>
#include <utility>

#include "picture_view.h"
#include "text_io.h"

const std::array<PixelOffset, 9> kNeighbourhood = {
    {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}}};

void PointList::Reset(int count) { records_.assign(static_cast<std::size_t>(std::max(count, 1)), {}); }

void PointList::Assign(std::vector<PointRecord> records) {
    records_ = std::move(records);
    if (records_.empty()) records_.emplace_back();
}

int PointList::SetReferencePoint(int x, int y) {
    if (records_.back().Complete()) records_.emplace_back();
    records_.back().x1 = x;
    records_.back().y1 = y;
    return Count();
}

int PointList::SetSamplePoint(int x, int y) {
    records_.back().x2 = x;
    records_.back().y2 = y;
    return Count();
}

void PointList::DeleteRecords(int first, int last) {
    first = std::max(first, 1);
    last = std::min(last, Count());
    if (first > last) return;
    records_.erase(records_.begin() + (first - 1), records_.begin() + last);
    if (records_.empty()) records_.emplace_back();
}

void PointList::SwapSides() {
    for (PointRecord& record : records_) {
        std::swap(record.x1, record.x2);
        std::swap(record.y1, record.y2);
    }
}

namespace {

int32_t Required(const std::optional<int32_t>& cell) {
    return cell ? *cell : StrToInt(std::string());  // throws like an empty grid cell
}

// The pixel's red, green and blue, or 255 each outside the picture.
void ReadPixel(const TBitmap& picture, int64_t x, int64_t y, int rgb[3]) {
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height()) {
        rgb[0] = rgb[1] = rgb[2] = 255;
        return;
    }
    const uint8_t* pixel = picture.ScanLine(static_cast<int32_t>(y)) + 3 * x;
    rgb[0] = pixel[2];
    rgb[1] = pixel[1];
    rgb[2] = pixel[0];
}

}  // namespace

ExportStatus ExportColors(const TBitmap& reference, const TBitmap& sample, const PointList& list,
                          bool useNeighbourhood, ColorTable& calculated) {
    const PointRecord& first = list.Record(1);
    if (!first.x1 || !first.x2) return ExportStatus::TableEmpty;
    int count = list.Count();
    if (count > 1 && !list.Record(count).Complete()) --count;

    int64_t sums[kChannelCount][kTableSize] = {};
    int64_t counts[kChannelCount][kTableSize] = {};
    const int offsets = useNeighbourhood ? static_cast<int>(kNeighbourhood.size()) : 1;
    for (int number = 1; number <= count; ++number) {
        const PointRecord& record = list.Record(number);
        const int64_t x1 = Required(record.x1), y1 = Required(record.y1);
        const int64_t x2 = Required(record.x2), y2 = Required(record.y2);
        for (int k = 0; k < offsets; ++k) {
            int ref[3], smp[3];
            ReadPixel(reference, x1 + kNeighbourhood[k].dx, y1 + kNeighbourhood[k].dy, ref);
            ReadPixel(sample, x2 + kNeighbourhood[k].dx, y2 + kNeighbourhood[k].dy, smp);
            for (int c = 0; c < kChannelCount; ++c) {
                sums[c][smp[c]] += ref[c];
                ++counts[c][smp[c]];
            }
        }
    }
    calculated.EraseAll();
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v)
            if (counts[c][v] > 0) calculated.Set(c, v, static_cast<int32_t>(sums[c][v] / counts[c][v]));
    return ExportStatus::Done;
}

std::vector<ViewMarker> ViewMarkers(const PointList& list, PictureSide side, int viewW, int viewH,
                                    int zoom, int rotation) {
    std::vector<ViewMarker> markers;
    for (int number = 1; number <= list.Count(); ++number) {
        const PointRecord& record = list.Record(number);
        const auto& cx = side == PictureSide::Reference ? record.x1 : record.x2;
        const auto& cy = side == PictureSide::Reference ? record.y1 : record.y2;
        if (!cx || !cy) continue;
        int x = *cx, y = *cy;
        ImageToView(x, y, viewW, viewH, zoom, rotation);
        markers.push_back({x, y, number});
    }
    return markers;
}
