#pragma once
#include <string>

// Next and Previous of a viewer: the picture files around the current one that match a mask,
// in the order of the listing of the folder of the file the user chose (sub-folders whose
// names match the mask stand in it with their files). Plain C++, no Qt.
//
//   FolderWalk walk("*.jp*");
//   walk.Root(OpenPictureDialog1.FileName);        // a file the user chose
//   const std::string next = walk.Neighbour(currentFile, +1);  // "" when there is none
//
// A second mask adds files after all those of the first, in their own listing order, so a
// viewer can take in another kind of file without changing the order of the first kind.
class FolderWalk {
public:
    explicit FolderWalk(std::string mask, std::string laterMask = std::string())
        : mask_(std::move(mask)), laterMask_(std::move(laterMask)) {}

    // A file the user chose through the dialog or the command line: the walk lists its folder.
    void Root(const std::string& chosenFile) { root_ = chosenFile; }

    // The file standing step places after current, or "" when there is none.
    std::string Neighbour(const std::string& current, int step) const;

    const std::string& Mask() const { return mask_; }

private:
    std::string Listing(const std::string& folder) const;

    std::string mask_;
    std::string laterMask_;
    std::string root_;
};
