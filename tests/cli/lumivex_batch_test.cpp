// Runs the real lumivex-batch program and compares what it writes, byte for byte, with what
// the tools' cores write for the same input.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "batch_run.h"
#include "bmp_file.h"
#include "commands.h"
#include "panorama_renderer.h"
#include "correction_files.h"
#include "file_correction.h"
#include "jpeg_image.h"
#include "object_project.h"
#include "paths.h"
#include "stereo_composition.h"
#include "stereo_file.h"
#include "test_support.h"
#include "view_picture.h"
#include "view_saving.h"

namespace {

struct Outcome {
    int status = -1;
    std::string errors;
};

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command line in folder; stderr is kept.
Outcome Shell(const std::string& folder, const std::string& line) {
    const std::string errors = folder + "/.stderr";
    const int status = std::system(("cd " + Quoted(folder) + " && " + line + " 2>" + Quoted(errors)).c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(errors)};
    std::filesystem::remove(errors);
    return outcome;
}

Outcome Batch(const std::string& folder, const std::string& args) {
    return Shell(folder, Quoted(LUMIVEX_BATCH) + " " + args);
}

bool HasTemporaryFiles(const std::string& folder) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp") != std::string::npos) return true;
    return false;
}

// A colour table file of 256 lines "red<TAB>green<TAB>blue" that changes every channel.
void WriteTable(const std::string& path) {
    std::string text;
    for (int v = 0; v < 256; ++v)
        text += std::to_string(255 - v) + "\t" + std::to_string(v / 2 + 60) + "\t" +
                std::to_string((v * 3) % 256) + "\r\n";
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> MakePictures(const TempFolder& folder, const std::string& sub, int count) {
    std::filesystem::create_directories(folder.File(sub));
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder.File(sub + "/p" + std::to_string(i) + ".jpg"));
        SaveJpegFile(NumberedPicture(60 + 3 * i, 40 + i), files.back(), 85);
    }
    return files;
}

TEST(LumivexBatch, CorrectWritesWhatTheColorCorrectorsBatchWrites) {
    TempFolder folder;
    const std::vector<std::string> files = MakePictures(folder, "in", 4);
    WriteTable(folder.File("t.txt"));
    // The window's batch on the same files and fields.
    ProcessFields fields;
    fields.cutX = "3", fields.cutY = "2", fields.cutWidth = "40", fields.cutHeight = "30";
    fields.resampleWidth = "50", fields.resampleHeight = "45";
    fields.angle = 270;
    fields.mirrorLeftRight = true;
    NoProgress progress;
    const std::string tableText = ReadText(folder.File("t.txt"));
    ASSERT_EQ(CorrectFiles(files, MakeByteTables(ParseColorTableFile(tableText).result),
                           OptionsFromFields(fields), progress).written, 4);
    std::vector<std::vector<uint8_t>> window;
    for (const std::string& file : files) window.push_back(ReadBytes(CorrectedPath(file)));
    std::filesystem::remove_all(folder.File("in/corrected"));

    const std::string options = "--table t.txt --cut-x 3 --cut-y 2 --cut-width 40 --cut-height 30 "
                                "--resample-width 50 --resample-height 45 --rotate 270 "
                                "--mirror-vertically";
    // From the arguments into "corrected", and from standard input into a folder of its own.
    const Outcome named = Batch(folder.Path(), "correct " + options + " --jobs 2 in/*.jpg");
    EXPECT_EQ(named.status, 0) << named.errors;
    const Outcome listed =
        Shell(folder.Path(), "ls in/*.jpg | " + Quoted(LUMIVEX_BATCH) + " correct " + options +
                                 " --output out/x --report r.json -");
    EXPECT_EQ(listed.status, 0) << listed.errors;
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(ReadBytes(CorrectedPath(files[i])), window[i]) << i;
        EXPECT_EQ(ReadBytes(folder.File("out/x/p" + std::to_string(i) + ".jpg")), window[i]) << i;
    }
    // A short table is completed as the window completes it when opening it.
    std::string shortTable;
    for (int v = 0; v < 100; ++v) shortTable += std::to_string(v) + "\t" + std::to_string(255 - v) + "\t9\r\n";
    WriteBytes(folder.File("short.txt"), std::vector<uint8_t>(shortTable.begin(), shortTable.end()));
    const Outcome completed = Batch(folder.Path(), "correct --table short.txt -o short in/p1.jpg");
    EXPECT_EQ(completed.status, 0) << completed.errors;
    EXPECT_NE(completed.errors.find("only the first 100 of 256 lines"), std::string::npos);
    ASSERT_EQ(CorrectFiles({files[1]}, MakeByteTables(TableFromManual(ParseColorTableFile(shortTable).result)),
                           {}, progress).written, 1);
    EXPECT_EQ(ReadBytes(folder.File("short/p1.jpg")), ReadBytes(CorrectedPath(files[1])));

    // One JSON object per file.
    std::istringstream report(ReadText(folder.File("r.json")));
    int lines = 0;
    for (std::string line; std::getline(report, line); ++lines) {
        EXPECT_EQ(line.find("{\"input\":\"in/p"), 0u) << line;
        EXPECT_NE(line.find("\"status\":\"written\",\"reason\":\"\",\"milliseconds\":"), std::string::npos) << line;
    }
    EXPECT_EQ(lines, 4);
}

