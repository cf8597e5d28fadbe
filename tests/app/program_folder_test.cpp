#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>

#include "program_folder.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder with files created by relative path, removed at the end.
class Tree {
public:
    Tree() : root_(fs::temp_directory_path() / ("lumivex_tree_" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
    }
    ~Tree() { fs::remove_all(root_); }
    void Add(const std::string& file) {
        fs::create_directories((root_ / file).parent_path());
        std::ofstream(root_ / file) << "x";
    }
    std::string Path(const std::string& relative) const { return (root_ / relative).string(); }

private:
    fs::path root_;
};

}  // namespace

TEST(ProgramFolder, GuideAndSamplesAreFoundInTheBuildTreeAndUnderTheInstallPrefix) {
    Tree tree;
    // Build tree: beside the program.
    tree.Add("build/app/lumivex");
    tree.Add("build/app/docs/index.html");
    tree.Add("build/app/samples/stereo/garden.jps");
    EXPECT_EQ(UserGuideFolder(tree.Path("build/app")), tree.Path("build/app/docs"));
    EXPECT_EQ(SamplesFolder(tree.Path("build/app")), tree.Path("build/app/samples"));
    // Installed: <prefix>/bin with the standard places under the same prefix.
    tree.Add("prefix/bin/lumivex");
    tree.Add("prefix/share/doc/lumivex/index.html");
    tree.Add("prefix/share/lumivex/samples/stereo/garden.jps");
    EXPECT_EQ(UserGuideFolder(tree.Path("prefix/bin")), tree.Path("prefix/share/doc/lumivex"));
    EXPECT_EQ(SamplesFolder(tree.Path("prefix/bin")), tree.Path("prefix/share/lumivex/samples"));
    // Neither: the place beside the program, so Help still names a page.
    EXPECT_EQ(UserGuideFolder(tree.Path("bare")), tree.Path("bare/docs"));
    EXPECT_EQ(SamplesFolder(tree.Path("bare")), tree.Path("bare/samples"));
}
