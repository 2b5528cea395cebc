#pragma once

#include "ConnectionState.h"
#include "shared/LinkState.h"

#include <QByteArray>

#include <functional>

class SerialPort;
class Waiter;
class Prompts;

// The command/reply exchange with the meter over one serial line.
//
// Commands are an opcode, comma-separated arguments and a line feed. Replies
// are one text line or a binary record of a known length. One character is one
// byte throughout: replies are held as bytes, never decoded as text.
//
// All waiting goes through the Waiter, so the user interface stays live during
// an exchange; LinkState::CommBusy keeps the polling cycle off the line, and the
// link itself refuses to start an exchange while another one is on the wire.
class MeterLink {
public:
    MeterLink(SerialPort& port, Waiter& waiter, Prompts& prompts);

    static constexpr char CommandTerminator = '\n';
    static inline const QByteArray FlushPrefix = QByteArrayLiteral("\x1b\r");
    // A command as the user may read it in a message: its text without the
    // terminator when it is printable, otherwise its operation code.
    static QString commandForUser(const QByteArray& command);

    LinkState& state() { return state_; }
    const LinkState& state() const { return state_; }
    SerialPort& port() { return port_; }
    Waiter& waiter() { return waiter_; }
    Prompts& prompts() { return prompts_; }
    // The connection to the meter, as every window reads it.
    ConnectionState& connection() { return connection_; }
    const ConnectionState& connection() const { return connection_; }

    // The reply reader. count -1: a line, ended by a line feed with nothing
    // after it; 0: a line, ended by the first line feed; -2: every byte until
    // the reply stalls; n > 0: exactly n bytes, which must all be waiting
    // within the first-byte time-out. Line modes drop the final line feed.
    QByteArray ReadComm(int count);

    // The general exchange. mode 0/1: line reply; 2: binary reply of the size
    // received (cut to length); 3: binary reply of length bytes. length 561 is
    // the diagnostic block: the result is its last 540 bytes. Returns an empty
    // array when the meter never produced the expected count.
    QByteArray SendCommand(const QByteArray& command, int mode, int length);

    // Writes a set-command and reads its 3-byte acknowledgement into RawReply.
    QByteArray SendShortCommand(const QByteArray& command);

    // The set-command convention: sends command (without terminator) with
    // SendShortCommand until RawReply holds "OK", a bounded number of times.
    // When the meter never acknowledges, tells the user once and returns
    // false. Callers run it through the line owner, so the line is theirs;
    // started inside another exchange's wait it sends nothing and says so.
    // Quietly leaves the telling to the caller (a settings restore names the
    // setting in its own words).
    enum Telling { TellUser, Quietly };
    bool SendUntilOk(const QByteArray& command, Telling telling = TellUser);

    // A destructive command (master erase, log deletion, totalizer reset):
    // written exactly once, never repeated whatever comes back. Waits up to
    // replyWaitMs for a reply and returns whatever arrived (possibly nothing).
    QByteArray SendOnce(const QByteArray& command, qint64 replyWaitMs);
    // The same at program exit, to end a state the meter must not be left in
    // (a relay test, a forced current): also while an exchange waits beneath
    // the close, since that exchange is abandoned with the program and
    // nothing else can reach the line meanwhile.
    QByteArray SendOnceAtExit(const QByteArray& command, qint64 replyWaitMs);

    // Writes bytes as they stand (the identification and the version read,
    // which read their reply with ReadComm themselves).
    bool writeDirect(const QByteArray& bytes);

    // Throws away what arrives for at least atLeastMs and then until no byte
    // has come for a reply's between-byte interval, so the tail of a late or
    // stalled reply goes with it and can never be read as the next reply.
    // Bounded however much keeps arriving; false when the line never fell
    // quiet (or the port closed). Used before a request is sent again.
    bool discardUntilQuiet(qint64 atLeastMs = 0);

    // Called by whoever found a reply whole and used it: the meter is
    // answering. The connection state learns of every good reply (a datalog
    // section or a setting's OK counts as much as a flow record); the
    // callback is for observers such as tests and benchmarks.
    void setGoodReplyCallback(std::function<void()> callback) {
        onGoodReply_ = std::move(callback);
    }
    void noteGoodReply() {
        connection_.goodReply();
        if (onGoodReply_)
            onGoodReply_();
    }

    // True while an exchange is on the wire (ReadComm or a Send call runs).
    bool exchangeInProgress() const { return depth_ > 0; }

    // Called each time the last exchange on the wire returns.
    void setIdleCallback(std::function<void()> callback) { onIdle_ = std::move(callback); }

    // A new connection: a limit reached on the old one is told again.
    void resetNotices() { errorLimitTold_ = false; }

    // The program is closing: closes the port and refuses every exchange
    // from now on, so a handler still unwinding writes nothing more.
    void shutDown();
    bool isShutDown() const { return shutDown_; }

private:
    // Marks the link as on the wire for the lifetime of the guard.
    class Wire {
    public:
        explicit Wire(MeterLink& link);
        ~Wire();
        Wire(const Wire&) = delete;
        Wire& operator=(const Wire&) = delete;

    private:
        MeterLink& link_;
        bool wasBusy_;
    };

    // One write of command and the wait for its line, whatever else is on the wire.
    QByteArray writeOnce(const QByteArray& command, qint64 replyWaitMs);
    // ReadComm without the check for an exchange already on the wire.
    QByteArray readReply(int count);
    // Waits until count bytes are waiting, the port closes or the deadline
    // passes; true when the bytes are there.
    bool waitForBytes(int count, qint64 deadline);
    // discardUntilQuiet without the check for an exchange on the wire.
    bool drainUntilQuiet(qint64 atLeastMs);
    // Ends a call that found another exchange on the wire: nothing is written.
    QByteArray refuse();
    // Tells the user, once per connection, that the meter kept refusing.
    void tellErrorLimit(const QByteArray& command, const QByteArray& answer);

    SerialPort& port_;
    Waiter& waiter_;
    Prompts& prompts_;
    LinkState state_;
    ConnectionState connection_{port_, waiter_};
    int depth_ = 0;
    std::function<void()> onIdle_;
    std::function<void()> onGoodReply_;
    bool errorLimitTold_ = false;
    bool shutDown_ = false;
};
