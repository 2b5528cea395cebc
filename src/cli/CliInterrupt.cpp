#include "CliInterrupt.h"

#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// How often the event loop looks for a signal: well inside the second in
// which an interrupted command must have ended.
constexpr int kPollMs = 100;

volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
    signalled = 1;
}

#ifdef Q_OS_WIN
// Windows has no SIGTERM, and Ctrl-C, Ctrl-Break and closing the console
// window reach a console program through this handler, on a thread of its
// own. It only sets the flag, as the signal handler does; returning TRUE
// keeps the process alive until the event loop has ended the command.
BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        signalled = 1;
        return TRUE;
    default:
        return FALSE;
    }
}
#endif

} // namespace

CliInterrupt::CliInterrupt(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#endif
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
        if (!signalled || done_)
            return;
        done_ = true;
        poll_.stop();
        if (onInterrupt_)
            onInterrupt_();
    });
    poll_.start();
}

CliInterrupt::~CliInterrupt() {
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#endif
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool CliInterrupt::requested() {
    return signalled != 0;
}
