// The "White balance" and "Files" pages as a user works them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <string>

#include "color_corrector_window.h"
#include "controls.h"
#include "file_correction.h"
#include "image_control.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "paint_box.h"
#include "string_grid.h"
#include "window_fixture.h"

namespace {

// Remembers where the progress bar stood whenever a message box came up.
class RecordingDriver : public ScriptedDialogDriver {
public:
    void ShowMessage(const std::string& text) override {
        ScriptedDialogDriver::ShowMessage(text);
        barAtMessage.push_back(bar ? bar->Position() : -1);
    }
    TProgressBar* bar = nullptr;
    std::vector<int> barAtMessage;
};

// Flat 16 x 16 blocks of different colours: whole JPEG units, so quality 100 keeps them close.
TBitmap BlockPicture(int width, int height, int seed) {
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>((x / 16) * 40 + seed);
            p[1] = static_cast<uint8_t>((y / 16) * 50 + seed * 3);
            p[2] = static_cast<uint8_t>(200 - (x / 16) * 20 - (y / 16) * 10);
        }
    return picture;
}

int MaxDifference(const TBitmap& a, const TBitmap& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < a.Width() * 3; ++i)
            worst = std::max(worst, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
    return worst;
}

class ColorCorrectorFiles : public WindowFixture<TColor_Corrector, RecordingDriver> {
protected:
    void BeforeShow() override { dialogs.bar = window->Files.ProgressBar1; }

    // A Result table that changes every channel differently (and smoothly, so that JPEG
    // keeps the mapped colours close).
    void SetShiftedTable() {
        for (int v = 0; v < kTableSize; ++v)
            for (int c = 0; c < kChannelCount; ++c)
                window->ResultTable().Set(c, v, c == kRed ? 255 - v : c == kGreen ? v / 2 + 40 : 255 - v / 2);
        window->ShowTables();
    }

    static void Press(QWidget* w, QEvent::Type type, QPoint at) {
        QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    static void Move(QWidget* w, QPoint at) { QTest::mouseMove(w, at); }
    static void TypeAndLeave(TEdit* edit, const char* text) {
        edit->setFocus();
        edit->SetText(text);
        edit->clearFocus();
    }

};

TEST_F(ColorCorrectorFiles, WhiteBalanceFromAClickToTheScaledTable) {
    const std::string sample = PathOf("sample.jpg");
    SaveJpegFile(BlockPicture(64, 48, 7), sample, 100);
    dialogs.AnswerFile(sample);
    window->Source.Button2->click();
    const TBitmap decoded = LoadJpegFile(sample);

    // The page shows the sample at the chosen scale; a click with radius 0 takes that pixel.
    Pick(window->Balance.ComboBox5, 1);
    window->PageControl1->setCurrentIndex(2);
    EXPECT_EQ(window->Balance.Image5->size(), QSize(128, 96));
    window->Balance.TrackBar1->SetPosition(7);
    EXPECT_EQ(window->Balance.Edit1->Text(), "7");
    window->Balance.Edit1->SetText("0");
    Move(window->Balance.Image5, {2 * 37, 2 * 21});
    EXPECT_EQ(window->StatusBar1->PanelText(0), "X=37 Y=21");
    QTest::mouseClick(window->Balance.Image5, Qt::LeftButton, Qt::NoModifier, QPoint(2 * 37, 2 * 21));
    const uint8_t* p = decoded.ScanLine(21) + 3 * 37;
    EXPECT_EQ(window->Balance.Edit2->Text(), std::to_string(std::max<int>(p[2], 1)));
    EXPECT_EQ(window->Balance.Edit3->Text(), std::to_string(std::max<int>(p[1], 1)));
    EXPECT_EQ(window->Balance.Edit4->Text(), std::to_string(std::max<int>(p[0], 1)));

    // The swatch shows the typed colour (each field kept to 1..255).
    window->Balance.Edit2->SetText("200");
    window->Balance.Edit3->SetText("100");
    window->Balance.Edit4->SetText("100");
    const QImage swatch = window->Balance.Shape1->grab().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(200, 100, 100));

    window->Balance.Button11->click();
    EXPECT_EQ(LastMessage(), "Color table is empty!");
    EXPECT_EQ(window->PageControl1->currentIndex(), 2);

