#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "controls.h"
#include "image_control.h"
#include "memory_budget.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "multi_viewer_window.h"
#include "text_io.h"
#include "ui_language.h"
#include "window_fixture.h"

namespace {

// Three views of two pictures: a.jpg as it is, b.jpg resized, and a piece of a.jpg.
const char* const kThreeViews =
    "Three views\r\n"
    "viewname=Whole\r\n"
    "filename=a.jpg\r\n"
    "viewname=Resized\r\n"
    "filename=D:\\somewhere\\b.jpg\r\n"
    "resize=50,60\r\n"
    "viewname=Corner\r\n"
    "filename=a.jpg\r\n"
    "crop=0,0,10,5\r\n"
    "grayscale=1\r\n";

class MultiViewerWindow : public WindowFixture<TMulti_Viewer> {
protected:
    MultiViewerWindow() : WindowFixture(ShowUntil::kActive) {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        SaveJpegFile(GradientPicture(40, 30), PathOf("a.jpg"), 100);
        SaveJpegFile(GradientPicture(20, 10), PathOf("b.jpg"), 100);
        description = PathOf("show.mvw");
        WriteTextFile(description, kThreeViews);
    }
    void Open(const std::string& path) {
        dialogs.AnswerFile(path);
        window->Open1->trigger();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }
    void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    // The three status panels joined with '|'.
    std::string Status() const {
        return Panel(0) + "|" + Panel(1) + "|" + Panel(2);
    }

    std::string description;
};

}  // namespace

TEST_F(MultiViewerWindow, OpensAFileAndStepsThroughItsViewsBothWays) {
    EXPECT_EQ(Caption(), "Multi Viewer");
    Open(description);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].filter, "Multi viewer files|*.mvw");
    EXPECT_EQ(Caption(), "Multi Viewer - " + description);
    EXPECT_EQ(window->ListBox1->Count(), 3);
    EXPECT_EQ(Status(), "1 / 3|40x30|Whole");
    // The built picture is kept at its full size; the control only scales what it shows.
    EXPECT_TRUE(window->Image1->Picture().SamePixels(LoadJpegFile(PathOf("a.jpg"))));
    EXPECT_EQ(window->Image1->PictureRect().height(), window->Image1->height());

    // Space goes forward and wraps; Backspace and Previous go back and wrap.
    const std::vector<std::string> forward = {"2 / 3|50x60|Resized", "3 / 3|10x5|Corner",
                                              "1 / 3|40x30|Whole"};
    for (const std::string& expected : forward) {
        Key(Qt::Key_Space);
        EXPECT_EQ(Status(), expected);
    }
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Status(), "3 / 3|10x5|Corner");
    window->Previous1->trigger();
    EXPECT_EQ(Status(), "2 / 3|50x60|Resized");
    window->Next1->trigger();
    EXPECT_EQ(Status(), "3 / 3|10x5|Corner");
    const uint8_t* p = window->Image1->Picture().ScanLine(4) + 3 * 9;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);  // the grayscale step ran
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MultiViewerWindow, RefreshReadsTheEditedFileAndFallsBackToViewOne) {
    Open(description);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Status(), "3 / 3|10x5|Corner");
    WriteTextFile(description, "viewname=Only\nfilename=b.jpg\nviewname=Second\nfilename=a.jpg\n");
    window->Refresh1->trigger();
    EXPECT_EQ(Status(), "1 / 2|20x10|Only");
    EXPECT_EQ(window->ListBox1->Count(), 2);

    // An edit to the shown view shows after Refresh, on the same view.
    Key(Qt::Key_Space);
    WriteTextFile(description, "viewname=Only\nfilename=b.jpg\nviewname=Second\nfilename=a.jpg\nresample=0.5,0.5\n");
    window->Refresh1->trigger();
    EXPECT_EQ(Status(), "2 / 2|20x15|Second");

    // A description that vanished: the error names it and the window keeps what it showed.
    QFile::remove(QString::fromStdString(description));
    window->Refresh1->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find(description), std::string::npos) << dialogs.errors[0];
    EXPECT_EQ(Status(), "2 / 2|20x15|Second");
    EXPECT_EQ(window->ViewCount, 2);
}

