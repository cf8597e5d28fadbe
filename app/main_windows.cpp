#include "main_windows.h"

#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <system_error>
#include <utility>

#include "about_box.h"
#include "application.h"
#include "color_corrector_window.h"
#include "dialogs.h"
#include "launcher_window.h"
#include "multi_viewer_window.h"
#include "object_editor_window.h"
#include "object_viewer_window.h"
#include "panorama_viewer_window.h"
#include "program_end.h"
#include "program_folder.h"
#include "stereo_viewer_window.h"
#include "window_placement.h"

MainWindows::MainWindows() = default;
MainWindows::~MainWindows() = default;

std::vector<QWidget*> MainWindows::InOrder() const {
    return {Form1.get(),          AboutBox.get(),      Color_Corrector.get(),
            Object_Viewer.get(),  Stereo_Viewer.get(), Object_Editor.get(),
            Panorama_Viewer.get(), Multi_Viewer.get()};
}

std::unique_ptr<MainWindows> CreateMainWindows(std::vector<QWidget*>* recordCreation,
                                               const std::string& commandLineFile) {
    auto windows = std::make_unique<MainWindows>();
    auto made = [recordCreation](QWidget* window) {
        if (recordCreation) recordCreation->push_back(window);
    };
    // The launcher first: it settles ProgramFolder and UiLanguage, which the others read.
    windows->Form1 = std::make_unique<TForm1>();
    made(windows->Form1.get());
    windows->AboutBox = std::make_unique<TAboutBox>(windows->Form1.get());
    made(windows->AboutBox.get());
    windows->Color_Corrector = std::make_unique<TColor_Corrector>();
    made(windows->Color_Corrector.get());
    windows->Object_Viewer = std::make_unique<TObject_Viewer>(nullptr, commandLineFile);
    made(windows->Object_Viewer.get());
    windows->Stereo_Viewer = std::make_unique<TStereo_Viewer>();
    made(windows->Stereo_Viewer.get());
    windows->Object_Editor = std::make_unique<TObject_Editor>();
    made(windows->Object_Editor.get());
    windows->Panorama_Viewer = std::make_unique<TPanorama_Viewer>();
    made(windows->Panorama_Viewer.get());
    windows->Multi_Viewer = std::make_unique<TMulti_Viewer>();
    made(windows->Multi_Viewer.get());

    TForm1& launcher = *windows->Form1;
    launcher.AboutBox = windows->AboutBox.get();
    launcher.ColorCorrector = windows->Color_Corrector.get();
    launcher.ObjectViewer = windows->Object_Viewer.get();
    launcher.StereoViewer = windows->Stereo_Viewer.get();
    launcher.ObjectEditor = windows->Object_Editor.get();
    launcher.PanoramaViewer = windows->Panorama_Viewer.get();
    launcher.MultiViewer = windows->Multi_Viewer.get();
    // Each tool window keeps the position its constructor gave it (or the window manager's
    // choice), measured by its outer frame and kept wholly on the screen. The About window
    // centres itself on the launcher.
    for (QWidget* window : windows->InOrder())
        if (window != windows->Form1.get() && window != windows->AboutBox.get()) PlaceWindow(window);
    launcher.show();
    return windows;
}

void StartOpenDialogsInSamples(const MainWindows& windows, const std::string& samplesFolder) {
    const std::pair<QWidget*, const char*> tools[] = {
        {windows.Stereo_Viewer.get(), "stereo"},   {windows.Object_Viewer.get(), "turntable"},
        {windows.Panorama_Viewer.get(), "panorama"}, {windows.Multi_Viewer.get(), "views"},
        {windows.Color_Corrector.get(), "color"},  {windows.Object_Editor.get(), "object_editor"}};
    for (const auto& [window, folder] : tools) SetOpenFolderOf(window, samplesFolder + "/" + folder);
}

namespace {

bool GuideAndSamplesFound() {
    std::error_code error;
    return std::filesystem::exists(UserGuideFolder(ProgramFolder) + "/index.html", error) &&
           std::filesystem::is_directory(SamplesFolder(ProgramFolder), error);
}

}  // namespace

int RunLumivex(TApplication& app, const std::string& commandLineFile) {
    // A start check for installers and the install test: with LUMIVEX_QUIT_AFTER_START set the
    // program ends as soon as its event loop runs, and answers 1 when it cannot find its guide
    // or its samples.
    const bool quitAfterStart = qEnvironmentVariableIsSet("LUMIVEX_QUIT_AFTER_START");
    try {
        ResetProgramEnd();
        ProgramEndSignals endSignals;
        AskAtSessionEnd(app);
        app.setApplicationName(QStringLiteral("Lumivex Photo Studio"));
        // Tool windows may stay open; only the launcher's closing ends the program.
        app.setQuitOnLastWindowClosed(false);
        std::unique_ptr<MainWindows> windows = CreateMainWindows(nullptr, commandLineFile);
        SetFirstOpenFolder(SamplesFolder(ProgramFolder));
        StartOpenDialogsInSamples(*windows, SamplesFolder(ProgramFolder));
        QObject::connect(windows->Form1.get(), &TForm1::LauncherClosed, &app,
                         &QCoreApplication::quit);
        app.setWindowIcon(windows->Form1->windowIcon());
        if (quitAfterStart) QTimer::singleShot(0, &app, &QCoreApplication::quit);
        // The loop also ends without asking anyone (a quit from elsewhere); then the windows
        // are asked here, and a refusal runs it on.
        do app.exec();
        while (!ProgramEndAgreed() && !MayProgramEnd());
    } catch (...) {
        ShowCurrentException();
    }
    return quitAfterStart && !GuideAndSamplesFound() ? 1 : 0;
}
