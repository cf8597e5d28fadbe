#include "launcher_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QEnterEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <cstdio>
#include <fstream>

#include "help.h"
#include "image_control.h"
#include "program_folder.h"
#include "scripted_dialogs.h"
#include "settings_file.h"
#include "start_language.h"
#include "status_bar.h"
#include "ui_language.h"

namespace {

// A program folder of its own, with or without a settings file.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumivex_launcher_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        opened_.clear();
        savedOpener_ = UrlOpener;
        UrlOpener = [this](const QUrl& url, std::function<void()>) { opened_.push_back(url); };
    }
    void TearDown() override {
        UrlOpener = savedOpener_;
        std::remove(SettingsFilePath(folder_).c_str());
        rmdir(folder_.c_str());
        UiLanguage = "eng";
    }
    void WriteSettings(const std::string& text) {
        std::ofstream out(SettingsFilePath(folder_), std::ios::binary);
        out << text;
    }
    static void Enter(QWidget* w) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(w, &enter);
    }
    static void Leave(QWidget* w) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
    static std::string Text(const QString& s) { return s.toStdString(); }

    std::string folder_;
    std::vector<QUrl> opened_;
    UrlOpenerFunction savedOpener_;
};

void ExpectEnglishMenu(const TForm1& f) {
    EXPECT_EQ(f.Language1->title().toStdString(), "Language");
    EXPECT_EQ(f.N3->title().toStdString(), "Help");
    EXPECT_EQ(f.Onlinehelp1->text().toStdString(), "On-line help");
    EXPECT_EQ(f.About1->text().toStdString(), "About");
    EXPECT_TRUE(f.English1->isChecked());
    EXPECT_FALSE(f.N2->isChecked());
}

void ExpectRussianMenu(const TForm1& f) {
    EXPECT_EQ(f.Language1->title().toStdString(), "Язык");
    EXPECT_EQ(f.N3->title().toStdString(), "Помощь");
    EXPECT_EQ(f.Onlinehelp1->text().toStdString(), "Справка");
    EXPECT_EQ(f.About1->text().toStdString(), "О программе");
    EXPECT_TRUE(f.N2->isChecked());
    EXPECT_FALSE(f.English1->isChecked());
}

}  // namespace

TEST_F(LauncherTest, WindowLayoutTilesAndLabels) {
    TForm1 form("1", folder_);
    EXPECT_EQ(form.windowTitle().toStdString(), "Lumivex Photo Studio");
    EXPECT_EQ(form.centralWidget()->size(), QSize(616, 429));
    EXPECT_EQ(ProgramFolder, folder_);
    struct Expect {
        TImage* image;
        QLabel* label;
        QPoint at;
        QPoint labelAt;
        const char* caption;
    } expected[] = {
        {form.Image1, form.Label1, {26, 24}, {45, 180}, "Stereo Viewer"},
        {form.Image2, form.Label2, {182, 24}, {197, 180}, "Object Viewer"},
        {form.Image4, form.Label4, {332, 24}, {364, 180}, "Multi Viewer"},
        {form.Image5, form.Label5, {488, 24}, {500, 180}, "Panorama Viewer"},
        {form.Image6, form.Label6, {26, 216}, {45, 372}, "Color Corrector"},
        {form.Image7, form.Label7, {182, 216}, {197, 372}, "Object editor"},
    };
    for (const Expect& e : expected) {
        ASSERT_NE(e.image, nullptr);
        EXPECT_EQ(e.image->geometry(), QRect(e.at, QSize(103, 150)));
        EXPECT_EQ(e.image->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(e.label->pos(), e.labelAt);
        EXPECT_EQ(e.label->text().toStdString(), e.caption);
    }
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, 410, 616, 19));
    ASSERT_EQ(form.ImageList1.size(), 30u);
    for (const TBitmap& picture : form.ImageList1) {
        EXPECT_EQ(picture.Width(), 150);
        EXPECT_EQ(picture.Height(), 150);
    }
    // Each tile starts with its normal picture: slot 3(k-1).
    EXPECT_TRUE(form.Image1->Picture().SamePixels(form.ImageList1[0]));
    EXPECT_TRUE(form.Image7->Picture().SamePixels(form.ImageList1[18]));
    EXPECT_TRUE(form.Image4->Picture().SamePixels(form.ImageList1[9]));
}

