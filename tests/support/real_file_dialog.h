#pragma once
#include <string>

#include "dialogs.h"

// While alive, the program's dialogs are the real Qt ones (offscreen); AnswerFile answers the
// next file dialog as a user would: entry pick (0-based) of the file type list, name typed,
// the accept button pressed. The script driver in place before comes back afterwards.
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

// Runs the program's real Qt file dialog (the default driver, not the script) offscreen and
// answers it as a user would: chooses entry pick (0-based) of the file type list, types name
// and presses the accept button. Returns the request as the driver handed it back, so a test
// sees what a window would see. Meant for filter lists: every window test can check its own.
FileDialogRequest RunRealFileDialog(FileDialogKind kind, const std::string& filter, int pick,
                                    const std::string& name);

// For every entry of filter: choosing it in the real dialog gives back its 1-based index.
// name is typed as the file name (an existing file for open dialogs).
void ExpectEveryFilterComesBack(FileDialogKind kind, const std::string& filter,
                                const std::string& name);
