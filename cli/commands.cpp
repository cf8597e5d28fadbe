#include "commands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "batch_command.h"
#include "batch_run.h"
#include "correction_files.h"
#include "file_error.h"
#include "file_correction.h"
#include "object_project.h"
#include "panorama_renderer.h"
#include "panorama_steering.h"
#include "parameter_editing.h"
#include "paths.h"
#include "stereo_composition.h"
#include "stereo_file.h"
#include "stereo_view_commands.h"
#include "view_description.h"
#include "view_picture.h"
#include "view_saving.h"

namespace {

// ---- help texts -----------------------------------------------------------------------------

const char* const kCommonHelp =
    "Common options:\n"
    "  -o, --output DIR     write every result into DIR (made when missing)\n"
    "  -j, --jobs N         files worked on at once (default: one per core)\n"
    "  --skip-existing      leave files whose result exists alone (to resume a run)\n"
    "  --report FILE        one JSON object per file: input, output, status, reason,\n"
    "                       milliseconds\n"
    "  -h, --help           this text\n"
    "Files come from the arguments or, for \"-\", one per line from standard input.\n"
    "Exit status: 0 all done, 1 some failed (each named on standard error), 2 usage error,\n"
    "130 or 143 stopped by SIGINT or SIGTERM (the files in flight are finished first).\n";

const char* const kCorrectHelp =
    "Usage: lumivex-batch correct --table TABLE [options] FILE... | -\n"
    "Runs the Color Corrector's batch: every byte through the colour table, then the cut,\n"
    "the resampling, the turn and the mirrors, written as a quality 100 JPEG into the folder\n"
    "\"corrected\" beside each file (or --output DIR).\n"
    "  --table FILE             colour table saved by the Color Corrector (256 lines)\n"
    "  --cut-x N --cut-y N --cut-width N --cut-height N\n"
    "                           cut this rectangle (all four together)\n"
    "  --resample-width N --resample-height N\n"
    "                           resample to this size, 10..10000 (both together)\n"
    "  --rotate 0|90|180|270    quarter turn clockwise\n"
    "  --mirror-horizontally    turn upside down\n"
    "  --mirror-vertically      swap left and right\n"
    "Example:\n"
    "  find shots -name '*.jpg' | lumivex-batch correct --table warm.txt --rotate 90 -\n";

const char* const kAlignHelp =
    "Usage: lumivex-batch align PROJECT [--only FILE]... [options] [FILE... | -]\n"
    "Runs an Object Editor project: every image shifted, turned and scaled into the\n"
    "project's output size, written as a quality 100 JPEG into the folder \"result\" beside\n"
    "it (or --output DIR). Files named after the project (or with --only) limit the run to\n"
    "those images of the project.\n"
    "Example:\n"
    "  lumivex-batch align turntable.txt --only shots/img_0007.jpg --jobs 2\n";

const char* const kViewsHelp =
    "Usage: lumivex-batch views DESCRIPTION [--view N]... [--type jpg|bmp] [options]\n"
    "Builds the pictures of a Multi Viewer view description, one file per view, named\n"
    "NN-<view name>.jpg in the folder \"views\" beside the description (or --output DIR).\n"
    "JPEGs are written at the viewer's quality 80.\n"
    "  --view N           only view N (counted from 1); may be given more than once\n"
    "  --type jpg|bmp     the file type (default jpg)\n"
    "Example:\n"
    "  lumivex-batch views museum.txt --view 2 --type bmp -o exports\n";

const char* const kStereoHelp =
    "Usage: lumivex-batch stereo [options] FILE... | -\n"
    "Composes side-by-side stereo JPEGs (left half one eye, right half the other) and the\n"
    "first two pictures of MPO files as the Stereo Viewer shows them, into the folder\n"
    "\"stereo\" beside each file (or --output DIR).\n"
    "  --mode M           anaglyph (default), left, right, horizontal-interlace,\n"
    "                     vertical-interlace\n"
    "  --size WxH         picture size (default: the size of one half)\n"
    "  --scale S          source pixels per picture pixel (default: the half fits the size)\n"
    "  --position X,Y     pan, in source pixels\n"
    "  --parallax X,Y     shift of the second half, in source pixels (default: none, or\n"
    "                     the parallax an MPO file's camera stored)\n"
    "  --swap             swap the halves\n"
    "  --type jpg|bmp     the file type (default jpg, quality 80)\n"
    "Example:\n"
    "  lumivex-batch stereo --mode vertical-interlace --parallax 12,0 pairs/*.jpg\n";

const char* const kPanoramaHelp =
    "Usage: lumivex-batch panorama [options] FILE... | -\n"
    "Renders the view of full-sphere (equirectangular) panoramas that the Panorama Viewer\n"
    "shows, into the folder \"panorama\" beside each file (or --output DIR).\n"
    "  --heading DEG      turn to the right, 0..360 (default 0)\n"
    "  --pitch DEG        look up (positive) or down, -90..90 (default 0)\n"
    "  --roll DEG         0..360 (default 0)\n"
    "  --fov DEG          degrees across the longer side, 9..360 (default 90)\n"
    "  --size WxH         picture size (default 800x600)\n"
    "  --smooth           smooth the view once, as the viewer's Qualify does\n"
    "  --type jpg|bmp     the file type (default jpg, quality 80)\n"
    "Example:\n"
    "  lumivex-batch panorama --heading 135 --pitch -10 --fov 60 --size 1920x1080 hall.jpg\n";

int Help(const char* text) {
    std::fputs(text, stdout);
    std::fputs(kCommonHelp, stdout);
    return kExitDone;
}

// ---- shared pieces --------------------------------------------------------------------------

// The output of a file: under its own name (extension replaced when one is given) in the
// common output folder, or in folderName beside it.
std::string OutputFor(const std::string& source, const CommonOptions& common,
                      const std::string& folderName, const std::string& extension = "") {
    std::string name = ExtractFileName(source);
    if (!extension.empty()) name = std::filesystem::path(name).stem().string() + extension;
    if (!common.output.empty()) return JoinPath(common.output, name);
    return JoinPath(JoinPath(ExtractFilePath(source), folderName), name);
}

std::string ExtensionOption(const std::string& text) {
    if (text == "jpg" || text == "jpeg") return ".jpg";
    if (text == "bmp") return ".bmp";
    throw UsageError("--type takes jpg or bmp, not \"" + text + "\"");
}

// Where a viewer would save a picture named name: its format by the save rules.
BatchFile ViewerOutput(const std::string& source, const std::string& name) {
    const SaveTarget target = ChooseSaveTarget(name, 1);
    return {source, target.path,
            target.format == SaveFormat::Bmp ? OutputFormat::Bmp : OutputFormat::Jpeg,
            kSavedViewJpegQuality};
}

bool ReadsStandardInput(const CommonOptions& common) {
    for (const std::string& input : common.inputs)
        if (input == "-") return true;
    return false;
}

std::vector<std::string> RequireInputs(const CommonOptions& common) {
    std::vector<std::string> files = ExpandInputs(common.inputs);
    // An empty list read from standard input is nothing to do (an array task without a share).
    if (files.empty() && !ReadsStandardInput(common))
        throw UsageError("no files given (name them, or \"-\" to read a list)");
    return files;
}

// A viewer's picture of every input file, saved as the viewer saves, into the folder named
// after the command beside each file (or the common output folder).
BatchCommand ViewerCommand(const std::string& name, const CommonOptions& common,
                           const std::string& extension) {
    BatchCommand command;
    command.name = name;
    for (const std::string& source : RequireInputs(common)) {
        command.files.push_back(ViewerOutput(source, OutputFor(source, common, name, extension)));
        command.inputs.push_back(source);
    }
    return command;
}

// ---- correct --------------------------------------------------------------------------------

int Correct(Arguments& args) {
    CommonOptions common;
    std::string table;
    ProcessFields fields;
    while (!args.Done()) {
        if (TakeCommonArgument(args, common)) continue;
        const std::string option = args.Take();
        auto whole = [&](std::string& field, int low, int high) {
            field = std::to_string(ParseInt(option, args.Value(option), low, high));
        };
        if (option == "--table") table = args.Value(option);
        else if (option == "--cut-x") whole(fields.cutX, -1000000000, 1000000000);
        else if (option == "--cut-y") whole(fields.cutY, -1000000000, 1000000000);
        else if (option == "--cut-width") whole(fields.cutWidth, -1000000000, 1000000000);
        else if (option == "--cut-height") whole(fields.cutHeight, -1000000000, 1000000000);
        else if (option == "--resample-width") whole(fields.resampleWidth, 10, 10000);
        else if (option == "--resample-height") whole(fields.resampleHeight, 10, 10000);
        else if (option == "--rotate") {
            fields.angle = ParseInt(option, args.Value(option), 0, 270);
            if (fields.angle % 90 != 0) throw UsageError("--rotate takes 0, 90, 180 or 270");
        } else if (option == "--mirror-horizontally") fields.flipVertical = true;
        else if (option == "--mirror-vertically") fields.mirrorLeftRight = true;
        else UnknownOption(option);
    }
    if (common.help) return Help(kCorrectHelp);
    if (table.empty()) throw UsageError("--table is needed");
    const int cutFields = !fields.cutX.empty() + !fields.cutY.empty() + !fields.cutWidth.empty() +
                          !fields.cutHeight.empty();
    if (cutFields != 0 && cutFields != 4)
        throw UsageError("--cut-x, --cut-y, --cut-width and --cut-height go together");
    if (fields.resampleWidth.empty() != fields.resampleHeight.empty())
        throw UsageError("--resample-width and --resample-height go together");
    const std::vector<std::string> sources = RequireInputs(common);

    ByteTables tables;
    try {
        const ColorTableFileContent content = ParseColorTableFile(ReadWholeTextFile(table));
        if (content.rowsRead == 0)
            return FailCommand(table + ": no line holds three whole numbers; it is no colour table");
        // A short table is completed as the window completes it when opening it: on a straight
        // line from the last row read up to 255.
        if (content.rowsRead < kTableSize)
            std::fprintf(stderr,
                         "lumivex-batch correct: %s: only the first %d of 256 lines hold three whole "
                         "numbers; the rows after them were filled in on a straight line up to 255\n",
                         table.c_str(), content.rowsRead);
        tables = MakeByteTables(content.rowsRead < kTableSize ? TableFromManual(content.result)
                                                              : content.result);
    } catch (const std::exception& e) {
        return FailCommand(FileErrorText(table, e.what()));
    }
    const ProcessOptions options = OptionsFromFields(fields);

    BatchCommand command;
    command.name = "correct";
    for (const std::string& source : sources) {
        command.files.push_back(CorrectionFile(source, common.output));
        command.inputs.push_back(source);
    }
    command.steps = CorrectionSteps(tables, options);
    command.protectedFiles = {table};
    return RunBatchCommand(std::move(command), common);
}

// ---- align ----------------------------------------------------------------------------------

std::string SamePlace(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

int Align(Arguments& args) {
    CommonOptions common;
    std::vector<std::string> only;
    while (!args.Done()) {
        if (TakeCommonArgument(args, common)) continue;
        const std::string option = args.Take();
        if (option == "--only") only.push_back(args.Value(option));
        else UnknownOption(option);
    }
    if (common.help) return Help(kAlignHelp);
    if (common.inputs.empty()) throw UsageError("the project file is needed");
    const std::string projectPath = common.inputs.front();
    if (projectPath == "-") throw UsageError("the project is a file, not \"-\"");
    common.inputs.erase(common.inputs.begin());
    const bool listed = ReadsStandardInput(common);
    for (const std::string& file : ExpandInputs(common.inputs)) only.push_back(file);
    if (listed && only.empty()) return kExitDone;  // an empty list limits the run to nothing

    ProjectFileContent project;
    try {
        project = ReadProjectFile(projectPath);
    } catch (const std::exception& e) {
        return FailCommand(FileErrorText(projectPath, e.what()));
    }
    // The output size as the window takes it from the file (its default when absent).
    const int32_t Wo = OutputSideOf(NormaliseOutputWidth(project.width ? std::to_string(*project.width) : ""));
    const int32_t Ho = OutputSideOf(NormaliseOutputHeight(project.height ? std::to_string(*project.height) : ""));

    BatchCommand command;
    command.name = "align";
    command.protectedFiles.push_back(projectPath);
    std::set<std::string> wanted, found;
    for (const std::string& file : only) wanted.insert(SamePlace(file));
    // The steps refer to the images for the whole run.
    const auto kept = std::make_shared<std::vector<ProjectRow>>();
    std::vector<ProjectRow>& images = *kept;
    command.kept = kept;
    for (const ProjectRow& row : project.rows) {
        if (row.path.empty()) continue;
        command.protectedFiles.push_back(row.path);
        const std::string place = SamePlace(row.path);
        if (!wanted.empty() && !wanted.count(place)) continue;
        found.insert(place);
        images.push_back(row);
        command.files.push_back(ProjectFile(row, common.output));
        command.inputs.push_back(row.path);
    }
    for (const std::string& file : only)
        if (!found.count(SamePlace(file)))
            command.early.push_back({file, "not an image of the project " + projectPath});
    command.steps = ProjectSteps(images, Wo, Ho);
    return RunBatchCommand(std::move(command), common);
}

// ---- views ----------------------------------------------------------------------------------

// A view name as part of a file name: folder separators and control characters become "_".
std::string FileNamePart(const std::string& name) {
    std::string part;
    for (const char c : name)
        part += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    return part.empty() ? "view" : part;
}

int Views(Arguments& args) {
    CommonOptions common;
    std::vector<int> numbers;
    std::string extension = ".jpg";
    while (!args.Done()) {
        if (TakeCommonArgument(args, common)) continue;
        const std::string option = args.Take();
        if (option == "--view") numbers.push_back(ParseInt(option, args.Value(option), 1, 1000000));
        else if (option == "--type") extension = ExtensionOption(args.Value(option));
        else UnknownOption(option);
    }
    if (common.help) return Help(kViewsHelp);
    if (common.inputs.size() != 1 || common.inputs[0] == "-")
        throw UsageError("one view description file is needed");
    const std::string description = common.inputs[0];

    std::vector<std::string> lines;
    try {
        lines = SplitDescriptionLines(ReadWholeTextFile(description));
    } catch (const std::exception& e) {
        return FailCommand(FileErrorText(description, e.what()));
    }
    const std::vector<std::string> names = ListViews(lines);
    if (names.empty()) return FailCommand(description + ": holds no \"viewname=\" line");
    if (numbers.empty())
        for (int n = 1; n <= static_cast<int>(names.size()); ++n) numbers.push_back(n);

    struct View {
        int number;
        std::string name;
        ViewSettings settings;
    };
    const auto views = std::make_shared<std::vector<View>>();  // read by the steps during the run
    BatchCommand command;
    command.kept = views;
    command.name = "views";
    command.protectedFiles.push_back(description);
    const std::string folder =
        common.output.empty() ? JoinPath(ExtractFilePath(description), "views") : common.output;
    for (const int n : numbers) {
        const std::string input = description + " view " + std::to_string(n);
        const std::optional<ViewSettings> settings = ReadView(lines, n);
        if (!settings || n > static_cast<int>(names.size())) {
            command.early.push_back({input, "there is no such view (the file has " +
                                                std::to_string(names.size()) + ")"});
            continue;
        }
        views->push_back({n, names[static_cast<std::size_t>(n - 1)], *settings});
        command.protectedFiles.push_back(ResolveImagePath(description, settings->fileName));
        char number[16];
        std::snprintf(number, sizeof number, "%02d-", n);
        command.files.push_back(ViewerOutput(
            "", JoinPath(folder, number + FileNamePart(views->back().name) + extension)));
        command.inputs.push_back(input);
    }
    // Each view reads its own image while being built.
    command.steps.decode = [description, views](std::size_t index, const std::vector<uint8_t>&,
                                                TBitmap& picture) {
        const View& view = (*views)[index];
        picture = BuildViewPicture(description, view.number, view.name, view.settings);
    };
    command.steps.process = [](std::size_t, TBitmap& picture, TBitmap&) -> const TBitmap& {
        return picture;
    };
    return RunBatchCommand(std::move(command), common);
}

// ---- stereo ---------------------------------------------------------------------------------

StereoMode ModeOption(const std::string& text) {
    const std::pair<const char*, StereoMode> modes[] = {
        {"left", StereoMode::Left},
        {"right", StereoMode::Right},
        {"anaglyph", StereoMode::Anaglyph},
        {"horizontal-interlace", StereoMode::HorizontalInterlace},
        {"vertical-interlace", StereoMode::VerticalInterlace}};
    for (const auto& [name, mode] : modes)
        if (text == name) return mode;
    throw UsageError("--mode takes left, right, anaglyph, horizontal-interlace or "
                     "vertical-interlace, not \"" + text + "\"");
}

void SizeOption(const std::string& option, const std::string& text, int32_t& width,
                int32_t& height) {
    double w = 0, h = 0;
    ParsePair(option, text, w, h);
    if (w < 1 || h < 1 || w > 30000 || h > 30000 || w != static_cast<int32_t>(w) ||
        h != static_cast<int32_t>(h))
        throw UsageError(option + " takes two whole numbers 1..30000 as WxH, not \"" + text + "\"");
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
}

int Stereo(Arguments& args) {
    CommonOptions common;
    StereoViewState state;
    bool scaleGiven = false, parallaxSet = false;
    int32_t width = 0, height = 0;
    std::string extension = ".jpg";
    while (!args.Done()) {
        if (TakeCommonArgument(args, common)) continue;
        const std::string option = args.Take();
        double a = 0, b = 0;
        if (option == "--mode") state.mode = ModeOption(args.Value(option));
        else if (option == "--size") SizeOption(option, args.Value(option), width, height);
        else if (option == "--scale") {
            state.scale = static_cast<float>(ParseNumber(option, args.Value(option), 0.01, 100));
            scaleGiven = true;
        } else if (option == "--position") {
            ParsePair(option, args.Value(option), a, b);
            state.positionX = static_cast<float>(a);
            state.positionY = static_cast<float>(b);
        } else if (option == "--parallax") {
            ParsePair(option, args.Value(option), a, b);
            parallaxSet = true;
            state.parallaxX = static_cast<float>(a);
            state.parallaxY = static_cast<float>(b);
        } else if (option == "--swap") state.swap = true;
        else if (option == "--type") extension = ExtensionOption(args.Value(option));
        else UnknownOption(option);
    }
    if (common.help) return Help(kStereoHelp);
    BatchCommand command = ViewerCommand("stereo", common, extension);
    // A side-by-side JPEG is split into its halves; an MPO file gives its first two pictures
    // and, unless --parallax is given, the parallax its camera stored, as the viewer opens it.
    // Each file's pair waits here between its decode and its work, on the same worker.
    auto pairs = std::make_shared<std::vector<StereoFile>>(command.files.size());
    const bool parallaxGiven = parallaxSet;
    command.steps.decode = [pairs](std::size_t index, const std::vector<uint8_t>& bytes, TBitmap&) {
        StereoFile file = ReadStereoBytes(bytes.data(), bytes.size());
        if (!file.report.complete)
            throw ImageError(DamagedSourceReason(file.report, file.pair.height));
        (*pairs)[index] = std::move(file);
    };
    command.steps.process = [pairs, state, scaleGiven, parallaxGiven, width, height](
                                std::size_t index, TBitmap&, TBitmap& work) -> const TBitmap& {
        const StereoFile file = std::move((*pairs)[index]);
        (*pairs)[index] = StereoFile();
        const StereoPair& pair = file.pair;
        StereoViewState view = state;
        if (!parallaxGiven && file.parallaxX) view.parallaxX = *file.parallaxX;
        const int32_t w = width > 0 ? width : pair.halfWidth;
        const int32_t h = height > 0 ? height : pair.height;
        if (!scaleGiven) view.scale = FitScale(StereoFit::Window, pair.halfWidth, pair.height, w, h, 1.0f);
        work.SetSizeForOverwrite(w, h);
        RenderStereoView(pair, view, work);
        return work;
    };
    return RunBatchCommand(std::move(command), common);
}

// ---- panorama -------------------------------------------------------------------------------

int Panorama(Arguments& args) {
    CommonOptions common;
    PanoramaView view;
    int32_t width = 800, height = 600;
    bool smooth = false;
    std::string extension = ".jpg";
    while (!args.Done()) {
        if (TakeCommonArgument(args, common)) continue;
        const std::string option = args.Take();
        if (option == "--heading") view.alpha = ParseNumber(option, args.Value(option), 0, 360);
        else if (option == "--pitch") view.betta = ParseNumber(option, args.Value(option), -90, 90);
        else if (option == "--roll") view.gamma = ParseNumber(option, args.Value(option), 0, 360);
        else if (option == "--fov") view.fov = ParseNumber(option, args.Value(option), 9, 360) / 90.0;
        else if (option == "--size") SizeOption(option, args.Value(option), width, height);
        else if (option == "--smooth") smooth = true;
        else if (option == "--type") extension = ExtensionOption(args.Value(option));
        else UnknownOption(option);
    }
    if (common.help) return Help(kPanoramaHelp);
    BatchCommand command = ViewerCommand("panorama", common, extension);
    command.steps.process = [view, width, height, smooth](std::size_t, TBitmap& picture,
                                                          TBitmap& work) -> const TBitmap& {
        RenderPanoramaView(PanoramaPixels::FromBitmap(picture), view, width, height, smooth, work);
        return work;
    };
    return RunBatchCommand(std::move(command), common);
}

}  // namespace

int RunSubcommand(const std::string& name, std::vector<std::string> args) {
    Arguments arguments(std::move(args));
    const struct {
        const char* name;
        int (*run)(Arguments&);
    } commands[] = {{"correct", Correct}, {"align", Align}, {"views", Views},
                    {"stereo", Stereo},   {"panorama", Panorama}};
    for (const auto& command : commands) {
        if (name != command.name) continue;
        try {
            return command.run(arguments);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "lumivex-batch %s: %s\nTry 'lumivex-batch %s --help'.\n",
                         name.c_str(), e.what(), name.c_str());
            return kExitUsage;
        }
    }
    std::fprintf(stderr, "lumivex-batch: unknown command \"%s\"\nTry 'lumivex-batch --help'.\n",
                 name.c_str());
    return kExitUsage;
}

const char* const kProgramHelp =
    "Usage: lumivex-batch COMMAND [options] FILE... | -\n"
    "Batch work of Lumivex Photo Studio without a display, one result file per input, each\n"
    "exactly what the tool's window writes.\n"
    "Commands:\n"
    "  correct    the Color Corrector's batch (colour table, cut, resample, turn, mirrors)\n"
    "  align      an Object Editor project into its \"result\" folder\n"
    "  views      the pictures of a Multi Viewer view description\n"
    "  stereo     side-by-side stereo JPEGs and MPO pairs composed as the Stereo Viewer shows them\n"
    "  panorama   a view of full-sphere panoramas at a heading, pitch, roll and field of view\n"
    "Run 'lumivex-batch COMMAND --help' for a command's options and an example.\n"
    "Example:\n"
    "  find shots -name '*.jpg' | lumivex-batch correct --table warm.txt --jobs 4 -\n";

std::string AllHelp() {
    std::string text = kProgramHelp;
    for (const char* help : {kCorrectHelp, kAlignHelp, kViewsHelp, kStereoHelp, kPanoramaHelp})
        text += std::string("\n") + help;
    return text + "\n" + kCommonHelp;
}
