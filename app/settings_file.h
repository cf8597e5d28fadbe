#pragma once
#include <string>

// The settings file beside the program. Only "LANG=" lines are read; the program never writes
// the file, so a language chosen in the menu lasts for the current run only.
constexpr const char* kSettingsFileName = "Lumivex_Photo_Studio.ini";

// ProgramFolder followed by the platform separator and the file name.
std::string SettingsFilePath(const std::string& programFolder);

// Reads the file in pieces of at most 199 characters (a longer line arrives as several pieces,
// each handled as a line of its own), removes each piece's line end (CR LF, LF or a lone CR)
// and, when a piece begins with "LANG=", sets language to the rest of it, taken literally. The
// last such piece wins. Returns false, leaving language alone, when the file cannot be read.
bool ApplySettingsFile(const std::string& path, std::string& language);
