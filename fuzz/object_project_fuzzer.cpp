// The Object Editor's project file reader, and the number reading and transform that its
// fields feed: whatever the bytes, at most the table's rows come back, each naming a file, the
// rows survive a save and a second read unchanged, and any field values transform a small
// picture without leaving it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "object_project.h"
#include "parameter_editing.h"
#include "transform_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ProjectFileContent content = ParseProjectFile(text, "/data/project.oep");
    FUZZ_CHECK(content.rows.size() <= static_cast<std::size_t>(kMaxProjectImages));
    for (const ProjectRow& row : content.rows) FUZZ_CHECK(!row.path.empty());

    const std::string saved = FormatProjectFile("800", "600", content.rows);
    const ProjectFileContent again = ParseProjectFile(saved, "/data/project.oep");
    FUZZ_CHECK(again.rows == content.rows);
    FUZZ_CHECK(again.width == 800 && again.height == 600);

    static const TBitmap source = [] {
        TBitmap b(5, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 15; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(x * 16 + y);
        return b;
    }();
    TBitmap frame;
    for (const ProjectRow& row : content.rows) {
        const ParamFields fields = FieldsOfRow(row);
        const TransformValues v = TransformValuesOf(row.sx, row.sy, fields);
        FUZZ_CHECK(v.Wo >= 100 && v.Wo <= 3000 && v.Ho >= 100 && v.Ho <= 3000);
        // A small frame, so every row stays fast.
        TransformImage(source, 7 + v.Wo % 9, 5 + v.Ho % 7, v.X0, v.Y0, v.Rotate, v.Scale, frame);
        DrawGuideGrid(frame);
        NormaliseShift(row.sx);
        NormaliseRotate(row.rotate);
        NormaliseScale(row.scale);
    }
    return 0;
}
