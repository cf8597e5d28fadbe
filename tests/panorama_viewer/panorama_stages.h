#pragma once
// The stages of a panorama frame on full maps, one at a time: the tests check each pass against
// its rule, and the benchmark times each. They run the renderer's own passes (panorama_bands.h)
// over maps of the whole view instead of one band at a time.
#include <cstdint>
#include <vector>

#include "panorama_bands.h"

// ColumnMap and RowMap: (w + 10) x (h + 10) entries each, row-major. Kept between frames so a
// frame allocates nothing unless the view size grows.
class CoordinateMaps : public MapSize {
public:
    // Sizes the maps for a w x h view (negative sizes count as 0).
    void SetViewSize(int w, int h);
    void Release();

    uint16_t* Columns() { return columns_.data(); }
    uint16_t* Rows() { return rows_.data(); }
    const uint16_t* Columns() const { return columns_.data(); }
    const uint16_t* Rows() const { return rows_.data(); }
    uint16_t Column(int x, int y) const { return columns_[Index(x, y)]; }
    uint16_t Row(int x, int y) const { return rows_[Index(x, y)]; }

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(mw_) +
               static_cast<std::size_t>(x);
    }
    std::vector<uint16_t> columns_;
    std::vector<uint16_t> rows_;
};

void ComputeGridNodes(CoordinateMaps& maps, const PanoramaView& view, int32_t W, int32_t H,
                      NodeScratch& scratch);
void HorizontalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch);
void VerticalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch);
// viewRows: the address of each target row (at least maps.ViewHeight() of them), each row with
// room for maps.ViewWidth() pixels.
void FetchPixels(const CoordinateMaps& maps, const PanoramaPixels& panorama,
                 uint8_t* const* viewRows);
