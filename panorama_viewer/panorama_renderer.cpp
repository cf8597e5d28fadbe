#include "panorama_renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "image_error.h"
#include "panorama_steering.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kInvTwoPi = 0.15915494309189535;
constexpr double kInvPi = 0.3183098861837907;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Truncates toward zero into 0..limit-1; NaN and anything below 0 give 0.
int32_t ClampToIndex(double value, int32_t limit) {
    if (!(value >= 0.0)) return 0;
    if (value >= static_cast<double>(limit)) return limit - 1;
    return static_cast<int32_t>(value);
}

// The signed distance from a to b the interpolation walks: the shorter way round when the pair
// lies across the seam.
inline int32_t SeamDelta(int32_t a, int32_t b, int32_t n) {
    const int32_t diff = b - a;
    if ((diff < 0 ? -diff : diff) > n / 2) return b < a ? diff + n : diff - n;
    return diff;
}

// trunc(d * p / 10) for |d * p| <= 9 * 32768. The product is exact in a float, and 0.1f is a
// hair above 0.1, so the rounded quotient never drops below the next lower integer nor reaches
// the next higher one in this range (the exhaustive test covers every d and p). Unlike an
// integer division this vectorises on every x86-64.
inline int32_t TenthOf(float d, float p) { return static_cast<int32_t>(d * p * 0.1f); }

