// The pieces tool windows are built from: plumbing, controls, the picture mapping of TImage,
// question and folder boxes, and the progress adapter, each through what a user does.
#include <gtest/gtest.h>

#include <QAction>
#include <QFocusEvent>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "bar_progress.h"
#include "controls.h"
#include "dialogs.h"
#include "image_control.h"
#include "paint_box.h"
#include "scripted_dialogs.h"
#include "status_bar.h"
#include "tool_window.h"

namespace {

void SendWheel(QWidget* target, int delta) {
    const QPointF at(2, 2);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
}

// A batch as a core would write it: stops between items when asked.
int RunBatch(int items, Progress& progress, int cancelAfter = -1) {
    progress.Start(items);
    int done = 0;
    for (int i = 0; i < items; ++i) {
        if (progress.Cancelled()) break;
        ++done;
        progress.Step();
        if (done == cancelAfter) static_cast<TBarProgress&>(progress).Cancel();
    }
    return done;
}

}  // namespace

TEST(ToolWindow, CommandsShortcutsCaptionLayoutAndWheelGoThroughOnePiece) {
    ScriptedDialogDriver dialogs;
    QWidget window;
    window.resize(300, 200);
    QMenu menu(&window);
    auto* image = new TImage(&window);
    auto* bar = new TStatusBar(&window);
    QAction* item = MakeMenuItem(&menu, "Open1", "Open", QKeySequence("Ctrl+O"));
    QAction* key = MakeShortcut(&window, "Action1", QKeySequence("Ctrl+O"));
    int runs = 0;
    OnTriggered({item, key}, [&] {
        if (++runs == 2) throw std::runtime_error("x.jpg: broken");
    });
    item->trigger();
    key->trigger();  // the throw ends in the error box, not in Qt's event code
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"x.jpg: broken"});
    EXPECT_EQ(item->objectName(), "Open1");
    EXPECT_EQ(item->shortcutContext(), Qt::WidgetShortcut);  // the key runs once, by Action1
    EXPECT_TRUE(window.actions().contains(key));

    for (const std::string caption : {"Viewer - /a/b[*].jpg", "Viewer - [*][*]", "Viewer"}) {
        SetCaption(&window, caption);
        EXPECT_EQ(window.windowTitle().replace("[*][*]", "[*]").toStdString(), caption);
    }

    EXPECT_EQ(LayoutImageOverStatusBar(&window, image, bar), 200 - bar->height());
    EXPECT_EQ(image->geometry(), QRect(0, 0, 300, 200 - bar->height()));
    EXPECT_EQ(bar->geometry().bottom(), 199);

    std::vector<int> deltas;
    ForwardWheel(&window, {&window, image}, [&](int delta) { deltas.push_back(delta); });
    SendWheel(image, 120);
    SendWheel(&window, -240);
    SendWheel(image, 0);  // a touchpad phase without a turn
    EXPECT_EQ(deltas, (std::vector<int>{120, -240}));
}

TEST(Controls, EachReportsTheUsersActionAndAThrowingHandlerEndsInTheErrorBox) {
    ScriptedDialogDriver dialogs;
    QWidget window;
    std::vector<std::string> log;
    auto note = [&](const char* what) { return [&log, what] { log.push_back(what); }; };

    auto* button = new TButton("Clear", &window);
    button->OnClick = [&] { throw std::runtime_error("clear failed"); };
    auto* check = new TCheckBox("Mirror", &window);
    check->OnClick = note("check");
    auto* radio1 = new TRadioButton("0", &window);
    auto* radio2 = new TRadioButton("90", &window);
    radio2->OnClick = note("radio");
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
    list->setGeometry(0, 100, 200, 100);
    window.resize(400, 300);
    window.show();
    QCoreApplication::processEvents();

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"clear failed"});
    check->SetChecked(true);
    radio1->setChecked(true);
    radio2->setChecked(true);
    QTest::keyClicks(edit, "25");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);  // its own context menu
    QCoreApplication::sendEvent(edit, &popup);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &leave);
    combo->SetItemIndex(0);  // from code: no event
    emit combo->activated(1);
    track->SetPosition(42);  // clamped to 10
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);  // as a user
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);

    EXPECT_EQ(log, (std::vector<std::string>{"check", "radio", "change", "change", "exit",
                                             "combo", "track", "dblclick"}));
    EXPECT_EQ(edit->Text(), "25");
    EXPECT_EQ(track->Position(), 10);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->Item(7), "");
    list->SetItemIndex(7);
    EXPECT_EQ(list->ItemIndex(), -1);
    SetHint(button, "Click to swap pictures");
    EXPECT_EQ(Hint(button), "Click to swap pictures");
}

