#include "CliInterrupt.h"

#include <csignal>

namespace {

// How often the event loop looks for a signal: well inside the second in
// which an interrupted command must have ended.
constexpr int kPollMs = 100;

volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
    signalled = 1;
}

} // namespace

CliInterrupt::CliInterrupt(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
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
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool CliInterrupt::requested() {
    return signalled != 0;
}
