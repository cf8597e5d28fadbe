#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <filesystem>

#include "bitmap.h"
#include "bitmap_image.h"
#include "dialogs.h"
#include "printing.h"
#include "real_file_dialog.h"
#include "scripted_dialogs.h"

namespace {

// Restores the working folder that a dialog test changes.
class WorkingFolderGuard {
public:
    WorkingFolderGuard() : saved_(std::filesystem::current_path()) {}
    ~WorkingFolderGuard() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

TBitmap Gradient(int w, int h) {
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * 7);       // blue
            p[1] = static_cast<uint8_t>(y * 11);      // green
            p[2] = static_cast<uint8_t>(x + y * 3);   // red
        }
    return b;
}

}  // namespace

TEST(OpenDialog, AnswerFillsFileNameAndMovesTheWorkingFolder) {
    WorkingFolderGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string chosen = folder + "/pair.jps";

    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile(chosen, 2);
    TOpenDialog dialog;
    dialog.Title = "Open stereo picture";
    dialog.Filter = "JPEG|*.jpg;*.jpeg|Stereo|*.jps";
    dialog.FilterIndex = 1;
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, chosen);
    EXPECT_EQ(dialog.FilterIndex, 2);
    ASSERT_EQ(dialog.Files.size(), 1u);
    EXPECT_EQ(dialog.Files[0], chosen);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder));

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const FileDialogRequest& request = dialogs.fileRequests[0];
    EXPECT_EQ(request.kind, FileDialogKind::Open);
    EXPECT_EQ(request.title, "Open stereo picture");
    EXPECT_EQ(request.filter, "JPEG|*.jpg;*.jpeg|Stereo|*.jps");
    EXPECT_EQ(request.filterIndex, 1);  // as requested, before the answer
}

TEST(OpenDialog, CancelKeepsEverythingAsItWas) {
    WorkingFolderGuard guard;
    const std::filesystem::path before = std::filesystem::current_path();
    ScriptedDialogDriver dialogs;
    dialogs.CancelFile();
    TOpenDialog dialog;
    dialog.FileName = "/old/name.jpg";
    dialog.FilterIndex = 3;
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/old/name.jpg");
    EXPECT_EQ(dialog.FilterIndex, 3);
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
}

TEST(OpenDialog, MultiSelectKeepsTheDialogOrder) {
    WorkingFolderGuard guard;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFiles({folder + "/c.jpg", folder + "/a.jpg", folder + "/b.jpg"});
    TOpenDialog dialog;
    dialog.MultiSelect = true;
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(dialog.Files.size(), 3u);
    EXPECT_EQ(dialog.Files[0], folder + "/c.jpg");
    EXPECT_EQ(dialog.Files[1], folder + "/a.jpg");
    EXPECT_EQ(dialog.Files[2], folder + "/b.jpg");
    EXPECT_EQ(dialog.FileName, folder + "/c.jpg");
    EXPECT_TRUE(dialogs.fileRequests[0].multiSelect);
}

TEST(OpenDialog, AFolderThatDoesNotExistLeavesTheWorkingFolder) {
    WorkingFolderGuard guard;
    const std::filesystem::path before = std::filesystem::current_path();
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile("/no/such/folder/x.jpg");
    TOpenDialog dialog;
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/no/such/folder/x.jpg");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(OpenDialog, TheFirstOpenFolderServesUntilAFileIsChosen) {
    WorkingFolderGuard guard;
    QTemporaryDir dir;
    const std::string samples = dir.path().toStdString();
    SetFirstOpenFolder(samples);
    ScriptedDialogDriver dialogs;
    dialogs.CancelFile();
    dialogs.CancelFile();
    dialogs.CancelFile();
    dialogs.AnswerFile(samples + "/a.jpg");
    dialogs.CancelFile();
    TOpenDialog open, own;
    own.InitialDir = "/own";
    TSaveDialog save;
    EXPECT_FALSE(open.Execute());
    EXPECT_FALSE(own.Execute());
    EXPECT_FALSE(save.Execute());
    EXPECT_TRUE(open.Execute());
    EXPECT_FALSE(open.Execute());
    SetFirstOpenFolder("");
    std::vector<std::string> starts;
    for (const FileDialogRequest& r : dialogs.fileRequests) starts.push_back(r.initialDir);
    EXPECT_EQ(starts, (std::vector<std::string>{samples, "/own", "", samples, ""}));
}

