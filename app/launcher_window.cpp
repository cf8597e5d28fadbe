#include "launcher_window.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "about_box.h"
#include "bitmap_image.h"
#include "help.h"
#include "image_control.h"
#include "pictures.h"
#include "program_end.h"
#include "program_folder.h"
#include "settings_file.h"
#include "start_language.h"
#include "status_bar.h"
#include "ui_language.h"
#include "window_placement.h"

namespace {

constexpr int kClientWidth = 616;
constexpr int kClientHeight = 429;
constexpr int kStatusBarHeight = 19;
constexpr int kTileWidth = 103;
constexpr int kTileHeight = 150;

struct TileInfo {
    int tile;
    int left, top;
    const char* label;
    int labelLeft, labelTop;
    const char* english;
    const char* russian;
};

// The six tiles on screen. Tiles 3, 8, 9 and 10 lie outside the client area and can never be
// reached, so they exist only as their slots in the picture list.
constexpr TileInfo kTiles[] = {
    {1, 26, 24, "Stereo Viewer", 45, 180, "Stereo Viewer", "Просмотр стерео изображений"},
    {2, 182, 24, "Object Viewer", 197, 180, "Object Viewer", "Просмотр виртуальных объектов"},
    {4, 332, 24, "Multi Viewer", 364, 180, "Multi views", "Мульти изображения"},
    {5, 488, 24, "Panorama Viewer", 500, 180, "Panorama viewer", "Просмотр панорам"},
    {6, 26, 216, "Color Corrector", 45, 372, "Color Corrector", "Коррекция цветов"},
    {7, 182, 216, "Object editor", 197, 372, "Object editor", "Редактор виртуального объекта"},
};

const TileInfo* FindTile(int tile) {
    for (const TileInfo& info : kTiles)
        if (info.tile == tile) return &info;
    return nullptr;
}

}  // namespace

std::string LocaleCountryCode() {
    const QLocale locale = QLocale::system();
    return TelephoneCountryCode(QLocale::territoryToCode(locale.territory()).toStdString());
}

void ShowToolWindow(QWidget* window) {
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    else window->show();
    window->raise();
    window->activateWindow();
}

TForm1::TForm1(QWidget* parent)
    : TForm1(LocaleCountryCode(),
             ExecutableFolder(QCoreApplication::applicationDirPath().toStdString()), parent) {}

TForm1::TForm1(const std::string& localeCountryCode, const std::string& programFolder,
               QWidget* parent)
    : TGuardedEvents<QMainWindow>(parent) {
    Build();
    ProgramFolder = programFolder;
    // Language: English, Russian for the country code 7, then the settings file decides.
    UiLanguage = StartLanguage(localeCountryCode, SettingsFilePath(ProgramFolder));
    if (UiLanguage == "rus") {
        N2->setChecked(true);
        N2Click();
    }
    for (int tile = 1; tile <= 10; ++tile) SetTilePicture(tile, 3 * (tile - 1));
}

void TForm1::Build() {
    setWindowTitle(QStringLiteral("Lumivex Photo Studio"));
    setWindowIcon(DrawAppIcon());
    // A fixed single border with the system menu and the minimise button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    BuildMenu();

    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setAutoFillBackground(true);
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // the window cannot be resized

    for (const TileInfo& info : kTiles) {
        auto* image = new TImage(client);
        image->setGeometry(info.left, info.top, kTileWidth, kTileHeight);
        image->setCursor(Qt::PointingHandCursor);
        const int tile = info.tile;
        image->OnMouseEnter = [this, tile]() { TileMouseEnter(tile); };
        image->OnMouseLeave = [this, tile]() { TileMouseLeave(tile); };
        image->OnClick = [this, tile]() { TileClick(tile); };
        auto* label = new QLabel(QString::fromUtf8(info.label), client);
        label->move(info.labelLeft, info.labelTop);
        label->adjustSize();
        switch (tile) {
            case 1: Image1 = image; Label1 = label; break;
            case 2: Image2 = image; Label2 = label; break;
            case 4: Image4 = image; Label4 = label; break;
            case 5: Image5 = image; Label5 = label; break;
            case 6: Image6 = image; Label6 = label; break;
            case 7: Image7 = image; Label7 = label; break;
            default: break;
        }
    }

    StatusBar1 = new TStatusBar(client);
    StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);

    for (const QImage& picture : DrawTilePictures()) ImageList1.push_back(ImageToBitmap(picture));

    TrayIcon1 = new QSystemTrayIcon(DrawAppIcon(), this);
    TrayIcon1->setToolTip(QStringLiteral("Lumivex Photo Studio"));
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            Guarded([this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    TrayIcon1Click();
            }));
    HideOnMinimize = QSystemTrayIcon::isSystemTrayAvailable();
    if (HideOnMinimize) TrayIcon1->show();

    PlaceWindow(this, QPoint(0, 0));  // the outer frame at the screen's top-left corner
}

