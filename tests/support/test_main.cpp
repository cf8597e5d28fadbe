// Entry of every window test program: an offscreen TApplication, a printer that writes into a
// temporary PDF instead of a real device, and a dialog driver that never blocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QPrinter>
#include <cstdlib>
#include <string>

#include "application.h"
#include "dialogs.h"
#include "printing.h"

namespace {

// Stands in when a test has not installed a ScriptedDialogDriver: a real modal box would wait
// forever offscreen, so every dialog or box becomes a test failure instead.
class UnscriptedDialogDriver : public DialogDriver {
public:
    bool ExecuteFileDialog(FileDialogRequest& request) override {
        ADD_FAILURE() << "unscripted file dialog \"" << request.title << "\"";
        return false;
    }
    bool ExecutePrintDialog() override {
        ADD_FAILURE() << "unscripted print dialog";
        return false;
    }
    bool ExecutePrinterSetupDialog() override {
        ADD_FAILURE() << "unscripted printer setup dialog";
        return false;
    }
    bool ExecuteFolderDialog(FolderDialogRequest& request) override {
        ADD_FAILURE() << "unscripted folder chooser \"" << request.title << "\"";
        return false;
    }
    TAnswer Ask(const std::string& text, bool) override {
        ADD_FAILURE() << "unscripted question box: \"" << text << "\"";
        return TAnswer::Cancel;
    }
    void ShowMessage(const std::string& text) override {
        ADD_FAILURE() << "unscripted message box: \"" << text << "\"";
    }
    void ShowError(const std::string& text) override {
        ADD_FAILURE() << "unscripted error box: \"" << text << "\"";
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Window tests run as on a desktop whose numbers use a decimal comma (where that locale is
    // installed), so no status text or file may depend on the desktop's number format.
    setenv("LC_NUMERIC", "ru_RU.UTF-8", 0);
    ::testing::InitGoogleMock(&argc, argv);
    TApplication app(argc, argv);
    QPrinter& printer = SharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::temp().filePath(
        QStringLiteral("lumivex_test_print_%1.pdf").arg(QCoreApplication::applicationPid())));
    UnscriptedDialogDriver unscripted;
    SetDialogDriver(&unscripted);
    const int result = RUN_ALL_TESTS();
    SetDialogDriver(nullptr);
    QFile::remove(printer.outputFileName());
    return result;
}
