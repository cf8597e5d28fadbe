// The pieces tool windows are built from, each through what a user does.
#include <gtest/gtest.h>

#include <QAction>
#include <QFocusEvent>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <fstream>
#include <stdexcept>

#include "bar_progress.h"
#include "controls.h"
#include "image_control.h"
#include "paint_box.h"
#include "picture_walk.h"
#include "scripted_dialogs.h"
#include "status_bar.h"
#include "tool_window.h"

namespace {
void SendWheel(QWidget* target, int delta) {
    QWheelEvent wheel(QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
}
}  // namespace

TEST(ToolWindow, CommandsCaptionLayoutAndWheelGoThroughOnePiece) {
    ScriptedDialogDriver dialogs;
    QWidget window;
    window.resize(300, 200);
    QMenu menu(&window);
    auto* image = new TImage(&window);
    auto* bar = new TStatusBar(&window);
    QAction* item = MakeMenuItem(&menu, "Open1", "Open", QKeySequence("Ctrl+O"));
    QAction* key = MakeShortcut(&window, "Action1", QKeySequence("Ctrl+O"));
    int runs = 0;
    OnTriggered({item, key}, [&] { throw std::runtime_error("run " + std::to_string(++runs)); });
    item->trigger();
    key->trigger();  // each throw ends in the error box, not in Qt's event code
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"run 1", "run 2"}));
    EXPECT_EQ(item->shortcutContext(), Qt::WidgetShortcut);  // the key runs once, by Action1

    SetCaption(&window, "Viewer - /a/b[*].jpg");
    EXPECT_EQ(window.windowTitle(), "Viewer - /a/b[*][*].jpg");  // Qt shows it as written

    EXPECT_EQ(LayoutImageOverStatusBar(&window, image, bar), 200 - bar->height());
    EXPECT_EQ(bar->geometry(), QRect(0, 200 - bar->height(), 300, bar->height()));

    std::vector<int> deltas;
    ForwardWheel(&window, {&window, image}, [&](int delta) { deltas.push_back(delta); });
    SendWheel(image, 120);
    SendWheel(&window, -240);
    SendWheel(image, 0);  // a touchpad phase without a turn
    EXPECT_EQ(deltas, (std::vector<int>{120, -240}));
}

TEST(PictureWalk, TheChosenFileStaysCurrentAndTheWalkStepsFromIt) {
    ScriptedDialogDriver dialogs;
    QTemporaryDir dir;
    const std::string a = dir.filePath("a.jpg").toStdString();
    const std::string b = dir.filePath("b.jpg").toStdString();
    for (const std::string& path : {a, b}) std::ofstream(path) << "x";
    TOpenDialog dialog;
    PictureWalk files("*.jp*");
    std::vector<std::string> opened;
    const auto open = [&](const std::string& file) { opened.push_back(file); };

    dialogs.CancelFile();
    EXPECT_FALSE(files.Choose(dialog, ""));
    files.Step(+1, open);  // nothing chosen yet: nowhere to step
    dialogs.AnswerFile(a);
    EXPECT_EQ(files.Choose(dialog, ""), a);
    files.Step(+1, open);
    ASSERT_EQ(opened, std::vector<std::string>{b});
    EXPECT_EQ(files.Choose(dialog, opened.back()), b);  // a handed path skips the dialog
    EXPECT_EQ(dialog.FileName, b);                      // which starts at it next time
    dialogs.CancelFile();
    EXPECT_FALSE(files.Choose(dialog, ""));
    EXPECT_EQ(files.Current(), b);  // cancelling keeps the walk where it was
    files.Step(-1, open);
    EXPECT_EQ(opened.back(), a);
}

TEST(Controls, EachReportsTheUsersActionAndAThrowingHandlerEndsInTheErrorBox) {
    ScriptedDialogDriver dialogs;
    QWidget window;
    std::vector<std::string> log;
    auto note = [&](const char* what) { return [&log, what] { log.push_back(what); }; };
    auto* button = new TButton("Clear", &window);
    button->OnClick = [] { throw std::runtime_error("clear failed"); };
    auto* check = new TCheckBox("Mirror", &window);
    check->OnClick = note("check");
    auto* radio = new TRadioButton("90", &window);
    radio->OnClick = note("radio");
    auto* edit = new TEdit(&window);
    edit->OnChange = note("change");
    edit->OnExit = note("exit");
    auto* combo = new TComboBox(&window);
    combo->SetItems({"800x600", "1024x768"});
    combo->OnChange = note("combo");
    auto* track = new TTrackBar(&window);
    track->SetRange(1, 10);
    track->OnChange = note("track");
    auto* list = new TListBox(&window);
    list->SetItems({"front", "back"});
    list->OnDblClick = note("dblclick");
    auto* pages = new TPageControl(&window);
    pages->OnChange = note("page");
    pages->AddPage("Parameters");
    pages->AddPage("Images");
    list->setGeometry(0, 100, 200, 100);
    window.resize(400, 300);
    window.show();
    QCoreApplication::processEvents();

    QTest::mouseClick(button, Qt::LeftButton);
    check->SetChecked(true);
    radio->SetChecked(true);
    QTest::keyClicks(edit, "25");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);  // its own context menu
    QCoreApplication::sendEvent(edit, &popup);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &leave);
    combo->SetItemIndex(0);  // choices made by code are no user events
    emit combo->activated(1);
    track->SetPosition(42);
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    pages->SetActivePageIndex(1);
    pages->tabBar()->setCurrentIndex(0);  // as a click on the tab does

    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"clear failed"});
    EXPECT_EQ(log, (std::vector<std::string>{"check", "radio", "change", "change", "exit",
                                             "combo", "track", "dblclick", "page"}));
    EXPECT_EQ(track->Position(), 10);  // clamped to the range
    EXPECT_EQ(list->ItemIndex(), 1);
    SetHint(button, "Click to swap pictures");
    EXPECT_EQ(Hint(button), "Click to swap pictures");
}

