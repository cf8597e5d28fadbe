#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "batch_pipeline.h"
#include "object_project.h"
#include "progress.h"

// The batch run: every image of the project is read from disk again, transformed with its own
// row's values into the output frame and written as a JPEG of quality 100 under its own name
// into the folder "result" beside it (created when missing, for every folder the images come
// from). An image that cannot be read (or only in part: a file cut off), has a scale of 0, or
// cannot be written is skipped and named in the report; the others are still written. A
// result that would replace one of the project's images (listed from inside a "result"
// folder, or "result" linking back to the images' own folder) is never written and counts as
// such a failure. A "result" folder that cannot be made is named once with the system's
// reason, and the images that would go into it are not run.

struct RunReport {
    int images = 0;   // rows with a file name
    int written = 0;  // result files written
    // "Cannot create the folder <folder>: <reason> (<n> images not processed)" first, then
    // "<file>: <reason>" in project order.
    std::vector<std::string> failures;
    bool cancelled = false;
};

// The path a row's result is written to.
std::string ResultPathFor(const std::string& sourcePath);

// Runs over rows (rows without a file name are no images), one progress step per image; a
// cancel starts no further image. Runs on the batch pipeline with the given number of workers;
// the files written are the same as one after another.
RunReport RunProject(const std::vector<ProjectRow>& rows, int32_t Wo, int32_t Ho,
                     Progress& progress, int workers = 1);

// One image of the run: its result goes to ResultPathFor, or under its own name into
// outputFolder when one is given.
BatchFile ProjectFile(const ProjectRow& row, const std::string& outputFolder = "");
// The pipeline steps of the run over images (rows with a file name; file index i is images[i]),
// transformed into a Wo x Ho frame. images is referenced: it must outlive the batch.
BatchSteps ProjectSteps(const std::vector<ProjectRow>& images, int32_t Wo, int32_t Ho);

// What the user is told when the run ends.
std::string RunReportMessage(const RunReport& report);
