#pragma once
// The one way batch work turns many picture files into many result files, for the windows'
// batches and for the command line alike.
//
// Each file is read ahead (its bytes, on a thread of its own), decoded into storage reused from
// the worker's previous file, run through the caller's work, encoded and written atomically
// (a temporary file renamed over the result). The write and its fsync run on a writer thread,
// so one file's wait for the disk overlaps the next file's work, and the bytes go to the disk
// without a copy in the page cache where the file system allows. N workers take whole files:
// each holds one decoded picture and one work picture, and nothing else keeps pixels.
//
//   BatchSteps steps;
//   steps.process = [&](std::size_t, TBitmap& picture, TBitmap& work) -> const TBitmap& {
//       Turn(picture, work);
//       return work;
//   };
//   const BatchSummary summary = RunBatch(files, steps, BatchSettings{}, progress);
//
// The calling thread only waits: it asks the progress whether to stop every few milliseconds
// (a window stays painted and takes its Cancel there) and makes one progress step per file.
// After a cancel no further file is started; the files already handed to the writer are
// completed, so no partial result is ever left behind. Temporary files that a run killed
// outright left beside an output are removed when that output is written.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap.h"
#include "jpeg_image.h"
#include "progress.h"

enum class OutputFormat { Jpeg, Bmp };

struct BatchFile {
    // Read ahead and handed to the decode step; "" for work that reads its own files.
    std::string source;
    std::string output;
    OutputFormat format = OutputFormat::Jpeg;
    int quality = 100;
};

enum class BatchStatus { Written, Skipped, Failed };

// Where a file failed, for callers that react to the kind rather than the text.
enum class BatchFault {
    None,
    Read,            // the source could not be read
    Decode,          // not a picture, or damaged
    Work,            // the caller's work refused it
    Folder,          // the output folder could not be made
    OutputIsSource,  // the output is one of the inputs (or a protected file)
    Write,           // encoding or writing failed (a full disk, a folder in the way)
};

struct BatchResult {
    std::size_t index = 0;  // into the list of files
    BatchStatus status = BatchStatus::Failed;
    BatchFault fault = BatchFault::None;
    std::string reason;        // the error's own message; empty unless failed
    int64_t milliseconds = 0;  // from taking the file to its result being on disk
};

struct BatchSteps {
    // Makes the picture of one file from its source's bytes, into storage that held an earlier
    // file's picture. Empty: the bytes are decoded as a JPEG, and a stream that ends before its
    // last row is refused as damaged.
    std::function<void(std::size_t index, const std::vector<uint8_t>& bytes, TBitmap& picture)>
        decode;
    // The work on one decoded picture. Returns the picture to store: picture itself or work;
    // both may be changed and are reused for the worker's next file. Runs on a worker thread,
    // several at once when there are several workers. An exception fails the file.
    std::function<const TBitmap&(std::size_t index, TBitmap& picture, TBitmap& work)> process;
    // Optional, for work that changes each row on its own: the work on a band of rows. Files
    // written as JPEG are then decoded, worked on and encoded a band at a time (TranscodeJpeg),
    // giving the same bytes as decode, process and encode, with no whole picture in memory:
    // two workers then share the memory bus far less. decode and process are not called for
    // them.
    DecodedRows rows;
};

struct BatchSettings {
    int workers = 1;
    // A file whose output already exists is skipped, not redone.
    bool skipExisting = false;
    // Files no output may replace, besides every source (the table or project the work reads).
    std::vector<std::string> protectedFiles;
    // How the failure of an output that is a source names the sources: "<output> is one of
    // <sourcesName>; it was left as it is."
    std::string sourcesName = "the pictures being read";
};

struct BatchSummary {
    std::vector<BatchResult> results;  // one per file that ended, in the order of the files
    int written = 0;
    int skipped = 0;
    int failed = 0;
    bool cancelled = false;  // stopped before every file was taken
};

// Called on the calling thread as each file ends (in the order they end).
using BatchListener = std::function<void(const BatchResult&)>;

// Runs the batch; one progress step per file. Never throws for a file's failure.
BatchSummary RunBatch(const std::vector<BatchFile>& files, const BatchSteps& steps,
                      const BatchSettings& settings, Progress& progress,
                      const BatchListener& listener = nullptr);

// The number of workers that keeps every core busy (at least 1).
int DefaultWorkerCount();

// The default decode step: a JPEG from bytes into picture; a stream that ends early is refused
// with DamagedSourceReason ("damaged: only the first N rows could be read") rather than
// written with grey rows.
// rowsDone, when given, sees the rows as they are decoded (DecodeJpegBytes).
void DecodeWholeJpeg(const std::vector<uint8_t>& bytes, TBitmap& picture,
                     const DecodedRows& rowsDone = nullptr);
