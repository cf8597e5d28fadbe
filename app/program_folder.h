#pragma once
#include <string>

// The folder of the running executable, without a trailing separator; set once at start by
// the launcher. The settings file lies beside the program.
extern std::string ProgramFolder;

// Reads the executable's own path from the system ("" when that fails) and returns its folder.
std::string ExecutableFolder();

// Where the user guide (index.html and its pictures) and the sample files are for a program in
// programFolder. In the build tree they lie beside the program (docs/, samples/); installed,
// the program is in <prefix>/bin and they are in the standard places under the same prefix
// (kInstalledGuide, kInstalledSamples, relative to the program's folder). The first place that
// exists wins; when neither does, the one beside the program is returned.
std::string UserGuideFolder(const std::string& programFolder);
std::string SamplesFolder(const std::string& programFolder);

extern const char* const kInstalledGuide;
extern const char* const kInstalledSamples;
