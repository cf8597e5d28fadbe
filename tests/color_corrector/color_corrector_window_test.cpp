#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "color_corrector_window.h"
#include "controls.h"
#include "curve_chart.h"
#include "image_control.h"
#include "jpeg_image.h"
#include "memory_budget.h"
#include "paint_box.h"
#include "string_grid.h"
#include "window_fixture.h"

namespace {

// Two flat halves of 32 x 48 (whole JPEG blocks, so quality 100 keeps each half one colour).
void WriteHalves(const std::string& path, const uint8_t left[3], const uint8_t right[3]) {
    TBitmap picture(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t* rgb = x < 32 ? left : right;
            uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = rgb[2];
            p[1] = rgb[1];
            p[2] = rgb[0];
        }
    SaveJpegFile(picture, path, 100);
}

// Red, green and blue of a decoded file's pixel, as the window sees it.
std::array<int, 3> DecodedPixel(const std::string& path, int x, int y) {
    const TBitmap picture = LoadJpegFile(path);
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

class ColorCorrectorWindow : public WindowFixture<TColor_Corrector> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        const uint8_t refLeft[3] = {200, 100, 50}, refRight[3] = {40, 160, 220};
        const uint8_t smpLeft[3] = {180, 90, 40}, smpRight[3] = {30, 150, 200};
        reference = PathOf("reference.jpg");
        sample = PathOf("sample.jpg");
        WriteHalves(reference, refLeft, refRight);
        WriteHalves(sample, smpLeft, smpRight);
    }

    void OpenPictures() {
        dialogs.AnswerFile(reference);
        window->Source.Button1->click();
        dialogs.AnswerFile(sample);
        window->Source.Button2->click();
    }

    static void Click(QWidget* widget, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(widget, button, Qt::NoModifier, QPoint(x, y));
    }

    std::string Cell(TStringGrid* grid, int col, int row) const { return grid->Cell(col, row); }

    std::string reference, sample;
};

