#include "stereo_viewer_window.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <optional>
#include <utility>

#include "busy_mark.h"
#include "image_control.h"
#include "memory_question.h"
#include "menu_language.h"
#include "stereo_file.h"
#include "status_bar.h"
#include "tool_window.h"

namespace {

const char* const kOpenFilter =
    "All (*.jpg;*.jpeg;*.jps;*.mpo)|*.jpg;*.jpeg;*.jps;*.mpo|JPEG Image File (*.jpg)|*.jpg|"
    "JPEG Image File (*.jpeg)|*.jpeg|JPS (*.jps)|*.jps|MPO (*.mpo)|*.mpo";

// Red and cyan lenses: the tool's icon, drawn rather than shipped.
QIcon StereoIcon() {
    return DrawnIcon([](QPainter& painter) {
        painter.setPen(QPen(QColor(40, 40, 40), 2));
        painter.setBrush(QColor(220, 30, 30));
        painter.drawEllipse(QRect(2, 9, 13, 13));
        painter.setBrush(QColor(0, 200, 220));
        painter.drawEllipse(QRect(17, 9, 13, 13));
        painter.drawLine(15, 14, 17, 14);
    });
}

}  // namespace

TStereo_Viewer::TStereo_Viewer(QWidget* parent) : TToolWindow<QWidget>(parent, Qt::Window) {
    SetUpToolWindow(this, "Stereo Photo Viewer", StereoIcon());

    BuildImageArea();
    OpenPictureDialog1.Filter = kOpenFilter;
    OpenPictureDialog1.FilterIndex = 1;
    BuildMenu();
    BuildShortcuts();
    ForwardEvents({[this](int key, Qt::KeyboardModifiers shift) { FormKeyDown(key, shift); },
                   {}, [this] { FormResize(); }});

    Timer1 = MakeTimer(this, "Timer1", 1000, [this] { Timer1Timer(); });

    move(0, 0);
    resize(607, 478);  // the client area
    LayoutImageOverStatusBar(this, Image1, StatusBar1);
}

void TStereo_Viewer::BuildImageArea() {
    Image1 = MakeImageArea(this);
    Image1->OnMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image1MouseMove(e->buttons(), e->modifiers(), at.x(), at.y());
    };
    // The wheel zooms wherever the pointer is in the window, the image area included.
    ForwardWheel(this, {this, Image1}, [this](int delta) { FormMouseWheel(delta); });

    StatusBar1 =
        MakeStatusBar(this, {{100, true}, {150, true}, {150, true}, {50, true}, {50, false}});
}

void TStereo_Viewer::BuildMenu() {
    Menu.PopupMenu1 = MakePopupMenu(this, "PopupMenu1");
    QMenu* menu = Menu.PopupMenu1;
    Menu.Open1 = MakeMenuItem(menu, "Open1", "Open", QKeySequence("Ctrl+O"));
    Menu.Next1 = MakeMenuItem(menu, "Next1", "Next", QKeySequence("Ctrl+N"));
    Menu.Previous1 = MakeMenuItem(menu, "Previous1", "Previous", QKeySequence("Ctrl+P"));
    menu->addSeparator();
    Menu.Fittowidth1 = MakeMenuItem(menu, "Fittowidth1", "Fit to width", QKeySequence("Ctrl+W"));
    Menu.Fittoheight1 = MakeMenuItem(menu, "Fittoheight1", "Fit to height", QKeySequence("Ctrl+H"));
    Menu.Fittowindow1 = MakeMenuItem(menu, "Fittowindow1", "Fit to window", QKeySequence("Ctrl+F"));
    menu->addSeparator();
    Menu.Zoomin1 = MakeMenuItem(menu, "Zoomin1", "Zoom in", QKeySequence("Ctrl+I"));
    Menu.Zoomout1 = MakeMenuItem(menu, "Zoomout1", "Zoom out", QKeySequence("Ctrl+U"));
    menu->addSeparator();
    Menu.Left1 = MakeMenuItem(menu, "Left1", "Left", QKeySequence(Qt::Key_F1));
    Menu.Right1 = MakeMenuItem(menu, "Right1", "Right", QKeySequence(Qt::Key_F2));
    Menu.Anaglyph1 = MakeMenuItem(menu, "Anaglyph1", "Anaglyph", QKeySequence(Qt::Key_F3));
    Menu.Horizontalinterlace1 = MakeMenuItem(menu, "Horizontalinterlace1", "Horizontal interlace",
                                        QKeySequence(Qt::Key_F4));
    Menu.Verticalinterlace1 = MakeMenuItem(menu, "Verticalinterlace1", "Vertical interlace",
                                      QKeySequence(Qt::Key_F5));
    menu->addSeparator();
    Menu.Swapimages1 = MakeMenuItem(menu, "Swapimages1", "Swap images", QKeySequence("Ctrl+S"));

    const std::initializer_list<QAction*> modes = {Menu.Left1, Menu.Right1, Menu.Anaglyph1,
                                                   Menu.Horizontalinterlace1,
                                                   Menu.Verticalinterlace1};
    Menu.ModeGroup = MakeExclusiveGroup(this, modes);
    OnTriggered(modes, [this] { Draw1Click(); });
    Menu.Anaglyph1->setChecked(true);
    Menu.Swapimages1->setCheckable(true);
    OnTriggered({Menu.Swapimages1}, [this] { Swapimages1Click(); });

    PopUpOnRightClick(Image1, Menu.PopupMenu1);
}