    window->ResultTable().Set(kRed, 0, 255);
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) window->ResultTable().Set(c, v, c == kGreen ? 150 : 255);
    window->ShowTables();
    window->Balance.Button11->click();
    EXPECT_EQ(window->PageControl1->currentIndex(), 1);
    EXPECT_EQ(window->Table.StringGrid3->Cell(1, 11), "169");
    EXPECT_EQ(window->Table.StringGrid3->Cell(2, 11), "199");
    EXPECT_EQ(window->Table.StringGrid3->Cell(3, 11), "255");
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ColorCorrectorFiles, BatchOfThreeFilesWithPreviewCutAndTurn) {
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(PathOf("pic" + std::to_string(i) + ".jpg"));
        SaveJpegFile(BlockPicture(96, 64, 20 * i), files.back(), 100);
    }
    window->PageControl1->setCurrentIndex(3);
    window->Files.BitBtn2->click();
    EXPECT_EQ(LastMessage(), "No files selected!");

    // Opening shows the first file; without a table the preview says so.
    dialogs.AnswerFiles(files);
    window->Files.BitBtn1->click();
    ASSERT_EQ(dialogs.fileRequests.back().filter, "JPEG Image File (*.jpg;*.jpeg;)|*.jpg;*.jpeg;");
    EXPECT_TRUE(dialogs.fileRequests.back().multiSelect);
    EXPECT_EQ(window->Files.StringGrid4->Cell(0, 3), files[2]);
    EXPECT_EQ(window->Files.Image3->Picture().Width(), 96);
    EXPECT_EQ(LastMessage(), "Colors table empty!");

    // With a table, the preview shows the mapped picture.
    SetShiftedTable();
    window->Files.StringGrid4->SetCurrentCell(0, 2);
    window->Files.StringGrid4Click();
    const TBitmap shown = window->Files.Image3->Picture();
    ASSERT_TRUE(shown.SamePixels(LoadJpegFile(files[1])));
    const ByteTables tables = MakeByteTables(window->Result());
    TBitmap mapped = shown;
    MapColors(mapped, tables);
    EXPECT_TRUE(window->Files.Image4->Picture().SamePixels(mapped));

    // A drag from bottom-right to top-left cuts (on whole JPEG blocks, so the written files
    // stay close to the mapped pixels); the chain follows the fields.
    Press(window->Files.Image3, QEvent::MouseButtonPress, {63, 47});
    Press(window->Files.Image3, QEvent::MouseButtonRelease, {16, 16});
    EXPECT_EQ(window->Files.Edit5->Text() + "," + window->Files.Edit6->Text() + "," + window->Files.Edit7->Text() +
                  "," + window->Files.Edit8->Text(),
              "16,16,48,32");
    EXPECT_EQ(window->Files.Image4->Picture().Width(), 48);
    TypeAndLeave(window->Files.Edit7, "500");
    EXPECT_EQ(window->Files.Edit7->Text(), "80");
    Pick(window->Files.ComboBox6, 3);
    EXPECT_EQ(window->Files.Edit9->Text(), "640");
    Pick(window->Files.ComboBox6, 0);
    window->Files.RadioButton2->click();
    window->Files.CheckBox2->click();
    EXPECT_EQ(window->Files.Image4->Picture().Width(), 32);
    EXPECT_EQ(window->Files.Image4->Picture().Height(), 80);

    window->Files.BitBtn2->click();
    ASSERT_EQ(LastMessage(), "Images corrected successfully!");
    EXPECT_EQ(dialogs.barAtMessage.back(), 3);
    EXPECT_EQ(window->Files.ProgressBar1->Max(), 3);
    EXPECT_EQ(window->Files.ProgressBar1->Position(), 0);
    EXPECT_FALSE(window->Files.Button12->isVisible());
    ProcessOptions options;
    options.cut = CutRect{16, 16, 80, 32};
    options.angle = 90;
    options.mirrorLeftRight = true;
    for (const std::string& file : files) {
        TBitmap want = LoadJpegFile(file), work;
        MapColors(want, tables);
        const TBitmap& expected = TransformMapped(want, work, options);
        const TBitmap written = LoadJpegFile(PathOf("corrected/" + QFileInfo(QString::fromStdString(file)).fileName().toStdString()));
        ASSERT_EQ(written.Width(), 32);
        ASSERT_EQ(written.Height(), 80);
        // Lossy even at quality 100; a misplaced block or a wrong table differs by 20 or more.
        EXPECT_LE(MaxDifference(written, expected), 12) << file;
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ColorCorrectorFiles, BatchWithABrokenFile) {
    const std::string good = PathOf("good.jpg"), broken = PathOf("broken.jpg");
    SaveJpegFile(BlockPicture(32, 32, 1), good, 100);
    {
        QFile file(QString::fromStdString(broken));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    SetShiftedTable();
    window->PageControl1->setCurrentIndex(3);
    dialogs.AnswerFiles({broken, good});
    window->Files.BitBtn1->click();  // the preview of the broken file fails and says which file
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind(broken, 0), 0u);
    window->Files.BitBtn2->click();
    const std::string& message = LastMessage();
    EXPECT_EQ(message.rfind("1 of 2 images corrected.", 0), 0u) << message;
    EXPECT_NE(message.find(broken + ": "), std::string::npos);
    EXPECT_EQ(message.find(good), std::string::npos);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(PathOf("corrected/good.jpg"))));
    // Only a wholly successful batch leaves the bar full beside its message.
    EXPECT_EQ(dialogs.barAtMessage.back(), 0);
    EXPECT_EQ(window->Files.ProgressBar1->Position(), 0);

}

}  // namespace