TEST_F(ColorCorrectorWindow, FullSessionFromPointsToASavedAndReopenedColorTable) {
    EXPECT_EQ(window->Source.StringGrid5->RowCount(), 5);  // header and four empty records
    OpenPictures();
    ASSERT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(window->Source.StringGrid5->RowCount(), 2);

    // The sample view at 200% turned by 90 degrees is 96 x 128; picture (20, 20) stands at
    // view (55, 40), picture (44, 20) at (55, 88).
    Pick(window->Source.ComboBox3, 3);
    Pick(window->Source.ComboBox4, 1);
    EXPECT_EQ(window->Source.PaintBox2->size(), QSize(96, 128));
    Click(window->Source.PaintBox1, 20, 20);
    Click(window->Source.PaintBox2, 55, 40);
    Click(window->Source.PaintBox1, 44, 20);
    Click(window->Source.PaintBox2, 55, 88);
    const char* const expected[2][4] = {{"20", "20", "20", "20"}, {"44", "20", "44", "20"}};
    for (int row = 1; row <= 2; ++row)
        for (int col = 1; col <= 4; ++col)
            EXPECT_EQ(Cell(window->Source.StringGrid5, col, row), expected[row - 1][col - 1]);
    EXPECT_EQ(Cell(window->Source.StringGrid5, 0, 2), "2");

    // Crosses are drawn where the points are.
    const QImage shown = window->Source.PaintBox2->grab().toImage();
    EXPECT_EQ(shown.pixelColor(55, 38), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(53, 40), QColor(Qt::black));

    // The status bar shows the colour and picture position under the mouse; the "Color table"
    // page empties both.
    QMouseEvent move(QEvent::MouseMove, QPointF(55, 40), window->Source.PaintBox2->mapToGlobal(QPointF(55, 40)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->Source.PaintBox2, &move);
    EXPECT_EQ(window->StatusBar1->PanelText(0), "X=20 Y=20");
    EXPECT_EQ(window->StatusBar1->PanelText(1).rfind("Red=", 0), 0u);

    window->PageControl1->setCurrentIndex(1);  // the user enters "Color table"
    EXPECT_EQ(window->StatusBar1->PanelText(0), "");
    EXPECT_EQ(window->StatusBar1->PanelText(1), "");
    window->PageControl1->setCurrentIndex(0);

    window->Source.CheckBox1->SetChecked(false);
    window->Source.BitBtn4->click();
    EXPECT_EQ(window->PageControl1->currentIndex(), 1);
    for (auto [x, y] : {std::pair{20, 20}, std::pair{44, 20}}) {
        const auto ref = DecodedPixel(reference, x, y);
        const auto smp = DecodedPixel(sample, x, y);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(Cell(window->Table.StringGrid1, c + 1, smp[c] + 1), std::to_string(ref[c]));
    }

    window->Table.Button5->click();  // Interpolate
    EXPECT_EQ(window->Table.PageControl2->currentIndex(), 2);
    for (int v = 0; v < 256; ++v) ASSERT_FALSE(Cell(window->Table.StringGrid3, 3, v + 1).empty());

    const std::string tablePath = PathOf("table.txt");
    dialogs.AnswerFile(tablePath);
    window->Table.Button8->click();  // Save
    EXPECT_EQ(LastMessage(), "Data saved!");
    EXPECT_EQ(window->windowTitle().toStdString(), "Lumivex Color Corrector - " + tablePath);
    const ColorTable saved = window->Result();
    EXPECT_EQ(ReadText(tablePath).substr(0, 7), "0\t0\t0\r\n");

    window->Table.PageControl2->setCurrentIndex(2);
    window->Table.Cleartable2->trigger();
    EXPECT_EQ(Cell(window->Table.StringGrid3, 1, 100), "");
    window->Table.TabControl1->setCurrentIndex(0);
    dialogs.AnswerFile(tablePath);
    window->Table.Button7->click();  // Open
    EXPECT_EQ(window->Result(), saved);
    EXPECT_EQ(Cell(window->Table.StringGrid3, 2, 129), saved.CellText(1, 128));
    EXPECT_EQ(window->Table.TabControl1->currentIndex(), 3);

    // The points file keeps both paths and the pairs; reading it back restores them.
    const std::string pointsPath = PathOf("points.txt");
    dialogs.AnswerFile(pointsPath);
    window->Source.Button3->click();
    EXPECT_EQ(ReadText(pointsPath), reference + "\r\n" + sample + "\r\n20\t20\t20\t20\r\n44\t20\t44\t20\r\n");
    window->Source.Cleartable1->trigger();
    EXPECT_EQ(window->Source.StringGrid5->RowCount(), 2);
    dialogs.AnswerFile(pointsPath);
    window->Source.Button4->click();
    EXPECT_EQ(Cell(window->Source.StringGrid5, 3, 2), "44");
    EXPECT_EQ(window->windowTitle().toStdString(), "Lumivex Color Corrector - " + tablePath);
    EXPECT_TRUE(window->Result().Empty()) << "loading pictures clears the tables";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ColorCorrectorWindow, ChartEditingAndTableCommands) {
    window->PageControl1->setCurrentIndex(1);
    window->Table.TabControl1->setCurrentIndex(3);
    const int w = window->Table.PaintBox3->width(), h = window->Table.PaintBox3->height();
    Click(window->Table.PaintBox3, w / 2, 0);
    const int v = static_cast<int>((w / 2) * 255.0 / (w - 1) + 0.5);
    EXPECT_EQ(window->Table.PageControl2->currentIndex(), 1);
    EXPECT_EQ(Cell(window->Table.StringGrid2, 1, v + 1), "254");
    EXPECT_EQ(Cell(window->Table.StringGrid2, 3, v + 1), "254");
    EXPECT_EQ(window->Table.StringGrid2->Row(), v + 1);
    EXPECT_EQ(Cell(window->Table.StringGrid3, 2, 256), "255");
    // The chart shows the Manual point as a dot in the channel colour (blue drawn last).
    const QImage chart = window->Table.PaintBox3->grab().toImage();
    EXPECT_EQ(chart.pixelColor(ChartScale(w, h).X(v), ChartScale(w, h).Y(254)), QColor(0, 0, 255));

    window->Table.TabControl1->setCurrentIndex(1);
    window->Table.Button6->click();  // Clear manual: green only
    EXPECT_EQ(Cell(window->Table.StringGrid2, 2, v + 1), "");
    EXPECT_EQ(Cell(window->Table.StringGrid2, 1, v + 1), "254");
    EXPECT_EQ(Cell(window->Table.StringGrid3, 2, v + 1), std::to_string(v));

    Click(window->Table.PaintBox3, w / 2, h + 50, Qt::RightButton);  // released below the chart
    EXPECT_EQ(Cell(window->Table.StringGrid2, 2, v + 1), "");

    window->Table.Clearalltables1->trigger();
    window->Table.Button10->click();
    EXPECT_EQ(LastMessage(), "Result table isempty!");
    window->Table.Button5->click();
    window->Table.Button10->click();
    EXPECT_EQ(Cell(window->Table.StringGrid3, 1, 129), "128");

    // A middle click sets no point but shows Manual and rebuilds Result from it (the smoothed
    // table above is replaced by what the one remaining Manual point makes).
    Click(window->Table.PaintBox3, w / 2, h / 2);  // a green point again, in the middle
    window->Table.Button5->click();                // Interpolate: Result from the empty Calculated
    EXPECT_EQ(window->Table.PageControl2->currentIndex(), 2);
    Click(window->Table.PaintBox3, 10, 10, Qt::MiddleButton);
    EXPECT_EQ(window->Table.PageControl2->currentIndex(), 1);
    EXPECT_EQ(window->Result(), TableFromManual(window->Manual()));
    EXPECT_NE(window->Result().Curve(kGreen), IdentityCurve());
}

TEST_F(ColorCorrectorWindow, RefusalsAndBadFilesKeepTheWindowAsItWas) {
    window->Source.Button9->click();
    window->Source.Button3->click();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"Open left and right images!", "Nothing to save!"}));
    window->Source.BitBtn4->click();
    EXPECT_EQ(LastMessage(), "Table is empty!");

    OpenPictures();
    Click(window->Source.PaintBox1, 5, 5);
    const PointList points = window->Points();

    const std::string broken = PathOf("broken.jpg");
    WriteText(broken, "not a picture");
    dialogs.AnswerFile(broken);
    window->Source.Button2->click();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind(broken + ": ", 0), 0u);
    EXPECT_EQ(window->SamplePath(), sample);

    const std::string pointsPath = PathOf("points.txt");
    WriteText(pointsPath, reference + "\n" + PathOf("gone.jpg") + "\n1 2 3 4\n");
    dialogs.AnswerFile(pointsPath);
    window->Source.Button4->click();
    EXPECT_EQ(LastMessage(), "File not found: " + PathOf("gone.jpg"));
    EXPECT_EQ(window->Points().Records(), points.Records());

    WriteText(pointsPath, reference + "\r\n" + sample + "\r\n1 2 3 4\r\n5 6 x 8\r\n");
    dialogs.AnswerFile(pointsPath);
    window->Source.Button4->click();
    EXPECT_EQ(LastMessage(),
              pointsPath + ": line 4 does not hold four whole numbers; the 1 point pairs before it were read.");
    EXPECT_EQ(window->Source.StringGrid5->RowCount(), 2);

    dialogs.AnswerFile(PathOf("missing.txt"));
    window->Table.Button7->click();
    EXPECT_EQ(LastMessage(), "Can' open file " + PathOf("missing.txt") +
                                 "\nCannot open file \"" + PathOf("missing.txt") +
                                 "\". No such file or directory");
    const std::string junk = PathOf("junk.txt");
    WriteText(junk, "junk");
    dialogs.AnswerFile(junk);
    window->Table.Button7->click();
    EXPECT_EQ(LastMessage().rfind(junk + ": ", 0), 0u);
    EXPECT_EQ(window->windowTitle().toStdString(), "Lumivex Color Corrector");

    dialogs.AnswerFile(PathOf("no/such/folder/t.txt"));
    window->Table.Button8->click();
    EXPECT_EQ(LastMessage().rfind("Can' open file " + PathOf("no/such/folder/t.txt") +
                                      "\nCannot create file",
                                  0),
              0u);
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(ColorCorrectorWindow, SavePointsRefusesAPathWithALineBreak) {
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(PathOf("nl\nnew"))));
    const std::string broken = PathOf("nl\nnew/sample.jpg");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(sample), QString::fromStdString(broken)));
    dialogs.AnswerFile(reference);
    window->Source.Button1->click();
    dialogs.AnswerFile(broken);
    window->Source.Button2->click();
    ASSERT_EQ(window->SamplePath(), broken);
    const std::string pointsPath = PathOf("points.txt");
    dialogs.AnswerFile(pointsPath);
    window->Source.Button3->click();
    EXPECT_EQ(LastMessage(),
              "The path \"" + PathOf("nl<LF>new/sample.jpg") +
                  "\" holds a line break (LF), which a points file cannot hold; nothing was "
                  "saved.");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pointsPath)));
}

