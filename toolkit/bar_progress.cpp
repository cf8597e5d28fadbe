#include "bar_progress.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "controls.h"

namespace {
// Paints what changed (the bar, a status text) without taking user input.
void KeepPainted() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
}  // namespace

TBarProgress::TBarProgress(TProgressBar* bar) : bar_(bar) {}

void TBarProgress::Start(int total) {
    done_ = 0;
    bar_->SetRange(0, total > 0 ? total : 1);  // 0..0 would be a busy bar
    bar_->SetPosition(0);
    KeepPainted();
}

void TBarProgress::Step() {
    bar_->SetPosition(++done_);
    KeepPainted();
}

bool TBarProgress::Cancelled() { return cancelled_; }
