#include "batch_run.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <future>
#include <map>
#include <set>
#include <system_error>

#include "jpeg_image.h"
#include "parameter_editing.h"
#include "paths.h"
#include "source_files.h"
#include "transform_image.h"

namespace {

constexpr int kResultQuality = 100;

struct DecodedSource {
    TBitmap picture;
    std::string error;  // empty when the picture was read
};

std::future<DecodedSource> DecodeInBackground(const std::string& path) {
    return std::async(std::launch::async, [path] {
        DecodedSource d;
        try {
            TJPEGImage jpeg;
            jpeg.LoadFromFile(path);
            const JpegDecodeReport decoded = jpeg.DecodeTo(d.picture);
            // A picture the decoder had to finish with grey is no result to write out.
            d.error = DamagedSourceReason(decoded, d.picture.Height());
            if (!d.error.empty()) d.picture = TBitmap();
        } catch (const std::exception& e) {
            d.error = e.what();
        }
        return d;
    });
}

std::string ResultFolderFor(const std::string& sourcePath) {
    return ExtractFilePath(sourcePath) + "result";
}

// Makes the "result" folder beside every folder the images come from. A folder that cannot be
// made is named once in the report with the system's reason, and its images are left out of
// the run: each of them would only fail the same way. Where the images' own folder is missing,
// each image is left to fail on its own reading, which names it. Returns the images to run.
std::vector<const ProjectRow*> CreateResultFolders(const std::vector<const ProjectRow*>& images,
                                                   RunReport& report) {
    std::map<std::string, std::string> unmade;  // folder -> why it cannot be made
    std::set<std::string> tried;
    for (const ProjectRow* row : images) {
        const std::string folder = ResultFolderFor(row->path);
        if (!tried.insert(folder).second) continue;
        std::error_code error, ignored;
        std::filesystem::create_directory(folder, error);
        if (error && std::filesystem::is_directory(ExtractFileDir(row->path), ignored))
            unmade[folder] = error.message();
    }
    std::vector<const ProjectRow*> runnable;
    std::map<std::string, int> skipped;
    for (const ProjectRow* row : images) {
        const std::string folder = ResultFolderFor(row->path);
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
                     Progress& progress) {
    RunReport report;
    std::vector<const ProjectRow*> images;
    for (const ProjectRow& row : rows)
        if (!row.path.empty()) images.push_back(&row);
    report.images = static_cast<int>(images.size());
    std::vector<std::string> sourcePaths;
    for (const ProjectRow* row : images) sourcePaths.push_back(row->path);
    const SourceFiles sources(sourcePaths);  // those left out below are sources all the same
    images = CreateResultFolders(images, report);
    progress.Start(static_cast<int>(images.size()));
    if (images.empty()) return report;

    const int total = static_cast<int>(images.size());
    std::future<DecodedSource> next = DecodeInBackground(images[0]->path);
    TBitmap output;
    for (int i = 0; i < total; ++i) {
        DecodedSource current = next.get();
        if (progress.Cancelled()) {
            report.cancelled = true;
            break;
        }
        if (i + 1 < total) next = DecodeInBackground(images[i + 1]->path);

        const ProjectRow& row = *images[i];
        const TransformValues v = TransformValuesOf("", "", FieldsOfRow(row));
        try {
            if (!current.error.empty()) throw std::runtime_error(current.error);
            if (v.Scale == 0 || std::isnan(v.Scale))
                throw std::runtime_error("the scale \"" + row.scale + "\" gives no picture.");
            const std::string resultPath = ResultPathFor(row.path);
            if (sources.Contains(resultPath))
                throw std::runtime_error(resultPath +
                                         " is one of the project's images; it was left as it is.");
            TransformImage(current.picture, Wo, Ho, v.X0, v.Y0, v.Rotate, v.Scale, output);
            current.picture = TBitmap();  // the source is no longer needed
            SaveJpegFile(output, resultPath, kResultQuality);
            ++report.written;
        } catch (const std::exception& e) {
            report.failures.push_back(row.path + ": " + e.what());
        }
        progress.Step();
    }
    if (next.valid()) next.wait();
    return report;
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
