#pragma once
// What every subcommand of lumivex-batch shares: reading its arguments, the common options,
// and running its files on the batch pipeline with progress, report, signals and exit status.
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch_pipeline.h"

// Exit statuses.
constexpr int kExitDone = 0;      // every file succeeded (or was skipped as already done)
constexpr int kExitFailed = 1;    // some file (or the table, project or view file) failed
constexpr int kExitUsage = 2;     // the command line is wrong
// Stopped by SIGINT or SIGTERM: 128 plus the signal's number (130, 143).

// A command line that cannot be run as given; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the subcommand's name, taken one by one.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> args) : args_(std::move(args)) {}
    bool Done() const { return next_ >= args_.size(); }
    const std::string& Peek() const { return args_[next_]; }
    const std::string& Take() { return args_[next_++]; }
    // The value of option name (the next argument); UsageError when there is none.
    std::string Value(const std::string& name);

private:
    std::vector<std::string> args_;
    std::size_t next_ = 0;
};

// Strict conversions of option values; UsageError naming the option and the text otherwise.
int ParseInt(const std::string& option, const std::string& text, int low, int high);
double ParseNumber(const std::string& option, const std::string& text, double low, double high);
// "W,H" or "WxH".
void ParsePair(const std::string& option, const std::string& text, double& first, double& second);

// The options every subcommand takes.
struct CommonOptions {
    int jobs = 0;  // 0: one per core
    bool skipExisting = false;
    std::string report;
    std::string output;  // --output DIR; "" where the subcommand has its own place
    bool help = false;
    std::vector<std::string> inputs;  // the positional arguments, "-" expanded from stdin
};

// Takes the next argument when it is a common option or an input; false for another option,
// which the subcommand then reads itself. Unknown options are the subcommand's to refuse.
bool TakeCommonArgument(Arguments& args, CommonOptions& common);

// Refuses an option no one took.
[[noreturn]] void UnknownOption(const std::string& option);

// The inputs with "-" replaced by the lines of standard input (blank lines left out).
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs);

// One failure found before the pipeline runs (a file named twice, one not in the project):
// reported and counted like a failed file.
struct EarlyFailure {
    std::string input;
    std::string reason;
};

struct BatchCommand {
    std::string name;  // "correct", for messages
    std::vector<BatchFile> files;
    // Names each file by in messages and the report (its source, or the view it makes).
    std::vector<std::string> inputs;
    BatchSteps steps;
    std::vector<std::string> protectedFiles;
    std::vector<EarlyFailure> early;
    // What the steps refer to, kept for the run.
    std::shared_ptr<const void> kept;
};

// Runs the files with the common options: the output folder made first, outputs that two files
// would share refused, SIGINT and SIGTERM stopping after the files in flight, a bar on a
// terminal or one line per file otherwise, the JSON lines report. Returns the exit status.
int RunBatchCommand(BatchCommand command, const CommonOptions& common);

// Prints a failure that ends the command before any file: "lumivex-batch: <text>".
int FailCommand(const std::string& text);
