#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <gtest/gtest.h>

#include "folder_listing.h"
#include "test_support.h"

namespace {

void Touch(const std::string& path) { WriteBytes(path, {1}); }

void MakeFolder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

std::string Lines(const std::string& folder, std::initializer_list<const char*> names) {
    std::string text;
    for (const char* name : names) text += folder + "/" + name + "\r\n";
    return text;
}

}  // namespace

TEST(ListFolderFiles, MatchesMaskIgnoringCaseAndSortsByName) {
    TempFolder tmp;
    const std::string f = tmp.Path();
    for (const char* name : {"b.jpeg", "a.jpg", "c.png", "IMG_0002.JPG", "img_0001.jpg",
                             ".hidden.jpg", "Zeta.Jpe", "photo.jpg.txt", "x.j"})
        Touch(f + "/" + name);
    EXPECT_EQ(ListFolderFiles(f, "*.jp*"),
              Lines(f, {".hidden.jpg", "a.jpg", "b.jpeg", "img_0001.jpg", "IMG_0002.JPG",
                        "photo.jpg.txt", "Zeta.Jpe"}));
    EXPECT_EQ(ListFolderFiles(f, "?.JPG"), Lines(f, {"a.jpg"}));
    EXPECT_EQ(ListFolderFiles(f, "*"),
              Lines(f, {".hidden.jpg", "a.jpg", "b.jpeg", "c.png", "img_0001.jpg",
                        "IMG_0002.JPG", "photo.jpg.txt", "x.j", "Zeta.Jpe"}));
    EXPECT_EQ(ListFolderFiles(f, "*.bmp"), "");
}

// Names may hold the mask's own wildcard characters; in a mask they are always wildcards.
TEST(ListFolderFiles, WildcardCharactersInNamesAreMatchedLikeAnyOther) {
    TempFolder tmp;
    const std::string f = tmp.Path();
    for (const char* name : {"*a.jpg", "a*b.jpg", "?.jpg", "b.jpg", "**"}) Touch(f + "/" + name);
    EXPECT_EQ(ListFolderFiles(f, "*"), Lines(f, {"**", "*a.jpg", "?.jpg", "a*b.jpg", "b.jpg"}));
    EXPECT_EQ(ListFolderFiles(f, "*.jpg"), Lines(f, {"*a.jpg", "?.jpg", "a*b.jpg", "b.jpg"}));
    EXPECT_EQ(ListFolderFiles(f, "*b.jpg"), Lines(f, {"a*b.jpg", "b.jpg"}));
    EXPECT_EQ(ListFolderFiles(f, "?.jpg"), Lines(f, {"?.jpg", "b.jpg"}));
    EXPECT_EQ(ListFolderFiles(f, "*?*"), ListFolderFiles(f, "*"));
    // Next and Previous walk such a folder like any other.
    EXPECT_EQ(PickNeighbourInFolder(f + "/*a.jpg", "*.jpg", 1), f + "/?.jpg");
    EXPECT_EQ(PickNeighbourInFolder(f + "/?.jpg", "*.jpg", -1), f + "/*a.jpg");
}

TEST(ListFolderFiles, NamesThatDifferOnlyInCaseKeepAFixedOrder) {
    TempFolder tmp;
    const std::string f = tmp.Path();
    for (const char* name : {"b.jpg", "B.jpg", "a.jpg", "Фото.jpg", "фото2.jpg", "Яблоко.JPG"})
        Touch(f + "/" + name);
    EXPECT_EQ(ListFolderFiles(f, "*.jpg"),
              Lines(f, {"a.jpg", "B.jpg", "b.jpg", "Фото.jpg", "фото2.jpg", "Яблоко.JPG"}));
    EXPECT_EQ(ListFolderFiles(f, "ФОТО?.JPG"), Lines(f, {"фото2.jpg"}));
}

