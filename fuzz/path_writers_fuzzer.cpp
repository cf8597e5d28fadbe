// The writers that put paths into files, or make files of them: a project file and a points
// file hold any path except one their format cannot (TAB, CR or LF in a project, CR or LF in a
// points file), refuse exactly those before anything is made, and read back what they wrote;
// the view saver's name choice keeps the chosen name; and the safe file writer saves under any
// name a folder can hold (its temporary file included), leaving nothing else behind.
//
// Input: a filter-index byte, then up to four pieces separated by NUL bytes: two picture paths,
// a name chosen in a save dialog, and a file name.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "correction_files.h"
#include "fuzz_check.h"
#include "image_error.h"
#include "object_project.h"
#include "view_saving.h"

namespace {

std::vector<std::string> Pieces(const uint8_t* data, std::size_t size) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < size && pieces.size() <= 4; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    pieces.resize(4);
    return pieces;
}

bool Holds(const std::string& text, const char* characters) {
    return text.find_first_of(characters) != std::string::npos;
}

void ProjectFile(const std::string& a, const std::string& b) {
    // Paths from the root are kept as they stand, so what is read back must be what was written.
    const std::vector<ProjectRow> rows = {{"/" + a, "1", "-2", "3.5", "0.9"},
                                          {"/" + b, "0", "0", "0", "1"}};
    const bool unfit = Holds(a, "\t\r\n") || Holds(b, "\t\r\n");
    std::string text;
    try {
        text = FormatProjectFile("640", "480", rows);
    } catch (const UnwritableValueError& e) {
        FUZZ_CHECK(unfit);
        FUZZ_CHECK(std::string(e.what()).find("a project file cannot hold") != std::string::npos);
        return;
    }
    FUZZ_CHECK(!unfit);
    const ProjectFileContent content = ParseProjectFile(text, "/data/p.oep");
    FUZZ_CHECK(content.rows == rows);
    FUZZ_CHECK(content.width == 640 && content.height == 480);
}

void PointsFile(const std::string& a, const std::string& b) {
    PointList list;
    list.SetReferencePoint(1, 2);
    list.SetSamplePoint(3, 4);
    const bool unfit = Holds(a, "\r\n") || Holds(b, "\r\n");
    std::string text;
    try {
        text = FormatPointsFile(a, b, list);
    } catch (const UnwritableValueError& e) {
        FUZZ_CHECK(unfit);
        FUZZ_CHECK(std::string(e.what()).find("a points file cannot hold") != std::string::npos);
        return;
    }
    FUZZ_CHECK(!unfit);
    const PointsFileContent content = ParsePointsFile(text);
    FUZZ_CHECK(content.referencePath == a && content.samplePath == b);
    FUZZ_CHECK(content.records == list.Records());
}

void SaveName(const std::string& chosen, int filterIndex) {
    const SaveTarget target = ChooseSaveTarget(chosen, filterIndex);
    FUZZ_CHECK(target.path.compare(0, chosen.size(), chosen) == 0);
    const std::string ext = LowerExtension(target.path);
    FUZZ_CHECK(target.format == (ext == ".bmp" ? SaveFormat::Bmp : SaveFormat::Jpeg));
    FUZZ_CHECK(ext == ".bmp" || ext == ".jpg" || ext == ".jpeg");
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// A fresh folder for one save, on a memory file system where there is one: every save syncs
// its file to disk, which on a real disk would hold the harness to a few dozen runs a second.
std::string MakeSaveFolder() {
    static const bool memory = [] {
        struct stat info;
        const char* tmp = std::getenv("TMPDIR");
        return !(tmp && *tmp) && ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode);
    }();
    if (!memory) return MakeFuzzFolder();
    std::string pattern = "/dev/shm/lumivex-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    return pattern;
}

void SafeFile(std::string name) {
    const std::string folder = MakeSaveFolder();
    for (char& c : name)
        if (c == '/') c = '_';
    if (name.empty() || name == "." || name == "..") name = "f" + name;
    const std::string path = folder + "/" + name;
    const std::string bytes = "contents of " + name;
    bool saved = true;
    try {
        WriteFileAtomically(path, bytes.data(), bytes.size());
    } catch (const ImageError&) {
        saved = false;
    }
    // Any name the folder can hold is saved; only a longer one is refused.
    FUZZ_CHECK(saved == (name.size() <= NAME_MAX));
    const std::vector<std::string> left = Entries(folder);
    if (saved) {
        FUZZ_CHECK(left == std::vector<std::string>{name});
        FUZZ_CHECK(ReadWholeTextFile(path) == bytes);
        FUZZ_CHECK(::unlink(path.c_str()) == 0);
    } else {
        FUZZ_CHECK(left.empty());
    }
    FUZZ_CHECK(::rmdir(folder.c_str()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::vector<std::string> pieces = Pieces(data + 1, size - 1);
    ProjectFile(pieces[0], pieces[1]);
    PointsFile(pieces[0], pieces[1]);
    SaveName(pieces[2], data[0] & 3);
    SafeFile(pieces[3]);
    return 0;
}
