#pragma once
#include <string>

// The folder of the running executable, without a trailing separator; set once at start by
// the launcher. The settings file lies beside the program.
extern std::string ProgramFolder;

// Reads the executable's own path from selfLink (the system's link to the running program)
// and returns its folder. Where that link cannot be read (no /proc mounted, a restricted
// sandbox) the result is fallbackFolder: the folder the toolkit reports for the executable,
// which it finds from the command line; "" when neither names a folder.
std::string ExecutableFolder(const std::string& fallbackFolder = std::string(),
                             const char* selfLink = "/proc/self/exe");

// Where the user guide (index.html and its pictures) and the sample files are for a program in
// programFolder. In the build tree they lie beside the program (docs/, samples/); installed,
// the program is in <prefix>/bin and they are in the standard places under the same prefix
// (kInstalledGuide, kInstalledSamples, relative to the program's folder). The first place that
// exists wins; when neither does, the one beside the program is returned.
std::string UserGuideFolder(const std::string& programFolder);
std::string SamplesFolder(const std::string& programFolder);

extern const char* const kInstalledGuide;
extern const char* const kInstalledSamples;
