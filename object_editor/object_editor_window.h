#pragma once
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "bitmap.h"
#include "dialogs.h"
#include "guarded.h"
#include "jpeg_image.h"
#include "object_project.h"
#include "parameter_editing.h"
#include "tool_window.h"  // the window's base and the controls it is built from

class QAction;
class QGroupBox;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QPlainTextEdit;
class TButton;
class TComboBox;
class TEdit;
class TImage;
class TPageControl;
class TProgressBar;
class TStatusBar;
class TStringGrid;
class TTabControl;

// The Object Editor: collects up to 100 photographs of one object into a project, gives each
// its own shift, rotation and scale (typed, by mouse gestures on the preview, or copied from a
// neighbour, with undo), previews the result in the common output frame with a guide grid and
// writes every transformed picture into a "result" folder beside it. Created once, hidden on
// close; "File" > "Exit" ends the program. Handlers run guarded: an exception shows the error
// box and the command ends there.
class TObject_Editor : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    explicit TObject_Editor(QWidget* parent = nullptr);

    // Menu.
    QMenuBar* MainMenu1 = nullptr;
    QAction* Newproject1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* Addimages1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Run1 = nullptr;

    // Frame.
    TPageControl* PageControl1 = nullptr;  // "Parameters", "Images", "Controls"
    TStatusBar* StatusBar1 = nullptr;      // "%i / %i", the current image's path
    TProgressBar* ProgressBar1 = nullptr;  // shown over the status bar during a run
    TOpenDialog OpenDialog1;               // project files
    TSaveDialog SaveDialog1;
    TOpenDialog OpenPictureDialog1;        // pictures, several at once

    // "Parameters": the project's rows, one per picture, as the user can type into them.
    class ParametersPage {
    public:
        explicit ParametersPage(TObject_Editor& window) : window_(window) {}
        void Build(QWidget* page);

        TStringGrid* StringGrid1 = nullptr;
        void StringGrid1Click();

        // Grid rows 1 .. row count - 1 as they stand.
        std::vector<ProjectRow> Rows() const;
        void PutRow(int row, const ProjectRow& values);
        void FitPathColumn(int startWidth);
        // Rows whose picture could not be loaded (drawn in red).
        bool Unreadable(int row) const { return unreadable_[static_cast<std::size_t>(row)]; }

    private:
        friend class TObject_Editor;
        TObject_Editor& window_;
        std::array<bool, kMaxProjectImages + 1> unreadable_{};
    };

    // "Images": the preview with its gestures, the current picture's parameter fields with
    // their undo history, the output size and the image tabs.
    class ImagesPage {
    public:
        explicit ImagesPage(TObject_Editor& window) : window_(window) {}
        void Build(QWidget* page);
        void Layout(int pageWidth, int pageHeight);

        TImage* Image1 = nullptr;            // the preview
        QGroupBox* GroupBox1 = nullptr;      // "Parameters"
        QGroupBox* GroupBox2 = nullptr;      // "Result"
        TEdit* Edit1 = nullptr;              // output width
        TEdit* Edit2 = nullptr;              // output height
        TEdit* Edit3 = nullptr;              // X0
        TEdit* Edit4 = nullptr;              // Y0
        TEdit* Edit5 = nullptr;              // Rotate
        TEdit* Edit6 = nullptr;              // Scale
        TComboBox* ComboBox1 = nullptr;      // output size presets
        TButton* Button1 = nullptr;          // "Clear"
        TButton* Button2 = nullptr;          // "Copy to next"
        TButton* Button3 = nullptr;          // "<<"
        TButton* Button4 = nullptr;          // ">>"
        TButton* Button5 = nullptr;          // "Copy to previous"
        TTabControl* TabControl1 = nullptr;  // "1" ... ImageCount

        void Button1Click();
        void Button2Click();
        void Button3Click();
        void Button4Click();
        void Button5Click();
        void TabControl1Change();
        void ComboBox1Change();
        void Edit1Exit();
        void Edit2Exit();
        void Edit3Exit();
        void Edit4Exit();
        void Edit5Exit();
        void Edit6Exit();
        void Image1MouseDown(QMouseEvent* event);
        void Image1MouseUp(QMouseEvent* event);
        void Numberoftabs1Click();
        void SavePrams1Click();
        void RestoreParams1Click();
        void InitParamsClick();

        // The four parameter fields as they stand.
        ParamFields Fields() const;
        void SetFields(const ParamFields& fields);
        void LoadFieldsFromRow(int row);

    private:
        friend class TObject_Editor;
        void BuildFieldBoxes(QWidget* page);
        void GoToImage(int image);
        void CopyFieldsToRow(int row);
        void ExitField(TEdit* edit, std::string (*normalise)(const std::string&), bool undoable);

        TObject_Editor& window_;
        ParamHistory history_;
        PreviewGestures gestures_;
        ParamFields shownFields_;  // the fields as last previewed: what an edit changes from
    };

    // "Controls": how the mouse and keys work on the preview.
    struct ControlsPage {
        void Build(QWidget* page);
        QPlainTextEdit* RichEdit1 = nullptr;
    };

    ParametersPage Parameters{*this};
    ImagesPage Images{*this};
    ControlsPage Controls;

    // Project state.
    std::array<TJPEGImage, kMaxProjectImages + 1> ImageTable;  // slot n: grid row n; 0 unused
    int ImageCount = 0;
    int CurrentImage = 0;
    std::string ProjectFileName;

    // Handlers.
    void Newproject1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void Addimages1Click();
    void Exit1Click();
    void Undo1Click();
    void Run1Click();
    void Showimage1Click();
    void PageControl1Change();
    void FormResize();

    // The project differs from what was last opened, saved or started new.
    bool Modified() const;

signals:
    // "File" > "Exit": every window agreed and the program is ending.
    void ExitRequested();

private:
    void BuildMenu();
    void ShowPosition();  // the status bar: which image of how many, and its file

    // Loads pictures for rows; slots and marks are filled only after all were tried.
    struct LoadedImages {
        std::vector<TJPEGImage> pictures;
        std::vector<bool> unreadable;
        std::vector<std::string> failures;  // "<file>: <reason>"
    };
    static LoadedImages LoadPictures(const std::vector<std::string>& paths);
    // Puts loaded pictures after the project's last row, with the grid rows given.
    void AppendImages(LoadedImages& loaded, const std::vector<ProjectRow>& rows);
    void AfterProjectChange();
    void WriteProject(const std::string& path);
    void MarkSaved();
    bool ConfirmDropChanges();  // false: the user cancelled
    const TBitmap& CurrentSource();
    std::string CurrentRowKey() const;

    std::string savedProject_;  // the project text at the last open, save or new
    TBitmap decoded_;           // the current image, decoded once for the previews
    int decodedSlot_ = -1;
};
