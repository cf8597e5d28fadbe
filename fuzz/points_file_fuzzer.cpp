// The Color Corrector's points file reader: never a crash or sanitizer report; what it reads
// is written back by the writer and read again as the same pairs and paths.
#include <cstdint>
#include <string>

#include "correction_files.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PointsFileContent content = ParsePointsFile(text);
    FUZZ_CHECK(content.stoppedAtLine == 0 || content.stoppedAtLine >= 3);
    FUZZ_CHECK(content.referencePath.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(content.samplePath.find_first_of("\r\n") == std::string::npos);
    for (const PointRecord& record : content.records) FUZZ_CHECK(record.Complete());

    PointList list;
    list.Assign(content.records);
    FUZZ_CHECK(list.Count() >= 1);
    const PointsFileContent again =
        ParsePointsFile(FormatPointsFile(content.referencePath, content.samplePath, list));
    FUZZ_CHECK(again.referencePath == content.referencePath);
    FUZZ_CHECK(again.samplePath == content.samplePath);
    if (!content.records.empty()) {
        FUZZ_CHECK(again.stoppedAtLine == 0);
        FUZZ_CHECK(again.records == content.records);
    }
    return 0;
}
