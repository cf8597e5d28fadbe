#pragma once
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TApplication;
class TForm1;
class TAboutBox;
class TColor_Corrector;
class TObject_Viewer;
class TStereo_Viewer;
class TObject_Editor;
class TPanorama_Viewer;
class TMulti_Viewer;

// The eight windows of the program, alive from start to end. Members are declared in creation
// order, so they are destroyed in the reverse order.
struct MainWindows {
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TColor_Corrector> Color_Corrector;
    std::unique_ptr<TObject_Viewer> Object_Viewer;
    std::unique_ptr<TStereo_Viewer> Stereo_Viewer;
    std::unique_ptr<TObject_Editor> Object_Editor;
    std::unique_ptr<TPanorama_Viewer> Panorama_Viewer;
    std::unique_ptr<TMulti_Viewer> Multi_Viewer;

    MainWindows();
    ~MainWindows();
    std::vector<QWidget*> InOrder() const;  // in creation order
};

// Creates every window once, launcher first; all hidden but the launcher, which is shown.
// recordCreation, when given, receives each window right after its construction.
// commandLineFile, the program's first argument, names a file in a folder of frames: the Object
// Viewer loads them while it is created.
std::unique_ptr<MainWindows> CreateMainWindows(std::vector<QWidget*>* recordCreation = nullptr,
                                               const std::string& commandLineFile = {});

// Points each tool's open dialogs at its own folder of samples under samplesFolder (stereo/,
// turntable/, panorama/, views/, color/, object_editor/), until a file is picked in that tool.
void StartOpenDialogsInSamples(const MainWindows& windows, const std::string& samplesFolder);

// The program: application title, the windows, the message loop until the launcher closes.
// An exception escaping any of it goes to the error box. Returns the exit code, 0.
int RunLumivex(TApplication& app, const std::string& commandLineFile = {});
