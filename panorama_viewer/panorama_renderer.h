#pragma once
// Equal-angle view of a full-sphere (equirectangular) panorama.
//
// Each view pixel gets a polar angle growing linearly down the view and an azimuth growing
// linearly across it; that direction is turned by the view rotation and looked up in the
// panorama. The trigonometry runs only on grid nodes 10 pixels apart; the panorama coordinates
// in between are interpolated in integers (seam aware), then every view pixel copies the one
// panorama pixel the maps name. No Qt here: the window only feeds state in and shows results.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "bitmap.h"

struct SteeringState;

constexpr int kGridStep = 10;
// The coordinate maps hold 16-bit values.
constexpr int32_t kMaxPanoramaSide = 65535;

// The panorama source: W x H pixels, rows packed back to back (blue, green, red).
class PanoramaPixels {
public:
    PanoramaPixels() = default;
    // Copies the rows of a decoded picture into a packed buffer. Throws ImageError when the
    // picture is empty or a side exceeds kMaxPanoramaSide; nothing is kept then.
    static PanoramaPixels FromBitmap(const TBitmap& bitmap);

    int32_t W() const { return width_; }
    int32_t H() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Pixel (column c, row r), three bytes.
    const uint8_t* Pixel(int32_t c, int32_t r) const {
        return pixels_.get() + rowOffsets_[static_cast<std::size_t>(r)] +
               static_cast<std::size_t>(c) * 3;
    }
    const uint8_t* Data() const { return pixels_.get(); }
    // Byte offset of each row's first pixel.
    const std::vector<std::size_t>& RowOffsets() const { return rowOffsets_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    struct FreeBuffer {
        void operator()(uint8_t* p) const;
    };
    // W*H*3 bytes plus one spare byte, so the fetch may read four bytes of the last pixel.
    // Aligned to 2 MiB and offered to the kernel for huge pages: a turned view reads pixels
    // from many rows per view row, and with 4 KiB pages nearly every read misses the TLB.
    std::unique_ptr<uint8_t[], FreeBuffer> pixels_;
    std::vector<std::size_t> rowOffsets_;
};

// The view state: three angles in degrees and the zoom factor, with the values of the last
// rendered frame. Setting prevAlpha to anything but alpha makes the next frame render.
struct PanoramaView {
    double alpha = 0.0;  // yaw, 0..360
    double betta = 0.0;  // pitch, -90..90, positive looks up
    double gamma = 0.0;  // roll, 0..360
    double fov = 1.0;    // the longer side of the map spans 90 * fov degrees, 0.1..4.0
    double prevAlpha = -1.0;
    double prevBetta = -1.0;
    double prevGamma = -1.0;
    double prevFov = 1.0;

    // Exact comparisons: any change at all asks for a new frame.
    bool NeedsRender() const {
        return !(alpha == prevAlpha && betta == prevBetta && fov == prevFov &&
                 gamma == prevGamma);
    }
    // Makes the next frame render. Not a number equals nothing, so this holds whatever alpha
    // is (the Cross mouse mode can set alpha to exactly -1, the customary marker).
    void RequestRender() { prevAlpha = std::numeric_limits<double>::quiet_NaN(); }
};

// M = Rz(alpha) * Ry(-betta) * Rx(gamma); rows give x', y', z'.
struct RotationMatrix {
    double m[3][3];
};
RotationMatrix MakeRotationMatrix(double alphaDeg, double bettaDeg, double gammaDeg);

// Angles in degrees covered by the map from its first to its last row / column.
struct AngularExtent {
    double thetaTop, thetaBottom, phiLeft, phiRight;
};
AngularExtent MakeAngularExtent(int mw, int mh, double fov);

struct PanoramaCoord {
    int32_t column;
    int32_t row;
};

// Azimuth of the rotated direction in 0..2*pi (x' = 0 gives pi/2 or 3*pi/2 by the sign of y',
// and 0 straight up or down).
double AzimuthOf(double x, double y);
// The panorama pixel for the direction (X, Y, Z) turned by rotation, clamped into the panorama.
PanoramaCoord DirectionToPanorama(const RotationMatrix& rotation, double X, double Y, double Z,
                                  int32_t W, int32_t H);

// The seam-aware interpolation rule between node values a and b of a map with n entries round
// (n = W for columns, H for rows), at offset p (1..9) from a. 32-bit, truncating division.
int32_t InterpolateNodes(int32_t a, int32_t b, int32_t p, int32_t n);

// ColumnMap and RowMap: (w + 10) x (h + 10) entries each, row-major. Kept between frames so a
// frame allocates nothing unless the view size grows.
class CoordinateMaps {
public:
    // Sizes the maps for a w x h view (negative sizes count as 0).
    void SetViewSize(int w, int h);
    void Release();

