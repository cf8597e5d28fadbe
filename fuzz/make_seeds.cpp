// Writes the seed corpora of the picture harnesses: small JPEG streams of every kind the
// libjpeg API can make (baseline, progressive, arithmetic, restart markers, every
// subsampling, greyscale, RGB, CMYK with and without the Adobe marker, YCCK, ICC and EXIF
// segments, many scans), plus a few damaged ones.
//
//   make_seeds <folder>   writes <folder>/<harness>/<seed>.jpg for each harness listed below
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "mpo_writer.h"

namespace {

// Harnesses that read pictures; each gets every seed.
const char* const kPictureHarnesses[] = {
    "jpeg_decode",
    "jpeg_pictures",
    "object_frames",
};

struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
};

using Tune = std::function<void(jpeg_compress_struct&)>;

// Busy content (edges, gradients and noise) so that every coefficient band carries data.
uint8_t Sample(int x, int y, int c) {
    unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u ^
                 static_cast<unsigned>(c) * 83492791u;
    h ^= h >> 13;
    const int smooth = (x * 9 + y * 5 + c * 60) & 0xFF;
    const int edge = ((x / 4 + y / 3) & 1) ? 40 : -40;
    return static_cast<uint8_t>((smooth + edge + static_cast<int>(h & 31)) & 0xFF);
}

// tune adjusts the parameters; markers, if given, writes marker segments once compression
// has started (where libjpeg takes them).
std::vector<uint8_t> Compress(int width, int height, int components, J_COLOR_SPACE inSpace,
                              int quality, const Tune& tune, const Tune& markers = nullptr) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (tune) tune(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (markers) markers(cinfo);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<std::size_t>(x) * components + c] =
                    Sample(x, static_cast<int>(cinfo.next_scanline), c);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

