#include "object_project.h"

#include "atomic_file.h"
#include "image_error.h"
#include "paths.h"
#include "text_io.h"

namespace {

// The fields of one row line, split at TABs.
std::vector<std::string> SplitAtTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

}  // namespace

std::string FormatProjectFile(const std::string& widthText, const std::string& heightText,
                              const std::vector<ProjectRow>& rows) {
    for (const ProjectRow& row : rows) CheckPathFitsFormat(row.path, "\t\r\n", "a project file");
    return ProjectFileText(widthText, heightText, rows);
}

std::string ProjectFileText(const std::string& widthText, const std::string& heightText,
                            const std::vector<ProjectRow>& rows) {
    std::string out;
    AppendLine(out, widthText + '\t' + heightText);
    for (const ProjectRow& row : rows)
        AppendLine(out, row.path + '\t' + row.sx + '\t' + row.sy + '\t' + row.rotate + '\t' +
                            row.scale);
    return out;
}

ProjectFileContent ParseProjectFile(const std::string& text, const std::string& projectPath) {
    ProjectFileContent content;
    LineReader reader(text);
    std::string line;
    if (!reader.ReadLine(line)) return content;
    int32_t size[2] = {0, 0};
    const int sizes = ScanInts(line, size, 2);
    if (sizes >= 1) content.width = size[0];
    if (sizes >= 2) content.height = size[1];

    while (reader.ReadLine(line)) {
        std::vector<std::string> fields = SplitAtTabs(line);
        if (fields[0].empty()) continue;
        if (static_cast<int>(content.rows.size()) >= kMaxProjectImages) {
            ++content.droppedRows;
            continue;
        }
        ProjectRow row;
        row.path = ResolveUserFilePath(fields[0], projectPath);
        std::string* const numbers[] = {&row.sx, &row.sy, &row.rotate, &row.scale};
        for (std::size_t i = 1; i < fields.size() && i <= 4; ++i) *numbers[i - 1] = fields[i];
        content.rows.push_back(std::move(row));
    }
    return content;
}

ProjectFileContent ReadProjectFile(const std::string& path) {
    std::string text;
    if (!ReadTextFile(path, text)) throw ImageError(path + ": the file cannot be read.");
    if (text.find('\0') != std::string::npos)
        throw NotAProjectError(path + ": the file is not an Object Editor project.");
    return ParseProjectFile(text, path);
}

void WriteProjectFile(const std::string& path, const std::string& widthText,
                      const std::string& heightText, const std::vector<ProjectRow>& rows) {
    WriteTextFile(path, FormatProjectFile(widthText, heightText, rows));
}

bool HasJpegSignature(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::string FailureLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kListedFailures; ++i) text += "\n" + lines[i];
    if (lines.size() > kListedFailures)
        text += "\n... and " + std::to_string(lines.size() - kListedFailures) + " more.";
    return text;
}
