#include "folder_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

// A folder holding a sub-folder named like a picture: f/a.jpg, f/x.jpg/d.jpg, f/z.jpg.
TEST(FolderWalk, StaysRootedAtTheChosenFilesFolderThroughMatchingSubFolders) {
    const fs::path f = fs::temp_directory_path() / ("folder_walk_" + std::to_string(::getpid()));
    fs::create_directories(f / "x.jpg");
    for (const fs::path& p : {f / "a.jpg", f / "x.jpg" / "d.jpg", f / "z.jpg"}) std::ofstream(p) << "j";
    const std::string a = (f / "a.jpg").string(), d = (f / "x.jpg" / "d.jpg").string(),
                      z = (f / "z.jpg").string();

    FolderWalk walk("*.jp*");
    walk.Root(a);
    const struct {
        std::string from;
        int step;
        std::string to;
    } steps[] = {{a, +1, d}, {d, +1, z}, {z, +1, ""}, {z, -1, d}, {d, -1, a}, {a, -1, ""}};
    for (const auto& s : steps) EXPECT_EQ(walk.Neighbour(s.from, s.step), s.to) << s.from;

    // Without a chosen file a walk knows only the file's own folder: the sub-folder alone.
    FolderWalk unrooted("*.jp*");
    EXPECT_EQ(unrooted.Neighbour(d, +1), "");
    EXPECT_EQ(unrooted.Neighbour(a, +1), d);
    fs::remove_all(f);
}
