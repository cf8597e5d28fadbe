#pragma once
// The set-up every window test shares, so that a test reads as what the user does.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <string>

#include "scripted_dialogs.h"
#include "status_bar.h"
#include "test_support.h"
#include "ui_language.h"

// The caption as the window system shows it, with the "[*]" mark resolved. A window never
// shown has no window handle yet, and its own title is all there is.
inline std::string CaptionOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return (handle ? handle->title() : window.windowTitle()).toStdString();
}

// The text of one status bar panel.
template <class Window>
std::string PanelOf(const Window& window, int index) {
    return window.StatusBar1->PanelText(index);
}

// Picks an item of a combo box as the user does, so that the window hears of it.
inline void Pick(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// How long showing waits: until the window is on screen, or until it also has the keyboard,
// as for tests that type into it.
enum class ShowUntil { kExposed, kActive };

inline void ShowAndWait(QWidget& window, ShowUntil until = ShowUntil::kExposed) {
    window.show();
    if (until == ShowUntil::kActive) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    } else {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
}

// The interface in English, a temporary folder and a dialog driver, for tests that make their
// windows themselves.
template <class Driver = ScriptedDialogDriver>
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { UiLanguage = "eng"; }
    void TearDown() override { UiLanguage = "eng"; }

    std::string PathOf(const std::string& name) const { return folder.File(name); }

    // The last message box's text; that none came up at all is a failure of its own.
    std::string LastMessage() const {
        if (dialogs.messages.empty()) {
            ADD_FAILURE() << "no message box came up";
            return std::string();
        }
        return dialogs.messages.back();
    }

    // For the walk from picture to picture: a.jpg, a sub-folder named x.jpg holding d.jpg, and
    // z.jpg, written in that order by write(path, index).
    template <class Write>
    void WritePicturesAroundASubFolder(Write write) {
        ASSERT_TRUE(QDir().mkdir(QString::fromStdString(PathOf("x.jpg"))));
        write(PathOf("a.jpg"), 0);
        write(PathOf("x.jpg/d.jpg"), 1);
        write(PathOf("z.jpg"), 2);
    }

    TempFolder folder;
    Driver dialogs;
};

// The same with the window under test made and shown before each test. BeforeShow runs
// between the two, for what must hold before the first paint (a timer the test drives).
template <class Window, class Driver = ScriptedDialogDriver>
class WindowFixture : public WindowTest<Driver> {
protected:
    explicit WindowFixture(ShowUntil until = ShowUntil::kExposed) : until_(until) {}

    void SetUp() override {
        WindowTest<Driver>::SetUp();
        window = std::make_unique<Window>();
        BeforeShow();
        ASSERT_NO_FATAL_FAILURE(ShowAndWait(*window, until_));
    }
    virtual void BeforeShow() {}

    std::string Panel(int index) const { return PanelOf(*window, index); }
    // Sets the interface language and runs the tick in which the window follows it.
    void SwitchLanguage(const char* language, void (Window::*tick)()) {
        UiLanguage = language;
        (window.get()->*tick)();
    }
    std::string Caption() const { return CaptionOf(*window); }

    std::unique_ptr<Window> window;

private:
    ShowUntil until_;
};