TEST(TImage, ControlPointsMapToThePicturePixelsShownThereAtAnyZoom) {
    const struct {
        int pictureW, pictureH, controlW, controlH;
        bool stretch, proportional, center;
    } cases[] = {
        {10, 10, 40, 20, false, false, true},  // plain, centred
        {7, 3, 50, 40, true, true, true},      // enlarged by an odd factor
        {640, 480, 97, 61, true, true, true},  // shrunk
        {5, 9, 33, 17, true, false, false},    // stretched unevenly
    };
    for (const auto& c : cases) {
        TImage image;
        image.resize(c.controlW, c.controlH);
        image.Picture().SetSize(c.pictureW, c.pictureH);
        image.Stretch = c.stretch;
        image.Proportional = c.proportional;
        image.Center = c.center;
        const QRect shown = image.PictureRect();
        EXPECT_FALSE(image.PictureContains(image.ControlToPicture(shown.topLeft() - QPoint(1, 1))));
        EXPECT_FALSE(image.PictureContains(image.ControlToPicture(shown.bottomRight() + QPoint(1, 1))));
        if (shown.width() >= c.pictureW) {  // not shrunk: the corner pixel at the corner
            EXPECT_EQ(image.ControlToPicture(shown.bottomRight()),
                      QPoint(c.pictureW - 1, c.pictureH - 1));
        }
        // Every shown point lies on a picture pixel, which starts at or before it.
        for (int x = shown.left(); x <= shown.right(); x += 2)
            for (int y = shown.top(); y <= shown.bottom(); y += 3) {
                const QPoint pixel = image.ControlToPicture(QPoint(x, y));
                ASSERT_TRUE(image.PictureContains(pixel)) << x << "," << y;
                const QPoint start = image.PictureToControl(pixel);
                EXPECT_TRUE(start.x() <= x && start.y() <= y) << x << "," << y;
                EXPECT_EQ(image.ControlToPicture(start), pixel);
            }
    }
}

TEST(TImage, OverlayIsDrawnOverThePicture) {
    TImage image;
    image.resize(40, 40);
    image.Stretch = image.Proportional = image.Center = true;
    image.Picture().SetSize(10, 20);  // black, shown at 10, 0, 20 x 40
    image.OnPaintOverlay = [&](QPainter& p, const QRect& shown) {
        const int x = image.PictureToControl(QPoint(5, 10)).x();
        p.setPen(Qt::red);
        p.drawLine(x, shown.top(), x, shown.bottom());
    };
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(20, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(15, 5)), QColor(Qt::black));
}

TEST(TPaintBox, WheelAndDoubleClickReachTheOwner) {
    TPaintBox box;
    box.show();
    int wheel = 0, doubles = 0;
    box.OnMouseWheel = [&](int delta) { wheel += delta; };
    box.OnDoubleClick = [&](QMouseEvent*) { ++doubles; };
    SendWheel(&box, -120);
    SendWheel(&box, 0);
    QTest::mouseDClick(&box, Qt::LeftButton);
    EXPECT_EQ(wheel, -120);
    EXPECT_EQ(doubles, 1);
}

TEST(Dialogs, QuestionsFolderChooserAndDefaultExtAreScriptable) {
    ScriptedDialogDriver dialogs;
    dialogs.Answer(TAnswer::No);
    dialogs.Answer(TAnswer::Cancel);
    EXPECT_EQ(AskYesNo("Overwrite?"), TAnswer::No);
    EXPECT_EQ(AskYesNoCancel("Save changes?"), TAnswer::Cancel);
    std::string folder = "/start";
    dialogs.CancelFolder();
    dialogs.AnswerFolder("/chosen");
    EXPECT_FALSE(SelectFolder("Output", folder));
    EXPECT_EQ(folder, "/start");
    EXPECT_TRUE(SelectFolder("Output", folder));
    EXPECT_EQ(folder, "/chosen");

    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/table";
    TSaveDialog save;
    save.DefaultExt = "txt";
    dialogs.AnswerFile(base);
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, base + ".txt");
    // Open completes a typed name only when that finds an existing file.
    TOpenDialog open;
    open.DefaultExt = "txt";
    for (const std::string& expected : {base, base + ".txt"}) {
        dialogs.AnswerFile(base);
        ASSERT_TRUE(open.Execute());
        EXPECT_EQ(open.FileName, expected);
        std::ofstream(base + ".txt") << "1\r\n";
    }
}

// A batch as a core writes it: the bar follows it, and a cancel stops it between two steps.
TEST(TBarProgress, TheBarFollowsTheBatchAndCancelStopsBetweenSteps) {
    TProgressBar bar;
    TBarProgress progress(&bar);
    auto run = [&](int items, int cancelAfter) {
        progress.Start(items);
        int done = 0;
        while (done < items && !progress.Cancelled()) {
            progress.Step();
            if (++done == cancelAfter) progress.Cancel();
        }
        return done;
    };
    EXPECT_EQ(run(5, -1), 5);
    EXPECT_EQ(bar.Max(), 5);
    EXPECT_EQ(bar.Position(), 5);
    EXPECT_EQ(run(8, 3), 3);
    EXPECT_EQ(bar.Position(), 3);
    run(0, -1);
    EXPECT_EQ(bar.Max(), 1);  // nothing to do: an empty bar, not a busy one
}
