#include "panorama_stages.h"

#include <algorithm>

void CoordinateMaps::SetViewSize(int w, int h) {
    SetSizes(w, h);
    const std::size_t entries =
        static_cast<std::size_t>(mw_) * static_cast<std::size_t>(mh_);
    // Grow only; a smaller view reuses the front of the buffers. Every displayed entry is
    // written by the passes, so what a buffer held before does not matter.
    if (columns_.size() < entries) {
        std::vector<uint16_t> columns(entries), rows(entries);
        columns_.swap(columns);
        rows_.swap(rows);
    }
}

void CoordinateMaps::Release() {
    std::vector<uint16_t>().swap(columns_);
    std::vector<uint16_t>().swap(rows_);
    SetSizes(0, 0);
}

void ComputeGridNodes(CoordinateMaps& maps, const PanoramaView& view, int32_t W, int32_t H,
                      NodeScratch& scratch) {
    ComputeNodes(maps.Columns(), maps.Rows(),
                 static_cast<std::size_t>(kGridStep) * static_cast<std::size_t>(maps.MapWidth()),
                 maps.MapWidth(), maps.MapHeight(), view, W, H, scratch);
}

void HorizontalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch) {
    const int mw = maps.MapWidth();
    for (int i = 0; i < maps.MapHeight(); i += kGridStep) {
        const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(mw);
        HorizontalRow(maps.Columns() + at, mw, W, scratch);
        HorizontalRow(maps.Rows() + at, mw, H, scratch);
    }
}

void VerticalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch) {
    const int mw = maps.MapWidth();
    for (int i = 0; i < maps.MapHeight() - kGridStep; i += kGridStep) {
        uint16_t* cols[kGridStep - 1];
        uint16_t* rows[kGridStep - 1];
        for (int p = 1; p < kGridStep; ++p) {
            const std::size_t at = static_cast<std::size_t>(i + p) * static_cast<std::size_t>(mw);
            cols[p - 1] = maps.Columns() + at;
            rows[p - 1] = maps.Rows() + at;
        }
        const std::size_t top = static_cast<std::size_t>(i) * static_cast<std::size_t>(mw);
        const std::size_t bottom = top + static_cast<std::size_t>(kGridStep) * mw;
        VerticalBand(maps.Columns() + top, maps.Columns() + bottom, cols, mw, W, scratch);
        VerticalBand(maps.Rows() + top, maps.Rows() + bottom, rows, mw, H, scratch);
    }
}

void FetchPixels(const CoordinateMaps& maps, const PanoramaPixels& panorama,
                 uint8_t* const* viewRows) {
    const int h = maps.ViewHeight();
    const int w = maps.ViewWidth();
    const std::size_t mw = static_cast<std::size_t>(maps.MapWidth());
    std::vector<uint32_t> scratch(static_cast<std::size_t>(kGridStep) * mw);
    const uint16_t* cms[kGridStep];
    const uint16_t* rms[kGridStep];
    uint32_t* offsets[kGridStep];
    for (int k = 0; k < kGridStep; ++k) offsets[k] = scratch.data() + static_cast<std::size_t>(k) * mw;
    for (int y = 0; y < h; y += kGridStep) {
        const int n = std::min(kGridStep, h - y);
        for (int k = 0; k < n; ++k) {
            cms[k] = maps.Columns() + static_cast<std::size_t>(y + k) * mw;
            rms[k] = maps.Rows() + static_cast<std::size_t>(y + k) * mw;
        }
        FetchBand(cms, rms, n, w, panorama, offsets, viewRows + y);
    }
}