    int ViewWidth() const { return w_; }
    int ViewHeight() const { return h_; }
    int MapWidth() const { return mw_; }
    int MapHeight() const { return mh_; }
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
    int w_ = 0, h_ = 0, mw_ = kGridStep, mh_ = kGridStep;
    std::vector<uint16_t> columns_;
    std::vector<uint16_t> rows_;
};

// The renderer's own maps: the grid rows in full and one band of nine interpolated rows, so a
// frame keeps about a tenth of the full maps and fetches each band while it is in the cache.
class BandMaps {
public:
    void SetViewSize(int w, int h);
    void Release();

    int ViewWidth() const { return w_; }
    int ViewHeight() const { return h_; }
    int MapWidth() const { return mw_; }
    int MapHeight() const { return mh_; }
    int GridRows() const { return gridRows_; }
    // Map row k * 10.
    uint16_t* GridColumns(int k) { return gridColumns_.data() + Offset(k); }
    uint16_t* GridRowValues(int k) { return gridRowValues_.data() + Offset(k); }
    // Map row (band start) + p, p = 1..9.
    uint16_t* BandColumns(int p) { return bandColumns_.data() + Offset(p - 1); }
    uint16_t* BandRowValues(int p) { return bandRowValues_.data() + Offset(p - 1); }
    // Byte offsets into the panorama of the band's rows 0..9.
    uint32_t* Offsets(int q) { return offsets_.data() + Offset(q); }

private:
    std::size_t Offset(int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(mw_);
    }
    int w_ = 0, h_ = 0, mw_ = kGridStep, mh_ = kGridStep, gridRows_ = 1;
    std::vector<uint16_t> gridColumns_, gridRowValues_, bandColumns_, bandRowValues_;
    std::vector<uint32_t> offsets_;
};

// The stages of a frame, usable one by one (tests and the benchmark time them separately).
// Scratch holds per-row and per-column values reused from frame to frame.
struct NodeScratch {
    std::vector<double> sinTheta, cosTheta, sinPhi, cosPhi;
    std::vector<uint16_t> spanA, spanOut;
    std::vector<int16_t> spanK, spanR, spanHi, spanLo;
};
void ComputeGridNodes(CoordinateMaps& maps, const PanoramaView& view, int32_t W, int32_t H,
                      NodeScratch& scratch);
void HorizontalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch);
void VerticalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch);
// viewRows: the address of each target row (at least maps.ViewHeight() of them), each row with
// room for maps.ViewWidth() pixels.
void FetchPixels(const CoordinateMaps& maps, const PanoramaPixels& panorama,
                 uint8_t* const* viewRows);

// Smooths the picture once: every inner pixel becomes (left + 6*centre + right + above +
// below) / 10 per channel, read from a copy; the outermost rows and columns stay. scratch is
// reused between calls.
void QualifyBitmap(TBitmap& view, std::vector<uint8_t>& scratch);

// Microseconds spent per stage of the last rendered frame (the status bar shows milliseconds).
// The vertical pass and the fetch run band by band, interleaved; each is the sum over the bands.
struct FrameTimings {
    int64_t nodes = 0, horizontal = 0, vertical = 0, fetch = 0, repaint = 0;
    int64_t total = 0;  // the whole call, steering step included
};

struct FrameResult {
    bool rendered = false;
    std::array<std::string, 5> panels;  // filled when rendered
    FrameTimings timings;
};

// What the frame tells its window while it runs.
struct FrameHooks {
    // Shows the new picture (called between fetch and the last timings).
    std::function<void()> repaint;
    // Writes a status panel: 0..2 before the picture is computed, 3 and 4 after.
    std::function<void(int panel, const std::string& text)> setPanel;
};

// Microsecond tick counter of the frame timings (fine enough to add up the per-band stages;
// the status bar shows milliseconds); replaceable so tests are deterministic.
using TickSource = std::function<int64_t()>;
int64_t SteadyMicroseconds();

std::string SizeText(int32_t W, int32_t H);
std::string AnglesText(const PanoramaView& view);
std::string FovText(const PanoramaView& view);
std::string FpsText(int64_t elapsedMs);  // 1000 / elapsedMs, or ">1000" below a millisecond
std::string TimingsText(const FrameTimings& timings);

// The renderer of the viewer window: one frame per timer tick, drawing only when a view
// parameter changed since the last frame.
class PanoramaRenderer {
public:
    explicit PanoramaRenderer(TickSource ticks = SteadyMicroseconds);

    // One tick: the held-button steering step, then (with a panorama, not re-entered, view
    // changed) render into target, which is the view bitmap of the window's size. panorama is
    // nullptr while none is held.
    FrameResult Frame(PanoramaView& view, const SteeringState& steering,
                      const PanoramaPixels* panorama, TBitmap& target,
                      const FrameHooks& hooks = {});

    // Smooths the picture on screen once.
    void Qualify(TBitmap& target);

    bool Busy() const { return busy_; }
    // Drops the reusable buffers (window closed).
    void ReleaseBuffers();

private:
    void RefreshViewRows(TBitmap& target);

    TickSource ticks_;
    bool busy_ = false;
    BandMaps maps_;
    NodeScratch scratch_;
    std::vector<uint8_t*> viewRows_;
    std::vector<uint8_t> qualifyScratch_;
};