// Window-wide keys; the menu's own commands are wired to the same handlers here.
void TStereo_Viewer::BuildShortcuts() {
    Shortcuts.Action1 = MakeShortcut(this, "Action1", QKeySequence("Ctrl+O"));
    Shortcuts.Action2 = MakeShortcut(this, "Action2", QKeySequence("Ctrl+N"));
    Shortcuts.Action3 = MakeShortcut(this, "Action3", QKeySequence("Ctrl+P"));
    Shortcuts.Action4 = MakeShortcut(this, "Action4", QKeySequence("Ctrl+S"));
    Shortcuts.Action5 = MakeShortcut(this, "Action5", QKeySequence(Qt::Key_F1));
    Shortcuts.Action6 = MakeShortcut(this, "Action6", QKeySequence(Qt::Key_F2));
    Shortcuts.Action7 = MakeShortcut(this, "Action7", QKeySequence(Qt::Key_F3));
    Shortcuts.Action8 = MakeShortcut(this, "Action8", QKeySequence(Qt::Key_F4));
    Shortcuts.Action9 = MakeShortcut(this, "Action9", QKeySequence(Qt::Key_F5));
    Shortcuts.Action10 = MakeShortcut(this, "Action10", QKeySequence("Ctrl+W"));
    Shortcuts.Action11 = MakeShortcut(this, "Action11", QKeySequence("Ctrl+H"));
    Shortcuts.Action12 = MakeShortcut(this, "Action12", QKeySequence("Ctrl+F"));
    Shortcuts.Action13 = MakeShortcut(this, "Action13", QKeySequence("Ctrl+I"));
    Shortcuts.Action14 = MakeShortcut(this, "Action14", QKeySequence("Ctrl+U"));
    OnTriggered({Menu.Open1, Shortcuts.Action1}, [this] { Open1Click(); });
    OnTriggered({Menu.Next1, Shortcuts.Action2}, [this] { Next1Click(); });
    OnTriggered({Menu.Previous1, Shortcuts.Action3}, [this] { Previous1Click(); });
    OnTriggered({Shortcuts.Action4}, [this] { Action4Execute(); });
    OnTriggered({Shortcuts.Action5}, [this] { Action5Execute(); });
    OnTriggered({Shortcuts.Action6}, [this] { Action6Execute(); });
    OnTriggered({Shortcuts.Action7}, [this] { Action7Execute(); });
    OnTriggered({Shortcuts.Action8}, [this] { Action8Execute(); });
    OnTriggered({Shortcuts.Action9}, [this] { Action9Execute(); });
    OnTriggered({Menu.Fittowidth1, Shortcuts.Action10}, [this] { Fittowidth1Click(); });
    OnTriggered({Menu.Fittoheight1, Shortcuts.Action11}, [this] { Fittoheight1Click(); });
    OnTriggered({Menu.Fittowindow1, Shortcuts.Action12}, [this] { Fittowindow1Click(); });
    OnTriggered({Menu.Zoomin1, Shortcuts.Action13}, [this] { Zoomin1Click(); });
    OnTriggered({Menu.Zoomout1, Shortcuts.Action14}, [this] { Zoomout1Click(); });
}

