#pragma once
#include <QMainWindow>
#include <string>
#include <vector>

#include "bitmap.h"
#include "guarded.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class TImage;
class TStatusBar;
class TAboutBox;

// The launcher: six picture tiles that open the tool windows, a one-text status line that
// describes the tile under the mouse, the Language and Help menus and the tray icon.
class TForm1 : public TGuardedEvents<QMainWindow> {
    Q_OBJECT
public:
    // Takes the locale's country code and the program folder from the system.
    explicit TForm1(QWidget* parent = nullptr);
    // The same start-up with a given country code and program folder.
    TForm1(const std::string& localeCountryCode, const std::string& programFolder,
           QWidget* parent = nullptr);

    // Windows the tiles and the About command show; set once they exist (they are made after
    // the launcher). A null window makes its tile do nothing.
    QWidget* StereoViewer = nullptr;
    QWidget* ObjectViewer = nullptr;
    QWidget* MultiViewer = nullptr;
    QWidget* PanoramaViewer = nullptr;
    QWidget* ColorCorrector = nullptr;
    QWidget* ObjectEditor = nullptr;
    TAboutBox* AboutBox = nullptr;

    // Controls.
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image5 = nullptr;
    TImage* Image6 = nullptr;
    TImage* Image7 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    QMenu* Language1 = nullptr;
    QAction* English1 = nullptr;
    QAction* N2 = nullptr;
    QMenu* N3 = nullptr;
    QAction* Onlinehelp1 = nullptr;
    QAction* About1 = nullptr;
    QSystemTrayIcon* TrayIcon1 = nullptr;
    std::vector<TBitmap> ImageList1;  // 30 pictures of 150 x 150

    // Minimising hides the launcher only when a tray icon can bring it back; without a
    // notification area it minimises normally.
    bool HideOnMinimize = false;

    // Handlers.
    void English1Click();
    void N2Click();
    void Onlinehelp1Click();
    void About1Click();
    void TrayIcon1Click();
    void ApplicationEvents1Minimize();
    void TileMouseEnter(int tile);  // tile number 1..10
    void TileMouseLeave(int tile);
    void TileClick(int tile);

    // The tile control of tile number k (nullptr for the tiles outside the window).
    TImage* Tile(int tile) const;

signals:
    void LauncherClosed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void BuildMenu();
    void ApplyMenuCaptions(bool russian);
    void SetTilePicture(int tile, int slot);
    QWidget* ToolWindowOfTile(int tile) const;
};

// Brings a tool window up: shown, restored when minimised, on top, with the focus.
void ShowToolWindow(QWidget* window);

// The telephone country code of the user's locale territory ("7" for Russia and Kazakhstan).
std::string LocaleCountryCode();
