#pragma once
#include <QWidget>
#include <functional>
#include <string>

#include "dialogs.h"
#include "guarded.h"
#include "picture_walk.h"
#include "stereo_composition.h"
#include "stereo_view_commands.h"
#include "tool_window.h"  // the window's base and the controls it is built from

// The Stereo Viewer: opens a side-by-side stereo photograph and shows it as left view, right
// view, anaglyph or interlaced picture, with zoom, pan, parallax and stepping through the JPEG
// files of the file's folder. Created once, hidden on close; the pair and the view settings stay.
// Its events and menu commands run guarded: a failure shows the error box, the command ends.
class TStereo_Viewer : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    explicit TStereo_Viewer(QWidget* parent = nullptr);

    // Controls.
    TImage* Image1 = nullptr;          // the image area; its picture is the display bitmap
    TStatusBar* StatusBar1 = nullptr;  // size, parallax, position, zoom, (empty)
    TOpenDialog OpenPictureDialog1;
    QTimer* Timer1 = nullptr;  // relabels the menu from UiLanguage every second

    // The pop-up menu, opened by a right click on Image1, and its items.
    struct StereoMenu {
        QMenu* PopupMenu1 = nullptr;
        QAction* Open1 = nullptr;
        QAction* Next1 = nullptr;
        QAction* Previous1 = nullptr;
        QAction* Fittowidth1 = nullptr;
        QAction* Fittoheight1 = nullptr;
        QAction* Fittowindow1 = nullptr;
        QAction* Zoomin1 = nullptr;
        QAction* Zoomout1 = nullptr;
        QAction* Left1 = nullptr;
        QAction* Right1 = nullptr;
        QAction* Anaglyph1 = nullptr;
        QAction* Horizontalinterlace1 = nullptr;
        QAction* Verticalinterlace1 = nullptr;
        QAction* Swapimages1 = nullptr;
        QActionGroup* ModeGroup = nullptr;  // the five mode items, one checked
    };
    StereoMenu Menu;

    // Window-wide keyboard shortcuts running the same commands as the menu items.
    struct StereoShortcuts {
        QAction* Action1 = nullptr;   // Ctrl+O  Open
        QAction* Action2 = nullptr;   // Ctrl+N  Next
        QAction* Action3 = nullptr;   // Ctrl+P  Previous
        QAction* Action4 = nullptr;   // Ctrl+S  Swap images
        QAction* Action5 = nullptr;   // F1      Left
        QAction* Action6 = nullptr;   // F2      Right
        QAction* Action7 = nullptr;   // F3      Anaglyph
        QAction* Action8 = nullptr;   // F4      Horizontal interlace
        QAction* Action9 = nullptr;   // F5      Vertical interlace
        QAction* Action10 = nullptr;  // Ctrl+W  Fit to width
        QAction* Action11 = nullptr;  // Ctrl+H  Fit to height
        QAction* Action12 = nullptr;  // Ctrl+F  Fit to window
        QAction* Action13 = nullptr;  // Ctrl+I  Zoom in
        QAction* Action14 = nullptr;  // Ctrl+U  Zoom out
    };
    StereoShortcuts Shortcuts;

    // Handlers. Open1Click shows the dialog unless it is handed a path (Next, Previous). A
    // file that does not decode throws ImageError out of the handler and leaves the window as
    // it was; the event glue shows the message in the application's error box.
    void Open1Click(const std::string& path = std::string());
    void Next1Click();
    void Previous1Click();
    void Fittowidth1Click();
    void Fittoheight1Click();
    void Fittowindow1Click();
    void Zoomin1Click();
    void Zoomout1Click();
    void Draw1Click();  // the render; also the click of the five mode items
    void Swapimages1Click();
    void Action4Execute();
    void Action5Execute();
    void Action6Execute();
    void Action7Execute();
    void Action8Execute();
    void Action9Execute();
    void Image1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int X, int Y);
    void FormMouseWheel(int wheelDelta);
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormResize();
    void Timer1Timer();

    // Read-only views of the state, for tests and diagnostics.
    const StereoViewState& ViewState() const { return view_; }
    const StereoPair& Pair() const { return pair_; }
    bool Loaded() const { return loaded_; }
    const std::string& CurrentFile() const { return files_.Current(); }
    int ImageAreaWidth() const;
    int ImageAreaHeight() const;

private:
    void BuildImageArea();
    void BuildMenu();
    void BuildShortcuts();
    void StepThroughFolder(int step);
    void Fit(StereoFit fit);

    StereoPair pair_;
    StereoViewState view_;
    bool loaded_ = false;
    bool rendering_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    // MPO pairs follow the JPEGs of the folder.
    PictureWalk files_{"*.jp*", "*.mpo"};
};
