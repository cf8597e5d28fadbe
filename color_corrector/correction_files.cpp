#include "correction_files.h"

#include <cstdint>

#include "image_error.h"
#include "text_io.h"

namespace {

std::string CellText(const std::optional<int32_t>& cell) {
    return cell ? std::to_string(*cell) : std::string();
}

// Splits the next line off text at pos (without its CR LF, LF or CR end).
std::string TakeLine(const std::string& text, std::size_t& pos) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) {
        std::string line = text.substr(pos);
        pos = text.size();
        return line;
    }
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    return line;
}

// 1-based line number of offset within text, counting CR LF, LF and lone CR as one end each.
int LineAt(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') ++line;
        else if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++line;
    }
    return line;
}

// Reads groups of count integers ("%i" each, any white space between) until the end of the
// text or a group that cannot be completed; calls take(values) for each complete one and
// returns the offset where the failed group started, or npos when the text was read through.
template <class Take>
std::size_t ReadIntGroups(TextScanner& scanner, int count, int maxGroups, Take take) {
    int32_t values[4];
    for (int group = 0; group < maxGroups; ++group) {
        scanner.SkipSpace();
        if (scanner.AtEnd()) return std::string::npos;
        const std::size_t start = scanner.Position();
        for (int i = 0; i < count; ++i)
            if (!scanner.ReadInt(values[i])) return start;
        take(values);
    }
    return std::string::npos;
}

}  // namespace

std::string FormatPointsFile(const std::string& referencePath, const std::string& samplePath,
                             const PointList& list) {
    for (const std::string* path : {&referencePath, &samplePath})
        CheckPathFitsFormat(*path, "\r\n", "a points file");
    std::string out;
    AppendLine(out, referencePath);
    AppendLine(out, samplePath);
    for (const PointRecord& record : list.Records())
        AppendLine(out, CellText(record.x1) + '\t' + CellText(record.y1) + '\t' +
                            CellText(record.x2) + '\t' + CellText(record.y2));
    return out;
}

void SavePointsFile(const std::string& path, const std::string& referencePath,
                    const std::string& samplePath, const PointList& list) {
    WriteTextFile(path, FormatPointsFile(referencePath, samplePath, list));
}

PointsFileContent ParsePointsFile(const std::string& text) {
    PointsFileContent content;
    std::size_t pos = 0;
    content.referencePath = TakeLine(text, pos);
    content.samplePath = TakeLine(text, pos);
    TextScanner scanner(text.substr(pos));
    const std::size_t stop = ReadIntGroups(scanner, 4, INT32_MAX, [&](const int32_t* v) {
        content.records.push_back({v[0], v[1], v[2], v[3]});
    });
    if (stop != std::string::npos) {
        // Lines of the file: the two path lines come first.
        const std::string_view rest = std::string_view(text).substr(pos);
        content.stoppedAtLine = 2 + LineAt(rest, stop);
    }
    return content;
}

std::string FormatColorTableFile(const ColorTable& result) {
    std::string out;
    for (int v = 0; v < kTableSize; ++v)
        AppendLine(out, result.CellText(kRed, v) + '\t' + result.CellText(kGreen, v) + '\t' +
                            result.CellText(kBlue, v));
    return out;
}

void SaveColorTableFile(const std::string& path, const ColorTable& result) {
    WriteTextFile(path, FormatColorTableFile(result));
}

ColorTableFileContent ParseColorTableFile(const std::string& text) {
    ColorTableFileContent content;
    TextScanner scanner(text);
    ReadIntGroups(scanner, 3, kTableSize, [&](const int32_t* v) {
        for (int c = 0; c < kChannelCount; ++c) content.result.Set(c, content.rowsRead, v[c]);
        ++content.rowsRead;
    });
    return content;
}
