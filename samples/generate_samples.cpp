// Writes the demo pictures and files every tool opens on a first run, into the (empty) folder
// given as the first argument, and their paths relative to it, one a line, into the list file
// given as the second: installing copies exactly these.
//   stereo/garden.jps            side-by-side pair of a garden scene seen from two eyes
//   stereo/garden.mpo            the same two views as a 3D camera's MPO file, with the
//                                camera's parallax
//   panorama/lakeside.jpg        full-sphere panorama: sky, sun, hills, four landmarks
//   panorama/lakeside_strip.jpg  the band of it 360 x 120 degrees high, as phones store
//                                panoramas: cropped, with GPano metadata placing it
//   turntable/frame_01..36.jpg   an object turning by 10 degrees per frame
//   views/views.mvw              Multi Viewer views over garden.jpg and robot.jpg beside it
//   color/                       reference.jpg, sample.jpg (with a colour cast), points.txt
//                                marking the same spots in both, correction_table.txt
//   object_editor/project.oep    shots of the object shifted, turned and scaled against each
//                                other, with the parameters that line them up again
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "jpeg_image.h"
#include "mpo_writer.h"
#include "number_format.h"
#include "panorama_picture.h"
#include "raycast.h"
#include "text_io.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kQuality = 90;

std::string Folder(const std::string& root, const char* name) {
    const std::string folder = root + "/" + name;
    std::filesystem::create_directories(folder);
    return folder + "/";
}

// Pixel position of a world point in camera's picture of width x height.
void Project(const Camera& camera, Vec3 p, int width, int height, double& px, double& py) {
    Vec3 d = p - camera.eye;
    const double cy = std::cos(camera.yaw), sy = std::sin(camera.yaw);
    d = {cy * d.x - sy * d.z, d.y, sy * d.x + cy * d.z};
    const double cp = std::cos(camera.pitch), sp = std::sin(camera.pitch);
    d = {d.x, cp * d.y - sp * d.z, sp * d.y + cp * d.z};
    px = width * 0.5 + camera.focal * d.x / d.z;
    py = height * 0.5 - camera.focal * d.y / d.z;
}

Box SolidBox(Vec3 centre, Vec3 half, Colour colour, double turn = 0) {
    Box box{centre, half, {}};
    // Faces facing different ways get slightly different tints, as painted wood does.
    for (int f = 0; f < 6; ++f) box.faces[f] = colour * (0.92 + 0.04 * (f % 3));
    box.Turn(turn);
    return box;
}

// ---- Stereo pair: a paved garden with balls, crates and two rows of pillars. ----

Scene GardenScene() {
    Scene s;
    s.groundA = {0.46, 0.42, 0.36};
    s.groundB = {0.38, 0.35, 0.30};
    s.tile = 0.5;
    s.spheres = {{{-0.55, 0.32, 2.0}, 0.32, {0.80, 0.10, 0.08}},
                 {{0.85, 0.45, 3.3}, 0.45, {0.10, 0.25, 0.80}},
                 {{-1.7, 0.6, 5.2}, 0.6, {0.90, 0.75, 0.10}},
                 {{2.4, 1.0, 9.0}, 1.0, {0.15, 0.60, 0.20}},
                 {{-0.4, 1.5, 16.0}, 1.5, {0.85, 0.85, 0.85}}};
    s.boxes = {SolidBox({0.15, 0.3, 4.6}, {0.3, 0.3, 0.3}, {0.60, 0.40, 0.20}, 0.5),
               SolidBox({0.25, 0.8, 4.6}, {0.2, 0.2, 0.2}, {0.55, 0.35, 0.18}, 0.9),
               SolidBox({-3.0, 0.75, 10.0}, {0.75, 0.75, 0.75}, {0.50, 0.32, 0.16}, -0.3)};
    for (int i = 0; i < 8; ++i) {
        const double z = 4.0 + 3.0 * i;
        for (double x : {-3.6, 3.6})
            s.boxes.push_back(SolidBox({x, 1.5, z}, {0.2, 1.5, 0.2}, {0.85, 0.80, 0.70}));
    }
    return s;
}

