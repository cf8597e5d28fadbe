#pragma once
#include <string>
#include <vector>

// Every dialog and message box of the program goes through one DialogDriver, so tests can
// answer them. The default driver shows the real Qt dialogs.

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;
    std::string filter;        // "Text (*.a;*.b)|*.a;*.b|Other|*.c" pairs, '|' separated
    int filterIndex = 1;       // 1-based, in and out
    std::string fileName;      // in: suggested name; out: chosen path
    std::vector<std::string> files;  // out: chosen paths in the dialog's order (multi-select)
    bool multiSelect = false;
    std::string initialDir;
};

class DialogDriver {
public:
    virtual ~DialogDriver() = default;
    // true when the user confirmed; fills fileName, files and filterIndex.
    virtual bool ExecuteFileDialog(FileDialogRequest& request) = 0;
    // Print dialog; true on OK. Configures SharedPrinter().
    virtual bool ExecutePrintDialog() = 0;
    virtual bool ExecutePrinterSetupDialog() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
};

DialogDriver& CurrentDialogDriver();
// Replaces the driver (nullptr restores the Qt one); returns the previous one.
DialogDriver* SetDialogDriver(DialogDriver* driver);

// Plain message box ("Open file before!") and the error box for escaped exceptions.
void ShowMessage(const std::string& text);
void ShowErrorBox(const std::string& text);

class TOpenDialog {
public:
    bool Execute();  // on OK the process's working folder becomes the chosen file's folder
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;
    std::vector<std::string> Files;
    bool MultiSelect = false;
    std::string InitialDir;
};

class TSaveDialog {
public:
    bool Execute();
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;
    std::string InitialDir;
};

class TPrintDialog {
public:
    bool Execute();
};

class TPrinterSetupDialog {
public:
    bool Execute();
};
