#pragma once
#include <QPointer>
#include <string>
#include <vector>

// Every dialog and message box of the program goes through one DialogDriver, so tests can
// answer them (tests/support/scripted_dialogs.h). The default driver shows the real Qt dialogs.
//
//   TSaveDialog SaveDialog1;  SaveDialog1.Filter = "Project (*.prj)|*.prj";
//   SaveDialog1.DefaultExt = "prj";                 // "name" typed -> "name.prj"
//   if (SaveDialog1.Execute()) Save(SaveDialog1.FileName);
//   std::string folder;  if (SelectFolder("Output folder", folder)) ...
//   switch (AskYesNoCancel("Save changes?")) { case TAnswer::Yes: ...; case TAnswer::Cancel: return; }

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
    std::string defaultExt;    // without the dot; added to a typed name that has no extension
};

struct FolderDialogRequest {
    std::string title;
    std::string folder;  // in: where the dialog starts; out: the chosen folder
};

// The answer of a question box; Cancel also when the box was closed without a choice.
enum class TAnswer { Yes, No, Cancel };

class DialogDriver {
public:
    virtual ~DialogDriver() = default;
    // true when the user confirmed; fills fileName, files and filterIndex.
    virtual bool ExecuteFileDialog(FileDialogRequest& request) = 0;
    // Print dialog; true on OK. Configures SharedPrinter().
    virtual bool ExecutePrintDialog() = 0;
    virtual bool ExecutePrinterSetupDialog() = 0;
    // true when the user confirmed a folder; fills folder.
    virtual bool ExecuteFolderDialog(FolderDialogRequest& request) = 0;
    // A question with Yes and No buttons (and Cancel when withCancel).
    virtual TAnswer Ask(const std::string& text, bool withCancel) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
};

DialogDriver& CurrentDialogDriver();
// Replaces the driver (nullptr restores the Qt one); returns the previous one.
DialogDriver* SetDialogDriver(DialogDriver* driver);

class QWidget;

// The window that boxes and dialogs stand over: the window of the object whose event is being
// handled (a widget, a menu item, a timer of a window), else the active window.
QWidget* DialogOwnerWindow();

// Marks the object whose event is being handled, for DialogOwnerWindow; TApplication sets it
// for every event it delivers. Nested scopes restore the outer one.
class DialogOwnerScope {
public:
    explicit DialogOwnerScope(QObject* handling);
    ~DialogOwnerScope();
    DialogOwnerScope(const DialogOwnerScope&) = delete;
    DialogOwnerScope& operator=(const DialogOwnerScope&) = delete;

private:
    QPointer<QObject> previous_;
};

// Plain message box ("Open file before!") and the error box for escaped exceptions.
void ShowMessage(const std::string& text);
void ShowErrorBox(const std::string& text);

// Question boxes. AskYesNo gives Yes or No (closing the box counts as No).
TAnswer AskYesNo(const std::string& text);
TAnswer AskYesNoCancel(const std::string& text);

// The folder chooser: on OK folder holds the chosen folder and true is returned; on Cancel
// folder is unchanged. folder also gives the start.
bool SelectFolder(const std::string& title, std::string& folder);

// Where an open dialog without its own InitialDir starts from now on until a file is chosen in
// one: the program points it at its sample files, so a first Ctrl+O shows something to open.
// "" (the default) leaves such dialogs in the working folder.
void SetFirstOpenFolder(const std::string& folder);

// Where the open dialogs of window (those without their own InitialDir) start until a file is
// chosen in one of them; from then on they start in the folder of the file last chosen there.
// Each tool so keeps its own place: picking turntable frames in one tool does not move another
// tool's dialogs. Windows without a folder of their own follow SetFirstOpenFolder.
void SetOpenFolderOf(QWidget* window, const std::string& folder);

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
    std::string DefaultExt;  // a chosen name without extension that does not exist, but does
                             // with this extension, opens that file
};

class TSaveDialog {
public:
    bool Execute();
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;
    std::string InitialDir;
    std::string DefaultExt;  // without the dot; added to a chosen name without extension
};

class TPrintDialog {
public:
    bool Execute();
};

class TPrinterSetupDialog {
public:
    bool Execute();
};
