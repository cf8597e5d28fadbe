#include "object_editor_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "batch_run.h"
#include "controls.h"
#include "image_control.h"
#include "jpeg_image.h"
#include "scripted_dialogs.h"
#include "status_bar.h"
#include "string_grid.h"
#include "text_io.h"
#include "test_support.h"
#include "transform_image.h"

namespace {

// Three pictures of different sizes in a temporary folder, and a shown editor.
class ObjectEditorTest : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) {
            paths.push_back(folder.File("shot" + std::to_string(i + 1) + ".jpg"));
            SaveJpegFile(GradientPicture(320 + 40 * i, 240), paths.back(), 95);
        }
        w.show();
    }

    void AddThree() {
        dialogs.AnswerFiles(paths);
        w.Addimages1->trigger();
    }

    // A press and release on the preview.
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint from, QPoint to) {
        QTest::mousePress(w.Image1, button, mods, from);
        QTest::mouseRelease(w.Image1, button, mods, to);
    }

    std::string Row(int r) {
        std::string text;
        for (int c = 0; c < 6; ++c) text += w.StringGrid1->Cell(c, r) + (c < 5 ? "|" : "");
        return text;
    }

    TempFolder folder;
    std::vector<std::string> paths;
    ScriptedDialogDriver dialogs;
    TObject_Editor w;
};

bool Black(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

}  // namespace

TEST_F(ObjectEditorTest, AddGestureUndoSaveReopenAndRun) {
    AddThree();
    ASSERT_EQ(w.ImageCount, 3);
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(Row(r), std::to_string(r) + "|" + paths[r - 1] + "|0|0|0|1");
    EXPECT_EQ(w.CurrentImage, 3);
    EXPECT_EQ(w.StatusBar1->PanelText(0), "3 / 3");
    EXPECT_EQ(w.StatusBar1->PanelText(1), paths[2]);
    EXPECT_EQ(w.TabControl1->TabCount(), 3);
    EXPECT_EQ(w.TabControl1->TabIndex(), 2);

    // The preview is the output frame with its guide grid.
    const TBitmap& preview = w.Image1->Picture();
    ASSERT_EQ(preview.Width(), 800);
    ASSERT_EQ(preview.Height(), 600);
    EXPECT_TRUE(Black(preview, 200, 10) && Black(preview, 600, 10) && Black(preview, 10, 450));

    // A move drag of 20 shown pixels to the right, then a rotate drag; Undo steps back.
    const double k = w.Image1->PictureRect().width() / 800.0;
    Drag(Qt::LeftButton, Qt::NoModifier, {100, 100}, {120, 100});
    EXPECT_EQ(w.Edit3->Text(), std::to_string(static_cast<int>(static_cast<float>(20 / k))));
    Drag(Qt::LeftButton, Qt::ShiftModifier, {100, 100}, {130, 100});
    EXPECT_EQ(w.Edit5->Text(), "   3.0");
    EXPECT_EQ(w.StringGrid1->Cell(4, 3), "   3.0");
    w.Undo1->trigger();
    EXPECT_EQ(w.Edit5->Text(), "0");
    EXPECT_NE(w.Edit3->Text(), "0");
    w.Edit6->SetText("0.05");
    w.Edit6Exit();
    EXPECT_EQ(w.Edit6->Text(), "0.1");
    w.Undo1->trigger();
    EXPECT_EQ(w.Edit6->Text(), "1");

    // Save writes the size line and the three rows; the caption names the file.
    const std::string project = folder.File("turntable.oep");
    dialogs.AnswerFile(project);
    w.Save1->trigger();
    EXPECT_EQ(w.windowTitle().toStdString(), "Lumivex Photo Object Editor - " + project);
    std::string text;
    ASSERT_TRUE(ReadTextFile(project, text));
    EXPECT_EQ(text, "800\t600\r\n" + paths[0] + "\t0\t0\t0\t1\r\n" + paths[1] +
                        "\t0\t0\t0\t1\r\n" + paths[2] + "\t" + w.Edit3->Text() + "\t0\t0\t1\r\n");

    // New (nothing unsaved, so no question), then Open brings it all back.
    w.Newproject1->trigger();
    EXPECT_EQ(w.ImageCount, 0);
    EXPECT_EQ(w.windowTitle().toStdString(), "Lumivex Photo Object Editor");
    dialogs.AnswerFile(project);
    w.Open1->trigger();
    EXPECT_EQ(w.ImageCount, 3);
    EXPECT_EQ(w.CurrentImage, 1);
    const std::string shift = w.StringGrid1->Cell(2, 3);
    EXPECT_NE(shift, "0");
    EXPECT_TRUE(dialogs.questions.empty());

    // The run writes every picture into "result" and says so.
    w.Run1->trigger();
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), "Images succesfully processed!");
    for (int i = 0; i < 3; ++i) {
        const std::string result = folder.File("result/shot" + std::to_string(i + 1) + ".jpg");
        const TBitmap written = LoadJpegFile(result);
        EXPECT_EQ(written.Width(), 800);
        EXPECT_EQ(written.Height(), 600);
        TJPEGImage expected;
        expected.CompressionQuality = 100;
        expected.Assign(TransformImage(LoadJpegFile(paths[i]), 800, 600,
                                       i == 2 ? std::stoi(shift) : 0, 0, 0, 1));
        EXPECT_EQ(ReadBytes(result), expected.Bytes()) << result;
    }
}

