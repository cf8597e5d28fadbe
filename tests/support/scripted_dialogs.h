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
    void AnswerFolder(const std::string& folder);  // next folder chooser: OK
    void CancelFolder();                           // next folder chooser: Cancel
    void Answer(TAnswer answer);                   // next question box

    std::vector<FileDialogRequest> fileRequests;  // every file dialog shown, as requested
    std::vector<std::string> messages;            // texts shown by ShowMessage
    std::vector<std::string> errors;              // texts shown by ShowErrorBox
    std::vector<std::string> questions;           // texts asked by the question boxes
    std::vector<FolderDialogRequest> folderRequests;  // every folder chooser, as requested
    int printDialogs = 0, printerSetupDialogs = 0;

    bool ExecuteFileDialog(FileDialogRequest& request) override;
    bool ExecutePrintDialog() override;
    bool ExecutePrinterSetupDialog() override;
    bool ExecuteFolderDialog(FolderDialogRequest& request) override;
    TAnswer Ask(const std::string& text, bool withCancel) override;
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
    std::deque<std::string> folderAnswers_;  // "" for Cancel
    std::deque<TAnswer> answers_;
    DialogDriver* previous_ = nullptr;
};