Camera GardenEye(double x) {
    Camera c;
    c.eye = {x, 1.2, -0.5};
    c.pitch = -0.14;  // a little down, so the near ball sits in the lower half
    c.focal = 1000;
    return c;
}

// ---- Turntable: a toy robot on a plate, turned by `angle` radians. ----

Scene RobotScene(double angle) {
    Scene s;
    s.groundA = {0.62, 0.62, 0.64};
    s.groundB = {0.58, 0.58, 0.60};
    s.tile = 2.0;
    s.skyZenith = {0.35, 0.38, 0.45};
    s.skyHorizon = {0.75, 0.76, 0.80};
    s.sun = Normalized({-0.45, 0.85, -0.35});
    s.hazeDistance = 1e9;
    const double c = std::cos(angle), sn = std::sin(angle);
    auto place = [&](double x, double y, double z) { return Vec3{c * x + sn * z, y, -sn * x + c * z}; };
    s.boxes.push_back(SolidBox({0, 0.03, 0}, {0.6, 0.03, 0.6}, {0.30, 0.30, 0.34}, angle));
    Box body = SolidBox(place(0, 0.55, 0), {0.32, 0.45, 0.22}, {}, angle);
    const Colour faces[6] = {{0.95, 0.80, 0.10}, {0.15, 0.65, 0.25}, {0.5, 0.5, 0.5},
                             {0.90, 0.90, 0.90}, {0.85, 0.15, 0.10}, {0.15, 0.30, 0.85}};
    for (int f = 0; f < 6; ++f) body.faces[f] = faces[f];
    s.boxes.push_back(body);
    s.boxes.push_back(SolidBox(place(0.45, 0.75, 0), {0.13, 0.07, 0.07}, {0.2, 0.2, 0.25}, angle));
    s.spheres = {{place(0, 1.22, 0), 0.22, {0.85, 0.85, 0.80}},
                 {place(0, 1.25, -0.2), 0.06, {0.90, 0.20, 0.10}},
                 {place(0.62, 0.75, 0), 0.1, {0.95, 0.60, 0.10}}};
    return s;
}

Camera RobotCamera() {
    Camera c;
    c.eye = {0, 1.45, -3.0};
    c.pitch = -0.22;
    c.focal = 1000;
    return c;
}

// Screen rectangle that holds the robot, its plate and their shadow in any turn.
void RobotRect(const Camera& cam, const Scene& s, int w, int h, int& l, int& t, int& r, int& b) {
    double minX = w, minY = h, maxX = 0, maxY = 0;
    for (double x : {-0.9, 0.9})
        for (double y : {0.0, 1.5})
            for (double z : {-0.9, 0.9}) {
                const Vec3 corner{x, y, z};
                const Vec3 shadow = corner - s.sun * (y / s.sun.y);
                for (Vec3 p : {corner, shadow}) {
                    double px, py;
                    Project(cam, p, w, h, px, py);
                    minX = std::min(minX, px), maxX = std::max(maxX, px);
                    minY = std::min(minY, py), maxY = std::max(maxY, py);
                }
            }
    l = static_cast<int>(minX) - 2, t = static_cast<int>(minY) - 2;
    r = static_cast<int>(maxX) + 3, b = static_cast<int>(maxY) + 3;
}

void WriteTurntable(const std::string& folder, TBitmap& firstFrame) {
    constexpr int kW = 800, kH = 600;
    const Camera cam = RobotCamera();
    Scene empty = RobotScene(0);
    empty.boxes.clear();
    empty.spheres.clear();
    TBitmap backdrop(kW, kH);
    Render(empty, cam, backdrop, 0, 0, kW, kH);
    int l, t, r, b;
    RobotRect(cam, empty, kW, kH, l, t, r, b);
    for (int k = 0; k < 36; ++k) {
        TBitmap frame = backdrop;
        Render(RobotScene(k * 10 * kPi / 180), cam, frame, l, t, r, b);
        SaveJpegFile(frame, folder + FormatText("frame_%02d.jpg", k + 1), kQuality);
        if (k == 0) firstFrame = frame;
    }
}