TEST_F(ObjectEditorTest, NavigationWrapsAndCopiesReachTheNeighbours) {
    AddThree();
    w.Button4Click();  // ">>" on the last image
    EXPECT_EQ(w.CurrentImage, 1);
    EXPECT_EQ(w.TabControl1->TabIndex(), 0);
    w.Button3Click();  // "<<" on the first
    EXPECT_EQ(w.CurrentImage, 3);
    w.SetFields({"7", "-8", "2.5", "1.5"});
    w.Button2Click();  // "Copy to next" on the last image writes row 1
    EXPECT_EQ(Row(1), "1|" + paths[0] + "|7|-8|2.5|1.5");
    w.Button4Click();
    EXPECT_EQ(w.Edit5->Text(), "2.5");
    w.Button5Click();  // "Copy to previous" on the first writes the last row
    EXPECT_EQ(Row(3), "3|" + paths[2] + "|7|-8|2.5|1.5");
    // A field exit on another image, then a move: Undo after the image change does nothing.
    w.Edit3->SetText("5000");
    w.Edit3Exit();
    EXPECT_EQ(w.Edit3->Text(), "3000");
    w.TabControl1->SetTabIndex(1);
    w.TabControl1Change();
    EXPECT_EQ(w.CurrentImage, 2);
    w.Undo1->trigger();
    EXPECT_EQ(w.Edit3->Text(), "0");
    // Output size fields and presets.
    w.Edit1->SetText("abc");
    w.Edit1Exit();
    EXPECT_EQ(w.Edit1->Text(), "800");
    w.ComboBox1->SetItemIndex(1);
    w.ComboBox1Change();
    EXPECT_EQ(w.Image1->Picture().Width(), 240);
    EXPECT_EQ(w.Image1->Picture().Height(), 320);
}

TEST_F(ObjectEditorTest, UnsavedWorkIsNotDroppedWithoutAsking) {
    AddThree();
    Drag(Qt::LeftButton, Qt::NoModifier, {100, 100}, {150, 100});
    dialogs.Answer(TAnswer::Cancel);
    w.Newproject1->trigger();
    EXPECT_EQ(w.ImageCount, 3);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    dialogs.Answer(TAnswer::Yes);
    const std::string project = folder.File("kept.oep");
    dialogs.AnswerFile(project);
    QSignalSpy exits(&w, &TObject_Editor::ExitRequested);
    w.Exit1->trigger();
    EXPECT_EQ(exits.count(), 1);
    EXPECT_TRUE(FileExists(project));
    dialogs.Answer(TAnswer::No);
    w.Edit4->SetText("9");
    w.Edit4Exit();
    w.Newproject1->trigger();
    EXPECT_EQ(w.ImageCount, 0);
}

