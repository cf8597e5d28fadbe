#include "folder_walk.h"

#include "folder_listing.h"
#include "paths.h"

namespace {
bool Listed(const std::string& listing, const std::string& path) {
    const std::string line = path + "\r\n";
    const std::size_t at = listing.find(line);
    return at != std::string::npos && (at == 0 || listing[at - 1] == '\n');
}
}  // namespace

std::string FolderWalk::Listing(const std::string& folder) const {
    std::string listing = ListFolderFiles(folder, mask_);
    if (!laterMask_.empty()) listing += ListFolderFiles(folder, laterMask_);
    return listing;
}

// The listing is made afresh on every step (files come and go), always of the chosen file's
// folder: it also holds the files of sub-folders whose names match the mask, and a walk
// re-rooted at such a sub-folder could never leave it again.
std::string FolderWalk::Neighbour(const std::string& current, int step) const {
    if (!root_.empty()) {
        const std::string listing = Listing(ExtractFileDir(root_));
        if (Listed(listing, current)) return PickNeighbourFile(listing, current, step);
    }
    // Not reached from the chosen file (none chosen yet, or it has gone): its own folder.
    return PickNeighbourFile(Listing(ExtractFileDir(current)), current, step);
}