// ---- Object Editor: shots that a hand-held camera took a little off each time. ----

struct Misplacement {
    int x0, y0;
    double rotate, scale;
};

// A shot such that the project's TransformImage(x0, y0, rotate, scale) of it shows the robot as
// the fixed camera frames it: source pixel s shows the framed pixel
// o = output centre + (x0, y0) + scale * R(rotate) (s - source centre).
void WriteEditorShots(const std::string& folder) {
    constexpr int kW = 800, kH = 600;
    const Misplacement shots[] = {{0, 0, 0, 1},      {36, -20, 4, 1.08}, {-28, 14, -3, 0.94},
                                  {18, 30, 6, 1.12}, {-40, -26, -5, 0.9}, {30, -18, 3.5, 1.07}};
    const Camera cam = RobotCamera();
    std::string project;
    AppendLine(project, FormatText("%d\t%d", kW, kH));
    int n = 0;
    for (const Misplacement& m : shots) {
        const double theta = m.rotate * -2 * kPi / 360;
        const double c = std::cos(theta), s = std::sin(theta);
        PixelMap map;
        map.xx = m.scale * c, map.xy = m.scale * s;
        map.yx = -m.scale * s, map.yy = m.scale * c;
        map.x0 = kW / 2 + m.x0 - (map.xx * (kW / 2) + map.xy * (kH / 2));
        map.y0 = kH / 2 + m.y0 - (map.yx * (kW / 2) + map.yy * (kH / 2));
        TBitmap shot(kW, kH);
        Render(RobotScene(n * 60 * kPi / 180), cam, shot, 0, 0, kW, kH, map);
        const std::string name = FormatText("shot_%d.jpg", ++n);
        SaveJpegFile(shot, folder + name, kQuality);
        AppendLine(project, FormatText("%s\t%d\t%d\t%g\t%g", name.c_str(), m.x0, m.y0, m.rotate,
                                       m.scale));
    }
    WriteTextFile(folder + "project.oep", project);
}

// ---- Color Corrector: one view taken right and once with a warm cast. ----

// The cast of the sample camera, per channel on 0..1.
double Cast(int channel, double v) {
    switch (channel) {
        case 0: return std::pow(v, 1.25) * 0.88;  // blue: weaker and darker
        case 1: return v * 0.96;                  // green
        default: return std::pow(v, 0.85);        // red: stronger
    }
}
double Uncast(int channel, double v) {
    switch (channel) {
        case 0: return std::pow(v / 0.88, 1 / 1.25);
        case 1: return v / 0.96;
        default: return std::pow(v, 1 / 0.85);
    }
}
uint8_t ToByte(double v) { return static_cast<uint8_t>(std::clamp(v * 255 + 0.5, 0.0, 255.0)); }