TEST_F(ColorCorrectorWindow, AColorTableOfOneRowIsCompletedWhenOpened) {
    const std::string table = PathOf("one_row.txt");
    WriteText(table, "10\t20\t30\r\n");
    dialogs.AnswerFile(table);
    window->Table.Button7->click();
    EXPECT_EQ(LastMessage(),
              table + ": only the first 1 of 256 lines hold three whole numbers; the rows after "
                      "them were filled in on a straight line up to 255.");
    const ColorTable result = window->Result();
    EXPECT_EQ(result.CellText(kRed, 0), "10");
    EXPECT_EQ(result.CellText(kBlue, 255), "255");
    EXPECT_EQ(result.CellText(kRed, 128), std::to_string(10 + 128 * 245 / 255));
    EXPECT_EQ(Cell(window->Table.StringGrid3, 2, 129), result.CellText(kGreen, 128));
    EXPECT_NO_THROW(MakeByteTables(result));  // it can be applied
}

TEST_F(ColorCorrectorWindow, PointsFileFromAnotherDesktopFindsThePicturesBesideIt) {
    const std::string pointsPath = PathOf("elsewhere.txt");
    WriteText(pointsPath, "reference.jpg\r\nD:\\photos\\sample.jpg\r\n");
    dialogs.AnswerFile(pointsPath);
    window->Source.Button4->click();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window->ReferencePath(), reference);
    EXPECT_EQ(window->SamplePath(), sample);
    EXPECT_EQ(window->Source.StringGrid5->RowCount(), 2) << "no records: the header over one empty row";
    EXPECT_EQ(window->windowTitle().toStdString(), "Lumivex Color Corrector");
}

