#pragma once
// The subcommands of lumivex-batch.
#include <string>
#include <vector>


// Runs subcommand name with its arguments; returns the exit status. Usage errors are printed
// with a pointer to the subcommand's help and give 2.
int RunSubcommand(const std::string& name, std::vector<std::string> args);

// The program's help, and every subcommand's after it (the installed reference text).
extern const char* const kProgramHelp;
std::string AllHelp();
