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

    // Each page of PageControl1 holds its controls, its state and its handlers, and is built
    // and handled in its own file. "Source images": source_images_page.cpp.
    class SourceImagesPage {
    public:
        explicit SourceImagesPage(TColor_Corrector& window) : window_(window) {}
        void Build();
        void Layout(int pageW, int pageH);

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

        // A path given to the load handlers skips the dialog.
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

        // One of the two pictures (0: reference, 1: sample), its view and what it was loaded from.
        struct Side {
            TImage* image = nullptr;
            TPaintBox* box = nullptr;
            QScrollArea* scroll = nullptr;
            TComboBox* zoom = nullptr;
            TComboBox* turn = nullptr;
            bool loaded = false;
            std::string path;
            TBitmap part;       // the visible part of the zoomed and turned picture, as last built
            ViewPart at;        // where that part stands in the view
            bool valid = false;
            QPoint lastMouse;   // last position over the paint box, view coordinates

            int Zoom() const;
            int Rotation() const;
            ViewSize Size() const;
            void UpdateSize();
            // Takes picture (swapped in) as this side's, with the view reset to its start.
            void Commit(TBitmap& picture, const std::string& picturePath);
            void Paint(QPainter& painter, const PointList& points, PictureSide which);
            void MouseMove(int X, int Y, TStatusBar* bar);
        };
        PointList points;
        Side sides[2];

    private:
        friend class TColor_Corrector;
        void BuildViewsAndPointList();
        void LoadPicture(int side, const std::string& chosenPath);
        void ClickSide(int side);
        void ShowPoints();
        void RepaintViews();

        TColor_Corrector& window_;
    };

    // "Color table": color_table_page.cpp.
    class ColorTablePage {
    public:
        explicit ColorTablePage(TColor_Corrector& window) : window_(window) {}
        void Build();
        void Layout(int pageW, int pageH);

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

        void ShowTables();  // the three grids show the tables; the chart is repainted

        // The three tables and the chart last drawn from them.
        ColorTable calculated, manual, result;
        ChartDrawing chart;

    private:
        void BuildTableGrids();
        void ShowTable(TStringGrid* grid, const ColorTable& table);
        void DrawTableCell(TStringGrid* grid, int col, int row, const QRect& rect,
                           QPainter& painter);
        // The Result from a file the user opened: shown on its own page, all channels.
        void ShowOpenedResult(const std::string& path);

        TColor_Corrector& window_;
    };

    // "White balance": white_balance_page.cpp.
    class WhiteBalancePage {
    public:
        explicit WhiteBalancePage(TColor_Corrector& window) : window_(window) {}
        void Build();
        void Layout(int pageW, int pageH);

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

        void ComboBox5Change();
        void TrackBar1Change();
        void Edit1Change();
        void WhiteEditChange(TEdit* edit);  // Edit2, Edit3, Edit4
        void Redrawwhitecolor1Click();
        void Image5MouseMove(int X, int Y);
        void Image5Click();
        void Button11Click();

    private:
        friend class TColor_Corrector;
        void EnterBalancePage();
        int BalanceFactor() const;
        void SizeImage5();

        TColor_Corrector& window_;
        QPoint mouse_;  // last position over Image5
    };

    // "Files": files_page.cpp.
    class FilesPage {
    public:
        explicit FilesPage(TColor_Corrector& window) : window_(window) {}
        void Build();
        void Layout(int pageW, int pageH);

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

    private:
        friend class TColor_Corrector;
        void BuildProcessFields();
        void BuildFilePreviews();
        std::vector<std::string> ListedFiles() const;
        void PreviewSelected();
        void PreviewFile(const std::string& path);
        ProcessFields Fields() const;
        void SetCutFields(const ProcessFields& fields);

        TColor_Corrector& window_;
        std::optional<PicturePoint> cutStart_;  // the press of a cut drag on Image3
    };

    SourceImagesPage Source{*this};
    ColorTablePage Table{*this};
    WhiteBalancePage Balance{*this};
    FilesPage Files{*this};

    void Exit1Click();
    void PageControl1Change();
    void FormResize();

    // The state behind the controls, for the batch and white balance work and for tests.
    const PointList& Points() const { return Source.points; }
    const ColorTable& Calculated() const { return Table.calculated; }
    const ColorTable& Manual() const { return Table.manual; }
    const ColorTable& Result() const { return Table.result; }
    ColorTable& ResultTable() { return Table.result; }  // change, then call ShowTables()
    void ShowTables() { Table.ShowTables(); }
    bool ReferenceLoaded() const { return Source.sides[0].loaded; }
    bool SampleLoaded() const { return Source.sides[1].loaded; }
    const std::string& ReferencePath() const { return Source.sides[0].path; }
    const std::string& SamplePath() const { return Source.sides[1].path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;  // page layout on sheet resize

private:
    void SetColorTableTitle(const std::string& path);
    // The status bar's two panels for the pixel (x, y) of picture, as the pointer passes it.
    void ShowPixel(const TBitmap& picture, int x, int y);
};
