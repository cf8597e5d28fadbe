#include "batch_pipeline.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include "bmp_file.h"
#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "test_support.h"

namespace {

using Recorder = StepRecorder;

// The work every test runs: a left-right mirror into the work picture.
BatchSteps MirrorSteps() {
    BatchSteps steps;
    steps.process = [](std::size_t, TBitmap& picture, TBitmap& work) -> const TBitmap& {
        MirrorHorizontal(picture, work);
        return work;
    };
    return steps;
}

// What the steps give for one file, worked out one call after another on this thread.
std::vector<uint8_t> Expected(const std::string& source, const BatchFile& file) {
    TBitmap picture = LoadJpegFile(source), work;
    MirrorHorizontal(picture, work);
    return file.format == OutputFormat::Bmp ? BmpFileBytes(work) : EncodeJpeg(work, file.quality);
}

bool HasTemporaryFiles(const std::string& folder) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp") != std::string::npos) return true;
    return false;
}

std::vector<BatchFile> MakeFiles(const TempFolder& folder, int count) {
    std::filesystem::create_directory(folder.File("out"));
    std::vector<BatchFile> files;
    for (int i = 0; i < count; ++i) {
        const std::string source = folder.File("p" + std::to_string(i) + ".jpg");
        SaveJpegFile(NumberedPicture(40 + i, 30 + 2 * i), source, 90);
        BatchFile file{source, folder.File("out/p" + std::to_string(i) + (i % 4 == 3 ? ".bmp" : ".jpg")),
                       i % 4 == 3 ? OutputFormat::Bmp : OutputFormat::Jpeg, 60 + 3 * i};
        files.push_back(file);
    }
    return files;
}

TEST(BatchPipeline, AnyNumberOfWorkersWritesWhatOneCallAfterAnotherWould) {
    TempFolder folder;
    const std::vector<BatchFile> files = MakeFiles(folder, 11);
    for (const int workers : {1, 2, 3, 16}) {
        std::filesystem::remove_all(folder.File("out"));
        std::atomic<int> inFlight{0}, most{0};
        BatchSteps steps = MirrorSteps();
        std::vector<bool> reused(files.size(), false);
        steps.decode = [&](std::size_t index, const std::vector<uint8_t>& bytes, TBitmap& picture) {
            reused[index] = !picture.Empty();
            const int now = ++inFlight;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            DecodeWholeJpeg(bytes, picture);
        };
        const auto process = steps.process;
        steps.process = [&](std::size_t index, TBitmap& picture, TBitmap& work) -> const TBitmap& {
            const TBitmap& out = process(index, picture, work);
            --inFlight;
            return out;
        };
        Recorder progress;
        std::vector<std::size_t> heard;
        const BatchSummary summary =
            RunBatch(files, steps, {workers, false, {}}, progress,
                     [&](const BatchResult& r) { heard.push_back(r.index); });
        EXPECT_EQ(progress.total, 11);
        EXPECT_EQ(progress.steps, 11);
        EXPECT_EQ(summary.written, 11);
        EXPECT_FALSE(summary.cancelled);
        std::sort(heard.begin(), heard.end());
        ASSERT_EQ(heard.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(heard[i], i);
            EXPECT_EQ(summary.results[i].index, i);
            EXPECT_EQ(ReadBytes(files[i].output), Expected(files[i].source, files[i])) << workers << " " << i;
        }
        // Pictures in memory stay within one per worker, and a worker's storage serves its
        // next file.
        EXPECT_LE(most.load(), workers);
        if (workers == 1) {
            EXPECT_EQ(std::count(reused.begin(), reused.end(), true), 10);
        }
        EXPECT_FALSE(HasTemporaryFiles(folder.Path()));
    }
}

TEST(BatchPipeline, EachFailureIsTypedNamedAndTheOthersGoOn) {
    TempFolder folder;
    const TBitmap picture = GradientPicture(32, 24);
    const std::string good = folder.File("good.jpg"), text = folder.File("text.jpg"),
                      cut = folder.File("cut.jpg"), refused = folder.File("refused.jpg"),
                      blocked = folder.File("blocked.jpg");
    for (const std::string& p : {good, refused, blocked}) SaveJpegFile(picture, p, 95);
    WriteBytes(text, {'n', 'o', 't', 'e'});
    std::vector<uint8_t> whole = EncodeJpeg(NumberedPicture(64, 64), 90);
    whole.resize(whole.size() * 2 / 3);
    WriteBytes(cut, whole);
    WriteBytes(folder.File("plain"), {'x'});  // a file where an output folder would go
    std::filesystem::create_directories(folder.File("out/blocked.jpg"));  // a folder in the way
    const std::string table = folder.File("table.txt");
    WriteBytes(table, {'1'});
    ASSERT_EQ(::symlink(good.c_str(), folder.File("out/link.jpg").c_str()), 0);
    const std::vector<uint8_t> tableBytes = ReadBytes(table), goodBytes = ReadBytes(good);

    const std::vector<BatchFile> files = {
        {folder.File("missing.jpg"), folder.File("out/missing.jpg")},
        {text, folder.File("out/text.jpg")},
        {cut, folder.File("out/cut.jpg")},
        {refused, folder.File("out/refused.jpg")},
        {good, folder.File("plain/good.jpg")},
        {good, folder.File("out/link.jpg")},  // the source again, through a link
        {good, table},
        {blocked, folder.File("out/blocked.jpg")},
        {good, folder.File("out/good.jpg")},
    };
    const BatchFault want[] = {BatchFault::Read,   BatchFault::Decode,
                                 BatchFault::Decode, BatchFault::Work,
                                 BatchFault::Folder, BatchFault::OutputIsSource,
                                 BatchFault::OutputIsSource, BatchFault::Write,
                                 BatchFault::None};
    BatchSteps steps = MirrorSteps();
    const auto mirror = steps.process;
    steps.process = [&](std::size_t index, TBitmap& p, TBitmap& w) -> const TBitmap& {
        if (index == 3) throw ImageError("the work refused it");
        return mirror(index, p, w);
    };
    for (const int workers : {1, 3}) {
        Recorder progress;
        const BatchSummary summary = RunBatch(files, steps, {workers, false, {table}}, progress);
        ASSERT_EQ(summary.results.size(), files.size());
        EXPECT_EQ(summary.written, 1);
        EXPECT_EQ(summary.failed, 8);
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(summary.results[i].fault, want[i]) << i;
            EXPECT_EQ(summary.results[i].reason.empty(), want[i] == BatchFault::None) << i;
        }
        EXPECT_NE(summary.results[2].reason.find("damaged: only the first "), std::string::npos);
        EXPECT_NE(summary.results[4].reason.find(folder.File("plain")), std::string::npos);
        EXPECT_EQ(ReadBytes(table), tableBytes);
        EXPECT_EQ(ReadBytes(good), goodBytes);
        EXPECT_FALSE(FileExists(folder.File("out/cut.jpg")));
        EXPECT_FALSE(HasTemporaryFiles(folder.Path()));
    }
}

