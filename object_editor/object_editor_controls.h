#pragma once
// What the Object Editor window's source files share: the caption, the fixed message and the
// grid's columns. Only the window's own source files include this.
namespace editor_window {

inline const char* const kCaption = "Lumivex Photo Object Editor";
inline const char* const kCantOpen = "Can't open file!";
inline const char* const kHeaders[] = {"\xE2\x84\x96", "FileName", "SX", "SY", "Rotate", "Scale"};
constexpr int kColumns = 6;
constexpr int kColumnWidth = 60;

}  // namespace editor_window
