#pragma once

#include <QTimer>

#include <functional>

// Ctrl-C and SIGTERM for corvane-cli. The signal handler only notes the
// signal; a timer of the event loop, which runs during every wait for the
// meter, acts on it soon after, so a command ends at once even in the middle
// of a read that would otherwise go on.
class CliInterrupt {
public:
    // Installs the handlers; onInterrupt runs once, from the event loop,
    // after the first of the two signals.
    explicit CliInterrupt(std::function<void()> onInterrupt);
    ~CliInterrupt();
    CliInterrupt(const CliInterrupt&) = delete;
    CliInterrupt& operator=(const CliInterrupt&) = delete;

    // True once either signal has arrived.
    static bool requested();

private:
    QTimer poll_;
    std::function<void()> onInterrupt_;
    bool done_ = false;
};
