#include "object_editor_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "batch_run.h"
#include "controls.h"
#include "image_control.h"
#include "jpeg_image.h"
#include "string_grid.h"
#include "text_io.h"
#include "transform_image.h"
#include "window_fixture.h"

namespace {

// Three pictures of different sizes in a temporary folder, and a shown editor.
class ObjectEditorTest : public WindowFixture<TObject_Editor> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        for (int i = 0; i < 3; ++i) {
            paths.push_back(PathOf("shot" + std::to_string(i + 1) + ".jpg"));
            SaveJpegFile(GradientPicture(320 + 40 * i, 240), paths.back(), 95);
        }
    }

    void AddThree() {
        dialogs.AnswerFiles(paths);
        window->Addimages1->trigger();
    }

    // A press and release on the preview.
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint from, QPoint to) {
        QTest::mousePress(window->Images.Image1, button, mods, from);
        QTest::mouseRelease(window->Images.Image1, button, mods, to);
    }

    std::string Row(int r) {
        std::string text;
        for (int c = 0; c < 6; ++c) text += window->Parameters.StringGrid1->Cell(c, r) + (c < 5 ? "|" : "");
        return text;
    }

    std::vector<std::string> paths;
};

bool Black(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

}  // namespace

TEST_F(ObjectEditorTest, AddGestureUndoSaveReopenAndRun) {
    AddThree();
    ASSERT_EQ(window->ImageCount, 3);
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(Row(r), std::to_string(r) + "|" + paths[r - 1] + "|0|0|0|1");
    EXPECT_EQ(window->CurrentImage, 3);
    EXPECT_EQ(Panel(0), "3 / 3");
    EXPECT_EQ(Panel(1), paths[2]);
    EXPECT_EQ(window->Images.TabControl1->TabCount(), 3);
    EXPECT_EQ(window->Images.TabControl1->TabIndex(), 2);

    // The preview is the output frame with its guide grid.
    const TBitmap& preview = window->Images.Image1->Picture();
    ASSERT_EQ(preview.Width(), 800);
    ASSERT_EQ(preview.Height(), 600);
    EXPECT_TRUE(Black(preview, 200, 10) && Black(preview, 600, 10) && Black(preview, 10, 450));

    // A move drag of 20 shown pixels to the right, then a rotate drag; Undo steps back.
    const double k = window->Images.Image1->PictureRect().width() / 800.0;
    Drag(Qt::LeftButton, Qt::NoModifier, {100, 100}, {120, 100});
    EXPECT_EQ(window->Images.Edit3->Text(), std::to_string(static_cast<int>(static_cast<float>(20 / k))));
    Drag(Qt::LeftButton, Qt::ShiftModifier, {100, 100}, {130, 100});
    EXPECT_EQ(window->Images.Edit5->Text(), "   3.0");
    EXPECT_EQ(window->Parameters.StringGrid1->Cell(4, 3), "   3.0");
    window->Undo1->trigger();
    EXPECT_EQ(window->Images.Edit5->Text(), "0");
    EXPECT_NE(window->Images.Edit3->Text(), "0");
    window->Images.Edit6->SetText("0.05");
    window->Images.Edit6Exit();
    EXPECT_EQ(window->Images.Edit6->Text(), "0.1");
    window->Undo1->trigger();
    EXPECT_EQ(window->Images.Edit6->Text(), "1");

    // Save writes the size line and the three rows; the caption names the file.
    const std::string project = PathOf("turntable.oep");
    dialogs.AnswerFile(project);
    window->Save1->trigger();
    EXPECT_EQ(Caption(), "Lumivex Photo Object Editor - " + project);
    std::string text;
    ASSERT_TRUE(ReadTextFile(project, text));
    EXPECT_EQ(text, "800\t600\r\n" + paths[0] + "\t0\t0\t0\t1\r\n" + paths[1] +
                        "\t0\t0\t0\t1\r\n" + paths[2] + "\t" + window->Images.Edit3->Text() + "\t0\t0\t1\r\n");

    // New (nothing unsaved, so no question), then Open brings it all back.
    window->Newproject1->trigger();
    EXPECT_EQ(window->ImageCount, 0);
    EXPECT_EQ(Caption(), "Lumivex Photo Object Editor");
    dialogs.AnswerFile(project);
    window->Open1->trigger();
    EXPECT_EQ(window->ImageCount, 3);
    EXPECT_EQ(window->CurrentImage, 1);
    const std::string shift = window->Parameters.StringGrid1->Cell(2, 3);
    EXPECT_NE(shift, "0");
    EXPECT_TRUE(dialogs.questions.empty());

    // The run writes every picture into "result" and says so.
    window->Run1->trigger();
    EXPECT_EQ(LastMessage(), "Images succesfully processed!");
    for (int i = 0; i < 3; ++i) {
        const std::string result = PathOf("result/shot" + std::to_string(i + 1) + ".jpg");
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
    window->Images.Button4Click();  // ">>" on the last image
    EXPECT_EQ(window->CurrentImage, 1);
    EXPECT_EQ(window->Images.TabControl1->TabIndex(), 0);
    window->Images.Button3Click();  // "<<" on the first
    EXPECT_EQ(window->CurrentImage, 3);
    window->Images.SetFields({"7", "-8", "2.5", "1.5"});
    window->Images.Button2Click();  // "Copy to next" on the last image writes row 1
    EXPECT_EQ(Row(1), "1|" + paths[0] + "|7|-8|2.5|1.5");
    window->Images.Button4Click();
    EXPECT_EQ(window->Images.Edit5->Text(), "2.5");
    window->Images.Button5Click();  // "Copy to previous" on the first writes the last row
    EXPECT_EQ(Row(3), "3|" + paths[2] + "|7|-8|2.5|1.5");
    // A field exit on another image, then a move: Undo after the image change does nothing.
    window->Images.Edit3->SetText("5000");
    window->Images.Edit3Exit();
    EXPECT_EQ(window->Images.Edit3->Text(), "3000");
    window->Images.TabControl1->SetTabIndex(1);
    window->Images.TabControl1Change();
    EXPECT_EQ(window->CurrentImage, 2);
    window->Undo1->trigger();
    EXPECT_EQ(window->Images.Edit3->Text(), "0");
    // Output size fields and presets.
    window->Images.Edit1->SetText("abc");
    window->Images.Edit1Exit();
    EXPECT_EQ(window->Images.Edit1->Text(), "800");
    window->Images.ComboBox1->SetItemIndex(1);
    window->Images.ComboBox1Change();
    EXPECT_EQ(window->Images.Image1->Picture().Width(), 240);
    EXPECT_EQ(window->Images.Image1->Picture().Height(), 320);
}

TEST_F(ObjectEditorTest, UnsavedWorkIsNotDroppedWithoutAsking) {
    AddThree();
    Drag(Qt::LeftButton, Qt::NoModifier, {100, 100}, {150, 100});
    dialogs.Answer(TAnswer::Cancel);
    window->Newproject1->trigger();
    EXPECT_EQ(window->ImageCount, 3);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    dialogs.Answer(TAnswer::Yes);
    const std::string project = PathOf("kept.oep");
    dialogs.AnswerFile(project);
    QSignalSpy exits(window.get(), &TObject_Editor::ExitRequested);
    window->Exit1->trigger();
    EXPECT_EQ(exits.count(), 1);
    EXPECT_TRUE(FileExists(project));
    dialogs.Answer(TAnswer::No);
    window->Images.Edit4->SetText("9");
    window->Images.Edit4Exit();
    window->Newproject1->trigger();
    EXPECT_EQ(window->ImageCount, 0);
}

TEST_F(ObjectEditorTest, BadFilesAreNamedAndTheProjectKeepsItsState) {
    const std::string notJpeg = PathOf("notes.jpg");
    WriteBytes(notJpeg, {'t', 'e', 'x', 't'});
    dialogs.AnswerFiles({paths[0], notJpeg});
    window->Addimages1->trigger();
    EXPECT_EQ(window->ImageCount, 2);  // the row stays, marked
    EXPECT_TRUE(window->Parameters.Unreadable(2));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("\n" + notJpeg + ": "), std::string::npos);
    // Its preview is a white frame; the run writes the good one and names the other.
    EXPECT_EQ(window->Images.Image1->Picture().ScanLine(10)[30], 255);
    window->Run1->trigger();
    EXPECT_EQ(LastMessage().find("1 of 2 images were processed."), 0u);
    EXPECT_TRUE(FileExists(PathOf("result/shot1.jpg")));

    // A save that cannot be written keeps the project and its caption; so does a failed open.
    dialogs.Answer(TAnswer::Yes);
    dialogs.AnswerFile(PathOf("no/such/folder/p.oep"));
    window->Newproject1->trigger();
    EXPECT_EQ(LastMessage(), "Can't open file!\nCannot create file \"" +
                                 PathOf("no/such/folder/p.oep") +
                                 "\". No such file or directory");
    EXPECT_EQ(window->ImageCount, 2);
    EXPECT_EQ(Caption(), "Lumivex Photo Object Editor");
    dialogs.Answer(TAnswer::No);
    dialogs.AnswerFile(PathOf("missing.oep"));
    window->Open1->trigger();
    EXPECT_EQ(LastMessage(), "Can't open file!\nCannot open file \"" +
                                 PathOf("missing.oep") +
                                 "\". No such file or directory");
    EXPECT_EQ(window->ImageCount, 2);
    // A picture opened as a project is refused by name; the project stays as it was.
    dialogs.Answer(TAnswer::No);
    dialogs.AnswerFile(paths[1]);
    window->Open1->trigger();
    EXPECT_EQ(LastMessage(), paths[1] + ": the file is not an Object Editor project.");
    EXPECT_EQ(window->ImageCount, 2);
    EXPECT_EQ(window->Parameters.StringGrid1->Cell(1, 1), paths[0]);
}

