#include "panorama_picture.h"

#include <algorithm>
#include <cmath>

#include "raycast.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEyeHeight = 1.7;

// Longitude difference folded into -pi..pi.
double Delta(double lon, double centre) {
    double d = lon - centre;
    while (d > kPi) d -= 2 * kPi;
    while (d < -kPi) d += 2 * kPi;
    return d;
}

double Hills(double lon) {
    const double south = Delta(lon, kPi);
    return 0.035 + 0.02 * std::sin(3 * lon + 1) + 0.012 * std::sin(7 * lon + 2) +
           0.006 * std::sin(17 * lon) + 0.09 * std::exp(-south * south / 0.08);
}

// 5 x 7 letters painted on the plaza, one row of bits per text line.
const char* const kLetters[4][7] = {
    {"10001", "11001", "10101", "10011", "10001", "10001", "10001"},   // N
    {"11111", "10000", "10000", "11110", "10000", "10000", "11111"},   // E
    {"01111", "10000", "10000", "01110", "00001", "00001", "11110"},   // S
    {"10001", "10001", "10001", "10101", "10101", "11011", "10001"}};  // W

bool PaintedLetter(double lon, double lat) {
    if (lat > -0.62 || lat <= -0.83) return false;
    const int row = static_cast<int>((-0.62 - lat) / 0.03);  // 7 rows of 0.03 rad
    for (int k = 0; k < 4; ++k) {
        const double d = Delta(lon, k * kPi / 2) + 0.1;  // 5 columns of 0.04 rad
        if (d < 0 || d >= 0.2) continue;
        return kLetters[k][row][static_cast<int>(d / 0.04)] == '1';
    }
    return false;
}

// Landmarks standing on the horizon; false where none covers (lon, lat).
bool Landmark(double lon, double lat, Colour& c) {
    // North: a lighthouse with red and white bands and a lit lantern.
    double d = Delta(lon, 0);
    if (std::fabs(d) < 0.018 && lat > -0.01 && lat < 0.2) {
        c = static_cast<int>((lat + 0.01) / 0.035) % 2 ? Colour{0.95, 0.95, 0.92}
                                                         : Colour{0.80, 0.10, 0.08};
        return true;
    }
    if (std::fabs(d) < 0.026 && lat >= 0.2 && lat < 0.24) {
        c = lat < 0.225 ? Colour{1.0, 0.9, 0.4} : Colour{0.15, 0.15, 0.15};
        return true;
    }
    // East: a white house with a red roof, a door and two windows.
    d = Delta(lon, kPi / 2);
    if (std::fabs(d) < 0.09 && lat > -0.005 && lat < 0.07) {
        const bool door = std::fabs(d) < 0.012 && lat < 0.035;
        const bool window = std::fabs(std::fabs(d) - 0.05) < 0.015 && lat > 0.025 && lat < 0.05;
        c = door ? Colour{0.35, 0.20, 0.10} : window ? Colour{0.20, 0.35, 0.55}
                                                     : Colour{0.92, 0.90, 0.85};
        return true;
    }
    if (lat >= 0.07 && lat < 0.07 + 0.06 * (1 - std::fabs(d) / 0.1)) {
        c = {0.70, 0.12, 0.08};
        return true;
    }
    // South: three trees before the mountain.
    for (double offset : {-0.12, 0.0, 0.1}) {
        d = Delta(lon, kPi + offset);
        const double top = 0.14 + 0.03 * offset * 10;
        const double r = 0.045, dy = lat - (top - r);
        if (d * d + dy * dy < r * r) {
            c = {0.08, 0.30 + 0.1 * (dy / r), 0.10};
            return true;
        }
        if (std::fabs(d) < 0.008 && lat > -0.005 && lat < top - r) {
            c = {0.30, 0.20, 0.10};
            return true;
        }
    }
    // West: a thin radio mast, banded red and white near the top, on a grey hut.
    d = Delta(lon, -kPi / 2);
    const double halfWidth = 0.012 * (1 - lat / 0.3);
    if (std::fabs(d) < halfWidth && lat > 0 && lat < 0.3) {
        c = lat > 0.2 && static_cast<int>(lat / 0.02) % 2 ? Colour{0.85, 0.1, 0.1}
                                                           : Colour{0.75, 0.75, 0.78};
        return true;
    }
    if (std::fabs(d) < 0.04 && lat > -0.005 && lat < 0.025) {
        c = {0.55, 0.55, 0.58};
        return true;
    }
    return false;
}

