// The Object Editor's project commands: New, Open, Add images, Save and Save as, and the
// question that keeps unsaved work from being dropped.
#include <algorithm>

#include "controls.h"
#include "dialogs.h"
#include "image_error.h"
#include "object_editor_controls.h"
#include "object_editor_window.h"
#include "string_grid.h"

using namespace editor_window;

namespace {

std::string TooManyImages(const std::string& whatWasLeft) {
    return "A project holds at most " + std::to_string(kMaxProjectImages) + " images; " +
           whatWasLeft;
}

// One message for what went wrong besides: the pictures that could not be loaded come last.
void TellProblems(std::vector<std::string> problems, const std::vector<std::string>& failures) {
    if (!failures.empty())
        problems.push_back("These pictures could not be loaded; their rows are marked red:" +
                           FailureLines(failures));
    if (!problems.empty())
        ShowMessage(problems.size() == 1 ? problems[0] : problems[0] + "\n\n" + problems[1]);
}

}  // namespace

// Before New, Open and Exit: work that was never saved is not dropped without asking.
bool TObject_Editor::ConfirmDropChanges() {
    if (!Modified()) return true;
    switch (AskYesNoCancel("The project has changed. Save it first?")) {
    case TAnswer::Yes:
        Save1Click();
        return !Modified();  // a cancelled or failed save keeps the project
    case TAnswer::No:
        return true;
    case TAnswer::Cancel:
        break;
    }
    return false;
}

TObject_Editor::LoadedImages TObject_Editor::LoadPictures(const std::vector<std::string>& paths) {
    LoadedImages loaded;
    for (const std::string& path : paths) {
        TJPEGImage picture;
        bool ok = false;
        try {
            picture.LoadFromFile(path);
            ok = HasJpegSignature(picture.Bytes());
            if (!ok) loaded.failures.push_back(path + ": the file is not a JPEG picture.");
        } catch (const ImageError& e) {
            loaded.failures.push_back(path + ": " + e.what());
        }
        loaded.unreadable.push_back(!ok);
        loaded.pictures.push_back(ok ? std::move(picture) : TJPEGImage());
    }
    return loaded;
}

void TObject_Editor::AppendImages(LoadedImages& loaded, const std::vector<ProjectRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ++ImageCount;
        ImageTable[static_cast<std::size_t>(ImageCount)] = std::move(loaded.pictures[i]);
        Parameters.unreadable_[static_cast<std::size_t>(ImageCount)] = loaded.unreadable[i];
        Parameters.PutRow(ImageCount, rows[i]);
    }
}

// After New, Open and Add images: tabs, an empty history, the preview.
void TObject_Editor::AfterProjectChange() {
    decodedSlot_ = -1;
    Images.Numberoftabs1Click();
    Images.InitParamsClick();
    Showimage1Click();
}

void TObject_Editor::Newproject1Click() {
    Images.gestures_.IgnoreNextRelease();
    if (!ConfirmDropChanges()) return;
    for (int r = 1; r <= ImageCount; ++r) ImageTable[static_cast<std::size_t>(r)] = TJPEGImage();
    Parameters.unreadable_.fill(false);
    TStringGrid* grid = Parameters.StringGrid1;
    grid->SetRowCount(2);
    ImageCount = 0;
    for (int c = 0; c < kColumns; ++c) {
        grid->SetColWidth(c, kColumnWidth);
        grid->SetCell(c, 1, "");
    }
    grid->SetColWidth(1, 200);
    CurrentImage = 1;
    ProjectFileName.clear();
    SetCaption(this, kCaption);
    AfterProjectChange();
    MarkSaved();
}

