#pragma once
// File paths: how this program splits, builds and resolves them.
//
// Paths the program builds use the platform separator ('/' here). Paths it splits may also come
// from files written on a desktop with '\' separators and drive letters, so splitting takes
// both '/' and '\' as separators and a leading "X:" (a letter and a colon) as a drive. On this
// platform a path starting with '/' counts as one with a drive: it is complete as it stands.
//
// The split functions never add or drop characters other than what they cut: the folder part
// and the name part put together give the path again (ExtractFilePath + ExtractFileName).
#include <string>

constexpr char kPathSeparator = '/';

// '/' or '\'.
bool IsPathSeparator(char c);

// The drive at the start of path: "C:" for "C:\a.jpg" or "C:a.jpg", "/" for "/home/a.jpg", ""
// for a relative path. A path starting with '\' (the root of the current drive where it was
// written) or "\\server" has no drive here.
std::string ExtractFileDrive(const std::string& path);

// The folder part of path with its final separator ("C:\a\" for "C:\a\b.jpg"; "C:" for
// "C:b.jpg"; "" when there is none).
std::string ExtractFilePath(const std::string& path);

// The folder part of path without its final separator, except that a root keeps it: "/a.jpg"
// gives "/", "C:\a.jpg" gives "C:\"; "" when there is none.
std::string ExtractFileDir(const std::string& path);

// The name after the last separator or drive colon.
std::string ExtractFileName(const std::string& path);

// The extension of the name part, dot included, letter case kept ("" when the name has no
// dot). A name that starts with its only dot (".jpg") is all extension.
std::string ExtractFileExt(const std::string& path);

// path with its extension replaced by ext (which carries its own dot; "" removes it), or with
// ext appended when it has none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// path ending with the platform separator, added unless it is there. Building is native: here
// a '\' is a character of a name, and a path read from a file is made native first (see
// ResolveUserFilePath). The empty path stays empty (it means the working folder).
std::string IncludeTrailingSeparator(const std::string& path);

// path without trailing separators, except a root ("/", "C:\") which keeps its own.
std::string ExcludeTrailingSeparator(const std::string& path);

// folder and name joined with the platform separator (none added after a folder that already
// ends with it, or to an empty folder).
std::string JoinPath(const std::string& folder, const std::string& name);

// The file a path read from a text file (a view description, a points file, a project) names,
// given the path of that text file. Such paths may have been written on another system:
// - "" stays "" (no file named);
// - a path starting with '/' is complete and used unchanged;
// - a path with a drive letter ("D:\pictures\side.jpg", "D:side.jpg") or a network path
//   ("\\server\share\side.jpg") cannot name anything here: it gives the file's name in the
//   folder of the text file ("side.jpg" next to the description), where a user who copied a
//   project together with its pictures has them;
// - a path starting with one '\' ("\pictures\side.jpg", rooted on the drive it was written on)
//   gives "/pictures/side.jpg" when that exists, else the name in the text file's folder;
// - any other path is relative to the folder of the text file, with its '\' separators read as
//   folder separators ("sub\side.jpg" next to "/data/views.txt" is "/data/sub/side.jpg").
std::string ResolveUserFilePath(const std::string& written, const std::string& textFilePath);
