#pragma once
#include <string>

// The folder of the running executable, without a trailing separator; set once at start by
// the launcher. The settings file and the user guide lie beside the program.
extern std::string ProgramFolder;

// Reads the executable's own path from selfLink (the system's link to the running program)
// and returns its folder. Where that link cannot be read (no /proc mounted, a restricted
// sandbox) the result is fallbackFolder: the folder the toolkit reports for the executable,
// which it finds from the command line; "" when neither names a folder.
std::string ExecutableFolder(const std::string& fallbackFolder = std::string(),
                             const char* selfLink = "/proc/self/exe");