TEST(BatchPipeline, AFullDiskFailsTheFilesThatDoNotFitAndKeepsThoseWritten) {
    TestMount disk("size=160k");
    if (!disk.Mounted()) GTEST_SKIP() << "no right to mount a file system here";
    TempFolder folder;
    std::vector<BatchFile> files;
    for (int i = 0; i < 6; ++i) {
        const std::string source = folder.File("p" + std::to_string(i) + ".jpg");
        SaveJpegFile(NumberedPicture(400, 300), source, 90);
        files.push_back({source, disk.File("p" + std::to_string(i) + ".jpg")});
    }
    for (const int workers : {1, 2}) {
        for (const BatchFile& file : files) std::filesystem::remove(file.output);
        Recorder progress;
        const BatchSummary summary = RunBatch(files, MirrorSteps(), {workers, false, {}}, progress);
        EXPECT_GE(summary.written, 1);
        EXPECT_GE(summary.failed, 1);
        EXPECT_EQ(summary.written + summary.failed, 6);
        for (const BatchResult& r : summary.results) {
            if (r.status == BatchStatus::Written) {
                EXPECT_EQ(ReadBytes(files[r.index].output), Expected(files[r.index].source, files[r.index]));
            } else {
                EXPECT_EQ(r.fault, BatchFault::Write);
                EXPECT_NE(r.reason.find("No space left"), std::string::npos) << r.reason;
                EXPECT_FALSE(FileExists(files[r.index].output));
            }
        }
        EXPECT_FALSE(HasTemporaryFiles(disk.File("")));
    }
}

TEST(BatchPipeline, CancelStartsNoFurtherFileAndSkippingKeepsWhatExists) {
    TempFolder folder;
    const std::vector<BatchFile> files = MakeFiles(folder, 8);
    for (const int workers : {1, 3}) {
        std::filesystem::remove_all(folder.File("out"));
        Recorder cancelling;
        cancelling.cancelAfter = 1;
        const BatchSummary cancelled =
            RunBatch(files, MirrorSteps(), {workers, false, {}}, cancelling);
        EXPECT_TRUE(cancelled.cancelled);
        // The file counted and those other workers had taken: never more.
        EXPECT_GE(cancelled.written, 1);
        EXPECT_LE(cancelled.written, workers);
        if (workers == 1) {
            EXPECT_TRUE(FileExists(files[0].output));
        }
        int present = 0;
        for (const BatchFile& file : files)
            if (FileExists(file.output)) {
                ++present;
                EXPECT_EQ(ReadBytes(file.output), Expected(file.source, file));
            }
        EXPECT_EQ(present, cancelled.written);
        EXPECT_FALSE(HasTemporaryFiles(folder.Path()));

        // Starting again with skipping finishes the set and leaves the earlier results alone;
        // what a run killed outright left half written is cleared away.
        const pid_t gone = fork();
        if (gone == 0) _exit(0);
        ::waitpid(gone, nullptr, 0);
        WriteBytes(folder.File("out/.p5.jpg.tmp" + std::to_string(gone) + "-0"), {1, 2});
        if (!FileExists(files[0].output)) ++present;
        WriteBytes(files[0].output, {'k', 'e', 'p', 't'});
        Recorder progress;
        const BatchSummary rest = RunBatch(files, MirrorSteps(), {workers, true, {}}, progress);
        EXPECT_EQ(rest.skipped, present);
        EXPECT_EQ(rest.written + rest.skipped, 8);
        EXPECT_EQ(ReadBytes(files[0].output), (std::vector<uint8_t>{'k', 'e', 'p', 't'}));
        for (std::size_t i = 1; i < files.size(); ++i)
            EXPECT_EQ(ReadBytes(files[i].output), Expected(files[i].source, files[i]));
        EXPECT_FALSE(HasTemporaryFiles(folder.Path()));
    }
    Recorder none;
    EXPECT_EQ(RunBatch({}, MirrorSteps(), {}, none).results.size(), 0u);
    EXPECT_EQ(none.total, 0);
}

}  // namespace