TEST_F(ObjectEditorTest, SaveRefusesAPathTheProjectFileCannotHold) {
    const std::string tabbed = PathOf("two\tparts.jpg");
    SaveJpegFile(GradientPicture(32, 32), tabbed, 90);
    dialogs.AnswerFiles({paths[0], tabbed});
    window->Addimages1->trigger();
    ASSERT_EQ(window->ImageCount, 2);
    const std::string project = PathOf("p.oep");
    dialogs.AnswerFile(project);
    window->Saveas1->trigger();
    EXPECT_EQ(LastMessage(),
              "The path \"" + PathOf("two<TAB>parts.jpg") +
                  "\" holds a TAB, which a project file cannot hold; nothing was saved.");
    EXPECT_FALSE(FileExists(project));
    EXPECT_EQ(Caption(), "Lumivex Photo Object Editor");
}

TEST_F(ObjectEditorTest, EveryGuideLineStaysVisibleWhenThePreviewIsShownSmall) {
    AddThree();
    for (const int width : {560, 610, 660, 700, 760, 807}) {
        SCOPED_TRACE(width);
        window->resize(width, 600);
        const QImage shown = window->Images.Image1->grab().toImage();
        const QRect r = window->Images.Image1->PictureRect();
        ASSERT_LT(r.width(), 800);
        for (int k = 1; k <= 3; ++k) {
            const QPoint line = window->Images.Image1->PictureToControl({800 * k / 4, 600 * k / 4});
            EXPECT_EQ(shown.pixelColor(line.x(), r.top() + r.height() / 8), Qt::black) << k;
            EXPECT_EQ(shown.pixelColor(r.left() + r.width() / 8, line.y()), Qt::black) << k;
        }
    }
}