TEST(ListFolderFiles, DescendsOnlyIntoSubFoldersThatMatch) {
    TempFolder tmp;
    const std::string f = tmp.Path();
    Touch(f + "/a.jpg");
    Touch(f + "/z.jpg");
    MakeFolder(f + "/x.jpg");
    Touch(f + "/x.jpg/d.jpg");
    Touch(f + "/x.jpg/e.png");
    MakeFolder(f + "/x.jpg/inner.JPG");
    Touch(f + "/x.jpg/inner.JPG/deep.jpeg");
    MakeFolder(f + "/x.jpg/plain");
    Touch(f + "/x.jpg/plain/hidden-away.jpg");
    MakeFolder(f + "/photos");
    Touch(f + "/photos/p.jpg");
    MakeFolder(f + "/empty.jpg");
    // A link back to the top: followed once, never round and round.
    ASSERT_EQ(::symlink(f.c_str(), (f + "/x.jpg/loop.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((f + "/gone").c_str(), (f + "/dangling.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((f + "/a.jpg").c_str(), (f + "/link.jpg").c_str()), 0);

    EXPECT_EQ(ListFolderFiles(f, "*.jp*"),
              f + "/a.jpg\r\n" + f + "/link.jpg\r\n" + f + "/x.jpg/d.jpg\r\n" + f +
                  "/x.jpg/inner.JPG/deep.jpeg\r\n" + f + "/z.jpg\r\n");
}

TEST(ListFolderFiles, MissingFolderAndRootJoin) {
    TempFolder tmp;
    EXPECT_EQ(ListFolderFiles(tmp.File("none"), "*.jpg"), "");
    Touch(tmp.File("a.jpg"));
    // A folder given with a trailing separator does not double it.
    EXPECT_EQ(ListFolderFiles(tmp.Path() + "/", "*.jpg"), tmp.Path() + "/a.jpg\r\n");
    // A file given as the folder lists nothing.
    EXPECT_EQ(ListFolderFiles(tmp.File("a.jpg"), "*"), "");
}

TEST(PickNeighbourFile, StepsThroughWholeLines) {
    const std::string listing = "/p/a.jpg\r\n/p/b.jpg\r\n/p/c.jpg\r\n";
    EXPECT_EQ(PickNeighbourFile(listing, "/p/b.jpg", 1), "/p/c.jpg");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/b.jpg", -1), "/p/a.jpg");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/c.jpg", 1), "");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/a.jpg", -1), "");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/a.jpg", 2), "/p/c.jpg");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/a.jpg", INT_MIN), "");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/a.jpg", INT_MAX), "");
    // Exact, case-sensitive, whole-line matches only.
    EXPECT_EQ(PickNeighbourFile(listing, "/p/A.jpg", 1), "");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/a.jp", 1), "");
    EXPECT_EQ(PickNeighbourFile(listing, "", 1), "");
    // Text after the last CR LF is not a line, and a lone LF does not end one.
    EXPECT_EQ(PickNeighbourFile("/p/a.jpg\r\n/p/b.jpg", "/p/a.jpg", 1), "");
    EXPECT_EQ(PickNeighbourFile("/p/a.jpg\r\n/p/b.jpg", "/p/b.jpg", -1), "");
    EXPECT_EQ(PickNeighbourFile("/p/a.jpg\n/p/b.jpg\r\n", "/p/b.jpg", -1), "");
    EXPECT_EQ(PickNeighbourFile("", "/p/a.jpg", 1), "");
    EXPECT_EQ(PickNeighbourFile("", "", 0), "");
}

TEST(PickNeighbourFile, LongListingsHaveNoLineLimit) {
    std::string listing;
    for (int i = 0; i < 2500; ++i) listing += "/p/" + std::to_string(i) + ".jpg\r\n";
    EXPECT_EQ(PickNeighbourFile(listing, "/p/1998.jpg", 1), "/p/1999.jpg");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/2499.jpg", -1), "/p/2498.jpg");
    EXPECT_EQ(PickNeighbourFile(listing, "/p/2499.jpg", 1), "");
}

TEST(PickNeighbourFile, WorksOnARealListing) {
    TempFolder tmp;
    for (const char* name : {"c.jpg", "A.jpg", "b.JPG"}) Touch(tmp.File(name));
    const std::string listing = ListFolderFiles(tmp.Path(), "*.jp*");
    EXPECT_EQ(PickNeighbourFile(listing, tmp.File("A.jpg"), 1), tmp.File("b.JPG"));
    EXPECT_EQ(PickNeighbourFile(listing, tmp.File("c.jpg"), -1), tmp.File("b.JPG"));

    // The folder comes from the file itself, so moving the working folder changes nothing.
    char before[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(::chdir("/"), 0);
    EXPECT_EQ(PickNeighbourInFolder(tmp.File("A.jpg"), "*.jp*", 1), tmp.File("b.JPG"));
    EXPECT_EQ(PickNeighbourInFolder(tmp.File("A.jpg"), "*.jp*", -1), "");
    EXPECT_EQ(PickNeighbourInFolder(tmp.File("c.jpg"), "*.jp*", 1), "");
    EXPECT_EQ(PickNeighbourInFolder(tmp.File("gone.jpg"), "*.jp*", 1), "");
    ASSERT_EQ(::chdir(before), 0);
}
