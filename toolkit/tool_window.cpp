#include "tool_window.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "guarded.h"
#include "image_control.h"
#include "status_bar.h"

QAction* MakeMenuItem(QMenu* menu, const char* name, const char* caption,
                      const QKeySequence& shortcut) {
    QAction* item = menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(name);
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
        item->setShortcutContext(Qt::WidgetShortcut);
        item->setShortcutVisibleInContextMenu(true);
    }
    return item;
}

QMenuBar* MakeMenuBar(QWidget* window, const char* name) {
    auto* bar = new QMenuBar(window);
    bar->setObjectName(name);
    return bar;
}

QMenu* AddMenu(QMenuBar* bar, const char* caption, const char* name) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    if (name) menu->setObjectName(name);
    return menu;
}

QAction* MakeMainMenuItem(QWidget* window, QMenu* menu, const char* name, const char* caption,
                          const QKeySequence& shortcut) {
    QAction* item = MakeMenuItem(menu, name, caption);
    if (!shortcut.isEmpty()) item->setShortcut(shortcut);
    window->addAction(item);
    return item;
}

QAction* MakeShortcut(QWidget* window, const char* name, const QKeySequence& shortcut) {
    QAction* action = new QAction(window);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

void OnTriggered(std::initializer_list<QAction*> actions, const std::function<void()>& handler) {
    for (QAction* action : actions)
        QObject::connect(action, &QAction::triggered, action, Guarded(handler));
}

void SetCaption(QWidget* window, const std::string& caption) {
    // Doubled, the placeholder shows as the two characters it is made of.
    window->setWindowTitle(QString::fromStdString(caption).replace(QStringLiteral("[*]"),
                                                                   QStringLiteral("[*][*]")));
}

int LayoutImageOverStatusBar(QWidget* window, QWidget* image, TStatusBar* bar) {
    const int barHeight = bar->sizeHint().height();
    const int areaHeight = std::max(0, window->height() - barHeight);
    image->setGeometry(0, 0, window->width(), areaHeight);
    bar->setGeometry(0, areaHeight, window->width(), window->height() - areaHeight);
    return areaHeight;
}

namespace {

class WheelForwarder : public QObject {
public:
    WheelForwarder(QObject* parent, std::function<void(int)> onWheel)
        : QObject(parent), onWheel_(std::move(onWheel)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
        auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        if (delta != 0) RunGuarded(onWheel_, delta);
        wheel->accept();
        return true;
    }

private:
    std::function<void(int)> onWheel_;
};

}  // namespace

void ForwardWheel(QWidget* window, std::initializer_list<QWidget*> sources,
                  std::function<void(int delta)> onWheel) {
    auto* forwarder = new WheelForwarder(window, std::move(onWheel));
    for (QWidget* source : sources) source->installEventFilter(forwarder);
}

void SetUpToolWindow(QWidget* window, const char* caption, const QIcon& icon) {
    window->setWindowTitle(QString::fromUtf8(caption));
    if (!icon.isNull()) window->setWindowIcon(icon);
    window->setFont(QFont(QStringLiteral("Tahoma"), 8));
    window->setFocusPolicy(Qt::StrongFocus);
}

QIcon DrawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
    }  // the painter lets go of the pixmap before the icon copies it
    return QIcon(pixmap);
}

TImage* MakeImageArea(QWidget* parent, const char* name) {
    auto* image = new TImage(parent);
    image->setObjectName(name);
    image->setFocusPolicy(Qt::NoFocus);
    return image;
}

TStatusBar* MakeStatusBar(QWidget* parent, const std::vector<TStatusBar::PanelSpec>& panels,
                          const char* name) {
    auto* bar = new TStatusBar(parent);
    bar->setObjectName(name);
    bar->SetPanels(panels);
    return bar;
}

QMenu* MakePopupMenu(QWidget* parent, const char* name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    return menu;
}

void PopUpOnRightClick(QWidget* control, QMenu* menu) {
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(control, &QWidget::customContextMenuRequested, menu,
                     Guarded([control, menu](const QPoint& at) {
                         menu->popup(control->mapToGlobal(at));
                     }));
}

QActionGroup* MakeExclusiveGroup(QObject* parent, std::initializer_list<QAction*> items) {
    auto* group = new QActionGroup(parent);
    group->setExclusive(true);
    for (QAction* item : items) {
        item->setCheckable(true);
        group->addAction(item);
    }
    return group;
}

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, std::function<void()> onTick,
                  bool start) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, parent, Guarded(std::move(onTick)));
    if (start) timer->start();
    return timer;
}

namespace tool_window_detail {

bool KeyDown(const TWindowEvents& events, QKeyEvent* event) {
    if (!events.KeyDown) return false;
    events.KeyDown(event->key(), event->modifiers());
    event->accept();
    return true;
}

bool KeyUp(const TWindowEvents& events, QKeyEvent* event) {
    if (!events.KeyUp) return false;
    // A held key repeats as release and press pairs on this desktop. Only the real release
    // counts, so what a held key does (a growing step, a turn, a list on show) ends when the
    // key is let go, and a key that acts on release acts once.
    if (!event->isAutoRepeat()) events.KeyUp(event->key(), event->modifiers());
    event->accept();
    return true;
}

bool PopUp(const TWindowEvents& events, QContextMenuEvent* event) {
    if (!events.PopupMenu) return false;
    events.PopupMenu->popup(event->globalPos());
    return true;
}

}  // namespace tool_window_detail
