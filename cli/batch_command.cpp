#include "batch_command.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int signal) { stopSignal = signal; }

// SIGINT and SIGTERM only ask the batch to stop: it finishes the files in flight, so no result
// is left half written.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

const char* StatusWord(BatchStatus status) {
    switch (status) {
    case BatchStatus::Written: return "written";
    case BatchStatus::Skipped: return "skipped";
    case BatchStatus::Failed: break;
    }
    return "failed";
}

// A bar redrawn in place on a terminal; elsewhere (a log, GNU parallel, Slurm) one plain line
// per file, which reads well when many runs write into one file.
class ConsoleProgress : public Progress {
public:
    explicit ConsoleProgress(bool terminal) : terminal_(terminal) {}
    void Start(int total) override {
        total_ = total;
        Draw();
    }
    void Step() override {
        ++done_;
        Draw();
    }
    bool Cancelled() override { return stopSignal != 0; }
    bool Terminal() const { return terminal_; }

    // A line of its own, above the bar on a terminal.
    void Line(const std::string& text) {
        if (terminal_) std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "%s\n", text.c_str());
        Draw();
    }
    void Finish() {
        if (terminal_ && total_ > 0) std::fputs("\n", stderr);
    }

private:
    void Draw() {
        if (!terminal_ || total_ <= 0) return;
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(static_cast<long long>(done_) * kWidth / total_);
        std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, ' ').c_str(), done_, total_);
        std::fflush(stderr);
    }

    bool terminal_;
    int total_ = 0;
    int done_ = 0;
};

// The place an output names, for telling two spellings of one path apart.
std::string Normal(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

std::string Arguments::Value(const std::string& name) {
    if (Done()) throw UsageError(name + " needs a value");
    return Take();
}

int ParseInt(const std::string& option, const std::string& text, int low, int high) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0)
        throw UsageError(option + " takes a whole number, not \"" + text + "\"");
    if (value < low || value > high)
        throw UsageError(option + " must lie between " + std::to_string(low) + " and " +
                         std::to_string(high) + ", not " + text);
    return static_cast<int>(value);
}

double ParseNumber(const std::string& option, const std::string& text, double low, double high) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        throw UsageError(option + " takes a number, not \"" + text + "\"");
    if (value < low || value > high)
        throw UsageError(option + " must lie between " + std::to_string(low) + " and " +
                         std::to_string(high) + ", not " + text);
    return value;
}

void ParsePair(const std::string& option, const std::string& text, double& first, double& second) {
    const std::size_t split = text.find_first_of(",x");
    if (split == std::string::npos)
        throw UsageError(option + " takes two numbers as A,B, not \"" + text + "\"");
    first = ParseNumber(option, text.substr(0, split), -1e9, 1e9);
    second = ParseNumber(option, text.substr(split + 1), -1e9, 1e9);
}

bool TakeCommonArgument(Arguments& args, CommonOptions& common) {
    const std::string& arg = args.Peek();
    if (arg == "--jobs" || arg == "-j") {
        args.Take();
        common.jobs = ParseInt("--jobs", args.Value("--jobs"), 1, 1024);
    } else if (arg == "--skip-existing") {
        args.Take();
        common.skipExisting = true;
    } else if (arg == "--report") {
        args.Take();
        common.report = args.Value("--report");
    } else if (arg == "--output" || arg == "-o") {
        args.Take();
        common.output = args.Value("--output");
    } else if (arg == "--help" || arg == "-h") {
        args.Take();
        common.help = true;
    } else if (arg == "-" || arg.empty() || arg[0] != '-') {
        common.inputs.push_back(args.Take());
    } else {
        return false;
    }
    return true;
}

void UnknownOption(const std::string& option) { throw UsageError("unknown option " + option); }

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    bool stdinRead = false;
    for (const std::string& input : inputs) {
        if (input != "-") {
            files.push_back(input);
            continue;
        }
        if (stdinRead) continue;  // standard input can be read once
        stdinRead = true;
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) files.push_back(line);
        }
    }
    return files;
}

int FailCommand(const std::string& text) {
    std::fprintf(stderr, "lumivex-batch: %s\n", text.c_str());
    return kExitFailed;
}

int RunBatchCommand(BatchCommand command, const CommonOptions& common) {
    CatchStopSignals();
    std::FILE* report = nullptr;
    if (!common.report.empty()) {
        report = std::fopen(common.report.c_str(), "w");
        if (!report)
            return FailCommand(common.report + ": cannot write the report: " + std::strerror(errno));
        command.protectedFiles.push_back(common.report);
    }
    ConsoleProgress progress(::isatty(STDERR_FILENO) == 1);
    int failed = 0;
    auto record = [&](const std::string& input, const std::string& output, BatchStatus status,
                      const std::string& reason, int64_t milliseconds) {
        if (status == BatchStatus::Failed) {
            ++failed;
            progress.Line("lumivex-batch: " + input + ": " + reason);
        } else if (!progress.Terminal()) {  // a terminal shows the bar, and failures above it
            progress.Line(std::string(StatusWord(status)) + " " + input + " -> " + output +
                          (status == BatchStatus::Written
                               ? " (" + std::to_string(milliseconds) + " ms)"
                               : std::string()));
        }
        if (report) {
            std::fprintf(report,
                         "{\"input\":%s,\"output\":%s,\"status\":\"%s\",\"reason\":%s,"
                         "\"milliseconds\":%lld}\n",
                         JsonText(input).c_str(), JsonText(output).c_str(), StatusWord(status),
                         JsonText(reason).c_str(), static_cast<long long>(milliseconds));
            std::fflush(report);
        }
    };
    for (const EarlyFailure& early : command.early)
        record(early.input, "", BatchStatus::Failed, early.reason, 0);

    // Two files that would write one output: the first keeps it, the others fail.
    std::vector<BatchFile> files;
    std::vector<std::string> inputs;
    std::map<std::string, std::string> outputs;
    for (std::size_t i = 0; i < command.files.size(); ++i) {
        const auto [first, fresh] = outputs.emplace(Normal(command.files[i].output), command.inputs[i]);
        if (!fresh) {
            record(command.inputs[i], command.files[i].output, BatchStatus::Failed,
                   "its output " + command.files[i].output + " is also the output of " +
                       first->second,
                   0);
            continue;
        }
        files.push_back(command.files[i]);
        inputs.push_back(command.inputs[i]);
    }
    if (!common.output.empty()) {
        std::error_code error;
        std::filesystem::create_directories(common.output, error);
        // A folder that cannot be made fails each file with the system's reason.
    }

    BatchSettings settings;
    settings.workers = common.jobs > 0 ? common.jobs : DefaultWorkerCount();
    settings.skipExisting = common.skipExisting;
    settings.protectedFiles = command.protectedFiles;
    const BatchSummary summary = RunBatch(
        files, command.steps, settings, progress, [&](const BatchResult& r) {
            record(inputs[r.index], files[r.index].output, r.status, r.reason, r.milliseconds);
        });
    progress.Finish();
    if (report) std::fclose(report);
    if (stopSignal != 0) {
        std::fprintf(stderr, "lumivex-batch %s: stopped by signal %d after %d of %zu files\n",
                     command.name.c_str(), static_cast<int>(stopSignal),
                     static_cast<int>(summary.results.size()), files.size());
        return 128 + stopSignal;
    }
    return failed > 0 ? kExitFailed : kExitDone;
}
