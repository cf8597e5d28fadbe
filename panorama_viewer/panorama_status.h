#pragma once
// The status bar texts of the panorama viewer.
#include <cstdint>
#include <string>

#include "panorama_view.h"

// Microseconds spent per stage of the last rendered frame (the status bar shows milliseconds).
// The vertical pass and the fetch run band by band, interleaved; each is the sum over the bands.
struct FrameTimings {
    int64_t nodes = 0, horizontal = 0, vertical = 0, fetch = 0, repaint = 0;
    int64_t total = 0;  // the whole call, steering step included
};

// "2000x1000": the panorama's size.
std::string SizeText(int32_t W, int32_t H);
std::string AnglesText(const PanoramaView& view);
std::string FovText(const PanoramaView& view);
std::string FpsText(int64_t elapsedMs);  // 1000 / elapsedMs, or ">1000" below a millisecond
std::string TimingsText(const FrameTimings& timings);