TEST(LumivexBatch, AlignWritesWhatTheObjectEditorsRunWrites) {
    TempFolder folder;
    const std::vector<std::string> files = MakePictures(folder, "shots", 3);
    std::vector<ProjectRow> rows;
    for (std::size_t i = 0; i < files.size(); ++i)
        rows.push_back({files[i], std::to_string(4 * i), "-3", i == 1 ? "2.5" : "90", "1.25"});
    WriteProjectFile(folder.File("p.txt"), "130", "110", rows);
    NoProgress progress;
    ASSERT_EQ(RunProject(rows, 130, 110, progress).written, 3);
    std::vector<std::vector<uint8_t>> window;
    for (const std::string& file : files) window.push_back(ReadBytes(ResultPathFor(file)));
    std::filesystem::remove_all(folder.File("shots/result"));

    const Outcome only = Batch(folder.Path(), "align p.txt --only shots/p1.jpg");
    EXPECT_EQ(only.status, 0) << only.errors;
    EXPECT_FALSE(FileExists(ResultPathFor(files[0])));
    EXPECT_EQ(ReadBytes(ResultPathFor(files[1])), window[1]);
    const Outcome all = Batch(folder.Path(), "align p.txt --jobs 3 --skip-existing");
    EXPECT_EQ(all.status, 0) << all.errors;
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadBytes(ResultPathFor(files[i])), window[i]);
    const Outcome stranger = Batch(folder.Path(), "align p.txt -o o shots/p2.jpg other.jpg");
    EXPECT_EQ(stranger.status, 1);
    EXPECT_NE(stranger.errors.find("other.jpg: not an image of the project p.txt"), std::string::npos)
        << stranger.errors;
    EXPECT_EQ(ReadBytes(folder.File("o/p2.jpg")), window[2]);
}

TEST(LumivexBatch, ViewsStereoAndPanoramaWriteWhatTheViewersSave) {
    TempFolder folder;
    SaveJpegFile(NumberedPicture(80, 50), folder.File("a.jpg"), 90);
    const std::string description =
        "viewname=Whole\r\nfilename=a.jpg\r\ngamma=1.4\r\n"
        "viewname=Part/Two\r\nfilename=a.jpg\r\ncrop=5,5,40,30\r\nrotate=30,20,15\r\ninverse=1\r\n";
    WriteBytes(folder.File("v.txt"), std::vector<uint8_t>(description.begin(), description.end()));
    const std::vector<std::string> lines = {"viewname=Whole", "filename=a.jpg", "gamma=1.4",
                                            "viewname=Part/Two", "filename=a.jpg",
                                            "crop=5,5,40,30", "rotate=30,20,15", "inverse=1"};
    const TBitmap whole = BuildViewPicture(folder.File("v.txt"), 1, "Whole", *ReadView(lines, 1));
    const TBitmap part = BuildViewPicture(folder.File("v.txt"), 2, "Part/Two", *ReadView(lines, 2));

    Outcome run = Batch(folder.Path(), "views v.txt");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(folder.File("views/01-Whole.jpg")), EncodeJpeg(whole, kSavedViewJpegQuality));
    EXPECT_EQ(ReadBytes(folder.File("views/02-Part_Two.jpg")), EncodeJpeg(part, kSavedViewJpegQuality));
    run = Batch(folder.Path(), "views v.txt --view 2 --type bmp -o b");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(folder.File("b/02-Part_Two.bmp")), BmpFileBytes(part));
    run = Batch(folder.Path(), "views v.txt --view 3");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("v.txt view 3: there is no such view"), std::string::npos) << run.errors;

    // Stereo: the halves of a side-by-side picture composed as the viewer renders them.
    SaveJpegFile(NumberedPicture(120, 50), folder.File("pair.jpg"), 90);
    const StereoPair pair = SplitStereoPair(LoadJpegFile(folder.File("pair.jpg")));
    StereoViewState state;
    state.mode = StereoMode::HorizontalInterlace;
    state.scale = 0.75f;
    state.positionX = 4, state.positionY = -2, state.parallaxX = 3;
    state.swap = true;
    TBitmap composed(70, 40);
    RenderStereoView(pair, state, composed);
    run = Batch(folder.Path(), "stereo pair.jpg --mode horizontal-interlace --size 70x40 --scale 0.75 "
                               "--position 4,-2 --parallax 3,0 --swap");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(folder.File("stereo/pair.jpg")), EncodeJpeg(composed, kSavedViewJpegQuality));

    // An MPO pair opens with the parallax its camera stored (5 % of 60 pixels), as in the viewer.
    const TestParallax cameraParallax{5, 1};
    const std::vector<uint8_t> mpo = BuildTestMpo(
        {EncodeJpeg(NumberedPicture(60, 50)), EncodeJpeg(GradientPicture(60, 50))}, &cameraParallax);
    WriteBytes(folder.File("camera.mpo"), mpo);
    const StereoFile opened = ReadStereoBytes(mpo.data(), mpo.size());
    ASSERT_TRUE(opened.parallaxX);
    StereoViewState cameraState;
    cameraState.scale = 1;
    cameraState.parallaxX = *opened.parallaxX;
    TBitmap fromCamera(60, 50);
    RenderStereoView(opened.pair, cameraState, fromCamera);
    run = Batch(folder.Path(), "stereo camera.mpo --scale 1");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(folder.File("stereo/camera.jpg")), EncodeJpeg(fromCamera, kSavedViewJpegQuality));

    // Panorama: one frame of the viewer's renderer at the view asked for.
    SaveJpegFile(NumberedPicture(360, 180), folder.File("pano.jpg"), 90);
    PanoramaView view;
    view.alpha = 135, view.betta = -10, view.gamma = 5, view.fov = 60 / 90.0;
    TBitmap frame;
    RenderPanoramaView(PanoramaPixels::FromBitmap(LoadJpegFile(folder.File("pano.jpg"))), view, 64, 48,
                       true, frame);
    run = Batch(folder.Path(), "panorama pano.jpg --heading 135 --pitch -10 --roll 5 --fov 60 "
                               "--size 64x48 --smooth --type bmp");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(folder.File("panorama/pano.bmp")), BmpFileBytes(frame));
}