TEST_F(ColorCorrectorWindow, ResizeFillsEachPageFromTheClientArea) {
    window->resize(1300, 800);
    for (int page = 0; page < 4; ++page) {
        window->PageControl1->setCurrentIndex(page);
        QCoreApplication::processEvents();
    }
    const QWidget* sheet = window->TabSheet1;
    EXPECT_EQ(window->PageControl1->geometry().bottom() + 1, window->StatusBar1->geometry().top());
    EXPECT_NEAR(window->Source.ScrollBox2->geometry().right() + 1, sheet->width() - 2, 1);
    EXPECT_EQ(window->Source.ScrollBox1->width(), window->Source.ScrollBox2->width());
    EXPECT_EQ(window->Source.StringGrid5->geometry().bottom() + 1, sheet->height() - 7);
    EXPECT_NEAR(window->Source.ComboBox3->geometry().right(), window->Source.ScrollBox2->geometry().right(), 1);
    EXPECT_EQ(window->Table.PaintBox4->geometry().right() + 1, window->TabSheet2->width() - 1);
    EXPECT_LE(window->Table.GroupBox3->geometry().bottom(), window->TabSheet2->height());
    EXPECT_NEAR(window->Files.Image4->geometry().right() + 1, window->TabSheet4->width() - 2, 1);
    EXPECT_EQ(window->Balance.ScrollBox3->geometry().bottom() + 1, window->TabSheet3->height() - 7);
}