namespace {

std::string ReadFileText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void WriteFileText(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace

TEST_F(ColorCorrectorFiles, CubeExportAndImportBesideTheTableFiles) {
    EXPECT_EQ(window->Table.CubeExportButton->parentWidget(), window->Table.Button8->parentWidget());
    SetShiftedTable();
    const ColorTable shifted = window->Result();
    const std::string cube = PathOf("shift");  // the dialog adds the extension
    dialogs.AnswerFile(cube);
    window->Table.CubeExportButton->click();
    EXPECT_EQ(LastMessage(), "Data saved!");
    const std::string text = ReadFileText(cube + ".cube");
    EXPECT_EQ(text.rfind("TITLE \"shift.cube\"\r\nLUT_1D_SIZE 256\r\n", 0), 0u) << text.substr(0, 60);

    window->ResultTable().EraseAll();
    window->ShowTables();
    dialogs.AnswerFile(cube + ".cube");
    window->Table.CubeImportButton->click();
    EXPECT_EQ(window->Result(), shifted);
    EXPECT_EQ(window->Table.PageControl2->currentIndex(), 2);

    // A refused file names itself and its line, and the Result stays.
    const std::string threeD = PathOf("look.cube");
    WriteFileText(threeD, "TITLE \"look\"\nLUT_3D_SIZE 17\n");
    dialogs.AnswerFile(threeD);
    window->Table.CubeImportButton->click();
    EXPECT_EQ(LastMessage(), threeD + ": line 2: a 3D table; only 1D tables can be read; "
                                      "the color table was left as it was.");
    EXPECT_EQ(window->Result(), shifted);

    // A Result with a gap cannot be exported; nothing is written.
    window->ResultTable().Erase(kBlue, 9);
    dialogs.AnswerFile(PathOf("gap.cube"));
    window->Table.CubeExportButton->click();
    EXPECT_EQ(LastMessage(), PathOf("gap.cube") + ": the Result table has no blue value for 9");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(PathOf("gap.cube"))));
    EXPECT_TRUE(dialogs.errors.empty());
}

// Three hundred files that fail: the message names the first ten and counts the others.
TEST_F(ColorCorrectorFiles, ALongFailureListNamesTheFirstTenAndCountsTheRest) {
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i) files.push_back(PathOf("gone" + std::to_string(i) + ".jpg"));
    dialogs.AnswerFiles(files);
    window->Files.BitBtn1->click();
    dialogs.errors.clear();  // the preview of the first one
    SetShiftedTable();
    window->Files.BitBtn2->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string& message = dialogs.messages[0];
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 12) << message;
    EXPECT_EQ(message.substr(message.rfind('\n') + 1), "... and 290 more.");
    EXPECT_EQ(message.find("0 of 300 images corrected.\nThese files could not be corrected:\n" +
                           files[0] + ": "),
              0u)
        << message;
}
