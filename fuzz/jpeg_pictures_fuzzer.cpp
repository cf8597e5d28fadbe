// Small decoded pictures through everything that takes a picture from a file: the six copy
// operations (fast paths against the plain per-pixel moves, and against their own geometry),
// the stereo split and render (against the per-pixel yardstick), and the panorama source
// with one frame (every view pixel is a panorama pixel). Operation parameters come from a hash
// of the input, so the seeds stay plain JPEG files.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "fuzz_check.h"
#include "image_error.h"
#include "image_ops.h"
#include "image_ops_internal.h"
#include "jpeg_image.h"
#include "pixel_gather.h"
#include "panorama_renderer.h"
#include "panorama_steering.h"
#include "stereo_composition.h"

namespace {

constexpr uint64_t kMaxPixels = 64 * 64;

// A stream of well-mixed numbers seeded from the input (splitmix64).
class Parameters {
public:
    Parameters(const uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) state_ = (state_ ^ data[i]) * 0x100000001B3ull;
    }
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int32_t Between(int32_t low, int32_t high) {
        return low + static_cast<int32_t>(Next() % static_cast<uint64_t>(high - low + 1));
    }
    // Any float at all now and then (infinities, NaN, huge), otherwise a useful range.
    float AnyFloat(float range) {
        const uint64_t bits = Next();
        if (bits % 8 == 0) {
            float raw;
            const uint32_t word = static_cast<uint32_t>(bits >> 32);
            std::memcpy(&raw, &word, sizeof raw);
            return raw;
        }
        return static_cast<float>(static_cast<double>(bits >> 11) / 9007199254740992.0 * 2.0 - 1.0) * range;
    }

private:
    uint64_t state_ = 0xCBF29CE484222325ull;
};

bool BlackOutside(const TBitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.ScanLine(y) + x * 3;
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

// Runs op with the fast paths on and off; both must give the same bytes, and so must passing
// the source as its own target (for operations that size their target, or where the target
// has the source's size).
template <typename Op>
TBitmap BothWays(const TBitmap& source, const TBitmap& presized, Op op) {
    TBitmap fast = presized, plain = presized;
    SetShufflesEnabled(true);
    op(source, fast);
    SetShufflesEnabled(false);
    op(source, plain);
    SetShufflesEnabled(true);
    FUZZ_CHECK(fast.SamePixels(plain));
    TBitmap self = source;
    if (presized.Empty() || (presized.Width() == source.Width() && presized.Height() == source.Height())) {
        op(self, self);
        FUZZ_CHECK(self.SamePixels(fast));
    }
    return fast;
}

void CheckCopyOperations(const TBitmap& picture, Parameters& p) {
    const int32_t w = picture.Width(), h = picture.Height();
    auto pixel = [](const TBitmap& b, int32_t x, int32_t y) { return b.ScanLine(y) + x * 3; };
    auto same = [](const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, 3) == 0; };

    const TBitmap copy = BothWays(picture, TBitmap(), [](const TBitmap& s, TBitmap& t) { CopyImage(s, t); });
    FUZZ_CHECK(copy.SamePixels(picture));
    const TBitmap flipped = BothWays(picture, TBitmap(), [](const TBitmap& s, TBitmap& t) { FlipVertical(s, t); });
    const TBitmap mirrored = BothWays(picture, TBitmap(), [](const TBitmap& s, TBitmap& t) { MirrorHorizontal(s, t); });
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            FUZZ_CHECK(same(pixel(flipped, x, h - 1 - y), pixel(picture, x, y)));
            FUZZ_CHECK(same(pixel(mirrored, w - 1 - x, y), pixel(picture, x, y)));
        }

    for (int32_t angle : {0, 90, 180, 270}) {
        const TBitmap turned = BothWays(picture, TBitmap(), [angle](const TBitmap& s, TBitmap& t) { RotateImage(s, t, angle); });
        const bool quarter = angle % 180 != 0;
        FUZZ_CHECK(turned.Width() == (quarter ? h : w) && turned.Height() == (quarter ? w : h));
        const TBitmap back = BothWays(turned, TBitmap(), [angle](const TBitmap& s, TBitmap& t) { RotateImage(s, t, (360 - angle) % 360); });
        FUZZ_CHECK(back.SamePixels(picture));
    }
    TBitmap untouched(2, 1);
    RotateImage(picture, untouched, p.Between(1, 89));
    FUZZ_CHECK(untouched.Width() == 2 && untouched.Height() == 1);

    const int32_t left = p.Between(-8, w + 8), top = p.Between(-8, h + 8);
    const int32_t right = p.Between(left - 2, w + 8), bottom = p.Between(top - 2, h + 8);
    const TBitmap cropped = BothWays(picture, TBitmap(), [&](const TBitmap& s, TBitmap& t) {
        CropImage(s, left, top, right, bottom, t);
    });
    if (right < left || bottom < top) {
        FUZZ_CHECK(cropped.Empty());
    } else {
        FUZZ_CHECK(cropped.Width() == right - left + 1 && cropped.Height() == bottom - top + 1);
        for (int32_t y = 0; y < cropped.Height(); ++y)
            for (int32_t x = 0; x < cropped.Width(); ++x) {
                const int32_t sx = left + x, sy = top + y;
                if (sx >= 0 && sx < w && sy >= 0 && sy < h)
                    FUZZ_CHECK(same(pixel(cropped, x, y), pixel(picture, sx, sy)));
                else
                    FUZZ_CHECK(BlackOutside(cropped, x, y));
            }
    }

    const TBitmap scaled = BothWays(picture, TBitmap(p.Between(1, 200), p.Between(1, 200)),
                                    [](const TBitmap& s, TBitmap& t) { ScaleNearest(s, t); });
    // Nearest neighbour: every target pixel is some source pixel.
    std::unordered_set<uint32_t> colours;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* c = pixel(picture, x, y);
            colours.insert(static_cast<uint32_t>(c[0]) | c[1] << 8 | c[2] << 16);
        }
    for (int32_t y = 0; y < scaled.Height(); ++y)
        for (int32_t x = 0; x < scaled.Width(); ++x) {
            const uint8_t* c = pixel(scaled, x, y);
            FUZZ_CHECK(colours.count(static_cast<uint32_t>(c[0]) | c[1] << 8 | c[2] << 16) == 1);
        }
}

