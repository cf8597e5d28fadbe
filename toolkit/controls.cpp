#include "controls.h"

#include <QFocusEvent>

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }

// Runs a control's callback, guarded, when it is set.
void Fire(const std::function<void()>& callback) {
    if (callback) RunGuarded(callback);
}
}  // namespace

void SetHint(QWidget* control, const std::string& hint) { control->setToolTip(Q(hint)); }
std::string Hint(const QWidget* control) { return control->toolTip().toStdString(); }

TButton::TButton(const std::string& caption, QWidget* parent)
    : TGuardedEvents<QPushButton>(Q(caption), parent) {
    connect(this, &QPushButton::clicked, this, [this] { Fire(OnClick); });
}

TCheckBox::TCheckBox(const std::string& caption, QWidget* parent)
    : TGuardedEvents<QCheckBox>(Q(caption), parent) {
    connect(this, &QCheckBox::toggled, this, [this] { Fire(OnClick); });
}

TRadioButton::TRadioButton(const std::string& caption, QWidget* parent)
    : TGuardedEvents<QRadioButton>(Q(caption), parent) {
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Fire(OnClick);
    });
}

TEdit::TEdit(QWidget* parent) : TGuardedEvents<QLineEdit>(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { Fire(OnChange); });
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A pop-up (the field's own context menu) takes the focus without the user leaving.
    if (event->reason() != Qt::PopupFocusReason) Fire(OnExit);
}

TComboBox::TComboBox(QWidget* parent) : TGuardedEvents<QComboBox>(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this] { Fire(OnChange); });
}

void TComboBox::SetItems(const std::vector<std::string>& items) {
    clear();
    for (const std::string& item : items) addItem(Q(item));
}

std::vector<std::string> TComboBox::Items() const {
    std::vector<std::string> items;
    for (int i = 0; i < count(); ++i) items.push_back(itemText(i).toStdString());
    return items;
}

void TComboBox::SetItemIndex(int index) { setCurrentIndex(index >= 0 && index < count() ? index : -1); }

TTrackBar::TTrackBar(QWidget* parent) : TGuardedEvents<QSlider>(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
    connect(this, &QSlider::valueChanged, this, [this] { Fire(OnChange); });
}

TListBox::TListBox(QWidget* parent) : TGuardedEvents<QListWidget>(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { Fire(OnClick); });
    connect(this, &QListWidget::itemActivated, this, [this] { Fire(OnClick); });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { Fire(OnDblClick); });
}

void TListBox::SetItems(const std::vector<std::string>& items) {
    clear();
    for (const std::string& item : items) addItem(Q(item));
}

void TListBox::AddItem(const std::string& item) { addItem(Q(item)); }

std::string TListBox::Item(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text().toStdString() : std::string();
}

void TListBox::SetItemIndex(int index) { setCurrentRow(index >= 0 && index < count() ? index : -1); }

TProgressBar::TProgressBar(QWidget* parent) : TGuardedEvents<QProgressBar>(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void TProgressBar::SetPosition(int position) {
    setValue(position < minimum() ? minimum() : position > maximum() ? maximum() : position);
}

TPageControl::TPageControl(QWidget* parent) : TGuardedEvents<QTabWidget>(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (!settingPage_) Fire(OnChange);
    });
}

QWidget* TPageControl::AddPage(const std::string& caption) {
    auto* page = new QWidget;
    settingPage_ = true;  // the first page becoming current is no user choice
    addTab(page, Q(caption));
    settingPage_ = false;
    return page;
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= count()) return;
    settingPage_ = true;
    setCurrentIndex(index);
    settingPage_ = false;
}

TTabControl::TTabControl(QWidget* parent) : TGuardedEvents<QTabBar>(parent) {
    connect(this, &QTabBar::currentChanged, this, [this] {
        if (!settingTab_) Fire(OnChange);
    });
}

void TTabControl::SetTabs(const std::vector<std::string>& tabs) {
    settingTab_ = true;
    while (count() > 0) removeTab(count() - 1);
    for (const std::string& tab : tabs) addTab(Q(tab));
    settingTab_ = false;
}

void TTabControl::SetTabIndex(int index) {
    if (index < 0 || index >= count()) return;
    settingTab_ = true;
    setCurrentIndex(index);
    settingTab_ = false;
}