// "Language" (English, Russian: one checked) and "Help".
void TForm1::BuildMenu() {
    QMenuBar* menu = menuBar();
    Language1 = menu->addMenu(QStringLiteral("Language"));
    English1 = Language1->addAction(QStringLiteral("English"));
    N2 = Language1->addAction(QStringLiteral("Русский"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (QAction* item : {English1, N2}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    English1->setChecked(true);
    N3 = menu->addMenu(QStringLiteral("Help"));
    Onlinehelp1 = N3->addAction(QStringLiteral("On-line help"));
    N3->addSeparator();
    About1 = N3->addAction(QStringLiteral("About"));
    connect(English1, &QAction::triggered, this, Guarded([this]() { English1Click(); }));
    connect(N2, &QAction::triggered, this, Guarded([this]() { N2Click(); }));
    connect(Onlinehelp1, &QAction::triggered, this, Guarded([this]() { Onlinehelp1Click(); }));
    connect(About1, &QAction::triggered, this, Guarded([this]() { About1Click(); }));
}

TImage* TForm1::Tile(int tile) const {
    switch (tile) {
        case 1: return Image1;
        case 2: return Image2;
        case 4: return Image4;
        case 5: return Image5;
        case 6: return Image6;
        case 7: return Image7;
        default: return nullptr;
    }
}

QWidget* TForm1::ToolWindowOfTile(int tile) const {
    switch (tile) {
        case 1: return StereoViewer;
        case 2: return ObjectViewer;
        case 4: return MultiViewer;
        case 5: return PanoramaViewer;
        case 6: return ColorCorrector;
        case 7: return ObjectEditor;
        default: return nullptr;
    }
}

void TForm1::SetTilePicture(int tile, int slot) {
    TImage* image = Tile(tile);
    if (!image || slot < 0 || slot >= static_cast<int>(ImageList1.size())) return;
    image->Picture() = ImageList1[static_cast<std::size_t>(slot)];
    image->Changed();
}

void TForm1::ApplyMenuCaptions(bool russian) {
    Language1->setTitle(russian ? QStringLiteral("Язык") : QStringLiteral("Language"));
    N3->setTitle(russian ? QStringLiteral("Помощь") : QStringLiteral("Help"));
    Onlinehelp1->setText(russian ? QStringLiteral("Справка") : QStringLiteral("On-line help"));
    About1->setText(russian ? QStringLiteral("О программе") : QStringLiteral("About"));
}

void TForm1::English1Click() {
    English1->setChecked(true);
    ApplyMenuCaptions(false);
    UiLanguage = "eng";
}

void TForm1::N2Click() {
    N2->setChecked(true);
    ApplyMenuCaptions(true);
    UiLanguage = "rus";
}

void TForm1::Onlinehelp1Click() { OpenUserGuide(); }

void TForm1::About1Click() {
    if (AboutBox) AboutBox->exec();
}

void TForm1::TrayIcon1Click() {
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
}

void TForm1::ApplicationEvents1Minimize() {
    if (HideOnMinimize) hide();
}

void TForm1::TileMouseEnter(int tile) {
    const TileInfo* info = FindTile(tile);
    if (!info) return;
    SetTilePicture(tile, 3 * (tile - 1) + 1);
    // The check mark decides, not UiLanguage; they agree in normal use.
    StatusBar1->SetSimpleText(English1->isChecked() ? info->english : info->russian);
}

void TForm1::TileMouseLeave(int tile) {
    if (!FindTile(tile)) return;
    SetTilePicture(tile, 3 * (tile - 1));
    StatusBar1->SetSimpleText(std::string());
}

void TForm1::TileClick(int tile) { ShowToolWindow(ToolWindowOfTile(tile)); }

void TForm1::changeEvent(QEvent* event) {
    TGuardedEvents<QMainWindow>::changeEvent(event);
    // Hide after the state change has run its course: hiding inside it would be undone by a
    // show() that may follow (showMinimized() does exactly that).
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QMetaObject::invokeMethod(this, [this]() {
            if (isMinimized()) ApplicationEvents1Minimize();
        }, Qt::QueuedConnection);
}

// Closing the launcher ends the program, so the windows with unsaved work are asked first; a
// refusal keeps the launcher, and the program, running. An end agreed elsewhere closes the
// windows on its way out (Qt does so before its loop ends) and is not asked about again.
void TForm1::closeEvent(QCloseEvent* event) {
    if (!ProgramEndAgreed() && !EndProgram()) {
        event->ignore();
        return;
    }
    TGuardedEvents<QMainWindow>::closeEvent(event);
    emit LauncherClosed();
}
