#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Messages quote paths and values that come from files and users, of any length, and list
// files by the hundred. A box of ten million characters takes minutes to appear, and one of
// three hundred lines hides its own button, so every quoted value and every list is kept short.

// Longest quoted value: longer ones keep their start and their end with "..." between, so the
// folder and the file name both stay readable.
constexpr std::size_t kQuotedLength = 120;
// text when it has at most limit bytes, else its start, "..." and its end, limit bytes in all.
// A UTF-8 character is never cut in two.
std::string Shortened(const std::string& text, std::size_t limit = kQuotedLength);

// A list for a message box: each line (shortened) after a line break, the first kListedLines
// of them, then how many more there are ("... and 290 more.").
constexpr std::size_t kListedLines = 10;
std::string FailureLines(const std::vector<std::string>& lines);

// The last guard before a box shows text: every line shortened as a listed line is, and at
// most kBoxLines lines, so a message built anywhere from whatever a file held stays readable.
constexpr std::size_t kBoxLines = 30;
std::string BoxText(const std::string& text);