TEST_F(LauncherTest, WhiteClientAreaWithAButtonFaceStatusLine) {
    TForm1 form("1", folder_);
    form.show();
    const QImage client = form.centralWidget()->grab().toImage();
    EXPECT_EQ(QColor(client.pixel(10, 10)), QColor(Qt::white));   // above the first tile
    EXPECT_EQ(QColor(client.pixel(610, 300)), QColor(Qt::white));  // right of the tiles
    // The status line keeps the face colour of controls, not the window's white.
    const QImage status = form.StatusBar1->grab().toImage();
    EXPECT_EQ(QColor(status.pixel(300, 1)), form.StatusBar1->palette().color(QPalette::Button));
    EXPECT_NE(QColor(status.pixel(300, 1)), QColor(Qt::white));
}

TEST_F(LauncherTest, TilePicturesDifferAndHoverIsHighlighted) {
    TForm1 form("1", folder_);
    const int shown[] = {0, 3, 9, 12, 15, 18};
    for (int a : shown) {
        EXPECT_FALSE(form.ImageList1[a].SamePixels(form.ImageList1[a + 1])) << a;
        for (int b : shown) {
            if (a < b) {
                EXPECT_FALSE(form.ImageList1[a].SamePixels(form.ImageList1[b])) << a << b;
            }
        }
    }
}

TEST_F(LauncherTest, HoverTextsFollowTheEnglishCheckMark) {
    TForm1 form("1", folder_);
    ExpectEnglishMenu(form);
    Enter(form.Image5);
    EXPECT_EQ(form.StatusBar1->SimpleText(), "Panorama viewer");
    EXPECT_TRUE(form.Image5->Picture().SamePixels(form.ImageList1[13]));
    Leave(form.Image5);
    EXPECT_EQ(form.StatusBar1->SimpleText(), "");
    EXPECT_TRUE(form.Image5->Picture().SamePixels(form.ImageList1[12]));

    Enter(form.Image4);
    EXPECT_EQ(form.StatusBar1->SimpleText(), "Multi views");
    form.N2->trigger();
    // The current text is not relabelled; the next hover uses Russian.
    EXPECT_EQ(form.StatusBar1->SimpleText(), "Multi views");
    Leave(form.Image4);
    const std::pair<TImage*, const char*> russian[] = {
        {form.Image1, "Просмотр стерео изображений"},
        {form.Image2, "Просмотр виртуальных объектов"},
        {form.Image4, "Мульти изображения"},
        {form.Image5, "Просмотр панорам"},
        {form.Image6, "Коррекция цветов"},
        {form.Image7, "Редактор виртуального объекта"},
    };
    for (const auto& [tile, text] : russian) {
        Enter(tile);
        EXPECT_EQ(form.StatusBar1->SimpleText(), text);
        Leave(tile);
        EXPECT_EQ(form.StatusBar1->SimpleText(), "");
    }
    form.English1->trigger();
    const std::pair<TImage*, const char*> english[] = {
        {form.Image1, "Stereo Viewer"},   {form.Image2, "Object Viewer"},
        {form.Image6, "Color Corrector"}, {form.Image7, "Object editor"},
    };
    for (const auto& [tile, text] : english) {
        Enter(tile);
        EXPECT_EQ(form.StatusBar1->SimpleText(), text);
        Leave(tile);
    }
    // Labels never follow the language.
    EXPECT_EQ(form.Label1->text().toStdString(), "Stereo Viewer");
}

TEST_F(LauncherTest, MenuCaptionsAndUiLanguageAfterN2ClickAndEnglish1Click) {
    WriteSettings("Theme=1\r\n");
    TForm1 form("1", folder_);
    EXPECT_EQ(UiLanguage, "eng");
    form.N2->trigger();
    ExpectRussianMenu(form);
    EXPECT_EQ(UiLanguage, "rus");
    EXPECT_EQ(form.English1->text().toStdString(), "English");
    EXPECT_EQ(form.N2->text().toStdString(), "Русский");
    form.English1->trigger();
    ExpectEnglishMenu(form);
    EXPECT_EQ(UiLanguage, "eng");
    // Nothing is written back.
    std::ifstream in(SettingsFilePath(folder_), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "Theme=1\r\n");
}