TEST(Controls, PagesAndTabsReportOnlyTheUsersChoice) {
    TPageControl pages;
    int pageChanges = 0, tabChanges = 0;
    pages.OnChange = [&] { ++pageChanges; };
    QWidget* first = pages.AddPage("Parameters");
    pages.AddPage("Images");
    EXPECT_EQ(pages.PageCount(), 2);
    EXPECT_EQ(pages.Page(0), first);
    pages.SetActivePageIndex(1);
    EXPECT_EQ(pages.ActivePageIndex(), 1);
    pages.tabBar()->setCurrentIndex(0);  // as a click on the tab does
    EXPECT_EQ(pageChanges, 1);

    TTabControl tabs;
    tabs.OnChange = [&] { ++tabChanges; };
    tabs.SetTabs({"1", "2", "3"});
    tabs.SetTabIndex(2);
    tabs.setCurrentIndex(0);
    tabs.SetTabs({"1"});
    EXPECT_EQ(tabs.TabCount(), 1);
    EXPECT_EQ(tabChanges, 1);
}

TEST(TImage, ControlPointsMapToPicturePixelsAtAnyZoom) {
    const struct {
        int pictureW, pictureH, controlW, controlH;
        bool stretch, proportional, center;
    } cases[] = {
        {10, 10, 40, 20, false, false, false},  // plain
        {10, 10, 40, 20, false, false, true},   // centred
        {7, 3, 50, 40, true, true, true},       // enlarged, odd factor
        {640, 480, 97, 61, true, true, true},   // shrunk
        {5, 9, 33, 17, true, false, false},     // stretched unevenly
    };
    for (const auto& c : cases) {
        TImage image;
        image.resize(c.controlW, c.controlH);
        image.Picture().SetSize(c.pictureW, c.pictureH);
        image.Stretch = c.stretch;
        image.Proportional = c.proportional;
        image.Center = c.center;
        const QRect shown = image.PictureRect();
        const bool shrunk = shown.width() < c.pictureW;
        EXPECT_FALSE(image.PictureContains(image.ControlToPicture(shown.topLeft() - QPoint(1, 1))));
        EXPECT_FALSE(image.PictureContains(image.ControlToPicture(shown.bottomRight() + QPoint(1, 1))));
        if (!shrunk) {  // the corner pixels are shown at the corners
            EXPECT_EQ(image.ControlToPicture(shown.topLeft()), QPoint(0, 0));
            EXPECT_EQ(image.ControlToPicture(shown.bottomRight()),
                      QPoint(c.pictureW - 1, c.pictureH - 1));
        }
        // Every shown point lies on a picture pixel, and that pixel starts at or before it.
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

TEST(TImage, OverlayIsDrawnOverThePictureInControlCoordinates) {
    TImage image;
    image.resize(40, 40);
    image.Stretch = image.Proportional = image.Center = true;
    image.Picture().SetSize(10, 20);  // shown at 10, 0, 20 x 40
    std::memset(image.Picture().Bits(), 0, 10 * 20 * 3);
    QRect seen;
    image.OnPaintOverlay = [&](QPainter& p, const QRect& shown) {
        seen = shown;
        p.setPen(Qt::red);
        const QPoint centre = image.PictureToControl(QPoint(5, 10));
        p.drawLine(centre.x(), shown.top(), centre.x(), shown.bottom());
    };
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(seen, QRect(10, 0, 20, 40));
    EXPECT_EQ(QColor(shot.pixel(20, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(15, 5)), QColor(Qt::black));
}

TEST(TPaintBox, WheelAndDoubleClickReachTheOwner) {
    TPaintBox box;
    box.resize(20, 20);
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
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"Overwrite?", "Save changes?"}));

    std::string folder = "/start";
    dialogs.CancelFolder();
    EXPECT_FALSE(SelectFolder("Output", folder));
    EXPECT_EQ(folder, "/start");
    dialogs.AnswerFolder("/chosen");
    EXPECT_TRUE(SelectFolder("Output", folder));
    EXPECT_EQ(folder, "/chosen");
    EXPECT_EQ(dialogs.folderRequests.front().folder, "/start");

    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/table";
    TSaveDialog save;
    save.DefaultExt = "txt";
    dialogs.AnswerFile(base);
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, base + ".txt");
    EXPECT_EQ(dialogs.fileRequests.back().defaultExt, "txt");

    // Open completes a typed name only when that finds an existing file.
    TOpenDialog open;
    open.DefaultExt = "txt";
    dialogs.AnswerFile(base);
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, base);
    std::ofstream(base + ".txt") << "1\r\n";
    dialogs.AnswerFile(base);
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, base + ".txt");
}

TEST(TBarProgress, TheBarFollowsTheBatchAndCancelStopsBetweenSteps) {
    TProgressBar bar;
    TBarProgress progress(&bar);
    EXPECT_EQ(RunBatch(5, progress), 5);
    EXPECT_EQ(bar.Max(), 5);
    EXPECT_EQ(bar.Position(), 5);
    EXPECT_EQ(RunBatch(8, progress, 3), 3);
    EXPECT_EQ(bar.Position(), 3);
    EXPECT_EQ(RunBatch(0, progress), 0);  // nothing to do: an empty bar, not a busy one
    EXPECT_EQ(bar.Max(), 1);

    NoProgress headless;
    headless.Start(4);
    headless.Step();
    EXPECT_FALSE(headless.Cancelled());
    EXPECT_EQ(headless.Done(), 1);
}
