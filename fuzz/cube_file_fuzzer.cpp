// The .cube reader of the Color Corrector: never a crash or sanitizer report; a table that is
// read holds every cell within 0..255, and writing it gives a file that reads back the same.
#include <cstdint>
#include <string>

#include "cube_file.h"
#include "fuzz_check.h"
#include "image_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ColorTable table;
    try {
        table = ParseCubeFile(text);
    } catch (const ImageError&) {
        return 0;
    }
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v)
            FUZZ_CHECK(table.Has(c, v) && table.Value(c, v) >= 0 && table.Value(c, v) <= 255);
    FUZZ_CHECK(ParseCubeFile(FormatCubeFile(table, "again")) == table);
    return 0;
}