TEST(SaveDialog, AnswerAndCancel) {
    WorkingFolderGuard guard;
    const std::filesystem::path before = std::filesystem::current_path();
    ScriptedDialogDriver dialogs;
    dialogs.AnswerFile("/tmp/view.bmp", 2);
    dialogs.CancelFile();
    TSaveDialog dialog;
    dialog.Filter = "JPEG|*.jpg|Bitmap|*.bmp";
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/tmp/view.bmp");
    EXPECT_EQ(dialog.FilterIndex, 2);
    EXPECT_EQ(std::filesystem::current_path(), before);  // only open dialogs move it
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/tmp/view.bmp");
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].kind, FileDialogKind::Save);
}

TEST(DialogDriver, PrintAnswersMessagesAndNestedDrivers) {
    ScriptedDialogDriver outer;
    {
        ScriptedDialogDriver inner;
        inner.AnswerPrint(true);
        inner.AnswerPrint(false);
        TPrintDialog print;
        TPrinterSetupDialog setup;
        EXPECT_TRUE(print.Execute());
        EXPECT_FALSE(setup.Execute());
        ShowMessage("Open file before!");
        ShowErrorBox("bad");
        EXPECT_EQ(inner.printDialogs, 1);
        EXPECT_EQ(inner.printerSetupDialogs, 1);
        ASSERT_EQ(inner.messages.size(), 1u);
        EXPECT_EQ(inner.messages[0], "Open file before!");
        ASSERT_EQ(inner.errors.size(), 1u);
    }
    ShowMessage("after");  // the outer driver is back
    ASSERT_EQ(outer.messages.size(), 1u);
    EXPECT_EQ(outer.messages[0], "after");
    EXPECT_EQ(&CurrentDialogDriver(), &outer);
}

TEST(Printing, OnePagePerPrintAndNothingForAnEmptyPicture) {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath("page.pdf");
    printer.setOutputFileName(pdf);
    EXPECT_TRUE(PrintBitmapTo(printer, Gradient(40, 30)));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                  bytes.count("/Type /Page "),
              1);
    // An empty picture prints nothing.
    EXPECT_FALSE(PrintBitmapTo(printer, TBitmap()));
}

TEST(Clipboard, ReceivesAnExactCopyOfThePicture) {
    const TBitmap picture = Gradient(13, 5);  // odd width: padded rows
    CopyBitmapToClipboard(picture);
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(13, 5));
    EXPECT_TRUE(ImageToBitmap(image).SamePixels(picture));
    EXPECT_EQ(QColor(image.pixel(4, 2)), QColor(4 + 6, 22, 28));
}

TEST(BitmapImage, WrapSharesTheBytesCopyDoesNot) {
    TBitmap picture = Gradient(5, 3);
    const QImage wrapped = WrapBitmap(picture);
    EXPECT_EQ(wrapped.constBits(), picture.Bits());
    EXPECT_EQ(static_cast<std::size_t>(wrapped.bytesPerLine()), picture.Stride());
    const QImage copy = BitmapToImage(picture);
    EXPECT_NE(copy.constBits(), picture.Bits());
    EXPECT_TRUE(WrapBitmap(TBitmap()).isNull());
    EXPECT_TRUE(ImageToBitmap(QImage()).Empty());
}

TEST(RealFileDialog, TheChosenFileTypeComesBackAsItsIndex) {
    QTemporaryDir dir;
    // Captions that hold patterns of their own, and one without any caption.
    ExpectEveryFilterComesBack(FileDialogKind::Save,
                               "All (*.jpg;*.jpeg)|*.jpg;*.jpeg|Text|*.txt||*.mvw|All files (*)|*",
                               dir.path().toStdString() + "/view3");
}
