#include "multi_viewer_window.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <optional>
#include <utility>

#include "atomic_file.h"
#include "controls.h"
#include "image_control.h"
#include "file_error.h"
#include "image_error.h"
#include "memory_question.h"
#include "menu_language.h"
#include "printing.h"
#include "status_bar.h"
#include "text_io.h"
#include "tool_window.h"
#include "ui_language.h"
#include "view_description.h"
#include "view_picture.h"
#include "view_saving.h"

namespace {

const char* const kCaption = "Multi Viewer";
const char* const kOpenFilter = "Multi viewer files|*.mvw";
const char* const kSaveFilter = "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp";

// Shown in the empty window: the commands are on the right mouse button, nothing else says so.
std::string OpenHintText() {
    return UiLanguage == "eng" ? "Right-click to open a view file"
                               : "Щёлкните правой кнопкой мыши, чтобы открыть файл видов";
}

}  // namespace

TMulti_Viewer::TMulti_Viewer(QWidget* parent) : TToolWindow<QWidget>(parent, Qt::Window) {
    SetUpToolWindow(this, kCaption);

    Image1 = MakeImageArea(this);
    Image1->Stretch = true;
    Image1->Proportional = true;
    Image1->Center = true;

    // The list covers the picture while it is shown. It never takes the keyboard, so the
    // release of Shift (or of any key) still reaches the window and hides it; a name is
    // picked with the mouse while Shift is held.
    ListBox1 = new TListBox(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setFocusPolicy(Qt::NoFocus);
    ListBox1->hide();
    ListBox1->OnClick = [this] { ListBox1Click(); };

    StatusBar1 = MakeStatusBar(this, {{100, true}, {100, true}, {50, false}});

    OpenDialog1.Filter = kOpenFilter;
    OpenDialog1.DefaultExt = "mvw";
    // No default extension for saving: a name without a known one gets ".jpg" or ".bmp" by
    // the filter chosen, which a default extension would pre-empt.
    SavePictureDialog1.Filter = kSaveFilter;
    SavePictureDialog1.FilterIndex = 1;

    BuildMenu();
    ForwardEvents({[this](int key, Qt::KeyboardModifiers shift) { FormKeyDown(key, shift); },
                   [this](int key, Qt::KeyboardModifiers shift) { FormKeyUp(key, shift); },
                   [this] { FormResize(); }, PopupMenu1});

    Timer1 = MakeTimer(this, "Timer1", 1000, [this] { Timer1Timer(); });
    Image1->SetEmptyHint(OpenHintText());

    resize(640, 480);  // client area at creation
    FormResize();
}

void TMulti_Viewer::BuildMenu() {
    PopupMenu1 = MakePopupMenu(this, "PopupMenu1");
    Open1 = MakeMenuItem(PopupMenu1, "Open1", "Open");
    PopupMenu1->addSeparator();
    Next1 = MakeMenuItem(PopupMenu1, "Next1", "Next");
    Previous1 = MakeMenuItem(PopupMenu1, "Previous1", "Previous");
    PopupMenu1->addSeparator();
    Copy1 = MakeMenuItem(PopupMenu1, "Copy1", "Copy");
    Save1 = MakeMenuItem(PopupMenu1, "Save1", "Save");
    PopupMenu1->addSeparator();
    Printsetup1 = MakeMenuItem(PopupMenu1, "Printsetup1", "Print setup");
    Print1 = MakeMenuItem(PopupMenu1, "Print1", "Print");
    PopupMenu1->addSeparator();
    Refresh1 = MakeMenuItem(PopupMenu1, "Refresh1", "Refresh");

    OnTriggered({Open1}, [this] { Open1Click(); });
    OnTriggered({Next1}, [this] { Next1Click(); });
    OnTriggered({Previous1}, [this] { Previous1Click(); });
    OnTriggered({Copy1}, [this] { Copy1Click(); });
    OnTriggered({Save1}, [this] { Save1Click(); });
    OnTriggered({Printsetup1}, [this] { Printsetup1Click(); });
    OnTriggered({Print1}, [this] { Print1Click(); });
    OnTriggered({Refresh1}, [this] { Refresh1Click(); });

    PopUpOnRightClick(Image1, PopupMenu1);
}

// ---------------------------------------------------------------------------------------------
// The description file and the views

// The whole file is read and split before anything of the window changes, so a file that
// cannot be read leaves the open one in place.
std::string TMulti_Viewer::ReadDescription(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines = SplitDescriptionLines(text);
    std::vector<std::string> names = ListViews(lines);

    DescriptionLines = std::move(lines);
    viewNames_ = std::move(names);
    DescriptionPath = path;
    ListBox1->SetItems(viewNames_);
    ViewCount = static_cast<int>(viewNames_.size());
    return ViewCount > 0 ? std::string() : NoViewsReason(text, UiLanguage == "eng");
}

// A file that gives no view says so once, naming the file and why, under the usual answer.
bool TMulti_Viewer::ViewsRead(const std::string& path) {
    const std::string reason = ReadDescription(path);
    if (reason.empty()) return true;
    ShowMessage((UiLanguage == "eng" ? "Open file before!\n" : "Сначала откройте файл!\n") +
                FileErrorText(path, reason));
    return false;
}

void TMulti_Viewer::Open1Click() {
    if (!OpenDialog1.Execute()) return;
    const bool read = ViewsRead(OpenDialog1.FileName);
    if (ViewCount > 0) CurrentView = 1;
    SetCaption(this, std::string(kCaption) + " - " + DescriptionPath);
    if (read) Show1Click();
}

void TMulti_Viewer::Refresh1Click() {
    if (!FileOpen()) return;
    const bool read = ViewsRead(DescriptionPath);
    if (ViewCount < CurrentView) CurrentView = 1;
    SetCaption(this, std::string(kCaption) + " - " + DescriptionPath);
    if (read) Show1Click();
}

void TMulti_Viewer::Next1Click() {
    if (++CurrentView > ViewCount) CurrentView = 1;
    Show1Click();
}

void TMulti_Viewer::Previous1Click() {
    if (--CurrentView < 1) CurrentView = ViewCount;
    Show1Click();
}

// A click may arrive as both a click and an activation; the first one hides the list, so a
// pick builds its view once.
void TMulti_Viewer::ListBox1Click() {
    if (!ListBox1->isVisible()) return;
    ListBox1->hide();
    const int index = ListBox1->ItemIndex();
    if (index < 0) return;
    CurrentView = index + 1;
    Show1Click();
}

// Builds the current view afresh from its image file. A view that cannot be built says why
// (naming the view and its picture) and leaves the picture and the status texts as they were.
void TMulti_Viewer::Show1Click() {
    if (!FileOpen()) return;
    const std::optional<ViewSettings> settings = ReadView(DescriptionLines, CurrentView);
    if (!settings || CurrentView > static_cast<int>(viewNames_.size())) {
        ShowMessage("Not found!");
        return;
    }
    const std::string& name = viewNames_[static_cast<std::size_t>(CurrentView - 1)];
    TBitmap picture;
    ViewPictureSource source;
    try {
        if (!WithMemoryQuestion([&] {
                picture = BuildViewPicture(DescriptionPath, CurrentView, name, *settings, &source);
            }))
            return;
    } catch (const ImageError& e) {
        ShowMessage(e.what());
        return;
    }
    Image1->Picture() = std::move(picture);
    Image1->Changed();
    StatusBar1->SetPanelText(0, FormatText("%i / %i", CurrentView, ViewCount));
    StatusBar1->SetPanelText(1, FormatText("%ix%i", Image1->Picture().Width(),
                                           Image1->Picture().Height()));
    StatusBar1->SetPanelText(2, name);
    damageNotices_.Tell(source.path, source.report);
}

// ---------------------------------------------------------------------------------------------
// Copy, save, print

bool TMulti_Viewer::FileOpen() {
    if (ViewCount > 0) return true;
    ShowMessage(UiLanguage == "eng" ? "Open file before!" : "Сначала откройте файл!");
    return false;
}

// A file may be open while none of its views could be built yet: then there is nothing to
// copy, save or print, and no empty file is written.
bool TMulti_Viewer::PictureAvailable() {
    if (!FileOpen()) return false;
    if (!Image1->Picture().Empty()) return true;
    ShowMessage(UiLanguage == "eng" ? "No view is shown!" : "Вид не показан!");
    return false;
}

void TMulti_Viewer::Copy1Click() {
    if (PictureAvailable()) CopyBitmapToClipboard(Image1->Picture());
}

void TMulti_Viewer::Save1Click() {
    if (!PictureAvailable() || !SavePictureDialog1.Execute()) return;
    SaveViewPicture(Image1->Picture(), SavePictureDialog1.FileName, SavePictureDialog1.FilterIndex);
}

void TMulti_Viewer::Printsetup1Click() { PrinterSetupDialog1.Execute(); }

void TMulti_Viewer::Print1Click() {
    if (PictureAvailable() && PrintDialog1.Execute()) PrintBitmap(Image1->Picture());
}

// ---------------------------------------------------------------------------------------------
// Keys, list, window

void TMulti_Viewer::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::ShiftModifier) || key == Qt::Key_Shift) {
        ListBox1->show();
        ListBox1->raise();
    }
    if (key == Qt::Key_Space) Next1Click();
    if (key == Qt::Key_Backspace) Previous1Click();
}

void TMulti_Viewer::FormKeyUp(int, Qt::KeyboardModifiers) { ListBox1->hide(); }

// The picture and the list fill the client area above the status bar.
void TMulti_Viewer::FormResize() {
    LayoutImageOverStatusBar(this, Image1, StatusBar1);
    ListBox1->setGeometry(Image1->geometry());
    Image1->Changed();
}

void TMulti_Viewer::Timer1Timer() {
    if (UiLanguage == AppliedLanguage) return;
    ApplyMenuLanguage({
        {Open1, "Open", "Открыть"},
        {Next1, "Next", "Далее"},
        {Previous1, "Previous", "Назад"},
        {Copy1, "Copy to Clipboard", "Копировать в буфер"},
        {Save1, "Save", "Сохранить"},
        {Print1, "Print", "Печать"},
        {Printsetup1, "Print setup", "Настройки печати"},
        {Refresh1, "Refresh", "Обновить"},
    });
    Image1->SetEmptyHint(OpenHintText());
    AppliedLanguage = UiLanguage;
}