// The extension decides the format; without a known one the filter index does, and the
// extension is appended. The file type is checked by its first bytes.
TEST_F(MultiViewerWindow, SavesAndCopiesTheBuiltPictureAtItsFullSize) {
    Open(description);
    Key(Qt::Key_Space);  // the resized view: 50 x 60, larger than b.jpg itself
    struct Case {
        const char* name;
        int filterIndex;
        const char* written;
        const char* magic;
    };
    const Case cases[] = {
        {"picture", 1, "picture.jpg", "\xFF\xD8"},
        {"picture.JPG", 2, "picture.JPG", "\xFF\xD8"},
        {"picture.bmp", 1, "picture.bmp", "BM"},
        {"other", 2, "other.bmp", "BM"},
        {"view.png", 1, "view.png.jpg", "\xFF\xD8"},
    };
    for (const Case& c : cases) {
        dialogs.AnswerFile(PathOf(c.name), c.filterIndex);
        window->Save1->trigger();
        EXPECT_EQ(FirstBytes(PathOf(c.written), 2), c.magic) << c.name;
    }
    const TBitmap saved = LoadJpegFile(PathOf("picture.jpg"));
    EXPECT_EQ(saved.Width(), 50);
    EXPECT_EQ(saved.Height(), 60);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("picture.png"))));
    window->Copy1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(50, 60));
    EXPECT_TRUE(dialogs.errors.empty());

    // A folder that cannot be written to (here: one that is not there): the error names the
    // file and the window carries on.
    dialogs.AnswerFile(PathOf("missing/x.bmp"), 2);
    window->Save1->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("x.bmp"), std::string::npos) << dialogs.errors[0];
    EXPECT_EQ(Status(), "2 / 3|50x60|Resized");
}

TEST_F(MultiViewerWindow, AnswersWhenNoFileOrNoSuchViewIsThere) {
    Key(Qt::Key_Space);
    window->Copy1->trigger();
    UiLanguage = "rus";
    window->Save1->trigger();
    window->Refresh1->trigger();
    UiLanguage = "eng";
    dialogs.AnswerPrint(false);
    window->Printsetup1->trigger();  // needs no file
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"Open file before!", "Open file before!",
                                                          "Сначала откройте файл!",
                                                          "Сначала откройте файл!"}));
    EXPECT_EQ(dialogs.printerSetupDialogs, 1);
    EXPECT_TRUE(dialogs.fileRequests.empty());

    // A file without views counts as no file; the answer says which file and why.
    dialogs.messages.clear();
    const std::string noViews = PathOf("noviews.mvw"), empty = PathOf("empty.mvw");
    const std::string binary = PathOf("binary.mvw");
    WriteTextFile(noViews, "viewname is not at the start: no views here\r\n");
    WriteTextFile(empty, "");
    WriteTextFile(binary, std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11));  // a picture
    for (const std::string& file : {noViews, empty, binary}) Open(file);
    EXPECT_EQ(window->ViewCount, 0);
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{
                  "Open file before!\n" + noViews + ": no line starts with \"viewname=\"",
                  "Open file before!\n" + empty + ": the file is empty",
                  "Open file before!\n" + binary +
                      ": the file is not a view description: it holds binary data"}));

    // A view number the lines do not hold.
    dialogs.messages.clear();
    Open(description);
    window->CurrentView = 7;
    window->Show1Click();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Not found!"});
    EXPECT_EQ(Status(), "1 / 3|40x30|Whole");
}

// A view that cannot be built says which view and which file, and the window keeps showing
// the picture and status texts it had.
TEST_F(MultiViewerWindow, APictureCutOffPartWayIsToldOnceAsShownInPart) {
    WriteBytes(PathOf("a.jpg"), CutOffJpeg(GradientPicture(40, 30)));  // views 1 and 3
    Open(description);
    for (int i = 0; i < 6; ++i) Key(Qt::Key_Space);  // every view, twice over
    EXPECT_EQ(Status(), "1 / 3|40x30|Whole");
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{PathOf("a.jpg") + ": " + DamagedPictureReason({false, 0})});
}

