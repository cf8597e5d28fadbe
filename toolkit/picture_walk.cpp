#include "picture_walk.h"

#include "dialogs.h"

std::optional<std::string> PictureWalk::Choose(TOpenDialog& dialog, const std::string& path) {
    std::string file = path;
    if (file.empty()) {
        if (!dialog.Execute()) return std::nullopt;
        file = dialog.FileName;
        walk_.Root(file);
    }
    dialog.FileName = file;
    current_ = file;
    return file;
}

void PictureWalk::Step(int step, const std::function<void(const std::string&)>& open) const {
    const std::string neighbour = walk_.Neighbour(current_, step);
    if (!neighbour.empty()) open(neighbour);
}
