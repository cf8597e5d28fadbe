// The Color Corrector's colour table file reader: never a crash or sanitizer report; exactly
// the rows read hold values, and writing them gives a file that reads back the same.
#include <cstdint>
#include <string>

#include "correction_files.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ColorTableFileContent content = ParseColorTableFile(text);
    FUZZ_CHECK(content.rowsRead >= 0 && content.rowsRead <= kTableSize);
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c)
            FUZZ_CHECK(content.result.Has(c, v) == (v < content.rowsRead));

    const ColorTableFileContent again = ParseColorTableFile(FormatColorTableFile(content.result));
    FUZZ_CHECK(again.rowsRead == content.rowsRead);
    FUZZ_CHECK(again.result == content.result);
    // Whatever was read, the table's own operations stay defined on it.
    ColorTable result = content.result;
    SmoothResultTable(result);
    InterpolateTable(content.result);
    return 0;
}
