#include "program_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <vector>

#include "application.h"

namespace {

struct Joined {
    QPointer<QObject> owner;
    std::function<bool()> check;
};

std::vector<Joined>& JoinedChecks() {
    static std::vector<Joined> joined;
    return joined;
}

bool asking = false;
bool agreed = false;

// The self-pipe: the signal handler may only write a byte; the event loop reads it.
int signalPipe[2] = {-1, -1};
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previousActions[std::size(kEndSignals)];
QSocketNotifier* signalNotifier = nullptr;

extern "C" void OnEndSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void DrainSignalPipe() {
    char bytes[64];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void JoinProgramEnd(QObject* owner, std::function<bool()> check) {
    JoinedChecks().push_back({owner, std::move(check)});
}

bool MayProgramEnd() {
    if (asking) return false;
    asking = true;
    struct Done {
        ~Done() { asking = false; }
    } done;
    std::vector<Joined>& joined = JoinedChecks();
    joined.erase(std::remove_if(joined.begin(), joined.end(),
                                [](const Joined& j) { return j.owner.isNull(); }),
                 joined.end());
    const std::vector<Joined> checks = joined;  // a check may make windows join or leave
    for (const Joined& j : checks) {
        if (j.owner.isNull()) continue;
        try {
            if (!j.check()) return false;
        } catch (...) {
            ShowCurrentException();  // a save that failed keeps the program, and the work
            return false;
        }
    }
    return true;
}

bool EndProgram() {
    if (!MayProgramEnd()) return false;
    agreed = true;
    QCoreApplication::quit();
    return true;
}

bool ProgramEndAgreed() { return agreed; }
void ResetProgramEnd() { agreed = false; }

ProgramEndSignals::ProgramEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;  // the signals then end the program as they would without us
    }
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier, &QSocketNotifier::activated, [] {
        DrainSignalPipe();
        EndProgram();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
        ::sigaction(kEndSignals[i], &action, &previousActions[i]);
}

ProgramEndSignals::~ProgramEndSignals() {
    if (signalPipe[0] < 0) return;
    for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
        ::sigaction(kEndSignals[i], &previousActions[i], nullptr);
    delete signalNotifier;
    signalNotifier = nullptr;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void AskAtSessionEnd(QGuiApplication& app) {
    static QPointer<QGuiApplication> asked;
    if (asked == &app) return;
    asked = &app;
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [](QSessionManager& manager) {
                         if (!manager.allowsInteraction()) return;
                         const bool mayEnd = MayProgramEnd();
                         manager.release();
                         if (mayEnd) agreed = true;
                         else manager.cancel();
                     },
                     Qt::DirectConnection);
}
