#pragma once
#include <functional>

class QObject;

// Whatever ends the program (the launcher's close, any tool's Exit, the window manager's close
// or a log-out, SIGTERM) first asks the windows with work that would be lost. A window joins
// with a check that may ask the user and returns whether the program may end; one check
// answering false keeps the program running.
//
//   JoinProgramEnd(this, [this] { return ConfirmDropChanges(); });   // in the constructor
//   void TTool::Exit1Click() { EndProgram(); }

// check is asked while owner lives, in the order windows joined.
void JoinProgramEnd(QObject* owner, std::function<bool()> check);

// Asks every joined check, stopping at the first that refuses. While one end request is
// asking, another (a second SIGTERM behind the question box) is refused, not asked again.
bool MayProgramEnd();

// MayProgramEnd, then, when all agreed, ends the event loop; returns whether it did.
bool EndProgram();

// Whether an EndProgram has agreed since the last ResetProgramEnd: the program's run asks the
// windows itself when its event loop ends any other way.
bool ProgramEndAgreed();
void ResetProgramEnd();

// While it lives, SIGTERM, SIGINT and SIGHUP become an EndProgram on the event loop (the
// handler only writes a byte into a pipe); the handlers before it are restored afterwards.
class ProgramEndSignals {
public:
    ProgramEndSignals();
    ~ProgramEndSignals();
    ProgramEndSignals(const ProgramEndSignals&) = delete;
    ProgramEndSignals& operator=(const ProgramEndSignals&) = delete;
};

class QGuiApplication;
// A log-out asks the same question while the session manager lets the program talk to the
// user, and cancels the log-out when a window refuses. Lasts as long as app.
void AskAtSessionEnd(QGuiApplication& app);