TEST_F(LauncherTest, StartLanguageFromLocaleAndSettings) {
    {
        TForm1 russianLocale("7", folder_);
        ExpectRussianMenu(russianLocale);
        EXPECT_EQ(UiLanguage, "rus");
    }
    {
        WriteSettings("LANG=eng\r\n");
        TForm1 overridden("7", folder_);
        ExpectEnglishMenu(overridden);
        EXPECT_EQ(UiLanguage, "eng");
    }
    {
        WriteSettings("LANG=rus\n");
        TForm1 fromFile("49", folder_);
        ExpectRussianMenu(fromFile);
    }
    {
        // An unknown value stays as read; the launcher shows English.
        WriteSettings("LANG= rus\n");
        TForm1 odd("7", folder_);
        ExpectEnglishMenu(odd);
        EXPECT_EQ(UiLanguage, " rus");
        Enter(odd.Image1);
        EXPECT_EQ(odd.StatusBar1->SimpleText(), "Stereo Viewer");
    }
}

TEST_F(LauncherTest, TilesShowTheirWindowsAndBringThemToTheFront) {
    TForm1 form("1", folder_);
    QWidget stereo, object, multi, panorama, color, editor;
    form.StereoViewer = &stereo;
    form.ObjectViewer = &object;
    form.MultiViewer = &multi;
    form.PanoramaViewer = &panorama;
    form.ColorCorrector = &color;
    form.ObjectEditor = &editor;
    form.show();
    const std::pair<TImage*, QWidget*> pairs[] = {{form.Image1, &stereo}, {form.Image2, &object},
                                                  {form.Image4, &multi},  {form.Image5, &panorama},
                                                  {form.Image6, &color},  {form.Image7, &editor}};
    for (const auto& [tile, window] : pairs) {
        EXPECT_FALSE(window->isVisible());
        QTest::mouseClick(tile, Qt::LeftButton, Qt::NoModifier, QPoint(50, 70));
        EXPECT_TRUE(window->isVisible());
    }
    // Closing a tool window hides it; the tile shows the same window again.
    stereo.setWindowTitle("kept state");
    stereo.close();
    EXPECT_FALSE(stereo.isVisible());
    QTest::mouseClick(form.Image1, Qt::LeftButton, Qt::NoModifier, QPoint(50, 70));
    EXPECT_TRUE(stereo.isVisible());
    EXPECT_EQ(stereo.windowTitle().toStdString(), "kept state");
    // A minimised window comes back restored.
    stereo.showMinimized();
    QTest::mouseClick(form.Image1, Qt::LeftButton, Qt::NoModifier, QPoint(50, 70));
    EXPECT_FALSE(stereo.isMinimized());
}

TEST_F(LauncherTest, MinimiseHidesAndTrayClickBringsTheLauncherBack) {
    TForm1 form("1", folder_);
    form.HideOnMinimize = true;  // as with a notification area
    form.show();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    form.TrayIcon1Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());

    // Without a notification area the launcher only minimises, so it can still be reached.
    form.HideOnMinimize = false;
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(LauncherTest, OnlineHelpOpensTheGuideBesideTheProgram) {
    TForm1 form("1", folder_);
    form.Onlinehelp1->trigger();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_TRUE(opened_[0].isLocalFile());
    EXPECT_EQ(opened_[0].toLocalFile().toStdString(), folder_ + "/docs/index.html");
}

TEST_F(LauncherTest, TheOuterFrameStandsAtTheScreensTopLeftCorner) {
    TForm1 form("1", folder_);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.frameGeometry().topLeft() == QPoint(0, 0); }, 3000))
        << form.frameGeometry().x() << "," << form.frameGeometry().y();
    EXPECT_NE(form.geometry().topLeft(), QPoint(0, 0));  // the client area lies inside the frame
}

TEST_F(LauncherTest, ClosingTheLauncherIsReported) {
    TForm1 form("1", folder_);
    int closed = 0;
    QObject::connect(&form, &TForm1::LauncherClosed, [&closed]() { ++closed; });
    form.show();
    form.close();
    EXPECT_EQ(closed, 1);
}

TEST(LocaleCountryCode, QtTerritoriesMapToTheirTelephoneCodes) {
    auto code = [](QLocale::Territory t) {
        return TelephoneCountryCode(QLocale::territoryToCode(t).toStdString());
    };
    EXPECT_EQ(code(QLocale::Russia), "7");
    EXPECT_EQ(code(QLocale::Kazakhstan), "7");
    EXPECT_EQ(code(QLocale::UnitedStates), "1");
    EXPECT_EQ(code(QLocale::Ukraine), "380");
    EXPECT_EQ(code(QLocale::AnyTerritory), "");  // the "C" locale: no country, English
}
