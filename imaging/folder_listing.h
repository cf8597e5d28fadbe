#pragma once
#include <string>

// Full paths of the files under folder whose names match mask ('*' and '?', letter case
// ignored), each ended by "\r\n". Entries are sorted by name without regard to case; hidden
// entries are listed; sub-folders whose own names match the mask are descended and their files
// stand where the sub-folder was found. A missing folder gives the empty text. Paths are
// folder + "/" + name (no doubled '/' after a folder that ends with one). Only regular files
// (also through links) are listed; a folder is never walked twice through a link cycle.
std::string ListFolderFiles(const std::string& folder, const std::string& mask);

// The path standing step lines after current in listing (exact, case-sensitive match of whole
// lines), or the empty text when there is none. Text after the last "\r\n" is not a line.
std::string PickNeighbourFile(const std::string& listing, const std::string& current, int step);

// The file standing step places after current among the files of current's own folder that
// match mask: how the viewers walk a folder, whatever the process's working folder is now.
std::string PickNeighbourInFolder(const std::string& current, const std::string& mask, int step);
