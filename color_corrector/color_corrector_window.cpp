#include "color_corrector_window.h"

#include <QAction>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <algorithm>
#include <utility>

#include "color_corrector_controls.h"
#include "controls.h"
#include "number_format.h"
#include "program_end.h"
#include "status_bar.h"
#include "tool_window.h"

// The frame of the window (menu, pages, status bar), the layout that hands each page its size
// and what the pages share. Each page of PageControl1 is built and handled in its own file:
// source_images_page.cpp, color_table_page.cpp, white_balance_page.cpp, files_page.cpp.

namespace {

const char* const kCaption = "Lumivex Color Corrector";
const char* const kPictureFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*)|*";

}  // namespace

namespace corrector_window {

TButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                    std::function<void()> onClick) {
    TButton* button = new TButton(caption, parent);
    button->setObjectName(name);
    button->resize(kButtonWidth, kButtonHeight);
    SetHint(button, hint);
    button->OnClick = std::move(onClick);
    return button;
}

TComboBox* MakeCombo(QWidget* parent, const char* name, const std::vector<std::string>& items,
                     int index) {
    TComboBox* combo = new TComboBox(parent);
    combo->setObjectName(name);
    combo->SetItems(items);
    combo->SetItemIndex(index);
    combo->resize(kComboWidth, kComboHeight);
    return combo;
}

TEdit* MakeEdit(QWidget* parent, const char* name, const char* text) {
    TEdit* edit = new TEdit(parent);
    edit->setObjectName(name);
    edit->SetText(text);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* text, int left, int top) {
    QLabel* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QScrollArea* MakeScrollBox(QWidget* parent, const char* name, QWidget* content) {
    QScrollArea* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setWidgetResizable(false);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setWidget(content);
    return box;
}

void CentreAcross(const QWidget* group, int den, int first, std::initializer_list<QWidget*> controls,
                  int top) {
    int num = first;
    for (QWidget* control : controls) {
        control->move(group->width() * num / den - control->width() / 2, top);
        num += 2;
    }
}

}  // namespace corrector_window

using namespace corrector_window;

TColor_Corrector::TColor_Corrector(QWidget* parent) : TToolWindow<QWidget>(parent, Qt::Window) {
    SetCaption(this, kCaption);
    setFont(QFont("Tahoma", 8));

    MainMenu1 = MakeMenuBar(this);
    MainMenu1->setNativeMenuBar(false);
    File1 = AddMenu(MainMenu1, "File", "File1");
    Exit1 = MakeMenuItem(File1, "Exit1", "Exit");
    OnTriggered({Exit1}, [this] { Exit1Click(); });

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->SetPanels({{100, true}, {200, true}, {50, false}});

    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = PageControl1->AddPage("Source images");
    TabSheet2 = PageControl1->AddPage("Color table");
    TabSheet3 = PageControl1->AddPage("White balance");
    TabSheet4 = PageControl1->AddPage("Files");
    PageControl1->OnChange = [this] { PageControl1Change(); };

    OpenPictureDialog1.Filter = kPictureFilter;

    Source.Build();
    Table.Build();
    Balance.Build();
    Files.Build();

    for (QWidget* sheet : {TabSheet1, TabSheet2, TabSheet3, TabSheet4}) sheet->installEventFilter(this);

    Source.points.Reset(4);
    Source.ShowPoints();
    Table.ShowTables();
    ForwardEvents({{}, {}, [this] { FormResize(); }});
    resize(1044, 618);  // client area at creation
    FormResize();
}

// The window does not hold up the program's end itself: its points and tables are working
// material that every picture load, export and table open replaces without a question, and it
// writes its results (corrected copies, points and table files) only when told to. Other
// windows with unsaved work are still asked.
void TColor_Corrector::Exit1Click() { EndProgram(); }

void TColor_Corrector::PageControl1Change() {
    switch (PageControl1->ActivePageIndex()) {
        case 1:
            StatusBar1->SetPanelText(0, "");
            StatusBar1->SetPanelText(1, "");
            break;
        case 2:
            Balance.EnterBalancePage();
            break;
        case 3:
            Files.PreviewSelected();
            break;
        default:
            break;
    }
}

void TColor_Corrector::FormResize() {
    const int menuHeight = MainMenu1->sizeHint().height();
    const int statusHeight = StatusBar1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    // The pages fill everything between the menu and the status bar; each sheet lays out its
    // controls when it learns its new size (eventFilter).
    PageControl1->setGeometry(0, menuHeight, width(),
                              std::max(height() - menuHeight - statusHeight, 0));
}

bool TColor_Corrector::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        QWidget* sheet = static_cast<QWidget*>(watched);
        const int pageW = sheet->width() + kSheetExtraWidth;
        const int pageH = sheet->height() + kSheetExtraHeight;
        if (sheet == TabSheet1) Source.Layout(pageW, pageH);
        else if (sheet == TabSheet2) Table.Layout(pageW, pageH);
        else if (sheet == TabSheet3) Balance.Layout(pageW, pageH);
        else if (sheet == TabSheet4) Files.Layout(pageW, pageH);
    }
    return TToolWindow<QWidget>::eventFilter(watched, event);
}

void TColor_Corrector::SetColorTableTitle(const std::string& path) {
    SetCaption(this, std::string(kCaption) + " - " + path);
}

void TColor_Corrector::ShowPixel(const TBitmap& picture, int x, int y) {
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    StatusBar1->SetPanelText(1, FormatText("Red=%i Green=%i Blue=%i", p[2], p[1], p[0]));
    StatusBar1->SetPanelText(0, FormatText("X=%i Y=%i", x, y));
}
