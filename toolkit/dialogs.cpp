#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "dialog_filter.h"
#include "message_text.h"
#include "printer_setup_dialog.h"
#include "printing.h"

namespace {

QWidget* DialogOwner() { return DialogOwnerWindow(); }

// The object whose event is being handled; cleared by Qt when it is destroyed meanwhile.
QPointer<QObject>& Handling() {
    static QPointer<QObject> handling;
    return handling;
}

QString BoxTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Lumivex Photo Studio") : name;
}

// The real dialogs.
class QtDialogDriver : public DialogDriver {
public:
    bool ExecuteFileDialog(FileDialogRequest& request) override {
        QFileDialog dialog(DialogOwner(), QString::fromStdString(request.title));
        const std::vector<std::string> filters = QtNameFilters(request.filter);
        QStringList nameFilters;
        for (const std::string& f : filters) nameFilters << QString::fromStdString(f);
        if (!nameFilters.isEmpty()) {
            // Users see each filter's own caption; the pattern list Qt needs (with its letter
            // case twins) stays out of sight.
            dialog.setOption(QFileDialog::HideNameFilterDetails, true);
            dialog.setNameFilters(nameFilters);
            const int index = request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()
                                  ? request.filterIndex - 1
                                  : 0;
            dialog.selectNameFilter(nameFilters[index]);
        }
        if (!request.initialDir.empty())
            dialog.setDirectory(QString::fromStdString(request.initialDir));
        if (request.kind == FileDialogKind::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                                   : QFileDialog::ExistingFile);
        }
        if (!request.defaultExt.empty())
            dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
        if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
        if (dialog.exec() != QDialog::Accepted) return false;
        const QStringList chosen = dialog.selectedFiles();  // in the dialog's order
        if (chosen.isEmpty()) return false;
        request.files.clear();
        for (const QString& f : chosen) request.files.push_back(f.toStdString());
        request.fileName = request.files.front();
        const int picked =
            ChosenFilterIndex(request.filter, dialog.selectedNameFilter().toStdString());
        if (picked > 0) request.filterIndex = picked;
        return true;
    }

    bool ExecutePrintDialog() override {
        QPrintDialog dialog(&SharedPrinter(), DialogOwner());
        return dialog.exec() == QDialog::Accepted;
    }

    bool ExecutePrinterSetupDialog() override {
        return RunPrinterSetupDialog(SharedPrinter(), DialogOwner());
    }

    bool ExecuteFolderDialog(FolderDialogRequest& request) override {
        const QString chosen = QFileDialog::getExistingDirectory(
            DialogOwner(), QString::fromStdString(request.title),
            QString::fromStdString(request.folder));
        if (chosen.isEmpty()) return false;
        request.folder = chosen.toStdString();
        return true;
    }

    TAnswer Ask(const std::string& text, bool withCancel) override {
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) buttons |= QMessageBox::Cancel;
        const QMessageBox::StandardButton answer = QMessageBox::question(
            DialogOwner(), BoxTitle(), QString::fromStdString(text), buttons, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) return TAnswer::Yes;
        if (answer == QMessageBox::No) return TAnswer::No;
        return withCancel ? TAnswer::Cancel : TAnswer::No;
    }

    void ShowMessage(const std::string& text) override {
        QMessageBox::information(DialogOwner(), BoxTitle(), QString::fromStdString(text));
    }

    void ShowError(const std::string& text) override {
        QMessageBox::critical(DialogOwner(), BoxTitle(), QString::fromStdString(text));
    }
};

QtDialogDriver& QtDriver() {
    static QtDialogDriver driver;
    return driver;
}

DialogDriver* activeDriver = nullptr;

void ChangeToFolderOf(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) return;
    std::filesystem::current_path(folder, ec);  // a folder that vanished meanwhile: keep the old
}

// An open dialog never invents a name: the extension is added only when that finds the file.
std::string ExistingWithDefaultExt(const std::string& path, const std::string& ext) {
    if (path.empty() || ext.empty()) return path;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    const std::string extended = AddDefaultExt(path, ext);
    return std::filesystem::exists(extended, ec) ? extended : path;
}

}  // namespace

DialogOwnerScope::DialogOwnerScope(QObject* handling) : previous_(Handling()) {
    Handling() = handling;
}

DialogOwnerScope::~DialogOwnerScope() { Handling() = previous_; }

