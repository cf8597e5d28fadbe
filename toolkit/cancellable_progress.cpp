#include "cancellable_progress.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "controls.h"

TCancellableProgress::TCancellableProgress(TProgressBar* bar, QAbstractButton* cancel)
    : bar_(bar), cancel_(cancel) {
    cancelWasVisible_ = cancel_->isVisible();
    QObject::connect(cancel_, &QAbstractButton::clicked, this, [this] { cancelled_ = true; });
    cancel_->setEnabled(true);
    cancel_->show();
    cancel_->raise();
    QCoreApplication::instance()->installEventFilter(this);
}

TCancellableProgress::~TCancellableProgress() {
    QCoreApplication::instance()->removeEventFilter(this);
    cancel_->setVisible(cancelWasVisible_);
}

void TCancellableProgress::Start(int total) {
    done_ = 0;
    bar_->SetRange(0, total > 0 ? total : 1);  // 0..0 would be a busy bar
    bar_->SetPosition(0);
    QCoreApplication::processEvents();
}

void TCancellableProgress::Step() {
    bar_->SetPosition(++done_);
    QCoreApplication::processEvents();
}

bool TCancellableProgress::Cancelled() {
    QCoreApplication::processEvents();
    return cancelled_;
}

bool TCancellableProgress::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) return true;  // menu keys go to actions, not widgets
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            // Windows pass their input on to widgets; only the widgets' share is filtered.
            if (watched->isWidgetType() && watched != cancel_) return true;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