TEST(LumivexBatch, BadInputIsOneLineNamingTheFileAndTheRestGoesOn) {
    TempFolder folder;
    const std::vector<std::string> files = MakePictures(folder, "in", 2);
    WriteTable(folder.File("t.txt"));
    WriteBytes(folder.File("junk.txt"), {'a', 'b', '\n'});
    WriteBytes(folder.File("in/text.jpg"), {'h', 'i'});
    const std::vector<uint8_t> source = ReadBytes(files[0]);
    const struct {
        const char* args;
        int status;
        const char* said;  // a piece of standard error
    } cases[] = {
        {"correct in/p0.jpg", 2, "--table is needed"},
        {"correct --table t.txt --rotate 45 in/p0.jpg", 2, "--rotate takes 0, 90, 180 or 270"},
        {"correct --table t.txt --jobs zero in/p0.jpg", 2, "--jobs takes a whole number, not \"zero\""},
        {"correct --table t.txt --cut-x 1 in/p0.jpg", 2, "go together"},
        {"correct --table t.txt --resample-width 5 --resample-height 20 in/p0.jpg", 2, "between 10 and 10000"},
        {"correct --table t.txt --frobnicate in/p0.jpg", 2, "unknown option --frobnicate"},
        {"correct --table t.txt", 2, "no files given"},
        {"sharpen x.jpg", 2, "unknown command \"sharpen\""},
        {"stereo --mode sideways in/p0.jpg", 2, "--mode takes left"},
        {"panorama --pitch 100 in/p0.jpg", 2, "--pitch must lie between"},
        {"correct --table junk.txt in/p0.jpg", 1, "junk.txt: no line holds three whole numbers"},
        {"correct --table gone.txt in/p0.jpg", 1, "gone.txt"},
        {"align gone.txt", 1, "gone.txt"},
        {"views t.txt", 1, "t.txt: holds no \"viewname=\" line"},
        // Good files are written, each bad one named with its reason.
        {"correct --table t.txt in/missing.jpg in/text.jpg in/p1.jpg", 1, "in/missing.jpg: "},
        {"correct --table t.txt in/text.jpg", 1, "in/text.jpg: "},
        // An output that is an input, and two inputs sharing one output.
        {"correct --table t.txt -o in in/p0.jpg", 1, "is one of the pictures being read"},
        {"correct --table t.txt -o o in/p1.jpg in/../in/p1.jpg", 1, "is also the output of in/p1.jpg"},
    };
    for (const auto& c : cases) {
        const Outcome run = Batch(folder.Path(), c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.said), std::string::npos) << c.args << "\n" << run.errors;
    }
    EXPECT_TRUE(FileExists(folder.File("in/corrected/p1.jpg")));
    EXPECT_EQ(ReadBytes(files[0]), source);
    EXPECT_FALSE(HasTemporaryFiles(folder.Path()));
    const Outcome help = Batch(folder.Path(), "correct --help");
    EXPECT_EQ(help.status, 0);
}

