#pragma once
// The inputs of the batch benchmarks: copies of one picture as JPEG files in a temporary folder
// (removed at exit), and a colour table that changes every channel.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "color_tables.h"
#include "jpeg_image.h"

struct PictureFiles {
    std::string folder;
    std::vector<std::string> files;  // photo<i>.jpg
    std::vector<uint8_t> bytes;      // the bytes of every file
    PictureFiles(const TBitmap& picture, int count, int quality = 92) {
        char pattern[] = "/tmp/lumivex-bench-batch-XXXXXX";
        folder = ::mkdtemp(pattern);
        bytes = EncodeJpeg(picture, quality);
        for (int i = 0; i < count; ++i) {
            files.push_back(folder + "/photo" + std::to_string(i) + ".jpg");
            WriteFileAtomically(files.back(), bytes.data(), bytes.size());
        }
    }
    ~PictureFiles() { std::filesystem::remove_all(folder); }
    PictureFiles(const PictureFiles&) = delete;
    PictureFiles& operator=(const PictureFiles&) = delete;
};

inline ByteTables WarmTables() {
    ByteTables t;
    for (int v = 0; v < kTableSize; ++v) {
        t.channel[kRed][v] = static_cast<uint8_t>(std::min(255, v + 20));
        t.channel[kGreen][v] = static_cast<uint8_t>(v);
        t.channel[kBlue][v] = static_cast<uint8_t>(v * 9 / 10);
    }
    return t;
}
