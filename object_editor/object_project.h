#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image_error.h"

// The Object Editor project: an output size and one row per image. Rows hold texts, exactly as
// the user typed them into the grid; numbers are read from them only where they are used.

// The project table has a hundred slots, numbered from 1.
constexpr int kMaxProjectImages = 100;

struct ProjectRow {
    std::string path;
    std::string sx = "0";
    std::string sy = "0";
    std::string rotate = "0";
    std::string scale = "1";

    bool operator==(const ProjectRow& other) const {
        return path == other.path && sx == other.sx && sy == other.sy &&
               rotate == other.rotate && scale == other.scale;
    }
};

// The project file: line 1 "width<TAB>height", then "path<TAB>SX<TAB>SY<TAB>Rotate<TAB>Scale"
// per row, every line ended by CR LF. Texts are written as they stand (an empty cell writes an
// empty field). A path holding a TAB, CR or LF would come back as other fields or rows: it
// throws UnwritableValueError naming the path and the character, before anything is written.
std::string FormatProjectFile(const std::string& widthText, const std::string& heightText,
                              const std::vector<ProjectRow>& rows);
// The same text without that check, for telling whether a project changed since it was saved.
std::string ProjectFileText(const std::string& widthText, const std::string& heightText,
                            const std::vector<ProjectRow>& rows);

struct ProjectFileContent {
    // The two numbers of line 1, read as "%i %i" does; absent when the line does not start
    // with them (the window then keeps its output size).
    std::optional<int32_t> width, height;
    std::vector<ProjectRow> rows;
    // Rows beyond kMaxProjectImages that were left out.
    int droppedRows = 0;
};

// Reads a project file's text (CR LF, LF or CR line ends, lines of any length). Each row line
// is split at TABs; fields beyond the fifth are ignored and missing ones take the values of a
// newly added image. A line without a path (a blank line, or the four TABs of a saved empty
// project) is no image and is skipped. Image paths are resolved as paths read from the file at
// projectPath (relative ones against its folder, see ResolveUserFilePath).
ProjectFileContent ParseProjectFile(const std::string& text, const std::string& projectPath);

// A file that can be read but holds no project: binary data (a NUL byte), as in a picture or a
// program chosen by mistake. Reading it as rows would replace the project with junk.
class NotAProjectError : public ImageError {
public:
    using ImageError::ImageError;
};

// Reads the project file at path. Throws ImageError naming the file when it cannot be read, and
// NotAProjectError naming it when it is not text.
ProjectFileContent ReadProjectFile(const std::string& path);

// Writes the project file safely (a failed write keeps the previous file); throws ImageError.
void WriteProjectFile(const std::string& path, const std::string& widthText,
                      const std::string& heightText, const std::vector<ProjectRow>& rows);

// A list of failures for a message box: each line after a line break, the first
// kListedFailures of them, then how many more there are. A box of a hundred lines (a project
// whose pictures were moved) would outgrow the screen and hide its button.
constexpr std::size_t kListedFailures = 10;
std::string FailureLines(const std::vector<std::string>& lines);

// Whether bytes start like a JPEG stream (the SOI marker and the next marker's FF): the check
// that a file chosen as a picture is one before it joins the project.
bool HasJpegSignature(const std::vector<uint8_t>& bytes);