int TStereo_Viewer::ImageAreaWidth() const { return Image1->width(); }
int TStereo_Viewer::ImageAreaHeight() const { return Image1->height(); }

void TStereo_Viewer::Open1Click(const std::string& path) {
    const std::optional<std::string> chosen = files_.Choose(OpenPictureDialog1, path);
    if (!chosen) return;
    const std::string& file = *chosen;
    // Everything that can fail happens before the window changes: pair, caption and view stay
    // as they were.
    StereoFile opened;
    if (!WithMemoryQuestion([&] { opened = LoadStereoFile(file); })) return;

    pair_ = std::move(opened.pair);
    SetCaption(this, "Stereo Viewer - " + file);
    StatusBar1->SetPanelText(0, PairSizeText(pair_));
    loaded_ = true;
    view_.scale = FitScale(StereoFit::Window, pair_.halfWidth, pair_.height, ImageAreaWidth(),
                           ImageAreaHeight(), view_.scale);
    view_.positionX = view_.positionY = 0.0f;
    view_.parallaxX = view_.parallaxY = 0.0f;
    // A 3D camera's stored parallax is where the user would have put it by hand.
    if (opened.parallaxX) view_.parallaxX = *opened.parallaxX;
    StatusBar1->SetPanelText(4, opened.ignoredMetadata.empty() ? std::string()
                                                               : "Metadata ignored: " + opened.ignoredMetadata);
    Draw1Click();
}

void TStereo_Viewer::StepThroughFolder(int step) {
    if (loaded_) files_.Step(step, [this](const std::string& file) { Open1Click(file); });
}

void TStereo_Viewer::Next1Click() { StepThroughFolder(+1); }
void TStereo_Viewer::Previous1Click() { StepThroughFolder(-1); }

void TStereo_Viewer::Fit(StereoFit fit) {
    if (!loaded_) return;
    view_.scale = FitScale(fit, pair_.halfWidth, pair_.height, ImageAreaWidth(), ImageAreaHeight(),
                           view_.scale);
    view_.positionX = view_.positionY = 0.0f;
    Draw1Click();
}

void TStereo_Viewer::Fittowidth1Click() { Fit(StereoFit::Width); }
void TStereo_Viewer::Fittoheight1Click() { Fit(StereoFit::Height); }
void TStereo_Viewer::Fittowindow1Click() { Fit(StereoFit::Window); }

void TStereo_Viewer::Zoomin1Click() {
    if (!loaded_) return;
    view_.scale = ZoomInScale(view_.scale);
    Draw1Click();
}

void TStereo_Viewer::Zoomout1Click() {
    if (!loaded_) return;
    view_.scale = ZoomOutScale(view_.scale);
    Draw1Click();
}

void TStereo_Viewer::Draw1Click() {
    if (!loaded_ || rendering_) return;
    BusyMark busy(rendering_);

    const std::pair<QAction*, StereoMode> modes[] = {
        {Menu.Left1, StereoMode::Left},
        {Menu.Right1, StereoMode::Right},
        {Menu.Anaglyph1, StereoMode::Anaglyph},
        {Menu.Horizontalinterlace1, StereoMode::HorizontalInterlace},
        {Menu.Verticalinterlace1, StereoMode::VerticalInterlace}};
    for (const auto& [item, mode] : modes)
        if (item->isChecked()) {
            view_.mode = mode;
            break;
        }
    view_.swap = Menu.Swapimages1->isChecked();

    TBitmap& picture = Image1->Picture();
    if (picture.Width() != ImageAreaWidth() || picture.Height() != ImageAreaHeight())
        picture.SetSize(ImageAreaWidth(), ImageAreaHeight());
    RenderStereoView(pair_, view_, picture);

    StatusBar1->SetPanelText(3, ZoomText(view_.scale));
    StatusBar1->SetPanelText(1, ParallaxText(view_));
    StatusBar1->SetPanelText(2, PositionText(view_));
    Image1->Changed();
}