TEST_F(ObjectEditorTest, BadFilesAreNamedAndTheProjectKeepsItsState) {
    const std::string notJpeg = folder.File("notes.jpg");
    WriteBytes(notJpeg, {'t', 'e', 'x', 't'});
    dialogs.AnswerFiles({paths[0], notJpeg});
    w.Addimages1->trigger();
    EXPECT_EQ(w.ImageCount, 2);  // the row stays, marked
    EXPECT_TRUE(w.Unreadable(2));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("\n" + notJpeg + ": "), std::string::npos);
    // Its preview is a white frame; the run writes the good one and names the other.
    EXPECT_EQ(w.Image1->Picture().ScanLine(10)[30], 255);
    w.Run1->trigger();
    EXPECT_EQ(dialogs.messages.back().find("1 of 2 images were processed."), 0u);
    EXPECT_TRUE(FileExists(folder.File("result/shot1.jpg")));

    // A save that cannot be written keeps the project and its caption; so does a failed open.
    dialogs.Answer(TAnswer::Yes);
    dialogs.AnswerFile(folder.File("no/such/folder/p.oep"));
    w.Newproject1->trigger();
    EXPECT_EQ(dialogs.messages.back(), "Can't open file!");
    EXPECT_EQ(w.ImageCount, 2);
    EXPECT_EQ(w.windowTitle().toStdString(), "Lumivex Photo Object Editor");
    dialogs.Answer(TAnswer::No);
    dialogs.AnswerFile(folder.File("missing.oep"));
    w.Open1->trigger();
    EXPECT_EQ(dialogs.messages.back(), "Can't open file!");
    EXPECT_EQ(w.ImageCount, 2);
    // A picture opened as a project is refused by name; the project stays as it was.
    dialogs.Answer(TAnswer::No);
    dialogs.AnswerFile(paths[1]);
    w.Open1->trigger();
    EXPECT_EQ(dialogs.messages.back(), paths[1] + ": the file is not an Object Editor project.");
    EXPECT_EQ(w.ImageCount, 2);
    EXPECT_EQ(w.StringGrid1->Cell(1, 1), paths[0]);
}

TEST_F(ObjectEditorTest, SaveRefusesAPathTheProjectFileCannotHold) {
    const std::string tabbed = folder.File("two\tparts.jpg");
    SaveJpegFile(GradientPicture(32, 32), tabbed, 90);
    dialogs.AnswerFiles({paths[0], tabbed});
    w.Addimages1->trigger();
    ASSERT_EQ(w.ImageCount, 2);
    const std::string project = folder.File("p.oep");
    dialogs.AnswerFile(project);
    w.Saveas1->trigger();
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(),
              "The path \"" + folder.File("two<TAB>parts.jpg") +
                  "\" holds a TAB, which a project file cannot hold; nothing was saved.");
    EXPECT_FALSE(FileExists(project));
    EXPECT_EQ(w.windowTitle().toStdString(), "Lumivex Photo Object Editor");
}

TEST_F(ObjectEditorTest, EveryGuideLineStaysVisibleWhenThePreviewIsShownSmall) {
    AddThree();
    for (const int width : {560, 610, 660, 700, 760, 807}) {
        SCOPED_TRACE(width);
        w.resize(width, 600);
        const QImage shown = w.Image1->grab().toImage();
        const QRect r = w.Image1->PictureRect();
        ASSERT_LT(r.width(), 800);
        for (int k = 1; k <= 3; ++k) {
            const QPoint line = w.Image1->PictureToControl({800 * k / 4, 600 * k / 4});
            EXPECT_EQ(shown.pixelColor(line.x(), r.top() + r.height() / 8), Qt::black) << k;
            EXPECT_EQ(shown.pixelColor(r.left() + r.width() / 8, line.y()), Qt::black) << k;
        }
    }
}
