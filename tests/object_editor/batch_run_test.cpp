#include "batch_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "jpeg_image.h"
#include "test_support.h"
#include "transform_image.h"

namespace {

// Records the steps and cancels after cancelAfter of them.
class CountingProgress : public Progress {
public:
    void Start(int steps) override { total = steps; }
    void Step() override { steps.push_back(static_cast<int>(steps.size()) + 1); }
    bool Cancelled() override { return static_cast<int>(steps.size()) >= cancelAfter; }
    std::vector<int> steps;
    int total = -1;
    int cancelAfter = 1000;
};

}  // namespace

TEST(BatchRun, WritesEveryImageIntoResultBesideItsSource) {
    TempFolder folder;
    ::mkdir(folder.File("other").c_str(), 0755);
    const std::string paths[] = {folder.File("a.jpg"), folder.File("b.jpeg"),
                                 folder.File("other/c.JPG")};
    std::vector<ProjectRow> rows;
    for (int i = 0; i < 3; ++i) {
        SaveJpegFile(GradientPicture(90 + 10 * i, 60), paths[i], 100);
        rows.push_back({paths[i], std::to_string(5 * i), "-3", i == 2 ? "90" : "0", "1.5"});
    }
    CountingProgress progress;
    const RunReport report = RunProject(rows, 120, 100, progress);
    EXPECT_EQ(report.written, 3);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(RunReportMessage(report), "Images succesfully processed!");
    EXPECT_EQ(progress.steps, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(progress.total, 3);

    const std::string results[] = {folder.File("result/a.jpg"), folder.File("result/b.jpeg"),
                                   folder.File("other/result/c.JPG")};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(ResultPathFor(paths[i]), results[i]);
        const TBitmap written = LoadJpegFile(results[i]);
        const TBitmap expected = TransformImage(LoadJpegFile(paths[i]), 120, 100, 5 * i, -3,
                                                i == 2 ? 90 : 0, 1.5);
        EXPECT_EQ(written.Width(), 120);
        EXPECT_EQ(written.Height(), 100);
        TJPEGImage encoded;  // the very bytes of the transform encoded at quality 100
        encoded.CompressionQuality = 100;
        encoded.Assign(expected);
        EXPECT_EQ(ReadBytes(results[i]), encoded.Bytes()) << results[i];
    }
}

TEST(BatchRun, SkipsWhatFailsAndNamesItWhileTheOthersAreWritten) {
    TempFolder folder;
    const std::string good = folder.File("good.jpg"), text = folder.File("notes.jpg"),
                      zero = folder.File("zero.jpg"), blocked = folder.File("blocked.jpg");
    for (const std::string& p : {good, zero, blocked}) SaveJpegFile(GradientPicture(20, 20), p, 90);
    WriteBytes(text, {'h', 'i'});
    ::mkdir(folder.File("result").c_str(), 0755);
    ::mkdir(folder.File("result/blocked.jpg").c_str(), 0755);  // a folder where the file goes
    const std::vector<ProjectRow> rows = {{folder.File("gone.jpg"), "0", "0", "0", "1"},
                                          {text, "0", "0", "0", "1"},
                                          {zero, "0", "0", "0", "0"},
                                          {blocked, "0", "0", "0", "1"},
                                          {"", "", "", "", ""},
                                          {good, "0", "0", "0", "abc2"}};
    NoProgress progress;
    const RunReport report = RunProject(rows, 100, 100, progress);
    EXPECT_EQ(report.images, 5);
    EXPECT_EQ(report.written, 0);  // "abc2" reads as scale 0 as well
    ASSERT_EQ(report.failures.size(), 5u);
    const std::string message = RunReportMessage(report);
    EXPECT_EQ(message.find("0 of 5 images were processed."), 0u) << message;
    for (const std::string& p : {folder.File("gone.jpg"), text, zero, blocked, good})
        EXPECT_NE(message.find("\n" + p + ": "), std::string::npos) << p;
    EXPECT_TRUE(FileExists(folder.File("result/blocked.jpg")));
}

TEST(BatchRun, EmptyProjectsAndCancelledRunsSaySo) {
    NoProgress none;
    const RunReport empty = RunProject({ProjectRow{"", "", "", "", ""}}, 100, 100, none);
    EXPECT_EQ(none.Total(), 0);
    EXPECT_EQ(RunReportMessage(empty), "The project has no images to process.");

    TempFolder folder;
    std::vector<ProjectRow> rows;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        SaveJpegFile(GradientPicture(10, 10), folder.File(name), 90);
        rows.push_back({folder.File(name), "0", "0", "0", "1"});
    }
    CountingProgress progress;
    progress.cancelAfter = 1;
    const RunReport report = RunProject(rows, 100, 100, progress);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.written, 1);
    EXPECT_FALSE(FileExists(folder.File("result/b.jpg")));
    EXPECT_EQ(RunReportMessage(report).find("The run was cancelled. 1 of 3"), 0u);
}

