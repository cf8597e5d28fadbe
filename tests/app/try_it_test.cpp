// The README's Try it table replayed in one program run, row after row, the way a new user
// follows it: each file is typed as the table names it, relative to the folder the tool's open
// dialog starts in.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QWidget>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "color_corrector_window.h"
#include "controls.h"
#include "dialogs.h"
#include "main_windows.h"
#include "multi_viewer_window.h"
#include "object_editor_window.h"
#include "object_viewer_window.h"
#include "panorama_viewer_window.h"
#include "scripted_dialogs.h"
#include "stereo_viewer_window.h"

namespace {

// Answers each file dialog with the next names joined to the folder the dialog starts in, as
// typing them into the real dialog does; "*" stands for every file there (select all).
class TypingDriver : public ScriptedDialogDriver {
public:
    std::vector<std::vector<std::string>> typed;

    bool ExecuteFileDialog(FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (typed.empty()) {
            ADD_FAILURE() << "file dialog \"" << request.title << "\" without an answer";
            return false;
        }
        const std::vector<std::string> names = typed.front();
        typed.erase(typed.begin());
        request.files.clear();
        for (const std::string& name : names) {
            if (name != "*") {
                request.files.push_back(request.initialDir + "/" + name);
                continue;
            }
            const QDir folder(QString::fromStdString(request.initialDir));
            for (const QString& file : folder.entryList(QDir::Files, QDir::Name))
                request.files.push_back(folder.filePath(file).toStdString());
        }
        request.fileName = request.files.empty() ? std::string() : request.files.front();
        return !request.files.empty();
    }
};

// The README line of the table row for tool.
std::string ReadmeRow(const std::string& tool) {
    std::ifstream readme(LUMIVEX_README);
    std::string line;
    while (std::getline(readme, line))
        if (line.rfind("| " + tool + " |", 0) == 0) return line;
    return {};
}

}  // namespace

TEST(TryIt, EveryRowOfTheReadmeTableOpensFromItsToolsStartingFolder) {
    TypingDriver dialogs;
    std::unique_ptr<MainWindows> w = CreateMainWindows();
    SetFirstOpenFolder(LUMIVEX_SAMPLES_DIR);
    StartOpenDialogsInSamples(*w, LUMIVEX_SAMPLES_DIR);

    // A box or dialog stands over the window whose event is being handled, and that window's
    // folder is where its dialogs start: as the application object does for the menu's event.
    auto run = [](QWidget* window, const std::function<void()>& command) {
        const DialogOwnerScope handling(window);
        command();
    };
    TStereo_Viewer& stereo = *w->Stereo_Viewer;
    TPanorama_Viewer& panorama = *w->Panorama_Viewer;
    TObject_Viewer& object = *w->Object_Viewer;
    TMulti_Viewer& multi = *w->Multi_Viewer;
    TColor_Corrector& color = *w->Color_Corrector;
    TObject_Editor& editor = *w->Object_Editor;
    const struct {
        std::string tool;
        std::vector<std::vector<std::string>> typed;  // per dialog, the names typed
        std::function<void()> open;
        std::function<bool()> opened;
    } rows[] = {
        {"Stereo Viewer", {{"garden.jps"}}, [&] { run(&stereo, [&] { stereo.Menu.Open1->trigger(); }); },
         [&] { return stereo.windowTitle().contains("garden.jps"); }},
        {"Panorama Viewer", {{"lakeside.jpg"}},
         [&] { run(&panorama, [&] { panorama.Menu.Open1->trigger(); }); },
         [&] { return panorama.windowTitle().contains("lakeside.jpg"); }},
        {"Object Viewer", {{"*"}}, [&] { run(&object, [&] { object.Open2->trigger(); }); },
         [&] { return object.SequenceLoaded() && object.Frames().size() == 36; }},
        {"Multi Viewer", {{"views.mvw"}}, [&] { run(&multi, [&] { multi.Open1->trigger(); }); },
         [&] { return multi.ViewCount == 9; }},
        {"Color Corrector", {{"points.txt"}, {"correction_table.txt"}},
         [&] {
             run(&color, [&] { color.Source.Button4->click(); });  // "Open points"
             run(&color, [&] { color.Table.Button7->click(); });  // "Open" on the Color table page
         },
         [&] { return color.Points().Count() == 21 && !color.Result().Empty(); }},
        {"Object Editor", {{"project.oep"}},
         [&] { run(&editor, [&] { editor.Open1->trigger(); }); },
         [&] { return editor.ImageCount == 6; }},
    };
    for (const auto& row : rows) {
        const std::string readme = ReadmeRow(row.tool);
        for (const auto& names : row.typed)
            for (const std::string& name : names) {
                if (name == "*") continue;
                EXPECT_NE(readme.find("`" + name + "`"), std::string::npos)
                    << row.tool << ": " << name;
            }
        dialogs.typed = row.typed;
        row.open();
        EXPECT_TRUE(row.opened()) << row.tool;
        EXPECT_TRUE(dialogs.errors.empty() && dialogs.messages.empty())
            << row.tool << ": " << (dialogs.errors.empty() ? "" : dialogs.errors[0])
            << (dialogs.messages.empty() ? "" : dialogs.messages[0]);
        dialogs.errors.clear();
        dialogs.messages.clear();
    }
    // After its first pick a tool's dialog starts where that pick was.
    dialogs.typed = {{"garden.jps"}};
    run(&stereo, [&] { stereo.Menu.Open1->trigger(); });
    EXPECT_EQ(dialogs.fileRequests.back().initialDir, std::string(LUMIVEX_SAMPLES_DIR) + "/stereo");
    SetFirstOpenFolder("");
}
