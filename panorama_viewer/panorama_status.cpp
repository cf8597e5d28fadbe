#include "panorama_status.h"

#include "number_format.h"

std::string SizeText(int32_t W, int32_t H) {
    return FormatText("%ix%i", static_cast<int>(W), static_cast<int>(H));
}

std::string AnglesText(const PanoramaView& v) {
    return FormatText("alpha=%-4.0f  betta=%-4.0f  gamma=%-4.0f", v.alpha, v.betta, v.gamma);
}

std::string FovText(const PanoramaView& v) { return FormatText("FOV=%-4.0f", 90.0 * v.fov); }

std::string FpsText(int64_t elapsedMs) {
    // A frame shorter than the tick counter's resolution has no measurable rate; all that is
    // known is that it ran faster than one frame per millisecond.
    if (elapsedMs <= 0) return "FPS=>1000";
    return FormatText("FPS=%-4.0f", 1000.0 / static_cast<double>(elapsedMs));
}

std::string TimingsText(const FrameTimings& t) {
    auto ms = [](int64_t us) { return static_cast<int>(us / 1000); };
    return FormatText("%i %i %i %i %i", ms(t.nodes), ms(t.horizontal), ms(t.vertical), ms(t.fetch),
                  ms(t.repaint));
}