QWidget* DialogOwnerWindow() {
    // Up from the handled object to the first widget that is not a pop-up (a menu item's menu
    // belongs to the window it pops up over), then to that widget's window.
    for (QObject* at = Handling().data(); at; at = at->parent()) {
        auto* widget = qobject_cast<QWidget*>(at);
        if (widget && !widget->isWindow()) return widget->window();
        if (widget && !(widget->windowType() == Qt::Popup)) return widget;
    }
    return QApplication::activeWindow();
}

DialogDriver& CurrentDialogDriver() { return activeDriver ? *activeDriver : QtDriver(); }

DialogDriver* SetDialogDriver(DialogDriver* driver) {
    DialogDriver* previous = activeDriver;
    activeDriver = driver;
    return previous;
}

// A box of millions of characters takes minutes to come up: what a message quotes from files
// is cut down here whatever built it.
void ShowMessage(const std::string& text) { CurrentDialogDriver().ShowMessage(BoxText(text)); }
void ShowErrorBox(const std::string& text) { CurrentDialogDriver().ShowError(BoxText(text)); }

TAnswer AskYesNo(const std::string& text) {
    const TAnswer answer = CurrentDialogDriver().Ask(BoxText(text), false);
    return answer == TAnswer::Yes ? TAnswer::Yes : TAnswer::No;
}

TAnswer AskYesNoCancel(const std::string& text) {
    return CurrentDialogDriver().Ask(BoxText(text), true);
}

bool SelectFolder(const std::string& title, std::string& folder) {
    FolderDialogRequest request;
    request.title = title;
    request.folder = folder;
    if (!CurrentDialogDriver().ExecuteFolderDialog(request) || request.folder.empty()) return false;
    folder = request.folder;
    return true;
}

namespace {
std::string firstOpenFolder;
bool fileChosen = false;
}  // namespace

void SetFirstOpenFolder(const std::string& folder) {
    firstOpenFolder = folder;
    fileChosen = false;
}

namespace {
// Kept on the window itself, so it goes with the window.
constexpr char kOpenFolderProperty[] = "lumivexOpenFolder";
}  // namespace

void SetOpenFolderOf(QWidget* window, const std::string& folder) {
    window->setProperty(kOpenFolderProperty, QString::fromStdString(folder));
}

bool TOpenDialog::Execute() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = Title;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.fileName = FileName;
    request.multiSelect = MultiSelect;
    const QPointer<QWidget> owner = DialogOwnerWindow();
    const QVariant ownFolder = owner ? owner->property(kOpenFolderProperty) : QVariant();
    if (!InitialDir.empty()) request.initialDir = InitialDir;
    else if (ownFolder.isValid()) request.initialDir = ownFolder.toString().toStdString();
    else if (!fileChosen) request.initialDir = firstOpenFolder;
    request.defaultExt = DefaultExt;
    if (!CurrentDialogDriver().ExecuteFileDialog(request)) return false;
    for (std::string& file : request.files) file = ExistingWithDefaultExt(file, DefaultExt);
    request.fileName = ExistingWithDefaultExt(request.fileName, DefaultExt);
    if (request.files.empty() && !request.fileName.empty()) request.files.push_back(request.fileName);
    if (request.fileName.empty() && !request.files.empty()) request.fileName = request.files.front();
    if (request.fileName.empty()) return false;
    FileName = request.fileName;
    Files = request.files;
    FilterIndex = request.filterIndex;
    fileChosen = true;
    if (ownFolder.isValid() && owner) {
        const std::string folder = std::filesystem::path(FileName).parent_path().string();
        if (!folder.empty()) SetOpenFolderOf(owner, folder);
    }
    // Desktop open dialogs leave the working folder where the user picked the file; the tools
    // list "the working folder" for Next/Previous, so this is part of their behaviour.
    ChangeToFolderOf(FileName);
    return true;
}

bool TSaveDialog::Execute() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = Title;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.fileName = FileName;
    request.initialDir = InitialDir;
    request.defaultExt = DefaultExt;
    if (!CurrentDialogDriver().ExecuteFileDialog(request)) return false;
    if (request.fileName.empty() && !request.files.empty()) request.fileName = request.files.front();
    if (request.fileName.empty()) return false;
    FileName = AddDefaultExt(request.fileName, DefaultExt);
    FilterIndex = request.filterIndex;
    return true;
}

bool TPrintDialog::Execute() { return CurrentDialogDriver().ExecutePrintDialog(); }

bool TPrinterSetupDialog::Execute() { return CurrentDialogDriver().ExecutePrinterSetupDialog(); }
