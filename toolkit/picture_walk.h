#pragma once
#include <functional>
#include <optional>
#include <string>

#include "folder_walk.h"

class TOpenDialog;

// Open, Next and Previous of a single-picture viewer: which file to open, and the files of its
// folder around it. The window only decodes and shows.
//
//   void TViewer::Open1Click(const std::string& path) {
//       const std::optional<std::string> file = files_.Choose(OpenPictureDialog1, path);
//       if (!file) return;                               // the user cancelled
//       ... decode *file into temporaries, then show it ...
//   }
//   void TViewer::Next1Click() {
//       if (loaded_) files_.Step(+1, [this](const std::string& f) { Open1Click(f); });
//   }
class PictureWalk {
public:
    explicit PictureWalk(std::string mask, std::string laterMask = std::string())
        : walk_(std::move(mask), std::move(laterMask)) {}

    // The file to open: path when one is handed over (Next, Previous), else the one the user
    // picks in dialog, which also roots the walk; nothing when the user cancels. The result is the
    // current file from here on even if it turns out damaged, so Next and Previous walk on from
    // it instead of hitting it again, and the dialog starts at it next time.
    std::optional<std::string> Choose(TOpenDialog& dialog, const std::string& path);

    // Runs open with the file step places from the current one in its folder (whatever the
    // working folder is now); does nothing when there is none.
    void Step(int step, const std::function<void(const std::string&)>& open) const;

    const std::string& Current() const { return current_; }

private:
    FolderWalk walk_;
    std::string current_;
};