Colour SkyAt(double lon, double lat) {
    Colour c = Mix({0.80, 0.86, 0.93}, {0.18, 0.38, 0.78}, std::min(lat / 0.9, 1.0));
    // The sun in the north-east, with a glow.
    const double dLon = Delta(lon, 0.9) * std::cos(lat), dLat = lat - 0.45;
    const double r2 = dLon * dLon + dLat * dLat;
    if (r2 < 0.0009) return {1.0, 0.98, 0.90};
    c = c + Colour{0.5, 0.4, 0.25} * (0.02 / (r2 + 0.02)) * 0.6;
    // Soft clouds: a few crossing waves, kept where they add up high enough.
    const double w = std::sin(5 * lon + 3 * lat) + std::sin(9 * lon - 7 * lat + 1) +
                     std::sin(13 * lon + 11 * lat + 2) * 0.5 + std::sin(3 * lon - 2) * 0.8;
    const double cloud = std::clamp((w - 1.4) / 1.2, 0.0, 1.0) * std::clamp((0.7 - lat) / 0.3, 0.0, 1.0);
    return Mix(c, {0.97, 0.97, 0.97}, cloud * std::clamp((lat - 0.06) / 0.08, 0.0, 1.0));
}

// The lake to the north, on the ground plane (x east, z north, metres from the viewer), with a
// winding shore.
bool InLake(double x, double z) {
    return z > 14 + 3 * std::sin(x * 0.15) && std::fabs(x) < 30 + 8 * std::sin(z * 0.1);
}

Colour GroundAt(double lon, double lat) {
    const double distance = kEyeHeight / std::tan(-lat);
    Colour c;
    if (distance < 2.4) {  // the plaza: stone rings, letters, the tripod's shadow underfoot
        c = static_cast<int>(distance * 4) % 2 ? Colour{0.55, 0.53, 0.50} : Colour{0.50, 0.48, 0.45};
        if (PaintedLetter(lon, lat)) c = {0.95, 0.95, 0.95};
        if (lat < -1.48) c = c * 0.4;
    } else if (InLake(distance * std::sin(lon), distance * std::cos(lon))) {
        c = Mix({0.20, 0.35, 0.50}, SkyAt(lon, -lat), 0.5);
    } else {  // grass with mowing stripes
        c = Colour{0.30, 0.50, 0.20} * (0.9 + 0.1 * std::sin(distance * 0.7 + 2 * std::sin(lon * 8)));
    }
    return Mix(c, {0.70, 0.78, 0.80}, 1 - std::exp(-distance / 400));
}

}  // namespace

TBitmap DrawPanorama(int width, int height) {
    TBitmap picture(width, height);
    std::vector<double> lons(width), hills(width);
    for (int x = 0; x < width; ++x) {
        lons[x] = (x + 0.5) / width * 2 * kPi;
        hills[x] = Hills(lons[x]);
    }
    for (int y = 0; y < height; ++y) {
        const double lat = kPi / 2 - (y + 0.5) / height * kPi;
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const double lon = lons[x];
            Colour c;
            if (Landmark(lon, lat, c)) {
            } else if (lat >= 0 && lat < hills[x]) {
                // Hills: bluish with distance, snow on the southern mountain's top.
                c = lat > 0.11 ? Colour{0.92, 0.93, 0.96}
                               : Mix({0.25, 0.40, 0.25}, {0.45, 0.55, 0.65}, lat / 0.11);
            } else if (lat >= 0) {
                c = SkyAt(lon, lat);
            } else {
                c = GroundAt(lon, lat);
            }
            PutPixel(row + 3 * x, c * 0.85 + Colour{0.02, 0.02, 0.02});
        }
    }
    return picture;
}