TEST_F(MultiViewerWindow, AFailingViewKeepsThePictureAndStatus) {
    WriteTextFile(description,
              "viewname=Good\nfilename=a.jpg\n"
              "viewname=Gone\nfilename=C:\\old\\gone.jpg\n"
              "viewname=Junk\nfilename=show.mvw\n"
              "viewname=Tiny\nfilename=a.jpg\nresample=0.01,1\n");
    Open(description);
    const TBitmap shown = window->Image1->Picture();
    for (int view = 2; view <= 4; ++view) {
        dialogs.messages.clear();
        window->Next1->trigger();
        ASSERT_EQ(dialogs.messages.size(), 1u) << view;
        const std::string& m = dialogs.messages[0];
        EXPECT_EQ(m.rfind("View " + std::to_string(view) + " \"", 0), 0u) << m;
        EXPECT_EQ(Status(), "1 / 4|40x30|Good");
        EXPECT_TRUE(window->Image1->Picture().SamePixels(shown));
    }
    EXPECT_NE(dialogs.messages[0].find("Resample"), std::string::npos);
    window->Previous1->trigger();  // not a JPEG: the message names the file it read
    EXPECT_NE(LastMessage().find(description), std::string::npos);
    window->Previous1->trigger();
    EXPECT_NE(LastMessage().find(PathOf("gone.jpg")), std::string::npos);
}

TEST_F(MultiViewerWindow, ShiftShowsTheListAndAClickPicksAView) {
    Open(description);
    EXPECT_FALSE(window->ListBox1->isVisible());
    Send(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(window->ListBox1->isVisible());
    EXPECT_EQ(window->ListBox1->geometry(), window->Image1->geometry());
    Send(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_FALSE(window->ListBox1->isVisible());

    Send(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QListWidgetItem* corner = window->ListBox1->item(2);
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->text().toStdString(), "Corner");
    QTest::mouseClick(window->ListBox1->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      window->ListBox1->visualItemRect(corner).center());
    EXPECT_FALSE(window->ListBox1->isVisible());
    EXPECT_EQ(Status(), "3 / 3|10x5|Corner");
}

// Until a view is shown the picture area says that the commands are on the right button.
TEST_F(MultiViewerWindow, TheEmptyWindowSaysItsCommandsAreOnTheRightButton) {
    auto colours = [&] {
        const QImage shot = window->Image1->grab().toImage();
        QSet<QRgb> seen;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) seen.insert(shot.pixel(x, y));
        return seen.size();
    };
    EXPECT_GT(colours(), 1) << "a text is drawn on the empty area";
    EXPECT_EQ(window->Image1->EmptyHint().rfind("Right-click to open", 0), 0u);
    SwitchLanguage("rus", &TMulti_Viewer::Timer1Timer);
    EXPECT_EQ(window->Image1->EmptyHint().rfind("Щёлкните правой кнопкой", 0), 0u);
    Open(description);
    EXPECT_FALSE(window->Image1->Picture().Empty());  // the view replaces the hint
}

TEST_F(MultiViewerWindow, MenuFollowsTheLanguage) {
    std::vector<std::string> order;
    for (QAction* a : window->PopupMenu1->actions())
        order.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(order, (std::vector<std::string>{"Open", "-", "Next", "Previous", "-", "Copy", "Save",
                                               "-", "Print setup", "Print", "-", "Refresh"}));
    EXPECT_EQ(window->Timer1->interval(), 1000);
    window->Timer1Timer();
    EXPECT_EQ(window->Copy1->text().toStdString(), "Copy to Clipboard");
    SwitchLanguage("rus", &TMulti_Viewer::Timer1Timer);
    EXPECT_EQ(window->Copy1->text().toStdString(), "Копировать в буфер");
    EXPECT_EQ(window->Printsetup1->text().toStdString(), "Настройки печати");
    EXPECT_EQ(window->Refresh1->text().toStdString(), "Обновить");
    SwitchLanguage("deu", &TMulti_Viewer::Timer1Timer);  // neither: the captions stay
    EXPECT_EQ(window->Open1->text().toStdString(), "Открыть");
    EXPECT_EQ(window->AppliedLanguage, "deu");
}

// A view whose result would take more than the memory budget is asked about before it is made.
TEST_F(MultiViewerWindow, AViewAboveTheMemoryBudgetIsAskedAboutFirst) {
    Open(description);
    ScopedPictureMemoryBudget budget(5000);  // "Whole" takes 3600 bytes, "Resized" 9120
    dialogs.Answer(TAnswer::No);
    window->Next1->trigger();
    EXPECT_EQ(Status(), "1 / 3|40x30|Whole");
    dialogs.Answer(TAnswer::Yes);
    window->Show1Click();
    EXPECT_EQ(Status(), "2 / 3|50x60|Resized");
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>(2, "This picture needs 1 MB of memory. Open it anyway?"));
    EXPECT_TRUE(dialogs.messages.empty());
}