// A project naming a path of a megabyte: the message quotes its start and its end, not all of it.
TEST_F(ObjectEditorTest, AHugePathInAProjectIsQuotedShortened) {
    const std::string start = "/nowhere/" + std::string(1 << 20, 'x');
    const std::string huge = start + "/end.jpg";
    const std::string project = PathOf("huge.oep");
    WriteBytes(project, [&] {
        const std::string text = "800\t600\r\n" + huge + "\t0\t0\t0\t1\r\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    dialogs.AnswerFile(project);
    window->Open1->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string& message = dialogs.messages[0];
    EXPECT_LT(message.size(), 1000u);
    EXPECT_NE(message.find("\n/nowhere/xxx"), std::string::npos) << message;
    EXPECT_NE(message.find("/end.jpg"), std::string::npos) << message;
}

// In a parameter field and in the read-only controls text the editing keys edit (select all,
// undo the typing); with the focus elsewhere the same keys run the menu's commands.
TEST_F(ObjectEditorTest, EditingKeysBelongToTheFocusedTextField) {
    AddThree();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QSignalSpy saveAs(window->Saveas1, &QAction::triggered), undo(window->Undo1, &QAction::triggered);

    window->Images.Edit3->setFocus();
    window->Images.Edit3->selectAll();
    QTest::keyClicks(window->Images.Edit3, "12");
    QTest::keyClick(window->Images.Edit3, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->Images.Edit3->selectedText().toStdString(), "12");
    QTest::keyClick(window->Images.Edit3, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(window->Images.Edit3->Text(), "12") << "the typing is undone";

    window->PageControl1->setCurrentIndex(window->PageControl1->indexOf(window->Controls.RichEdit1->parentWidget()));
    window->Controls.RichEdit1->setFocus();
    QTest::keyClick(window->Controls.RichEdit1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->Controls.RichEdit1->textCursor().selectedText().size(),
              window->Controls.RichEdit1->toPlainText().size());
    EXPECT_EQ(saveAs.count(), 0);
    EXPECT_EQ(undo.count(), 0);

    window->Controls.RichEdit1->clearFocus();
    dialogs.CancelFile();
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(saveAs.count(), 1);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(undo.count(), 1);
}
