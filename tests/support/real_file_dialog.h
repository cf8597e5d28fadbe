#pragma once
#include <string>

#include "dialogs.h"

// While alive, the program's dialogs are the real Qt ones (offscreen); AnswerFile answers the
// next file dialog as a user would: entry pick (0-based) of the file type list chosen, name
// typed, the accept button pressed. The scripted driver in place before comes back afterwards.
class RealDialogs {
public:
    RealDialogs();
    ~RealDialogs();
    RealDialogs(const RealDialogs&) = delete;
    RealDialogs& operator=(const RealDialogs&) = delete;
    void AnswerFile(int pick, const std::string& name);

private:
    DialogDriver* script_;
};

// For every entry of filter: choosing it in the real dialog gives back its 1-based index.
// name is typed as the file name (an existing file for open dialogs).
void ExpectEveryFilterComesBack(FileDialogKind kind, const std::string& filter,
                                const std::string& name);
