#pragma once

#include <QByteArray>

class MeterLink;

// How one setting command goes out and when the meter has taken it, free of
// any window, so the setup dialog, a settings restore and corvane-cli send a
// setting the very same way. The caller holds the line (the line owner, or
// corvane-cli which has it alone).
struct SettingShape {
    enum Kind {
        UntilOk,     // repeated until the reply holds "OK" (the link's bound)
        Once,        // a set-command exchange, repeated up to sends times
                     // while the reply is not exactly "OK"
        Counted,     // a counted exchange expecting length characters,
                     // sent up to sends times until the reply holds "OK"
        WrittenOnce, // written exactly once, never repeated (it resets something)
    };
    Kind kind = UntilOk;
    int length = 0;
    int sends = 1;
    static SettingShape untilOk() { return {}; }
    static SettingShape once(int sends = 1) { return {Once, 0, sends}; }
    static SettingShape counted(int length, int sends = 1) { return {Counted, length, sends}; }
    static SettingShape writtenOnce() { return {WrittenOnce}; }
    bool operator==(const SettingShape&) const = default;
};

namespace SettingExchange {

// How long a setting written exactly once waits for its acknowledgement: a
// reset of the totalizer answers within a few hundred milliseconds.
constexpr qint64 OnceReplyWaitMs = 850;

struct Result {
    bool acknowledged = false;
    // Commands written; 0 when the port was closed or another exchange was
    // waiting, so nothing went out.
    int sends = 0;
};

// Sends command (framed, terminator included) in its shape. Tells the user
// nothing: the caller says what a refusal means for its own work.
Result send(MeterLink& link, const QByteArray& command, SettingShape shape);

} // namespace SettingExchange
