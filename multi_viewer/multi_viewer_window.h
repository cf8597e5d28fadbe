#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "damage_notices.h"
#include "dialogs.h"
#include "guarded.h"
#include "tool_window.h"  // the window's base and the controls it is built from

class QAction;
class QMenu;
class QTimer;
class TImage;
class TListBox;
class TStatusBar;

// The Multi Viewer: opens a view description file (".mvw") and shows one of its views at a
// time, the view's image run through its adjustment chain and fitted to the window. Views are
// stepped through with Space/Backspace or Next/Previous (wrapping) or picked from the list that
// Shift shows; Refresh reads the file again. The picture is copied, saved or printed at its
// full size. Created once; closing only hides it. Its events and menu commands run guarded.
class TMulti_Viewer : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    explicit TMulti_Viewer(QWidget* parent = nullptr);

    // Controls.
    TImage* Image1 = nullptr;          // the built picture, fitted proportionally and centred
    TListBox* ListBox1 = nullptr;      // the view names; shown only while Shift is held
    TStatusBar* StatusBar1 = nullptr;  // "n / count", "WxH" of the built picture, view name
    QMenu* PopupMenu1 = nullptr;       // right click on the window or on Image1
    TOpenDialog OpenDialog1;
    TSaveDialog SavePictureDialog1;
    TPrintDialog PrintDialog1;
    TPrinterSetupDialog PrinterSetupDialog1;
    QTimer* Timer1 = nullptr;  // 1000 ms: menu captions in the current language

    // PopupMenu1 items, in menu order.
    QAction* Open1 = nullptr;
    QAction* Next1 = nullptr;
    QAction* Previous1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Printsetup1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Refresh1 = nullptr;

    // State. ViewCount <= 0 means no file is open, for every command.
    std::vector<std::string> DescriptionLines;
    int ViewCount = -1;
    int CurrentView = 0;  // 1-based
    std::string AppliedLanguage;
    std::string DescriptionPath;

    // Handlers. Reading the description file or building a view happens into temporaries
    // first; a failure shows its message and leaves the window as it was.
    void Open1Click();
    void Next1Click();
    void Previous1Click();
    void Show1Click();
    void Refresh1Click();
    void Copy1Click();
    void Save1Click();
    void Printsetup1Click();
    void Print1Click();
    void ListBox1Click();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void FormResize();
    void Timer1Timer();

private:
    void BuildMenu();
    // Returns why the file gives no view ("" when it gives some).
    std::string ReadDescription(const std::string& path);
    // ReadDescription, telling the user when the file gives no view; false then.
    bool ViewsRead(const std::string& path);
    bool FileOpen();           // a file with views is open; otherwise says so
    bool PictureAvailable();   // ...and a view has been built

    std::vector<std::string> viewNames_;  // ListBox1's items as read, byte for byte
    TDamageNotices damageNotices_;
};
