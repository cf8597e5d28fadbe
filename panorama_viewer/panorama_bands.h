#pragma once
// The coordinate maps of a frame and the passes that fill them. A map entry names the panorama
// pixel (column, row) that a view pixel shows; the maps are (view width + 10) x (view height
// + 10) entries. The trigonometry runs on the grid nodes (every tenth row and column); the
// entries in between are interpolated, first along the grid rows, then band by band down the
// view, and each band is fetched while it is in the cache.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "panorama_geometry.h"
#include "panorama_source.h"
#include "panorama_view.h"

// The sizes every map layout shares: a w x h view and its (w + 10) x (h + 10) map.
class MapSize {
public:
    int ViewWidth() const { return w_; }
    int ViewHeight() const { return h_; }
    int MapWidth() const { return mw_; }
    int MapHeight() const { return mh_; }

protected:
    // Negative sizes count as 0.
    void SetSizes(int w, int h);

    int w_ = 0, h_ = 0, mw_ = kGridStep, mh_ = kGridStep;
};

// The renderer's grid rows in full; every thread of a frame reads them.
class BandMaps : public MapSize {
public:
    void SetViewSize(int w, int h);
    void Release();

    int GridRows() const { return gridRows_; }
    // Map row k * 10.
    uint16_t* GridColumns(int k) { return gridColumns_.data() + Offset(k); }
    uint16_t* GridRowValues(int k) { return gridRowValues_.data() + Offset(k); }

private:
    std::size_t Offset(int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(mw_);
    }
    int gridRows_ = 1;
    std::vector<uint16_t> gridColumns_, gridRowValues_;
};

// One band of nine interpolated rows and the byte offsets of its ten view rows: each thread of
// a frame fills its own, so a frame keeps about a tenth of the full maps and fetches each band
// while it is in the cache.
class BandRows {
public:
    // Room for rows of mw entries.
    void SetMapWidth(int mw);
    // Map row (band start) + p, p = 1..9.
    uint16_t* BandColumns(int p) { return bandColumns_.data() + Offset(p - 1); }
    uint16_t* BandRowValues(int p) { return bandRowValues_.data() + Offset(p - 1); }
    // Byte offsets into the panorama of the band's rows 0..9.
    uint32_t* Offsets(int q) { return offsets_.data() + Offset(q); }

private:
    std::size_t Offset(int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(mw_);
    }
    int mw_ = 0;
    std::vector<uint16_t> bandColumns_, bandRowValues_;
    std::vector<uint32_t> offsets_;
};

// Per-row and per-column values of the passes, reused from frame to frame.
struct NodeScratch {
    std::vector<double> sinTheta, cosTheta, sinPhi, cosPhi;
    std::vector<uint16_t> spanA, spanOut;
    std::vector<int16_t> spanK, spanR, spanHi, spanLo;
    std::vector<int16_t> rowK, rowR, rowHi, rowLo;  // the row values' spans of a band
    bool columnSeam = false, rowSeam = false;        // whether a span crosses the seam
    bool farApart = false;  // the band's neighbouring view pixels need a cache line each
};

// Sizes the span scratch for rows of mw map entries, so that the passes on such rows allocate
// nothing (a thread that must not throw can run them). Throws std::bad_alloc.
void ReserveSpanScratch(NodeScratch& scratch, int mw);

// Writes the node values of every grid row k and grid column l of an mw x mh map at
// columns/rows[k * rowPitch + l * kGridStep].
void ComputeNodes(uint16_t* columns, uint16_t* rows, std::size_t rowPitch, int mw, int mh,
                  const PanoramaView& view, int32_t W, int32_t H, NodeScratch& scratch);

// ComputeNodes in two steps, so that threads can share the second: the sines and cosines of
// every grid row and column into scratch, then the nodes of grid rows [first, last) from them.
void PrepareNodeAngles(int mw, int mh, double fov, NodeScratch& scratch);
void ComputeNodeRows(uint16_t* columns, uint16_t* rows, std::size_t rowPitch, int mw, int first,
                     int last, const RotationMatrix& rotation, int32_t W, int32_t H,
                     const NodeScratch& angles);

// Fills the nine values between each pair of nodes of one grid row of mw entries; n is the
// panorama's size along the values (W for columns, H for rows).
void HorizontalRow(uint16_t* row, int mw, int32_t n, NodeScratch& scratch);

// Fills the nine rows between two grid rows: out[p - 1] receives row p.
void VerticalBand(const uint16_t* top, const uint16_t* bottom, uint16_t* const* out, int mw,
                  int32_t n, NodeScratch& scratch);

// Copies rows (up to kGridStep) view rows of w pixels: pixel x of viewRows[k] takes the
// panorama pixel that columns[k][x] and rows[k][x] name, clamped into the panorama. offsets
// holds rows scratch rows of w entries.
void FetchBand(const uint16_t* const* columns, const uint16_t* const* rows, int rowCount, int w,
               const PanoramaPixels& panorama, uint32_t* const* offsets, uint8_t* const* viewRows);

// Whether the fetch may gather sixteen pixels at once where the processor has AVX-512 (it may
// unless told otherwise); the picture is the same either way, which the tests check on such
// processors by turning it off.
void AllowGatheredFetch(bool allow);

// Whether every band is fetched as one whose lines lie far apart (prefetched into the
// second-level cache only, see FarApart in the source): the panoramas that take that way are
// larger than the tests build, so the tests force it. The picture is the same either way.
void ForceFarLinePrefetch(bool force);

// Whether every pixel's byte offset fits 32 bits (panoramas below 4 GiB): then a band can go
// straight from its two grid rows to byte offsets (PrepareBand, FetchPreparedBand).
bool FetchesByOffsets(const PanoramaPixels& panorama);

// A band in two steps for panoramas FetchesByOffsets takes: PrepareBand readies the spans
// between the band's top and bottom grid rows (w entries) in scratch; FetchPreparedBand then
// copies the band's first rowCount (1..10) view rows as FetchBand would copy the rows
// VerticalBand interpolates, turning the spans into byte offsets chunk by chunk without
// writing the map rows. offsets: kGridStep scratch rows of w entries.
void PrepareBand(const uint16_t* topColumns, const uint16_t* bottomColumns,
                 const uint16_t* topRows, const uint16_t* bottomRows, int w,
                 const PanoramaPixels& panorama, NodeScratch& scratch);
void FetchPreparedBand(const uint16_t* topColumns, const uint16_t* topRows, int rowCount, int w,
                       const PanoramaPixels& panorama, const NodeScratch& scratch,
                       uint32_t* const* offsets, uint8_t* const* viewRows);
