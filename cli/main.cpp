// lumivex-batch: the tools' batch work without a display.
#include <cstdio>
#include <string>
#include <vector>

#include "batch_command.h"
#include "commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kProgramHelp, stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kProgramHelp, stdout);
        return kExitDone;
    }
    if (args[0] == "--help-all") {  // the reference text installed beside the guide
        std::fputs(AllHelp().c_str(), stdout);
        return kExitDone;
    }
    if (args[0] == "help" && args.size() == 2) return RunSubcommand(args[1], {"--help"});
    return RunSubcommand(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}
