// View description files from arbitrary bytes: splitting into lines, listing and reading every
// view, resolving its picture path, and running the adjustment chain with the settings read
// (on a small picture, when the sizes the settings ask for stay small). Promises checked: a
// view exists exactly for the numbers 1 .. count; the chain either refuses with ImageError or
// gives a picture of at least one pixel whose row padding is still zero.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "image_error.h"
#include "view_adjustments.h"
#include "view_description.h"

namespace {

constexpr double kSmall = 1 << 12;  // pixels the harness lets a step make

const TBitmap& Picture() {
    static const TBitmap picture = [] {
        TBitmap b(13, 9);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < 3 * b.Width(); ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(x * 31 + y * 7);
        return b;
    }();
    return picture;
}

// The size each sizing step would make, so the harness only builds views that stay small.
bool SizesStaySmall(const ViewSettings& v) {
    double w = Picture().Width(), h = Picture().Height();
    if (v.cropLeft != -1) w = v.cropWidth, h = v.cropHeight;
    if (w * h > kSmall) return false;
    if (v.resizeWidth != -1) w = v.resizeWidth, h = v.resizeHeight;
    if (w * h > kSmall) return false;
    if (v.resampleWidth != -1.0) {
        w = std::trunc(w * v.resampleWidth);
        h = std::trunc(h * v.resampleHeight);
    }
    return !(std::fabs(w * h) > kSmall);
}

bool PaddingIsZero(const TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (std::size_t i = 3 * static_cast<std::size_t>(b.Width()); i < b.Stride(); ++i)
            if (b.ScanLine(y)[i] != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitDescriptionLines(text);
    const auto names = ListViews(lines);
    const int count = static_cast<int>(names.size());
    FUZZ_CHECK(!ReadView(lines, 0) && !ReadView(lines, count + 1));
    for (int number = 1; number <= count && number <= 8; ++number) {
        const auto view = ReadView(lines, number);
        FUZZ_CHECK(view.has_value());
        const std::string path = ResolveImagePath("/data/views/show.mvw", view->fileName);
        FUZZ_CHECK(path.empty() == view->fileName.empty());
        if (!SizesStaySmall(*view)) continue;
        try {
            const TBitmap built = BuildView(Picture(), *view);
            FUZZ_CHECK(built.Width() >= 1 && built.Height() >= 1);
            FUZZ_CHECK(PaddingIsZero(built));
        } catch (const ImageError& e) {
            FUZZ_CHECK(std::strlen(e.what()) > 0);
        }
    }
    return 0;
}
