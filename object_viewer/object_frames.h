#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jpeg_image.h"

// The frames of an all-round sequence: each file's compressed bytes with the pixel size its
// header declares. Frames are decoded only when a picture of them is needed.

// Slots of the frame table; a longer sequence is cut after the first kMaxFrames frames.
constexpr int32_t kMaxFrames = 360;

struct ObjectFrame {
    std::string path;
    TJPEGImage picture;
    int32_t width = 0;
    int32_t height = 0;
};

// A file left out of the sequence, and why.
struct SkippedFrame {
    std::string path;
    std::string reason;
};

struct FrameLoadResult {
    std::vector<ObjectFrame> frames;  // at most kMaxFrames, in the given order
    std::vector<SkippedFrame> skipped;  // unreadable files and files that are not JPEG pictures
    int32_t leftOver = 0;               // frames beyond the table, not loaded
    // Set by LoadFrameFolder when the folder cannot be listed: the search pattern, for the
    // message. Empty otherwise.
    std::string unlistableFolder;
};

// A folder entry is a frame when its name is longer than four characters and ends in ".jpg" or
// ".jpeg", letter case ignored (".jpg" alone is not; ".jpeg" alone is).
bool IsFrameName(const std::string& name);

// Loads the files in the given order. A file that cannot be read or whose header is not a
// JPEG picture is skipped and listed; the others keep their order.
FrameLoadResult LoadFrameFiles(const std::vector<std::string>& paths);

// The frames of the folder holding file (the file itself need not exist): every frame-named
// regular file directly in it, sorted by name without regard to letter case.
FrameLoadResult LoadFrameFolder(const std::string& file);

// The search pattern of the folder holding file, as the folder messages show it.
std::string FolderSearchPattern(const std::string& file);

// How many left-out files LoadProblemsText names; the rest it counts.
constexpr std::size_t kNamedSkippedFrames = 10;

// One text for the user about the files the load left out, or "" when it left none out. English
// when language is exactly "eng", Russian otherwise (as the status texts).
std::string LoadProblemsText(const FrameLoadResult& result, const std::string& language);