void TObject_Editor::Addimages1Click() {
    Images.gestures_.IgnoreNextRelease();
    if (!OpenPictureDialog1.Execute()) return;
    std::vector<std::string> paths = OpenPictureDialog1.Files;
    if (paths.empty() && !OpenPictureDialog1.FileName.empty())
        paths.push_back(OpenPictureDialog1.FileName);
    std::vector<std::string> problems;
    const std::size_t room = static_cast<std::size_t>(kMaxProjectImages - ImageCount);
    if (paths.size() > room) {
        problems.push_back(TooManyImages(std::to_string(paths.size() - room) +
                                         " of the chosen files were not added."));
        paths.resize(room);
    }
    LoadedImages loaded = LoadPictures(paths);

    const int startWidth = Parameters.StringGrid1->ColWidth(1) - 10;
    if (!paths.empty())
        Parameters.StringGrid1->SetRowCount(ImageCount + static_cast<int>(paths.size()) + 1);
    std::vector<ProjectRow> rows;
    for (const std::string& picture : paths) rows.push_back(ProjectRow{picture});
    AppendImages(loaded, rows);
    Parameters.FitPathColumn(startWidth);
    if (ImageCount > 0) CurrentImage = ImageCount;
    AfterProjectChange();
    TellProblems(problems, loaded.failures);
}

void TObject_Editor::Open1Click() {
    Images.gestures_.IgnoreNextRelease();
    if (!ConfirmDropChanges()) return;
    if (!OpenDialog1.Execute()) return;
    const std::string path = OpenDialog1.FileName;
    ProjectFileContent content;
    try {
        content = ReadProjectFile(path);
    } catch (const NotAProjectError& e) {
        ShowMessage(e.what());
        return;
    } catch (const ImageError& e) {
        ShowMessage(std::string(kCantOpen) + "\n" + e.what());  // which file, and why
        return;
    }
    std::vector<std::string> paths;
    for (const ProjectRow& row : content.rows) paths.push_back(row.path);
    LoadedImages loaded = LoadPictures(paths);

    for (int r = 1; r <= ImageCount; ++r) ImageTable[static_cast<std::size_t>(r)] = TJPEGImage();
    Parameters.unreadable_.fill(false);
    ImageCount = 0;
    TStringGrid* grid = Parameters.StringGrid1;
    grid->SetRowCount(std::max<int>(2, static_cast<int>(content.rows.size()) + 1));
    grid->ClearCells();
    for (int c = 0; c < kColumns; ++c) grid->SetCell(c, 0, kHeaders[c]);
    if (content.width) Images.Edit1->SetText(NormaliseOutputWidth(std::to_string(*content.width)));
    if (content.height)
        Images.Edit2->SetText(NormaliseOutputHeight(std::to_string(*content.height)));
    AppendImages(loaded, content.rows);
    Parameters.FitPathColumn(kColumnWidth);
    CurrentImage = 1;
    if (ImageCount > 0) Images.LoadFieldsFromRow(1);
    ProjectFileName = path;
    SaveDialog1.FileName = path;
    SetCaption(this, std::string(kCaption) + " - " + path);
    AfterProjectChange();
    MarkSaved();

    std::vector<std::string> problems;
    if (content.droppedRows > 0)
        problems.push_back(TooManyImages("the other " + std::to_string(content.droppedRows) +
                                         " rows of " + path + " were not opened."));
    TellProblems(problems, loaded.failures);
}

void TObject_Editor::WriteProject(const std::string& path) {
    if (ImageCount > 0) Showimage1Click();  // the fields reach the current row
    try {
        WriteProjectFile(path, Images.Edit1->Text(), Images.Edit2->Text(), Parameters.Rows());
    } catch (const UnwritableValueError& e) {
        ShowMessage(e.what());
        throw;
    } catch (const ImageError& e) {
        ShowMessage(std::string(kCantOpen) + "\n" + e.what());
        throw;
    }
    MarkSaved();
}

void TObject_Editor::Saveas1Click() {
    if (!SaveDialog1.Execute()) return;
    const std::string path = SaveDialog1.FileName;
    try {
        WriteProject(path);
    } catch (const ImageError&) {
        return;  // told
    }
    ProjectFileName = path;
    SetCaption(this, std::string(kCaption) + " - " + path);
}

void TObject_Editor::Save1Click() {
    if (ProjectFileName.empty()) {
        Saveas1Click();
        return;
    }
    try {
        WriteProject(ProjectFileName);
    } catch (const ImageError&) {
        // told
    }
}