void WriteColorSamples(const std::string& folder, const TBitmap& panorama) {
    // The scene: a piece of the panorama around the east house above a colour chart on grey card.
    constexpr int kW = 1040, kH = 790, kLandscape = 490;
    TBitmap scene(kW, kH);
    const int px0 = panorama.Width() / 4 - kW / 2, py0 = panorama.Height() / 2 - 330;
    for (int y = 0; y < kLandscape; ++y)
        std::copy_n(panorama.ScanLine(py0 + y) + 3 * px0, 3 * kW, scene.ScanLine(y));
    const uint8_t card[3] = {70, 72, 75};
    for (int y = kLandscape; y < kH; ++y)
        for (int x = 0; x < kW; ++x) std::copy_n(card, 3, scene.ScanLine(y) + 3 * x);
    const uint8_t patches[16][3] = {  // blue, green, red
        {40, 40, 190},  {30, 120, 230}, {40, 200, 230}, {60, 150, 60},  {170, 160, 40},
        {170, 70, 30},  {130, 50, 110}, {120, 150, 200}, {245, 245, 245}, {200, 200, 200},
        {160, 160, 160}, {122, 122, 122}, {85, 85, 85},   {52, 52, 52},   {30, 30, 30},
        {15, 15, 15}};
    std::vector<std::pair<int, int>> spots;  // centres in the scene
    for (int i = 0; i < 16; ++i) {
        const int left = 42 + 22 + (i % 8) * 122, top = kLandscape + 30 + (i / 8) * 130;
        for (int y = top; y < top + 100; ++y)
            for (int x = left; x < left + 100; ++x)
                std::copy_n(patches[i], 3, scene.ScanLine(y) + 3 * x);
        spots.push_back({left + 50, top + 50});
    }
    for (auto spot : {std::pair{120, 60}, {520, 120}, {900, 300}, {300, 420}, {700, 460}})
        spots.push_back(spot);

    // Reference and sample frame the scene slightly differently, as two cameras would.
    constexpr int kCropW = 1000, kCropH = 750;
    const int refX = 20, refY = 20, samX = 32, samY = 11;
    TBitmap reference(kCropW, kCropH), sample(kCropW, kCropH);
    uint8_t castTable[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) castTable[c][v] = ToByte(Cast(c, v / 255.0));
    for (int y = 0; y < kCropH; ++y) {
        std::copy_n(scene.ScanLine(y + refY) + 3 * refX, 3 * kCropW, reference.ScanLine(y));
        const uint8_t* from = scene.ScanLine(y + samY) + 3 * samX;
        uint8_t* to = sample.ScanLine(y);
        for (int i = 0; i < 3 * kCropW; ++i) to[i] = castTable[i % 3][from[i]];
    }
    SaveJpegFile(reference, folder + "reference.jpg", kQuality);
    SaveJpegFile(sample, folder + "sample.jpg", kQuality);

    std::string points;
    AppendLine(points, "reference.jpg");
    AppendLine(points, "sample.jpg");
    for (auto [x, y] : spots)
        AppendLine(points, FormatText("%d\t%d\t%d\t%d", x - refX, y - refY, x - samX, y - samY));
    WriteTextFile(folder + "points.txt", points);

    std::string table;  // red, green, blue output for each sample value
    for (int v = 0; v < 256; ++v)
        AppendLine(table, FormatText("%d\t%d\t%d", ToByte(Uncast(2, v / 255.0)),
                                     ToByte(Uncast(1, v / 255.0)), ToByte(Uncast(0, v / 255.0))));
    WriteTextFile(folder + "correction_table.txt", table);
}

// ---- Multi Viewer: every step of the adjustment chain over the garden and the robot. ----

void WriteViews(const std::string& folder, const TBitmap& garden, const TBitmap& robot) {
    SaveJpegFile(garden, folder + "garden.jpg", kQuality);
    SaveJpegFile(robot, folder + "robot.jpg", kQuality);
    // The near red ball, found where the camera sees it.
    double bx, by;
    Project(GardenEye(-0.0325), {-0.55, 0.32, 2.0}, garden.Width(), garden.Height(), bx, by);
    const std::string lines[] = {
        "Sample views for the Multi Viewer: each view names a picture beside this file and",
        "the adjustments to make. Lines that are not settings, like these, are ignored.",
        "viewname=Garden as taken",
        "filename=garden.jpg",
        "viewname=Garden turned by 8 degrees and trimmed",
        "filename=garden.jpg",
        "rotate=8,-1,-1",
        "crop=150,110,900,680",
        "viewname=The red ball enlarged",
        "filename=garden.jpg",
        FormatText("crop=%d,%d,240,180", static_cast<int>(bx) - 120, static_cast<int>(by) - 90),
        "resize=960,720",
        "viewname=Robot at half size, mirrored",
        "filename=robot.jpg",
        "resample=0.5,0.5",
        "mirror=0,1",
        "viewname=Robot upside down and lighter",
        "filename=robot.jpg",
        "mirror=1,0",
        "gamma=0.7",
        "brightness=1.15",
        "viewname=Garden with strong contrast",
        "filename=garden.jpg",
        "contrast=1.6",
        "viewname=Garden as a negative",
        "filename=garden.jpg",
        "inverse=1",
        "viewname=Garden in black and white",
        "filename=garden.jpg",
        "grayscale=1",
        "viewname=Garden in sepia",
        "filename=garden.jpg",
        "colorize=1.0,0.8,0.6",
    };
    std::string text;
    for (const std::string& line : lines) AppendLine(text, line);
    WriteTextFile(folder + "views.mvw", text);
}