TEST(BatchRun, LongFailureListsNameTheFirstTenAndCountTheRest) {
    for (const int count : {10, 11, 100}) {
        RunReport report;
        report.images = count;
        for (int i = 0; i < count; ++i)
            report.failures.push_back("/p/" + std::to_string(i) + ": gone");
        const std::string message = RunReportMessage(report);
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), count > 10 ? 11 : 10) << count;
        EXPECT_EQ(message.substr(message.rfind('\n') + 1),
                  count > 10 ? "... and " + std::to_string(count - 10) + " more." : "/p/9: gone");
    }
}

TEST(BatchRun, NeverReplacesOneOfTheProjectsImages) {
    // A project that lists a picture from its own "result" folder.
    TempFolder folder;
    ::mkdir(folder.File("result").c_str(), 0755);
    const std::string top = folder.File("a.jpg"), inner = folder.File("result/a.jpg");
    SaveJpegFile(GradientPicture(30, 20), top, 90);
    SaveJpegFile(GradientPicture(40, 30), inner, 90);
    const std::vector<uint8_t> innerBytes = ReadBytes(inner);
    // A "result" that links back to the project's own folder.
    TempFolder linked;
    const std::string looped = linked.File("b.jpg");
    SaveJpegFile(GradientPicture(20, 20), looped, 90);
    const std::vector<uint8_t> loopedBytes = ReadBytes(looped);
    ASSERT_EQ(::symlink(linked.Path().c_str(), linked.File("result").c_str()), 0);

    const std::vector<ProjectRow> rows = {{top, "0", "0", "0", "1"},
                                          {inner, "0", "0", "0", "1"},
                                          {looped, "0", "0", "0", "1"}};
    NoProgress progress;
    const RunReport report = RunProject(rows, 50, 50, progress);
    EXPECT_EQ(report.written, 1);  // inner, into result/result
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_EQ(report.failures[0].find(top + ": " + inner + " is one of the project's images"), 0u)
        << report.failures[0];
    EXPECT_EQ(report.failures[1].find(looped + ": "), 0u) << report.failures[1];
    EXPECT_EQ(ReadBytes(inner), innerBytes);
    EXPECT_EQ(ReadBytes(looped), loopedBytes);
    EXPECT_EQ(LoadJpegFile(folder.File("result/result/a.jpg")).Width(), 50);
    EXPECT_NE(RunReportMessage(report).find("1 of 3 images were processed."), std::string::npos);
}

TEST(BatchRun, ADamagedImageIsAFailureAndTheOthersAreWritten) {
    TempFolder folder;
    const std::string cut = folder.File("cut.jpg"), whole = folder.File("whole.jpg");
    const int rowsRead = WriteWholeAndCutOffJpeg(whole, cut);

    NoProgress progress;
    const RunReport report = RunProject(
        {{cut, "0", "0", "0", "1"}, {whole, "0", "0", "0", "1"}}, 64, 128, progress);
    EXPECT_EQ(report.written, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0], cut + ": damaged: only the first " +
                                      std::to_string(rowsRead) + " rows could be read");
    EXPECT_FALSE(FileExists(folder.File("result/cut.jpg")));
    EXPECT_TRUE(FileExists(folder.File("result/whole.jpg")));
}

TEST(BatchRun, AResultFolderThatCannotBeMadeIsNamedOnceWithItsReason) {
    // A file named "result" stands where the folder would go.
    TempFolder folder;
    std::vector<ProjectRow> rows;
    for (const char* name : {"a.jpg", "b.jpg"}) {
        SaveJpegFile(GradientPicture(10, 10), folder.File(name), 90);
        rows.push_back({folder.File(name), "0", "0", "0", "1"});
    }
    TempFolder other;
    SaveJpegFile(GradientPicture(10, 10), other.File("c.jpg"), 90);
    rows.push_back({other.File("c.jpg"), "0", "0", "0", "1"});
    WriteBytes(folder.File("result"), {'x'});
    NoProgress progress;
    const RunReport report = RunProject(rows, 20, 20, progress);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.failures, std::vector<std::string>{"Cannot create the folder " +
                                                        folder.File("result") +
                                                        ": File exists (2 images not processed)"});
    EXPECT_TRUE(FileExists(other.File("result/c.jpg")));

    // A read-only file system, where the system can be asked for one.
    TestMount mount("size=256k");
    if (!mount.Mounted()) GTEST_SKIP() << "no right to mount a file system here";
    SaveJpegFile(GradientPicture(10, 10), mount.File("d.jpg"), 90);
    ASSERT_TRUE(mount.SetReadOnly(true));
    const RunReport readOnly =
        RunProject({{mount.File("d.jpg"), "0", "0", "0", "1"}}, 20, 20, progress);
    EXPECT_EQ(readOnly.failures,
              std::vector<std::string>{"Cannot create the folder " + mount.File("result") +
                                       ": Read-only file system (1 image not processed)"});
}