// Stopped by SIGTERM in the middle, a run leaves only whole results; started again with
// --skip-existing it completes the set.
TEST(LumivexBatch, AStoppedRunRestartedWithSkipExistingEndsWithTheFullSet) {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("in"));
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back(folder.File("in/p" + std::to_string(i) + ".jpg"));
        SaveJpegFile(NumberedPicture(1500 + i, 1000), files.back(), 90);
    }
    WriteTable(folder.File("t.txt"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(folder.Path().c_str()) != 0) _exit(99);
        std::vector<std::string> args = {LUMIVEX_BATCH, "correct", "--table", "t.txt", "--jobs", "2", "-o", "out"};
        for (const std::string& file : files) args.push_back(file);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        (void)!freopen("/dev/null", "w", stderr);
        execv(LUMIVEX_BATCH, argv.data());
        _exit(98);
    }
    // Stop once the first result is there.
    for (int wait = 0; wait < 2000 && !FileExists(folder.File("out/p0.jpg")) &&
                       !FileExists(folder.File("out/p1.jpg"));
         ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
    EXPECT_FALSE(HasTemporaryFiles(folder.Path()));
    const std::size_t written = FolderEntries(folder.File("out")).size();
    EXPECT_LT(written, files.size());

    // What the Color Corrector's batch writes, for comparison.
    NoProgress progress;
    CorrectFiles(files, MakeByteTables(ParseColorTableFile(ReadText(folder.File("t.txt"))).result), {},
                 progress);
    const Outcome rest = Batch(folder.Path(), "correct --table t.txt --skip-existing -o out --report r.json in/*.jpg");
    EXPECT_EQ(rest.status, 0) << rest.errors;
    for (const std::string& file : files)
        EXPECT_EQ(ReadBytes(folder.File("out/" + ExtractFileName(file))), ReadBytes(CorrectedPath(file)));
    const std::string report = ReadText(folder.File("r.json"));
    std::size_t skipped = 0;
    for (std::size_t at = report.find("\"skipped\""); at != std::string::npos; at = report.find("\"skipped\"", at + 1))
        ++skipped;
    EXPECT_EQ(skipped, written);
}

// GNU parallel splitting 40 files over two runs gives exactly the files of one serial run.
TEST(LumivexBatch, FortyFilesThroughGnuParallelEqualOneSerialRun) {
    if (std::system("parallel --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed (Debian package \"parallel\")";
    TempFolder folder;
    MakePictures(folder, "in", 40);
    WriteTable(folder.File("t.txt"));
    const Outcome serial = Batch(folder.Path(), "correct --table t.txt --jobs 1 -o serial in/*.jpg");
    ASSERT_EQ(serial.status, 0) << serial.errors;
    const Outcome spread = Shell(folder.Path(), "ls in/*.jpg | parallel --will-cite -j 2 -N 5 " +
                                                    Quoted(LUMIVEX_BATCH) +
                                                    " correct --table t.txt --jobs 1 -o spread {}");
    ASSERT_EQ(spread.status, 0) << spread.errors;
    std::vector<std::string> names = FolderEntries(folder.File("serial")),
                             spreadNames = FolderEntries(folder.File("spread"));
    std::sort(names.begin(), names.end());
    std::sort(spreadNames.begin(), spreadNames.end());
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(spreadNames, names);
    for (const std::string& name : names)
        EXPECT_EQ(ReadBytes(folder.File("spread/" + name)), ReadBytes(folder.File("serial/" + name))) << name;
}

}  // namespace

namespace {

// A one-node Slurm cluster on this machine runs the array script as four tasks over 20 files.
TEST(LumivexBatch, AFourTaskSlurmArrayWritesWhatOnePlainRunWrites) {
    TempFolder folder;
    MakePictures(folder, "in", 20);
    WriteTable(folder.File("table.txt"));
    const std::string log = folder.File("cluster.log");
    const int status = std::system((Quoted(SLURM_CLUSTER_TEST) + " " + Quoted(LUMIVEX_BATCH) + " " +
                                    Quoted(SLURM_BATCH_SCRIPT) + " " + Quoted(folder.Path()) + " >" +
                                    Quoted(log) + " 2>&1")
                                       .c_str());
    const std::string said = ReadText(log);
    ASSERT_TRUE(WIFEXITED(status)) << said;
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << said;
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
    EXPECT_NE(said.find("4 array tasks wrote the same 20 files"), std::string::npos) << said;
}

}  // namespace
