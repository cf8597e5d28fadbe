#pragma once
#include <deque>
#include <string>
#include <vector>

#include "dialogs.h"

// Answers the program's dialogs from a script, for window tests. Installs itself in the
// constructor and puts the previous driver back in the destructor. A dialog that finds no
// queued answer counts as Cancel and adds a test failure.
class ScriptedDialogDriver : public DialogDriver {
public:
    ScriptedDialogDriver();
    ~ScriptedDialogDriver() override;
    ScriptedDialogDriver(const ScriptedDialogDriver&) = delete;
    ScriptedDialogDriver& operator=(const ScriptedDialogDriver&) = delete;

    void AnswerFile(const std::string& path, int filterIndex = 1);  // next file dialog: OK
    void AnswerFiles(const std::vector<std::string>& paths);         // next file dialog: OK, multi
    void CancelFile();                                               // next file dialog: Cancel
    void AnswerPrint(bool ok);  // next print / printer-setup dialog

    std::vector<FileDialogRequest> fileRequests;  // every file dialog shown, as requested
    std::vector<std::string> messages;            // texts shown by ShowMessage
    std::vector<std::string> errors;              // texts shown by ShowErrorBox
    int printDialogs = 0, printerSetupDialogs = 0;

    bool ExecuteFileDialog(FileDialogRequest& request) override;
    bool ExecutePrintDialog() override;
    bool ExecutePrinterSetupDialog() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;

private:
    struct FileAnswer {
        bool ok = false;
        std::vector<std::string> paths;
        int filterIndex = 0;  // 0: keep the requested index
    };
    std::deque<FileAnswer> fileAnswers_;
    std::deque<bool> printAnswers_;
    DialogDriver* previous_ = nullptr;
};