// a + delta*p/10 brought back into 0..n-1. Node values lie in 0..n-1 and |delta| <= n/2 + 1, so
// at most one of the two corrections applies and the plain case needs neither.
inline int32_t WrapInto(int32_t v, int32_t n) {
    v += v < 0 ? n : 0;
    v -= v >= n ? n : 0;
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Panorama source

PanoramaPixels PanoramaPixels::FromBitmap(const TBitmap& bitmap) {
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    if (w <= 0 || h <= 0) throw ImageError("The picture is empty");
    if (w > kMaxPanoramaSide || h > kMaxPanoramaSide)
        throw ImageError(Format("The panorama is too large: %i x %i pixels (at most %i pixels "
                                "on each side can be shown)",
                                static_cast<int>(w), static_cast<int>(h),
                                static_cast<int>(kMaxPanoramaSide)));
    PanoramaPixels result;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    try {
        result.pixels_.resize(rowBytes * static_cast<std::size_t>(h) + 1);
        result.rowOffsets_.resize(static_cast<std::size_t>(h));
    } catch (const std::bad_alloc&) {
        throw ImageError(Format("Not enough memory for a panorama of %i x %i pixels",
                                static_cast<int>(w), static_cast<int>(h)));
    }
    for (int32_t r = 0; r < h; ++r) {
        const std::size_t offset = rowBytes * static_cast<std::size_t>(r);
        result.rowOffsets_[static_cast<std::size_t>(r)] = offset;
        std::memcpy(result.pixels_.data() + offset, bitmap.ScanLine(r), rowBytes);
    }
    result.width_ = w;
    result.height_ = h;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Geometry

RotationMatrix MakeRotationMatrix(double alphaDeg, double bettaDeg, double gammaDeg) {
    const double a = alphaDeg * 2.0 * kPi / 360.0;
    const double b = bettaDeg * 2.0 * kPi / 360.0;
    const double g = gammaDeg * 2.0 * kPi / 360.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cg = std::cos(g), sg = std::sin(g);
    RotationMatrix r;
    r.m[0][0] = cb * ca;
    r.m[0][1] = -sg * sb * ca - cg * sa;
    r.m[0][2] = -cg * sb * ca + sg * sa;
    r.m[1][0] = cb * sa;
    r.m[1][1] = ca * cg - sg * sb * sa;
    r.m[1][2] = -cg * sb * sa - ca * sg;
    r.m[2][0] = sb;
    r.m[2][1] = sg * cb;
    r.m[2][2] = cg * cb;
    return r;
}

AngularExtent MakeAngularExtent(int mw, int mh, double fov) {
    const int d = std::max(mw, mh);
    AngularExtent e;
    e.thetaTop = 90.0 - mh * 45.0 / d * fov;
    e.thetaBottom = 90.0 + mh * 45.0 / d * fov;
    e.phiLeft = -45.0 * fov * mw / d;
    e.phiRight = 45.0 * fov * mw / d;
    return e;
}

double AzimuthOf(double x, double y) {
    if (x == 0.0) {
        // Along the Y axis (or straight up/down, where any azimuth is right).
        if (y > 0.0) return kPi / 2.0;
        if (y < 0.0) return 3.0 * kPi / 2.0;
        return 0.0;
    }
    const double d = std::atan(std::fabs(y / x));
    if (x >= 0.0 && y >= 0.0) return d;
    if (x >= 0.0 && y < 0.0) return 2.0 * kPi - d;
    if (x < 0.0 && y > 0.0) return kPi - d;
    return kPi + d;  // x < 0, y <= 0 (or NaN, which the clamp below turns into column 0)
}

PanoramaCoord DirectionToPanorama(const RotationMatrix& rot, double X, double Y, double Z,
                                  int32_t W, int32_t H) {
    const double xr = rot.m[0][0] * X + rot.m[0][1] * Y + rot.m[0][2] * Z;
    const double yr = rot.m[1][0] * X + rot.m[1][1] * Y + rot.m[1][2] * Z;
    const double zr = rot.m[2][0] * X + rot.m[2][1] * Y + rot.m[2][2] * Z;
    double cosRho = zr / std::sqrt(xr * xr + yr * yr + zr * zr);
    // Rounding can push the ratio a hair past +-1, where acos has no value.
    if (cosRho > 1.0) cosRho = 1.0;
    if (cosRho < -1.0) cosRho = -1.0;
    const double rho = std::acos(cosRho);
    const double psi = AzimuthOf(xr, yr);
    PanoramaCoord c;
    c.column = ClampToIndex(std::floor(psi * kInvTwoPi * (W - 1)), W);
    c.row = ClampToIndex(std::trunc(rho * kInvPi * (H - 1)), H);
    return c;
}

int32_t InterpolateNodes(int32_t a, int32_t b, int32_t p, int32_t n) {
    const int32_t diff = b - a;
    if ((diff < 0 ? -diff : diff) > n / 2) {
        if (b < a) {
            int32_t v = a + ((b + n - a) * p) / 10;
            if (v >= n) v -= n;
            return v;
        }
        int32_t v = a + ((b - n - a) * p) / 10;
        if (v < 0) v += n;
        return v;
    }
    return a + ((b - a) * p) / 10;
}

// ---------------------------------------------------------------------------------------------
// Maps

void CoordinateMaps::SetViewSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    const std::size_t entries =
        static_cast<std::size_t>(w + kGridStep) * static_cast<std::size_t>(h + kGridStep);
    // Grow only; a smaller view reuses the front of the buffers. Every displayed entry is
    // written by the passes, so what a buffer held before does not matter.
    if (columns_.size() < entries) {
        std::vector<uint16_t> columns(entries), rows(entries);
        columns_.swap(columns);
        rows_.swap(rows);
    }
    w_ = w;
    h_ = h;
    mw_ = w + kGridStep;
    mh_ = h + kGridStep;
}

void CoordinateMaps::Release() {
    std::vector<uint16_t>().swap(columns_);
    std::vector<uint16_t>().swap(rows_);
    w_ = h_ = 0;
    mw_ = mh_ = kGridStep;
}

// ---------------------------------------------------------------------------------------------
// Stages

void ComputeGridNodes(CoordinateMaps& maps, const PanoramaView& view, int32_t W, int32_t H,
                      NodeScratch& scratch) {
    const int mw = maps.MapWidth();
    const int mh = maps.MapHeight();
    const RotationMatrix rot = MakeRotationMatrix(view.alpha, view.betta, view.gamma);
    const AngularExtent e = MakeAngularExtent(mw, mh, view.fov);

    // theta depends on the row only and phi on the column only: their sines and cosines are
    // computed once per grid row and once per grid column.
    const int rowsN = (mh + kGridStep - 1) / kGridStep;
    const int colsN = (mw + kGridStep - 1) / kGridStep;
    scratch.sinTheta.resize(static_cast<std::size_t>(rowsN));
    scratch.cosTheta.resize(static_cast<std::size_t>(rowsN));
    scratch.sinPhi.resize(static_cast<std::size_t>(colsN));
    scratch.cosPhi.resize(static_cast<std::size_t>(colsN));
    for (int k = 0; k < rowsN; ++k) {
        const int i = k * kGridStep;
        const double theta =
            (e.thetaTop + (e.thetaBottom - e.thetaTop) * i / (mh - 1)) * kPi / 180.0;
        scratch.sinTheta[k] = std::sin(theta);
        scratch.cosTheta[k] = std::cos(theta);
    }
    for (int k = 0; k < colsN; ++k) {
        const int j = k * kGridStep;
        const double phi = (e.phiLeft + (e.phiRight - e.phiLeft) * j / (mw - 1)) * kPi / 180.0;
        scratch.sinPhi[k] = std::sin(phi);
        scratch.cosPhi[k] = std::cos(phi);
    }

    uint16_t* columns = maps.Columns();
    uint16_t* rows = maps.Rows();
    for (int k = 0; k < rowsN; ++k) {
        const double st = scratch.sinTheta[k];
        const double Z = scratch.cosTheta[k];
        const std::size_t base = static_cast<std::size_t>(k) * kGridStep * mw;
        for (int l = 0; l < colsN; ++l) {
            const double X = st * scratch.cosPhi[l];
            const double Y = st * scratch.sinPhi[l];
            const PanoramaCoord c = DirectionToPanorama(rot, X, Y, Z, W, H);
            const std::size_t at = base + static_cast<std::size_t>(l) * kGridStep;
            columns[at] = static_cast<uint16_t>(c.column);
            rows[at] = static_cast<uint16_t>(c.row);
        }
    }
}

namespace {

void HorizontalPassOne(uint16_t* map, int mw, int mh, int32_t n) {
    for (int i = 0; i < mh; i += kGridStep) {
        uint16_t* row = map + static_cast<std::size_t>(i) * mw;
        for (int j = 0; j < mw - kGridStep; j += kGridStep) {
            const int32_t a = row[j];
            const float d = static_cast<float>(SeamDelta(a, row[j + kGridStep], n));
            for (int p = 1; p < kGridStep; ++p)
                row[j + p] = static_cast<uint16_t>(
                    WrapInto(a + TenthOf(d, static_cast<float>(p)), n));
        }
    }
}

void VerticalPassOne(uint16_t* map, int mw, int mh, int32_t n, float* __restrict delta) {
    for (int i = 0; i < mh - kGridStep; i += kGridStep) {
        const uint16_t* __restrict top = map + static_cast<std::size_t>(i) * mw;
        const uint16_t* __restrict bottom = top + static_cast<std::size_t>(kGridStep) * mw;
        for (int x = 0; x < mw; ++x) {
            const int32_t diff = bottom[x] - top[x];
            const int32_t seamShift = diff > n / 2 ? -n : (-diff > n / 2 ? n : 0);
            delta[x] = static_cast<float>(diff + seamShift);
        }
        for (int p = 1; p < kGridStep; ++p) {
            uint16_t* __restrict out =
                map + static_cast<std::size_t>(i) * mw + static_cast<std::size_t>(p) * mw;
            const float pf = static_cast<float>(p);
            for (int x = 0; x < mw; ++x)
                out[x] = static_cast<uint16_t>(WrapInto(top[x] + TenthOf(delta[x], pf), n));
        }
    }
}

}  // namespace

void HorizontalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch&) {
    HorizontalPassOne(maps.Columns(), maps.MapWidth(), maps.MapHeight(), W);
    HorizontalPassOne(maps.Rows(), maps.MapWidth(), maps.MapHeight(), H);
}

void VerticalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch) {
    scratch.deltaF.resize(static_cast<std::size_t>(maps.MapWidth()));
    VerticalPassOne(maps.Columns(), maps.MapWidth(), maps.MapHeight(), W, scratch.deltaF.data());
    VerticalPassOne(maps.Rows(), maps.MapWidth(), maps.MapHeight(), H, scratch.deltaF.data());
}

void FetchPixels(const CoordinateMaps& maps, const PanoramaPixels& panorama,
                 uint8_t* const* viewRows) {
    const int w = maps.ViewWidth();
    const int h = maps.ViewHeight();
    const int mw = maps.MapWidth();
    if (w <= 0 || panorama.Empty()) return;
    const uint32_t lastColumn = static_cast<uint32_t>(panorama.W() - 1);
    const uint32_t lastRow = static_cast<uint32_t>(panorama.H() - 1);
    const uint8_t* src = panorama.Data();
    const std::size_t* rowOffsets = panorama.RowOffsets().data();
    for (int y = 0; y < h; ++y) {
        const uint16_t* cm = maps.Columns() + static_cast<std::size_t>(y) * mw;
        const uint16_t* rm = maps.Rows() + static_cast<std::size_t>(y) * mw;
        uint8_t* dst = viewRows[y];
        // Four-byte moves: the fourth byte is overwritten by the next pixel (the panorama
        // buffer has a spare byte after its last pixel); the row's last pixel moves three.
        for (int x = 0; x < w - 1; ++x) {
            const uint32_t c = std::min<uint32_t>(cm[x], lastColumn);
            const uint32_t r = std::min<uint32_t>(rm[x], lastRow);
            std::memcpy(dst + static_cast<std::size_t>(x) * 3, src + rowOffsets[r] + c * 3u, 4);
        }
        const uint32_t c = std::min<uint32_t>(cm[w - 1], lastColumn);
        const uint32_t r = std::min<uint32_t>(rm[w - 1], lastRow);
        std::memcpy(dst + static_cast<std::size_t>(w - 1) * 3, src + rowOffsets[r] + c * 3u, 3);
    }
}