TEST(ColorCorrectorExit, FileExitEndsTheApplication) {
    TColor_Corrector window;
    window.show();
    QTimer::singleShot(0, &window, [&] { window.Exit1->trigger(); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}

}  // namespace

// A picture, or a points file whose list would take more than the memory budget, is asked
// about before anything is made; No leaves the window as it was, Yes goes on.
TEST_F(ColorCorrectorWindow, PicturesAndPointListsAboveTheMemoryBudgetAreAskedAboutFirst) {
    ScopedPictureMemoryBudget budget(8000);  // the 64 x 48 pictures need 9216 bytes
    const std::string pictureQuestion = "This picture needs 1 MB of memory. Open it anyway?";
    dialogs.AnswerFile(reference);
    dialogs.Answer(TAnswer::No);
    window->Source.Button1->click();
    EXPECT_FALSE(window->ReferenceLoaded());
    dialogs.AnswerFile(reference);
    dialogs.Answer(TAnswer::Yes);
    window->Source.Button1->click();
    EXPECT_TRUE(window->ReferenceLoaded());
    EXPECT_EQ(dialogs.questions, std::vector<std::string>(2, pictureQuestion));
    EXPECT_TRUE(dialogs.errors.empty());

    std::string points = reference + "\r\n" + sample + "\r\n";
    for (int i = 0; i < 10; ++i) points += "1\t2\t3\t4\r\n";  // ten pairs: 12500 bytes listed
    WriteText(PathOf("many.pts"), points);
    dialogs.AnswerFile(PathOf("many.pts"));
    dialogs.Answer(TAnswer::No);
    window->Source.Button4->click();
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(dialogs.questions[2], "This points file needs 1 MB of memory. Open it anyway?");
    EXPECT_FALSE(window->SampleLoaded());
    EXPECT_EQ(window->Points().Count(), 1);
}

// Points files that name no picture, and a save that cannot be made, say which file and why
// beneath the usual first line.
TEST_F(ColorCorrectorWindow, PointsFileMessagesNameTheFileAndTheReason) {
    const std::string empty = PathOf("empty.pts"), binary = PathOf("binary.pts");
    const std::string blank = PathOf("blank.pts");
    WriteText(empty, "");
    WriteText(binary, std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11));
    WriteText(blank, reference + "\r\n\r\n1 2 3 4\r\n");
    for (const std::string& file : {empty, binary, blank}) {
        dialogs.AnswerFile(file);
        window->Source.Button4->click();
    }
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{
                  "File not found: \n" + empty + ": the file is empty",
                  "File not found: \n" + binary + ": the file is not a points file: it holds binary data",
                  "File not found: \n" + blank + ": line 2 names no picture"}));
    EXPECT_FALSE(window->ReferenceLoaded());

    OpenPictures();
    dialogs.AnswerFile(PathOf("no/such/folder/p.pts"));
    window->Source.Button3->click();
    EXPECT_EQ(LastMessage(), "Can't open file!\nCannot create file \"" +
                                 PathOf("no/such/folder/p.pts") +
                                 "\". No such file or directory");
}
