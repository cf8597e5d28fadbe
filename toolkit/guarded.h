#pragma once
#include <QEvent>
#include <type_traits>
#include <utility>

#include "application.h"

// Qt's widget and event code is built without exception support, so an exception that unwinds
// through it skips the clean-up of Qt's own temporaries (a few hundred bytes per error, and a
// leak report under the sanitizers). TApplication::notify still catches everything, but the
// tidy way is to stop an exception in our own frame, right where the handler ran:
//
//   - window classes derive from TGuardedEvents<QMainWindow> (or <QWidget>, <QDialog>): every
//     event handler of the window itself (keys, mouse, resize, timers, close) is covered;
//   - slots connected to signals are wrapped: connect(Open1, &QAction::triggered, this,
//     Guarded([this] { Open1Click(); }));
//   - the toolkit's controls (TImage, TPaintBox, TStringGrid, controls.h) derive from
//     TGuardedEvents too, and connect their own signals through Guarded().
//
// In each case the exception goes to the error box and the command ends there.

// Runs f(args...) and shows an escaping exception in the error box.
template <class F, class... Args>
void RunGuarded(F&& f, Args&&... args) {
    try {
        std::forward<F>(f)(std::forward<Args>(args)...);
    } catch (...) {
        ShowCurrentException();
    }
}

namespace guarded_detail {
template <class F, class First, class... Rest>
void CallFirst(F& f, First&& first, Rest&&...) {
    f(std::forward<First>(first));
}
}  // namespace guarded_detail

// A callable for connect() that runs f under RunGuarded. Like a plain slot, f may take all of
// the signal's arguments, only the first one, or none.
template <class F>
auto Guarded(F f) {
    return [f](auto&&... args) mutable {
        RunGuarded([&]() {
            if constexpr (std::is_invocable_v<F&, decltype(args)...>) {
                f(std::forward<decltype(args)>(args)...);
            } else if constexpr (std::is_invocable_v<F&>) {
                f();
            } else {
                guarded_detail::CallFirst(f, std::forward<decltype(args)>(args)...);
            }
        });
    };
}

// Runs an event function (returning whether the event was handled) and stops an escaping
// exception here: it goes to the error box and the event counts as handled.
template <class F>
bool GuardedEvent(F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}

// Base for windows and controls: every event delivered to the widget runs guarded.
template <class Base>
class TGuardedEvents : public Base {
public:
    using Base::Base;

protected:
    bool event(QEvent* e) override {
        return GuardedEvent([&] { return Base::event(e); });
    }
};