void Sampling(jpeg_compress_struct& cinfo, int h, int v) {
    cinfo.comp_info[0].h_samp_factor = h;
    cinfo.comp_info[0].v_samp_factor = v;
    for (int c = 1; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
}

// A progressive script of many scans: spectral bands of eight coefficients, each band first
// sent at reduced precision and then refined bit by bit.
void ManyScans(jpeg_compress_struct& cinfo) {
    static std::vector<jpeg_scan_info> scans;
    scans.clear();
    for (int c = 0; c < cinfo.num_components; ++c) {
        jpeg_scan_info dc = {};
        dc.comps_in_scan = 1;
        dc.component_index[0] = c;
        scans.push_back(dc);
    }
    for (int c = 0; c < cinfo.num_components; ++c) {
        for (int band = 1; band < 64; band += 8) {
            for (int al = 2; al >= 0; --al) {
                jpeg_scan_info ac = {};
                ac.comps_in_scan = 1;
                ac.component_index[0] = c;
                ac.Ss = band;
                ac.Se = band + 7 > 63 ? 63 : band + 7;
                ac.Ah = al == 2 ? 0 : al + 1;
                ac.Al = al;
                scans.push_back(ac);
            }
        }
    }
    cinfo.scan_info = scans.data();
    cinfo.num_scans = static_cast<int>(scans.size());
}

// Sequential, one scan per component (not interleaved).
void ScanPerComponent(jpeg_compress_struct& cinfo) {
    static std::vector<jpeg_scan_info> scans;
    scans.clear();
    for (int c = 0; c < cinfo.num_components; ++c) {
        jpeg_scan_info scan = {};
        scan.comps_in_scan = 1;
        scan.component_index[0] = c;
        scan.Se = 63;
        scans.push_back(scan);
    }
    cinfo.scan_info = scans.data();
    cinfo.num_scans = static_cast<int>(scans.size());
}

std::vector<Seed> MakeSeeds() {
    std::vector<Seed> seeds;
    auto add = [&](const std::string& name, std::vector<uint8_t> bytes) {
        seeds.push_back({name, std::move(bytes)});
    };
    auto colour = [&](const std::string& name, int w, int h, const Tune& tune) {
        add(name, Compress(w, h, 3, JCS_RGB, 85, tune));
    };

    colour("baseline", 24, 16, nullptr);
    colour("baseline_1x1", 1, 1, nullptr);
    colour("baseline_odd", 37, 21, nullptr);
    colour("quality_100", 16, 16, [](jpeg_compress_struct& c) { jpeg_set_quality(&c, 100, TRUE); });
    colour("quality_1", 16, 16, [](jpeg_compress_struct& c) { jpeg_set_quality(&c, 1, TRUE); });
    colour("optimized", 24, 24, [](jpeg_compress_struct& c) { c.optimize_coding = TRUE; });
    colour("progressive", 33, 17, [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    colour("arithmetic", 29, 19, [](jpeg_compress_struct& c) { c.arith_code = TRUE; });
    colour("arithmetic_progressive", 24, 16, [](jpeg_compress_struct& c) {
        c.arith_code = TRUE;
        jpeg_simple_progression(&c);
    });
    colour("restart_every_mcu", 40, 24, [](jpeg_compress_struct& c) { c.restart_interval = 1; });
    colour("restart_every_row", 40, 24, [](jpeg_compress_struct& c) { c.restart_in_rows = 1; });
    colour("restart_progressive", 40, 24, [](jpeg_compress_struct& c) {
        c.restart_interval = 2;
        jpeg_simple_progression(&c);
    });
    colour("many_scans", 16, 16, ManyScans);
    colour("scan_per_component", 20, 20, ScanPerComponent);
    colour("smoothing", 24, 16, [](jpeg_compress_struct& c) { c.smoothing_factor = 50; });
    // Every subsampling libjpeg accepts for the luminance against chroma at 1 x 1.
    for (int h = 1; h <= 4; ++h) {
        for (int v = 1; v <= 4; ++v) {
            if (h * v + 2 > 10) continue;  // an MCU holds at most ten blocks
            colour("sampling_" + std::to_string(h) + "x" + std::to_string(v), 35, 27,
                   [h, v](jpeg_compress_struct& c) { Sampling(c, h, v); });
        }
    }
    colour("sampling_progressive_2x2", 35, 27, [](jpeg_compress_struct& c) {
        Sampling(c, 2, 2);
        jpeg_simple_progression(&c);
    });
    // Chroma sampled above luminance.
    colour("sampling_chroma_2x1", 30, 18, [](jpeg_compress_struct& c) {
        Sampling(c, 1, 1);
        c.comp_info[1].h_samp_factor = 2;
    });

    add("grey", Compress(21, 13, 1, JCS_GRAYSCALE, 85, nullptr));
    add("grey_progressive", Compress(21, 13, 1, JCS_GRAYSCALE, 85,
                                     [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }));
    add("grey_arithmetic", Compress(21, 13, 1, JCS_GRAYSCALE, 85,
                                    [](jpeg_compress_struct& c) { c.arith_code = TRUE; }));
    colour("rgb_stored", 19, 11, [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_RGB); });
    add("cmyk_adobe", Compress(18, 14, 4, JCS_CMYK, 85, nullptr));
    add("cmyk_plain", Compress(18, 14, 4, JCS_CMYK, 85,
                               [](jpeg_compress_struct& c) { c.write_Adobe_marker = FALSE; }));
    add("ycck", Compress(18, 14, 4, JCS_CMYK, 85,
                         [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_YCCK); }));
    add("ycck_progressive", Compress(18, 14, 4, JCS_CMYK, 85, [](jpeg_compress_struct& c) {
            jpeg_set_colorspace(&c, JCS_YCCK);
            jpeg_simple_progression(&c);
        }));
    // Two components: a layout the decoder cannot turn into colours.
    add("two_components", Compress(16, 8, 2, JCS_UNKNOWN, 85, nullptr));

    // Marker segments: an ICC profile, an EXIF block and a comment.
    add("icc", Compress(16, 16, 3, JCS_RGB, 85, nullptr, [](jpeg_compress_struct& c) {
            std::vector<JOCTET> profile(300);
            for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<JOCTET>(i * 7);
            jpeg_write_icc_profile(&c, profile.data(), static_cast<unsigned>(profile.size()));
        }));
    add("exif", Compress(16, 16, 3, JCS_RGB, 85, nullptr, [](jpeg_compress_struct& c) {
            static const JOCTET exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                          1, 0, 0x12, 1, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
            jpeg_write_marker(&c, JPEG_APP0 + 1, exif, sizeof exif);
        }));
    add("comment", Compress(16, 16, 3, JCS_RGB, 85, nullptr, [](jpeg_compress_struct& c) {
            static const JOCTET text[] = {'s', 'e', 'e', 'd'};
            jpeg_write_marker(&c, JPEG_COM, text, sizeof text);
        }));

    // Damaged streams: cut inside the pixel data, cut inside a table, junk before a marker.
    const std::vector<uint8_t> progressive = Compress(48, 32, 3, JCS_RGB, 85,
        [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    const std::vector<uint8_t> plain = Compress(16, 16, 3, JCS_RGB, 85, nullptr);
    add("cut_baseline", std::vector<uint8_t>(plain.begin(), plain.begin() + plain.size() * 2 / 3));
    add("cut_progressive",
        std::vector<uint8_t>(progressive.begin(), progressive.begin() + progressive.size() / 2));
    std::vector<uint8_t> junk = plain;
    junk.insert(junk.begin() + 2, {0x00, 0x13, 0x37});
    add("junk_between_segments", junk);
    return seeds;
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteSeed(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

// A GPano packet with the properties as attributes (the program's own writer) or as elements.
std::string GPanoPacket(bool asElements) {
    GPanoArea area;
    area.fullWidth = 64;
    area.fullHeight = 32;
    area.croppedWidth = 16;
    area.croppedHeight = 8;
    area.left = 10;
    area.top = 12;
    area.initialHeading = 45.5;
    area.poseHeading = -20;
    if (!asElements) return GPanoXmpPacket(area);
    std::string props;
    const std::pair<const char*, int64_t> values[] = {
        {"FullPanoWidthPixels", 64}, {"FullPanoHeightPixels", 32}, {"CroppedAreaImageWidthPixels", 16},
        {"CroppedAreaImageHeightPixels", 8}, {"CroppedAreaLeftPixels", 10}, {"CroppedAreaTopPixels", 12}};
    for (const auto& [name, value] : values)
        props += std::string("<GPano:") + name + ">" + std::to_string(value) + "</GPano:" + name + ">";
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           "xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'>" +
           props + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// Seeds of the metadata readers: MPO files for the MPF index, JPEGs with GPano XMP (behind the
// harness's mode byte and the picture size, 16 x 8) and bare packets for the XMP parser.
bool WriteMetadataSeeds(const std::string& root) {
    const std::vector<uint8_t> left = Compress(16, 8, 3, JCS_RGB, 85, nullptr);
    const std::vector<uint8_t> right = Compress(16, 8, 3, JCS_RGB, 60, nullptr);
    const std::string mpf = root + "/mpf_index";
    const std::string gpano = root + "/gpano_xmp";
    if (!MakeFolder(mpf) || !MakeFolder(gpano)) return false;
    const std::vector<uint8_t> withParallax = JoinMpoPictures({left, right}, 2.5);
    std::vector<uint8_t> cut(withParallax.begin(), withParallax.end() - right.size() / 2);
    if (!WriteSeed(mpf + "/pair_parallax.mpo", withParallax) ||
        !WriteSeed(mpf + "/pair.mpo", JoinMpoPictures({left, right}, std::nullopt)) ||
        !WriteSeed(mpf + "/three.mpo", JoinMpoPictures({left, right, left}, -1.0)) ||
        !WriteSeed(mpf + "/cut_second.mpo", cut) || !WriteSeed(mpf + "/plain.jpg", left))
        return false;
    const std::vector<uint8_t> fileMode = {0x00, 0x00, 16, 0x00, 8};
    const std::vector<uint8_t> packetMode = {0x01, 0x00, 16, 0x00, 8};
    for (bool elements : {false, true}) {
        const std::string packet = GPanoPacket(elements);
        std::vector<uint8_t> file = fileMode;
        const std::vector<uint8_t> jpeg = InsertXmpPacket(left, packet);
        file.insert(file.end(), jpeg.begin(), jpeg.end());
        std::vector<uint8_t> bare = packetMode;
        bare.insert(bare.end(), packet.begin(), packet.end());
        const std::string form = elements ? "elements" : "attributes";
        if (!WriteSeed(gpano + "/jpeg_" + form, file) || !WriteSeed(gpano + "/packet_" + form, bare))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    if (!MakeFolder(root)) {
        std::perror(root.c_str());
        return 1;
    }
    const std::vector<Seed> seeds = MakeSeeds();
    for (const char* harness : kPictureHarnesses) {
        const std::string folder = root + "/" + harness;
        if (!MakeFolder(folder)) {
            std::perror(folder.c_str());
            return 1;
        }
        for (const Seed& seed : seeds) {
            const std::string path = folder + "/" + seed.name + ".jpg";
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (!file || std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), file) !=
                             seed.bytes.size() || std::fclose(file) != 0) {
                std::perror(path.c_str());
                return 1;
            }
        }
    }
    if (!WriteMetadataSeeds(root)) return 1;
    std::printf("%zu seeds for each of %zu harnesses in %s\n", seeds.size(),
                sizeof kPictureHarnesses / sizeof *kPictureHarnesses, root.c_str());
    return 0;
}
