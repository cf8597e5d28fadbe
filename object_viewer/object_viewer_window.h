#pragma once
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "frame_cache.h"
#include "guarded.h"
#include "object_display.h"
#include "object_frames.h"
#include "object_rotation.h"
#include "tool_window.h"  // the window's base and the controls it is built from

// The Object Viewer: plays a sequence of JPEG frames taken all round an object, turned by a held
// mouse button (the pointer's place across the window sets direction and pace), the held Left
// or Right arrow key, or automatically; each step shows the current frame alone or a stereo
// picture of it and the next frame. Created once, hidden on close; the sequence stays.
class TObject_Viewer : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    // startFile, when not empty, names a file in the folder of a sequence to load now; the
    // sequence then turns by itself once the window is shown.
    explicit TObject_Viewer(QWidget* parent = nullptr, const std::string& startFile = {});

    // Controls.
    TImage* Image1 = nullptr;          // the display, placed and sized by the fit
    TStatusBar* StatusBar1 = nullptr;  // frame text, resolution, three spare panels
    TOpenDialog OpenPictureDialog1;
    QTimer* Timer1 = nullptr;  // 10 ms: the rotation tick (runs while the window is shown)
    QTimer* Timer2 = nullptr;  // 1000 ms: menu captions from UiLanguage
    QMenu* PopupMenu2 = nullptr;

    // Pop-up menu items.
    QAction* Open2 = nullptr;
    QAction* Mono2 = nullptr;
    QAction* Anaglyph2 = nullptr;
    QAction* Horizontalinterlace1 = nullptr;
    QAction* Verticalinterlace2 = nullptr;
    QAction* Swapimages2 = nullptr;
    QAction* Inverserotation2 = nullptr;
    QAction* Autorotate2 = nullptr;
    QActionGroup* ModeGroup = nullptr;

    // Where the pointer is on the screen and where the window's outer frame lies. Read by the
    // tick during a drag; tests replace them to put the pointer into a zone.
    std::function<QPoint()> PointerPosition;
    std::function<QRect()> OuterFrame;

    // Handlers.
    void Open2Click();
    void Draw1Click();
    void Timer1Timer();
    void Timer2Timer();
    void Image1MouseDown();
    void Image1MouseUp();
    void FormKeyDown(int key);
    void FormKeyUp();
    void FormResize();

    // Read-only views of the state, for tests and diagnostics.
    bool SequenceLoaded() const { return sequenceLoaded_; }
    const RotationState& Rotation() const { return rotation_; }
    const std::vector<ObjectFrame>& Frames() const { return frames_; }
    const FrameDisplayCache& Cache() const { return cache_; }
    // The part of the client area above the status bar that the display is fitted into.
    QRect ImageArea() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LoadCommandLineFolder(const std::string& file);
    // Makes loaded the window's sequence (at least one frame); tells the user what was left out.
    void TakeSequence(FrameLoadResult& loaded);
    ObjectViewMode CheckedMode(bool& any) const;
    void FillCacheWhileIdle();
    void ReportDamagedFrames();

    std::vector<ObjectFrame> frames_;
    RotationState rotation_;
    FrameDisplayCache cache_;
    QTimer* fillTimer_ = nullptr;  // builds display pictures in idle time
    bool sequenceLoaded_ = false;
    bool tickBusy_ = false;
    bool reportOpen_ = false;  // a box about damaged frames stands
};
