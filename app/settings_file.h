#pragma once
#include <string>

// The settings file beside the program. Only "LANG=" lines are read; the program never writes
// the file, so a language chosen in the menu lasts for the current run only.
constexpr const char* kSettingsFileName = "Lumivex_Photo_Studio.ini";

// ProgramFolder followed by the platform separator and the file name.
std::string SettingsFilePath(const std::string& programFolder);

// Removes trailing CR and LF characters, scanning back from the end; the first character of
// the text is never removed (so a line that is only "\r\n" keeps its "\r").
std::string TrimLineEnd(const std::string& line);

// Reads the file in pieces of at most 199 characters (a longer line arrives as several pieces,
// each handled as a line of its own), trims each piece's line end and, when a piece begins
// with "LANG=", sets language to the rest of it, taken literally. The last such piece wins.
// Returns false, leaving language alone, when the file cannot be opened.
bool ApplySettingsFile(const std::string& path, std::string& language);
