#include "scripted_dialogs.h"

#include <gtest/gtest.h>

ScriptedDialogDriver::ScriptedDialogDriver() { previous_ = SetDialogDriver(this); }

ScriptedDialogDriver::~ScriptedDialogDriver() { SetDialogDriver(previous_); }

void ScriptedDialogDriver::AnswerFile(const std::string& path, int filterIndex) {
    FileAnswer answer;
    answer.ok = true;
    answer.paths.push_back(path);
    answer.filterIndex = filterIndex;
    fileAnswers_.push_back(answer);
}

void ScriptedDialogDriver::AnswerFiles(const std::vector<std::string>& paths) {
    FileAnswer answer;
    answer.ok = true;
    answer.paths = paths;
    fileAnswers_.push_back(answer);
}

void ScriptedDialogDriver::CancelFile() { fileAnswers_.push_back(FileAnswer()); }

void ScriptedDialogDriver::AnswerPrint(bool ok) { printAnswers_.push_back(ok); }

bool ScriptedDialogDriver::ExecuteFileDialog(FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers_.empty()) {
        ADD_FAILURE() << "file dialog \"" << request.title << "\" (filter \"" << request.filter
                      << "\") shown without a scripted answer";
        return false;
    }
    const FileAnswer answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    if (!answer.ok) return false;
    request.files = answer.paths;
    request.fileName = answer.paths.empty() ? std::string() : answer.paths.front();
    if (answer.filterIndex > 0) request.filterIndex = answer.filterIndex;
    return true;
}

bool ScriptedDialogDriver::ExecutePrintDialog() {
    ++printDialogs;
    if (printAnswers_.empty()) {
        ADD_FAILURE() << "print dialog shown without a scripted answer";
        return false;
    }
    const bool ok = printAnswers_.front();
    printAnswers_.pop_front();
    return ok;
}

bool ScriptedDialogDriver::ExecutePrinterSetupDialog() {
    ++printerSetupDialogs;
    if (printAnswers_.empty()) {
        ADD_FAILURE() << "printer setup dialog shown without a scripted answer";
        return false;
    }
    const bool ok = printAnswers_.front();
    printAnswers_.pop_front();
    return ok;
}

void ScriptedDialogDriver::AnswerFolder(const std::string& folder) {
    folderAnswers_.push_back(folder);
}

void ScriptedDialogDriver::CancelFolder() { folderAnswers_.push_back(std::string()); }

void ScriptedDialogDriver::Answer(TAnswer answer) { answers_.push_back(answer); }

bool ScriptedDialogDriver::ExecuteFolderDialog(FolderDialogRequest& request) {
    folderRequests.push_back(request);
    if (folderAnswers_.empty()) {
        ADD_FAILURE() << "folder chooser \"" << request.title << "\" shown without a scripted answer";
        return false;
    }
    const std::string answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    if (answer.empty()) return false;
    request.folder = answer;
    return true;
}

TAnswer ScriptedDialogDriver::Ask(const std::string& text, bool withCancel) {
    questions.push_back(text);
    if (answers_.empty()) {
        ADD_FAILURE() << "question \"" << text << "\" asked without a scripted answer";
        return withCancel ? TAnswer::Cancel : TAnswer::No;
    }
    const TAnswer answer = answers_.front();
    answers_.pop_front();
    EXPECT_TRUE(withCancel || answer != TAnswer::Cancel)
        << "question \"" << text << "\" has no Cancel button";
    return answer;
}

void ScriptedDialogDriver::ShowMessage(const std::string& text) { messages.push_back(text); }

void ScriptedDialogDriver::ShowError(const std::string& text) { errors.push_back(text); }
