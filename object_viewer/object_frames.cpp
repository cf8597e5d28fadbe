#include "object_frames.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <utility>

#include "folder_listing.h"
#include "image_error.h"
#include "memory_budget.h"
#include "paths.h"

namespace {

bool EndsWithIgnoringCase(const std::string& text, const char* suffix, std::size_t length) {
    if (text.size() < length) return false;
    const std::size_t from = text.size() - length;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[from + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

std::string FolderOf(const std::string& file) {
    std::string folder = ExtractFileDir(file);
    return folder.empty() ? std::string(".") : folder;
}

}  // namespace

bool IsFrameName(const std::string& name) {
    if (name.size() <= 4) return false;
    return EndsWithIgnoringCase(name, ".jpg", 4) || EndsWithIgnoringCase(name, ".jpeg", 5);
}

FrameLoadResult LoadFrameFiles(const std::vector<std::string>& paths) {
    FrameLoadResult result;
    for (const std::string& path : paths) {
        if (static_cast<int32_t>(result.frames.size()) >= kMaxFrames) {
            ++result.leftOver;
            continue;
        }
        ObjectFrame frame;
        frame.path = path;
        try {
            frame.picture.LoadFromFile(path);
            const std::vector<uint8_t>& bytes = frame.picture.Bytes();
            const JpegSize size = JpegHeaderSize(bytes.data(), bytes.size());
            // Frames are decoded again and again while the object turns, so one too large
            // for the memory budget is left out here rather than asked about at every turn.
            CheckPictureMemory(size.memoryNeeded);
            frame.width = size.width;
            frame.height = size.height;
        } catch (const ImageError& error) {
            result.skipped.push_back({path, error.what()});
            continue;
        }
        if (frame.width <= 0 || frame.height <= 0) {
            result.skipped.push_back({path, "The picture has no pixels"});
            continue;
        }
        result.frames.push_back(std::move(frame));
    }
    return result;
}

std::string FolderSearchPattern(const std::string& file) {
    return JoinPath(FolderOf(file), "*.*");
}

FrameLoadResult LoadFrameFolder(const std::string& file) {
    std::vector<std::string> files;
    if (!ListOwnFolderFiles(FolderOf(file), "*", files)) {
        FrameLoadResult result;
        result.unlistableFolder = FolderSearchPattern(file);
        return result;
    }
    std::vector<std::string> frames;
    for (std::string& path : files)
        if (IsFrameName(ExtractFileName(path))) frames.push_back(std::move(path));
    return LoadFrameFiles(frames);
}

std::string LoadProblemsText(const FrameLoadResult& result, const std::string& language) {
    const bool english = language == "eng";
    std::string text;
    // A folder of many unreadable files names the first few: a box of hundreds of lines would
    // outgrow the screen and hide its button.
    const std::size_t named = std::min(result.skipped.size(), kNamedSkippedFrames);
    for (std::size_t i = 0; i < named; ++i) {
        const SkippedFrame& skipped = result.skipped[i];
        if (!text.empty()) text += "\n";
        text += skipped.path + (english ? ": skipped, " : ": пропущен, ") + skipped.reason;
    }
    if (result.skipped.size() > named) {
        const std::string more = std::to_string(result.skipped.size() - named);
        text += english ? "\n... and " + more + " more files were skipped."
                        : "\n... и ещё " + more + " файлов пропущено.";
    }
    if (result.leftOver > 0) {
        if (!text.empty()) text += "\n";
        text += english ? "Only the first " + std::to_string(kMaxFrames) + " frames are shown; " +
                              std::to_string(result.leftOver) + " more were not loaded."
                        : "Показаны только первые " + std::to_string(kMaxFrames) +
                              " кадров; ещё " + std::to_string(result.leftOver) +
                              " не загружены.";
    }
    return text;
}
