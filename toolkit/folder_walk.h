#pragma once
#include <string>

// Next and Previous of a viewer: the picture files around the current one that match a mask,
// sorted as the folder listing sorts them. Plain C++, no Qt.
//
//   FolderWalk walk("*.jp*");
//   walk.Root(OpenPictureDialog1.FileName);        // a file the user chose
//   const std::string next = walk.Neighbour(currentFile, +1);  // "" when there is none
class FolderWalk {
public:
    explicit FolderWalk(std::string mask) : mask_(std::move(mask)) {}

    // A file the user chose through the dialog or the command line.
    void Root(const std::string& chosenFile) { root_ = chosenFile; }

    // The file standing step places after current, or "" when there is none.
    std::string Neighbour(const std::string& current, int step) const;

    const std::string& Mask() const { return mask_; }

private:
    std::string mask_;
    std::string root_;
};
