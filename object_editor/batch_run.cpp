#include "batch_run.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <map>
#include <set>
#include <system_error>

#include "jpeg_image.h"
#include "parameter_editing.h"
#include "paths.h"
#include "transform_image.h"

namespace {

constexpr int kResultQuality = 100;

std::string ResultFolderFor(const std::string& sourcePath) {
    return ExtractFilePath(sourcePath) + "result";
}

// Makes the "result" folder beside every folder the images come from. A folder that cannot be
// made is named once in the report with the system's reason, and its images are left out of
// the run: each of them would only fail the same way. Where the images' own folder is missing,
// each image is left to fail on its own reading, which names it. Returns the images to run.
std::vector<ProjectRow> CreateResultFolders(const std::vector<ProjectRow>& images,
                                            RunReport& report) {
    std::map<std::string, std::string> unmade;  // folder -> why it cannot be made
    std::set<std::string> tried;
    for (const ProjectRow& row : images) {
        const std::string folder = ResultFolderFor(row.path);
        if (!tried.insert(folder).second) continue;
        std::error_code error, ignored;
        std::filesystem::create_directory(folder, error);
        if (error && std::filesystem::is_directory(ExtractFileDir(row.path), ignored))
            unmade[folder] = error.message();
    }
    std::vector<ProjectRow> runnable;
    std::map<std::string, int> skipped;
    for (const ProjectRow& row : images) {
        const std::string folder = ResultFolderFor(row.path);
        if (unmade.count(folder))
            ++skipped[folder];
        else
            runnable.push_back(row);
    }
    for (const auto& [folder, count] : skipped)
        report.failures.push_back("Cannot create the folder " + folder + ": " + unmade[folder] +
                                  " (" + std::to_string(count) +
                                  (count == 1 ? " image" : " images") + " not processed)");
    return runnable;
}

}  // namespace

std::string ResultPathFor(const std::string& sourcePath) {
    return JoinPath(ResultFolderFor(sourcePath), ExtractFileName(sourcePath));
}

RunReport RunProject(const std::vector<ProjectRow>& rows, int32_t Wo, int32_t Ho,
                     Progress& progress, int workers) {
    RunReport report;
    std::vector<ProjectRow> images;
    for (const ProjectRow& row : rows)
        if (!row.path.empty()) images.push_back(row);
    report.images = static_cast<int>(images.size());
    // Images left out for their folder are sources all the same: no result may replace them.
    std::vector<std::string> sources;
    for (const ProjectRow& row : images) sources.push_back(row.path);
    images = CreateResultFolders(images, report);
    std::vector<BatchFile> files;
    for (const ProjectRow& row : images) files.push_back(ProjectFile(row));
    const BatchSummary summary =
        RunBatch(files, ProjectSteps(images, Wo, Ho),
                 BatchSettings{workers, false, sources, "the project's images"}, progress);
    report.written = summary.written;
    report.cancelled = summary.cancelled;
    for (const BatchResult& r : summary.results)
        if (r.status == BatchStatus::Failed)
            report.failures.push_back(images[r.index].path + ": " + r.reason);
    return report;
}

BatchFile ProjectFile(const ProjectRow& row, const std::string& outputFolder) {
    const std::string output = outputFolder.empty() ? ResultPathFor(row.path)
                                                    : JoinPath(outputFolder, ExtractFileName(row.path));
    return {row.path, output, OutputFormat::Jpeg, kResultQuality};
}

BatchSteps ProjectSteps(const std::vector<ProjectRow>& images, int32_t Wo, int32_t Ho) {
    BatchSteps steps;
    steps.process = [&images, Wo, Ho](std::size_t index, TBitmap& picture,
                                      TBitmap& output) -> const TBitmap& {
        const ProjectRow& row = images[index];
        const TransformValues v = TransformValuesOf("", "", FieldsOfRow(row));
        if (v.Scale == 0 || std::isnan(v.Scale))
            throw std::runtime_error("the scale \"" + row.scale + "\" gives no picture.");
        TransformImage(picture, Wo, Ho, v.X0, v.Y0, v.Rotate, v.Scale, output);
        return output;
    };
    return steps;
}

std::string RunReportMessage(const RunReport& report) {
    if (report.images == 0) return "The project has no images to process.";
    if (report.failures.empty() && !report.cancelled) return "Images succesfully processed!";
    std::string text = report.cancelled ? "The run was cancelled. " : "";
    text += std::to_string(report.written) + " of " + std::to_string(report.images) +
            " images were processed.";
    if (!report.failures.empty()) {
        text += " These could not be processed:";
        text += FailureLines(report.failures);
    }
    return text;
}
