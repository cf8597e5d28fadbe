#pragma once
#include <QPoint>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "color_tables.h"
#include "file_correction.h"
#include "curve_chart.h"
#include "dialogs.h"
#include "guarded.h"
#include "picture_view.h"
#include "point_pairs.h"
#include "tool_window.h"

class QAction;
class QGroupBox;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QPainter;
class QScrollArea;
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TImage;
class TPageControl;
class TProgressBar;
class TRadioButton;
class TTabControl;
class TTrackBar;
struct PointsFileContent;
class TPaintBox;
class TStatusBar;
class TStringGrid;

// The Color Corrector: matches the colours of a sample picture to a reference picture from
// pairs of points marked in both, builds and edits per-channel colour tables, balances white
// and corrects picture files with the table. English only. Created once; closing hides it and
// keeps every picture, list and table; "File" > "Exit" ends the whole application. Its events
// and commands run guarded: a failure shows the error box and the window keeps its state.
class TColor_Corrector : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    explicit TColor_Corrector(QWidget* parent = nullptr);

    // Window frame.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Exit1 = nullptr;
    TPageControl* PageControl1 = nullptr;  // "Source images", "Color table", "White balance", "Files"
    TStatusBar* StatusBar1 = nullptr;    // 0: "X=%i Y=%i", 1: "Red=%i Green=%i Blue=%i", 2: unused
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    TOpenDialog OpenPictureDialog1;  // reference and sample pictures
    TOpenDialog OpenDialog1;         // points and colour table files
    TSaveDialog SaveDialog1;
    TOpenDialog CubeOpenDialog;  // .cube tables of other programs
    TSaveDialog CubeSaveDialog;

    // "Source images".
    TImage* Image1 = nullptr;  // hidden: the reference picture at full size
    TImage* Image2 = nullptr;  // hidden: the sample picture at full size
    QScrollArea* ScrollBox1 = nullptr;
    QScrollArea* ScrollBox2 = nullptr;
    TPaintBox* PaintBox1 = nullptr;  // reference view
    TPaintBox* PaintBox2 = nullptr;  // sample view
    TStringGrid* StringGrid5 = nullptr;  // the point list
    TComboBox* ComboBox1 = nullptr;  // reference zoom
    TComboBox* ComboBox2 = nullptr;  // reference turn
    TComboBox* ComboBox3 = nullptr;  // sample zoom
    TComboBox* ComboBox4 = nullptr;  // sample turn
    QGroupBox* GroupBox2 = nullptr;  // "File manipulations"
    TButton* Button1 = nullptr;  // "Open reference"
    TButton* Button2 = nullptr;  // "Open sample"
    TButton* Button3 = nullptr;  // "Save points"
    TButton* Button4 = nullptr;  // "Open points"
    QGroupBox* GroupBox1 = nullptr;  // "Export points to Color table"
    TButton* Button9 = nullptr;  // "Swap images"
    TButton* BitBtn4 = nullptr;  // "Export colors "
    TCheckBox* CheckBox1 = nullptr;  // "Use neighborhood"
    QMenu* PopupMenu1 = nullptr;     // on the point list
    QAction* Deleterecords1 = nullptr;
    QAction* Cleartable1 = nullptr;

    // "Color table".
    TPageControl* PageControl2 = nullptr;  // "Calculated", "Manual", "Result"
    TStringGrid* StringGrid1 = nullptr;
    TStringGrid* StringGrid2 = nullptr;
    TStringGrid* StringGrid3 = nullptr;
    TPaintBox* PaintBox3 = nullptr;  // the curve chart
    TPaintBox* PaintBox4 = nullptr;  // input / output strips
    TTabControl* TabControl1 = nullptr;  // "Red", "Green", "Blue", "All"
    QGroupBox* GroupBox3 = nullptr;  // "Actions"
    TButton* Button5 = nullptr;   // "Interpolate"
    TButton* Button6 = nullptr;   // "Clear manual"
    TButton* Button10 = nullptr;  // "Smooth"
    TButton* Button7 = nullptr;   // "Open"
    TButton* Button8 = nullptr;   // "Save"
    TButton* CubeExportButton = nullptr;  // "Export .cube"
    TButton* CubeImportButton = nullptr;  // "Import .cube"
    QMenu* PopupMenu3 = nullptr;      // on the three tables
    QAction* Cleartable2 = nullptr;
    QMenu* PopupMenu2 = nullptr;      // attached to nothing: two internal commands
    QAction* Redrawwhitecolor1 = nullptr;
    QAction* Clearalltables1 = nullptr;

    // "White balance".
    QGroupBox* GroupBox5 = nullptr;  // "Parameters"
    TComboBox* ComboBox5 = nullptr;  // "Scale": "100%", "200%", "300%"
    TEdit* Edit1 = nullptr;      // radius
    TTrackBar* TrackBar1 = nullptr;
    TEdit* Edit2 = nullptr;      // white red
    TEdit* Edit3 = nullptr;      // white green
    TEdit* Edit4 = nullptr;      // white blue
    TPaintBox* Shape1 = nullptr;  // the white colour swatch
    TButton* Button11 = nullptr;  // "Apply to Color table"
    QScrollArea* ScrollBox3 = nullptr;
    TImage* Image5 = nullptr;

    // "Files".
    TStringGrid* StringGrid4 = nullptr;  // the file list
    TButton* BitBtn1 = nullptr;  // "Open images"
    QGroupBox* GroupBox4 = nullptr;  // "Process"
    TEdit* Edit5 = nullptr;   // cut X
    TEdit* Edit6 = nullptr;   // cut Y
    TEdit* Edit7 = nullptr;   // cut width
    TEdit* Edit8 = nullptr;   // cut height
    TComboBox* ComboBox6 = nullptr;  // resample presets
    TEdit* Edit9 = nullptr;   // resample width
    TEdit* Edit10 = nullptr;  // resample height
    TRadioButton* RadioButton1 = nullptr;  // "0"
    TRadioButton* RadioButton2 = nullptr;  // "90"
    TRadioButton* RadioButton3 = nullptr;  // "180"
    TRadioButton* RadioButton4 = nullptr;  // "270"
    TCheckBox* CheckBox3 = nullptr;  // "horizontally": upside down
    TCheckBox* CheckBox2 = nullptr;  // "vertically": left-right
    TProgressBar* ProgressBar1 = nullptr;
    TButton* BitBtn2 = nullptr;   // "Correct images"
    TButton* Button12 = nullptr;  // "Cancel", shown while "Correct images" runs
    TImage* Image3 = nullptr;     // the selected file as loaded
    TImage* Image4 = nullptr;     // its corrected preview
    TOpenDialog OpenPictureDialog2;

    // Handlers of "Source images". A path given to the load handlers skips the dialog.
    void Button1Click(const std::string& path = std::string());
    void Button2Click(const std::string& path = std::string());
    void Button3Click();
    void Button4Click();
    void Button9Click();
    void BitBtn4Click();
    void PaintBox1Paint(QPainter& painter);
    void PaintBox2Paint(QPainter& painter);
    void PaintBox1Click();
    void PaintBox2Click();
    void PaintBox1MouseMove(int X, int Y);
    void PaintBox2MouseMove(int X, int Y);
    void StringGrid5Click();
    void Deleterecords1Click();
    void Cleartable1Click();
    void ComboBoxChange(int side);  // 0: reference (ComboBox1, 2), 1: sample (ComboBox3, 4)

    // Handlers of "Color table".
    void Button5Click();
    void Button6Click();
    void Button10Click();
    void Button7Click();
    void Button8Click();
    // The Result as a 1D .cube table for other programs, and such a table into the Result.
    // A refused file leaves the Result as it was and says which file and line.
    void CubeExportButtonClick();
    void CubeImportButtonClick();
    void Cleartable2Click();
    void Clearalltables1Click();
    void PaintBox3MouseUp(Qt::MouseButton button, int X, int Y);
    void PaintBox3Paint(QPainter& painter);
    void PaintBox4Paint(QPainter& painter);
    void TabControl1Change();

    // Handlers of "White balance".
    void ComboBox5Change();
    void TrackBar1Change();
    void Edit1Change();
    void WhiteEditChange(TEdit* edit);  // Edit2, Edit3, Edit4
    void Redrawwhitecolor1Click();
    void Image5MouseMove(int X, int Y);
    void Image5Click();
    void Button11Click();

    // Handlers of "Files".
    void BitBtn1Click();
    void StringGrid4Click();
    void ProcessChange();  // turn and mirror choices: preview again
    void ComboBox6Change();
    void Image3MouseDown(Qt::MouseButton button, int X, int Y);
    void Image3MouseUp(Qt::MouseButton button, int X, int Y);
    void PreviewMouseMove(TImage* image, int X, int Y);  // Image3, Image4
    void CutFieldExit(CutField field);                   // Edit5..Edit8
    void ResampleFieldExit(TEdit* edit);                 // Edit9, Edit10
    void BitBtn2Click();

    void Exit1Click();
    void PageControl1Change();
    void FormResize();

    // The state behind the controls, for the batch and white balance work and for tests.
    const PointList& Points() const { return source_.points; }
    const ColorTable& Calculated() const { return table_.calculated; }
    const ColorTable& Manual() const { return table_.manual; }
    const ColorTable& Result() const { return table_.result; }
    ColorTable& ResultTable() { return table_.result; }  // change, then call ShowTables()
    void ShowTables();  // the three grids show the tables; the chart is repainted
    bool ReferenceLoaded() const { return source_.loaded[0]; }
    bool SampleLoaded() const { return source_.loaded[1]; }
    const std::string& ReferencePath() const { return source_.paths[0]; }
    const std::string& SamplePath() const { return source_.paths[1]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;  // page layout on sheet resize

private:
    struct ViewState {
        TBitmap part;       // the visible part of the zoomed and turned picture, as last built
        ViewPart at;        // where that part stands in the view
        bool valid = false;
        QPoint lastMouse;   // last position over the paint box, view coordinates
    };
    // "Source images": the two pictures' paths and views, and the point pairs marked in them.
    struct SourceImagesState {
        PointList points;
        bool loaded[2] = {false, false};
        std::string paths[2];
        ViewState sides[2];
    };
    // "Color table": the three tables and the chart last drawn from them.
    struct ColorTableState {
        ColorTable calculated, manual, result;
        ChartDrawing chart;
    };
    // "White balance".
    struct WhiteBalanceState {
        QPoint mouse;  // last position over Image5
    };
    // "Files".
    struct FilesState {
        std::optional<PicturePoint> cutStart;  // the press of a cut drag on Image3
    };

    // One part per page, each in its own source file, built in page order.
    void BuildSourceImagesPage();
    void BuildSourceViews();
    void BuildPointList();
    void BuildColorTablePage();
    void BuildTableGrids();
    void BuildWhiteBalancePage();
    void BuildFilesPage();
    void BuildProcessFields();
    void BuildFilePreviews();

    TImage* SideImage(int side) const { return side == 0 ? Image1 : Image2; }
    TPaintBox* SidePaintBox(int side) const { return side == 0 ? PaintBox1 : PaintBox2; }
    QScrollArea* SideScrollBox(int side) const { return side == 0 ? ScrollBox1 : ScrollBox2; }
    int SideZoom(int side) const;
    int SideRotation(int side) const;
    void LoadPicture(int side, const std::string& chosenPath);
    bool LoadPointsPictures(const std::string& path, const std::string& text,
                            const PointsFileContent& content, std::string (&picturePaths)[2],
                            TBitmap (&pictures)[2]);
    void CommitPicture(int side, TBitmap& picture, const std::string& path);
    ViewSize SideViewSize(int side) const;
    void UpdateViewSize(int side);
    void PaintSide(int side, QPainter& painter);
    void ClickSide(int side);
    void MouseMoveSide(int side, int X, int Y);
    void ShowPoints();
    void RepaintViews();
    void ShowTable(TStringGrid* grid, const ColorTable& table);
    void DrawTableCell(TStringGrid* grid, int col, int row, const QRect& rect, QPainter& painter);
    void SetColorTableTitle(const std::string& path);
    void LayoutSourcePage(int pageW, int pageH);
    void LayoutTablePage(int pageW, int pageH);
    void LayoutBalancePage(int pageW, int pageH);
    void LayoutFilesPage(int pageW, int pageH);
    void EnterBalancePage();
    int BalanceFactor() const;
    void SizeImage5();
    std::vector<std::string> ListedFiles() const;
    void PreviewSelected();
    void PreviewFile(const std::string& path);
    ProcessFields Fields() const;
    void SetCutFields(const ProcessFields& fields);

    SourceImagesState source_;
    ColorTableState table_;
    WhiteBalanceState balance_;
    FilesState files_;
};
