#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "dialog_filter.h"
#include "printing.h"

namespace {

QWidget* DialogOwner() { return QApplication::activeWindow(); }

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
        if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
        if (dialog.exec() != QDialog::Accepted) return false;
        const QStringList chosen = dialog.selectedFiles();  // in the dialog's order
        if (chosen.isEmpty()) return false;
        request.files.clear();
        for (const QString& f : chosen) request.files.push_back(f.toStdString());
        request.fileName = request.files.front();
        const int picked = nameFilters.indexOf(dialog.selectedNameFilter());
        if (picked >= 0) request.filterIndex = picked + 1;
        return true;
    }

    bool ExecutePrintDialog() override {
        QPrintDialog dialog(&SharedPrinter(), DialogOwner());
        return dialog.exec() == QDialog::Accepted;
    }

    bool ExecutePrinterSetupDialog() override {
        QPageSetupDialog dialog(&SharedPrinter(), DialogOwner());
        return dialog.exec() == QDialog::Accepted;
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

}  // namespace

DialogDriver& CurrentDialogDriver() { return activeDriver ? *activeDriver : QtDriver(); }

DialogDriver* SetDialogDriver(DialogDriver* driver) {
    DialogDriver* previous = activeDriver;
    activeDriver = driver;
    return previous;
}

void ShowMessage(const std::string& text) { CurrentDialogDriver().ShowMessage(text); }
void ShowErrorBox(const std::string& text) { CurrentDialogDriver().ShowError(text); }

bool TOpenDialog::Execute() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = Title;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.fileName = FileName;
    request.multiSelect = MultiSelect;
    request.initialDir = InitialDir;
    if (!CurrentDialogDriver().ExecuteFileDialog(request)) return false;
    if (request.files.empty() && !request.fileName.empty()) request.files.push_back(request.fileName);
    if (request.fileName.empty() && !request.files.empty()) request.fileName = request.files.front();
    if (request.fileName.empty()) return false;
    FileName = request.fileName;
    Files = request.files;
    FilterIndex = request.filterIndex;
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
    if (!CurrentDialogDriver().ExecuteFileDialog(request)) return false;
    if (request.fileName.empty() && !request.files.empty()) request.fileName = request.files.front();
    if (request.fileName.empty()) return false;
    FileName = request.fileName;
    FilterIndex = request.filterIndex;
    return true;
}

bool TPrintDialog::Execute() { return CurrentDialogDriver().ExecutePrintDialog(); }

bool TPrinterSetupDialog::Execute() { return CurrentDialogDriver().ExecutePrinterSetupDialog(); }
