#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The pictures a batch reads, so that none of them is ever replaced by an output. A batch that
// writes into a folder beside its sources ("result", "corrected") can meet its own sources
// there: a source listed from inside that folder, or that folder being a link back to the
// sources' own folder.
class SourceFiles {
public:
    explicit SourceFiles(const std::vector<std::string>& sources);

    // Whether writing path would replace one of the sources: it is the same file now (same
    // device and inode, reached through links, hard links or another spelling of the path), or
    // it would become one, being the same path as a source once links and "." and ".." are
    // resolved (a source not yet there, made by an earlier output).
    bool Contains(const std::string& path) const;

private:
    std::set<std::pair<uint64_t, uint64_t>> ids_;
    std::set<std::string> resolved_;
};