void QualifyBitmap(TBitmap& view, std::vector<uint8_t>& scratch) {
    const int w = view.Width();
    const int h = view.Height();
    if (w < 3 || h < 3) return;  // no inner pixel
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    scratch.resize(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(scratch.data() + rowBytes * y, view.ScanLine(y), rowBytes);
    for (int y = 1; y < h - 1; ++y) {
        const uint8_t* above = scratch.data() + rowBytes * (y - 1);
        const uint8_t* centre = above + rowBytes;
        const uint8_t* below = centre + rowBytes;
        uint8_t* out = view.ScanLine(y);
        for (std::size_t i = 3; i < rowBytes - 3; ++i)
            out[i] = static_cast<uint8_t>(
                (centre[i - 3] + 6 * centre[i] + centre[i + 3] + above[i] + below[i]) / 10);
    }
}

// ---------------------------------------------------------------------------------------------
// Status texts

int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string SizeText(int32_t W, int32_t H) {
    return Format("%ix%i", static_cast<int>(W), static_cast<int>(H));
}

std::string AnglesText(const PanoramaView& v) {
    return Format("alpha=%-4.0f  betta=%-4.0f  gamma=%-4.0f", v.alpha, v.betta, v.gamma);
}

std::string FovText(const PanoramaView& v) { return Format("FOV=%-4.0f", 90.0 * v.fov); }

std::string FpsText(int64_t elapsedMs) {
    // A frame shorter than the tick counter's resolution has no measurable rate; all that is
    // known is that it ran faster than one frame per millisecond.
    if (elapsedMs <= 0) return "FPS=>1000";
    return Format("FPS=%-4.0f", 1000.0 / static_cast<double>(elapsedMs));
}

std::string TimingsText(const FrameTimings& t) {
    return Format("%i %i %i %i %i", static_cast<int>(t.nodes), static_cast<int>(t.horizontal),
                  static_cast<int>(t.vertical), static_cast<int>(t.fetch),
                  static_cast<int>(t.repaint));
}

// ---------------------------------------------------------------------------------------------
// Renderer

PanoramaRenderer::PanoramaRenderer(TickSource ticks) : ticks_(std::move(ticks)) {
    if (!ticks_) ticks_ = SteadyMilliseconds;
}

void PanoramaRenderer::RefreshViewRows(TBitmap& target) {
    const std::size_t h = static_cast<std::size_t>(target.Height());
    if (viewRows_.size() == h && (h == 0 || viewRows_[0] == target.ScanLine(0)) &&
        (h < 2 || viewRows_[1] == target.ScanLine(1)))
        return;
    viewRows_.resize(h);
    for (std::size_t y = 0; y < h; ++y) viewRows_[y] = target.ScanLine(static_cast<int32_t>(y));
}

FrameResult PanoramaRenderer::Frame(PanoramaView& view, const SteeringState& steering,
                                    const PanoramaPixels* panorama, TBitmap& target,
                                    const FrameHooks& hooks) {
    FrameResult result;
    const int64_t t0 = ticks_();
    const int mw = target.Width() + kGridStep;
    const int mh = target.Height() + kGridStep;
    ArrowHeldStep(view, steering, mw, mh);
    if (panorama == nullptr || panorama->Empty() || busy_) return result;
    const int64_t t1 = ticks_();
    if (!view.NeedsRender()) return result;

    struct BusyGuard {
        bool& flag;
        explicit BusyGuard(bool& f) : flag(f) { flag = true; }
        ~BusyGuard() { flag = false; }
    } guard(busy_);

    maps_.SetViewSize(target.Width(), target.Height());
    RefreshViewRows(target);
    const int32_t W = panorama->W();
    const int32_t H = panorama->H();

    result.panels[0] = SizeText(W, H);
    result.panels[1] = AnglesText(view);
    result.panels[2] = FovText(view);
    if (hooks.setPanel)
        for (int p = 0; p < 3; ++p) hooks.setPanel(p, result.panels[p]);

    ComputeGridNodes(maps_, view, W, H, scratch_);
    const int64_t t2 = ticks_();
    HorizontalPass(maps_, W, H, scratch_);
    const int64_t t3 = ticks_();
    VerticalPass(maps_, W, H, scratch_);
    const int64_t t4 = ticks_();
    FetchPixels(maps_, *panorama, viewRows_.data());
    const int64_t t5 = ticks_();
    if (hooks.repaint) hooks.repaint();
    const int64_t t6 = ticks_();

    view.prevBetta = view.betta;
    view.prevAlpha = view.alpha;
    view.prevGamma = view.gamma;
    view.prevFov = view.fov;
    const int64_t t7 = ticks_();

    result.rendered = true;
    result.timings.nodes = t2 - t1;
    result.timings.horizontal = t3 - t2;
    result.timings.vertical = t4 - t3;
    result.timings.fetch = t5 - t4;
    result.timings.repaint = t6 - t5;
    result.timings.total = t7 - t0;
    result.panels[3] = FpsText(result.timings.total);
    result.panels[4] = TimingsText(result.timings);
    if (hooks.setPanel)
        for (int p = 3; p < 5; ++p) hooks.setPanel(p, result.panels[p]);
    return result;
}

void PanoramaRenderer::Qualify(TBitmap& target) { QualifyBitmap(target, qualifyScratch_); }

void PanoramaRenderer::ReleaseBuffers() {
    maps_.Release();
    std::vector<uint8_t*>().swap(viewRows_);
    std::vector<uint8_t>().swap(qualifyScratch_);
    scratch_ = NodeScratch();
}