void TStereo_Viewer::Swapimages1Click() { Draw1Click(); }

// The shortcut runs the menu item, which toggles its own check mark once.
void TStereo_Viewer::Action4Execute() { Menu.Swapimages1->trigger(); }
void TStereo_Viewer::Action5Execute() { Menu.Left1->trigger(); }
void TStereo_Viewer::Action6Execute() { Menu.Right1->trigger(); }
void TStereo_Viewer::Action7Execute() { Menu.Anaglyph1->trigger(); }
void TStereo_Viewer::Action8Execute() { Menu.Horizontalinterlace1->trigger(); }
void TStereo_Viewer::Action9Execute() { Menu.Verticalinterlace1->trigger(); }

void TStereo_Viewer::Image1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                     int X, int Y) {
    if (!loaded_) return;
    if (buttons & Qt::LeftButton) {
        ApplyDrag(view_, X - lastX_, Y - lastY_, (modifiers & Qt::ShiftModifier) != 0);
        Draw1Click();
    }
    lastX_ = X;
    lastY_ = Y;
}

void TStereo_Viewer::FormMouseWheel(int wheelDelta) {
    if (!loaded_) return;
    if (wheelDelta > 0)
        Zoomout1Click();
    else
        Zoomin1Click();
}

void TStereo_Viewer::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    switch (key) {
        case Qt::Key_Space:
            Next1Click();
            return;
        case Qt::Key_Backspace:
            Previous1Click();
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (loaded_) {
                const ArrowKey arrow = key == Qt::Key_Left    ? ArrowKey::Left
                                       : key == Qt::Key_Right ? ArrowKey::Right
                                       : key == Qt::Key_Up    ? ArrowKey::Up
                                                              : ArrowKey::Down;
                ApplyArrowKey(view_, arrow, shift);
            }
            break;
        default:
            break;
    }
    Draw1Click();
}

void TStereo_Viewer::FormResize() {
    LayoutImageOverStatusBar(this, Image1, StatusBar1);
    // The display picture follows the image area on every resize, loaded or not, so an empty
    // viewer shows its (black) picture over the whole area.
    TBitmap& picture = Image1->Picture();
    if (picture.Width() != ImageAreaWidth() || picture.Height() != ImageAreaHeight()) {
        picture.SetSize(ImageAreaWidth(), ImageAreaHeight());
        Image1->Changed();
    }
    if (loaded_) {
        view_.scale = FitScale(StereoFit::Window, pair_.halfWidth, pair_.height, ImageAreaWidth(),
                               ImageAreaHeight(), view_.scale);
        view_.positionX = view_.positionY = 0.0f;
    }
    Draw1Click();
}

void TStereo_Viewer::Timer1Timer() {
    ApplyMenuLanguage({
        {Menu.Open1, "Open", "Открыть"},
        {Menu.Next1, "Next", "Далее"},
        {Menu.Previous1, "Previous", "Назад"},
        {Menu.Fittowidth1, "Fit to width", "По ширине"},
        {Menu.Fittoheight1, "Fit to height", "По высоте"},
        {Menu.Fittowindow1, "Fit to window", "По размеру окна"},
        {Menu.Zoomin1, "Zoom in", "Увеличить"},
        {Menu.Zoomout1, "Zoom out", "Уменьшить"},
        {Menu.Left1, "Left", "Левый"},
        {Menu.Right1, "Right", "Правый"},
        {Menu.Anaglyph1, "Anaglyph", "Анаглиф"},
        {Menu.Horizontalinterlace1, "Horizontal interlace", "Построчно"},
        {Menu.Verticalinterlace1, "Vertical interlace", "Постолбцово"},
        {Menu.Swapimages1, "Swap images", "Обменять изображения"},
    });
}