void CheckStereo(const TBitmap& picture, Parameters& p) {
    const StereoPair pair = SplitStereoPair(picture);
    FUZZ_CHECK(pair.halfWidth == picture.Width() / 2 && pair.height == picture.Height());
    StereoViewState state;
    state.scale = p.Next() % 4 == 0 ? p.AnyFloat(1e30f) : 0.05f + std::fabs(p.AnyFloat(8.0f));
    state.positionX = p.AnyFloat(300.0f);
    state.positionY = p.AnyFloat(300.0f);
    state.parallaxX = p.AnyFloat(100.0f);
    state.parallaxY = p.AnyFloat(100.0f);
    state.mode = static_cast<StereoMode>(p.Between(0, 4));
    state.swap = p.Next() % 2 == 0;
    TBitmap fast(p.Between(1, 80), p.Between(1, 60));
    TBitmap slow(fast.Width(), fast.Height());
    RenderStereoView(pair, state, fast);
    RenderStereoViewPerPixel(pair, state, slow);
    FUZZ_CHECK(fast.SamePixels(slow));
}

void CheckPanorama(const TBitmap& picture, Parameters& p) {
    const PanoramaPixels panorama = PanoramaPixels::FromBitmap(picture);
    FUZZ_CHECK(panorama.W() == picture.Width() && panorama.H() == picture.Height());
    PanoramaView view;
    view.alpha = p.Between(0, 360000) / 1000.0;
    view.betta = p.Between(-90000, 90000) / 1000.0;
    view.gamma = p.Between(0, 360000) / 1000.0;
    view.fov = p.Between(100, 4000) / 1000.0;
    PanoramaRenderer renderer([] { return int64_t{0}; });
    TBitmap target(p.Between(1, 90), p.Between(1, 70));
    FUZZ_CHECK(renderer.Frame(view, SteeringState(), &panorama, target).rendered);
    // Every view pixel is copied from the panorama.
    std::unordered_set<uint32_t> colours;
    for (int32_t r = 0; r < panorama.H(); ++r)
        for (int32_t c = 0; c < panorama.W(); ++c) {
            const uint8_t* px = panorama.Pixel(c, r);
            colours.insert(static_cast<uint32_t>(px[0]) | px[1] << 8 | px[2] << 16);
        }
    for (int32_t y = 0; y < target.Height(); ++y)
        for (int32_t x = 0; x < target.Width(); ++x) {
            const uint8_t* px = target.ScanLine(y) + x * 3;
            FUZZ_CHECK(colours.count(static_cast<uint32_t>(px[0]) | px[1] << 8 | px[2] << 16) == 1);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    uint32_t width = 0, height = 0;
    if (!ReadJpegSize(data, size, width, height) || static_cast<uint64_t>(width) * height > kMaxPixels)
        return 0;
    TBitmap picture;
    try {
        DecodeJpegBytes(data, size, picture);
    } catch (const ImageError&) {
        return 0;
    }
    Parameters p(data, size);
    CheckCopyOperations(picture, p);
    CheckStereo(picture, p);
    CheckPanorama(picture, p);
    return 0;
}
