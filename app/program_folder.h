#pragma once
#include <string>

// The folder of the running executable, without a trailing separator; set once at start by
// the launcher. The settings file and the user guide lie beside the program.
extern std::string ProgramFolder;

// Reads the executable's own path from the system ("" when that fails) and returns its folder.
std::string ExecutableFolder();
