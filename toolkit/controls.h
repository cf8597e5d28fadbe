#pragma once
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <functional>
#include <string>
#include <vector>

#include "guarded.h"

// The small controls the tool windows share, each a thin Qt widget with the handful of
// properties and events the windows use, texts as UTF-8 std::string. Every event callback
// runs guarded (guarded.h). Group boxes, labels and scroll boxes are plain QGroupBox, QLabel
// and QScrollArea.
//
//   Button1 = new TButton("Clear", GroupBox1);   Button1->OnClick = [this] { Button1Click(); };
//   Edit1 = new TEdit(GroupBox1);  Edit1->SetText("800");  Edit1->OnExit = [this] { Edit1Exit(); };
//   ComboBox1->SetItems({"800x600", "1024x768"});  ComboBox1->OnChange = [this] { ... };
//   TrackBar1->SetRange(1, 10);  TrackBar1->OnChange = [this] { Edit1->SetText(...); };
//   SetHint(Button1, "Click to swap pictures");
//   QWidget* page = PageControl1->AddPage("Images");  // children of page are on that tab

// A hint (tool tip) shown when the pointer rests on the control.
void SetHint(QWidget* control, const std::string& hint);
std::string Hint(const QWidget* control);

class TButton : public TGuardedEvents<QPushButton> {
    Q_OBJECT
public:
    explicit TButton(const std::string& caption = std::string(), QWidget* parent = nullptr);
    std::function<void()> OnClick;
};

// OnClick follows every change of Checked, by the user or by SetChecked (as the windows expect
// when they restore a setting and want the preview to follow).
class TCheckBox : public TGuardedEvents<QCheckBox> {
    Q_OBJECT
public:
    explicit TCheckBox(const std::string& caption = std::string(), QWidget* parent = nullptr);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    std::function<void()> OnClick;
};

// Radio buttons with the same parent exclude each other. OnClick: turned on (user or code).
class TRadioButton : public TGuardedEvents<QRadioButton> {
    Q_OBJECT
public:
    explicit TRadioButton(const std::string& caption = std::string(), QWidget* parent = nullptr);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    std::function<void()> OnClick;
};

// A one-line edit field. OnChange follows every text change (typed or SetText); OnExit runs
// when the field loses the keyboard focus, the moment the windows check a typed value.
class TEdit : public TGuardedEvents<QLineEdit> {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);
    std::string Text() const { return text().toStdString(); }
    void SetText(const std::string& text) { setText(QString::fromStdString(text)); }
    std::function<void()> OnChange, OnExit;

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// A drop-down list to pick from (not typed into). OnChange: the user picked an item; setting
// ItemIndex from code does not fire it. ItemIndex -1: nothing chosen.
class TComboBox : public TGuardedEvents<QComboBox> {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);
    void SetItems(const std::vector<std::string>& items);
    std::vector<std::string> Items() const;
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index);  // out of range: -1
    std::string Text() const { return currentText().toStdString(); }
    std::function<void()> OnChange;
};

// A horizontal slider with integer positions. OnChange follows every change of Position.
class TTrackBar : public TGuardedEvents<QSlider> {
    Q_OBJECT
public:
    explicit TTrackBar(QWidget* parent = nullptr);
    void SetRange(int min, int max) { setRange(min, max); }
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetPosition(int position) { setValue(position); }  // clamped to the range
    std::function<void()> OnChange;
};

// A list of texts, one selectable. OnClick: the user chose an item (click or keys);
// OnDblClick: an item was double-clicked.
class TListBox : public TGuardedEvents<QListWidget> {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);
    void SetItems(const std::vector<std::string>& items);
    void AddItem(const std::string& item);
    void Clear() { clear(); }
    int Count() const { return count(); }
    std::string Item(int index) const;  // "" out of range
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int index);  // out of range: -1
    std::function<void()> OnClick, OnDblClick;
};

// A progress bar from Min to Max; Position is clamped into the range.
class TProgressBar : public TGuardedEvents<QProgressBar> {
    Q_OBJECT
public:
    explicit TProgressBar(QWidget* parent = nullptr);
    void SetRange(int min, int max) { setRange(min, max < min ? min : max); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetPosition(int position);
};

// Pages with tabs: each page is a widget that holds the page's controls. OnChange: the user
// chose another page (setting ActivePageIndex from code does not fire it).
class TPageControl : public TGuardedEvents<QTabWidget> {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    QWidget* AddPage(const std::string& caption);
    int PageCount() const { return count(); }
    QWidget* Page(int index) const { return widget(index); }
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index);
    std::function<void()> OnChange;

private:
    bool settingPage_ = false;
};

// A tab strip without pages (the window changes what it shows on OnChange). Tabs are texts;
// OnChange: the user chose another tab (SetTabIndex from code does not fire it).
class TTabControl : public TGuardedEvents<QTabBar> {
    Q_OBJECT
public:
    explicit TTabControl(QWidget* parent = nullptr);
    void SetTabs(const std::vector<std::string>& tabs);
    int TabCount() const { return count(); }
    int TabIndex() const { return currentIndex(); }
    void SetTabIndex(int index);
    std::function<void()> OnChange;

private:
    bool settingTab_ = false;
};