// The pair as a 3D camera writes it: the two views as whole JPEGs in one MPO file, the
// second carrying the parallax that brings the near flower bed to the screen's depth.
void WriteMpoPair(const std::string& path, const TBitmap& left, const TBitmap& right) {
    std::vector<std::vector<uint8_t>> views;
    for (const TBitmap* view : {&left, &right}) {
        TJPEGImage jpeg;
        jpeg.CompressionQuality = kQuality;
        jpeg.Assign(*view);
        views.push_back(jpeg.Bytes());
    }
    TJPEGImage file;
    file.LoadFromBytes(JoinMpoPictures(views, -1.5));
    file.SaveToFile(path);
}

// The middle 120 degrees of the panorama's height, placed by its GPano metadata; the first
// view looks east, at the house, instead of at the strip's centre (south).
void WritePartialPanorama(const std::string& path, const TBitmap& panorama) {
    GPanoArea area;
    area.fullWidth = panorama.Width();
    area.fullHeight = panorama.Height();
    area.croppedWidth = panorama.Width();
    area.croppedHeight = panorama.Height() * 2 / 3;
    area.left = 0;
    area.top = (area.fullHeight - area.croppedHeight) / 2;
    area.poseHeading = 180.0;  // the picture's centre faces south
    area.initialHeading = 90.0;
    TBitmap strip(static_cast<int32_t>(area.croppedWidth), static_cast<int32_t>(area.croppedHeight));
    for (int32_t y = 0; y < strip.Height(); ++y)
        std::copy_n(panorama.ScanLine(static_cast<int32_t>(area.top) + y), 3 * strip.Width(), strip.ScanLine(y));
    TJPEGImage jpeg;
    jpeg.CompressionQuality = kQuality;
    jpeg.Assign(strip);
    TJPEGImage file;
    file.LoadFromBytes(InsertXmpPacket(jpeg.Bytes(), GPanoXmpPacket(area)));
    file.SaveToFile(path);
}

}  // namespace

// Every file under root, relative to it with '/' between folders, in name order. The build
// empties root before the generator runs, so this is what the generator wrote, whatever wrote it.
void WriteFileList(const std::string& root, const std::string& listPath) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            names.push_back(std::filesystem::relative(entry.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    WriteTextFile(listPath, text);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> <list file>\n", argv[0]);
        return 2;
    }
    try {
        const std::string root = argv[1];
        constexpr int kW = 1200, kH = 900;
        const Scene garden = GardenScene();
        TBitmap left(kW, kH), right(kW, kH), pair(2 * kW, kH);
        Render(garden, GardenEye(-0.0325), left, 0, 0, kW, kH);
        Render(garden, GardenEye(0.0325), right, 0, 0, kW, kH);
        for (int y = 0; y < kH; ++y) {
            std::copy_n(left.ScanLine(y), 3 * kW, pair.ScanLine(y));
            std::copy_n(right.ScanLine(y), 3 * kW, pair.ScanLine(y) + 3 * kW);
        }
        SaveJpegFile(pair, Folder(root, "stereo") + "garden.jps", kQuality);
        WriteMpoPair(Folder(root, "stereo") + "garden.mpo", left, right);

        const TBitmap panorama = DrawPanorama(4096, 2048);
        SaveJpegFile(panorama, Folder(root, "panorama") + "lakeside.jpg", kQuality);
        WritePartialPanorama(Folder(root, "panorama") + "lakeside_strip.jpg", panorama);

        TBitmap robot;
        WriteTurntable(Folder(root, "turntable"), robot);
        WriteViews(Folder(root, "views"), left, robot);
        WriteColorSamples(Folder(root, "color"), panorama);
        WriteEditorShots(Folder(root, "object_editor"));
        WriteFileList(root, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumivex_samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
