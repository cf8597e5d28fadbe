#include "folder_walk.h"

#include "folder_listing.h"

std::string FolderWalk::Neighbour(const std::string& current, int step) const {
    return PickNeighbourInFolder(current, mask_, step);
}
