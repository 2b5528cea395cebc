#include "MeterLink.h"

#include "SerialPort.h"
#include "Waiter.h"
#include "ui/Prompts.h"

#include <algorithm>

namespace {

// How long one attempt waits for the expected byte count before the command is
// written again: enough for a 561-byte block at 9600 baud plus the meter's turnaround.
constexpr qint64 kByteCountWaitMs = 850;
// Writes of a command per exchange before the meter counts as not answering.
constexpr int kAttempts = 3;
// The reply timer's first interval: a read gives up when nothing (for a binary
// read: not the whole count) has arrived this soon.
constexpr qint64 kFirstByteMs = 250;
// The reply timer after each byte of a binary read or of a line read that may
// be followed by more lines (mode -1).
constexpr qint64 kNextByteMs = 350;
// The reply timer after each byte of a single-line read (mode 0): the meter may
// pause while it composes a text reply.
constexpr qint64 kNextLineByteMs = 800;
// The most bytes one line read takes. The meter's longest text line is well
// under 40 characters; a longer run without a line feed is not a reply (noise,
// another instrument on the port) and fails the read.
constexpr int kMaxLineBytes = 256;
// The longest one line read may run, however the bytes keep coming: a real
// text reply takes a few dozen bytes and at most a pause or two of the meter.
constexpr qint64 kMaxLineMs = 3000;
// The most bytes a binary read takes from what is waiting after its time-out:
// twice the longest reply (561 bytes); the rest is discarded with it.
constexpr int kMaxTakenBytes = 1122;
// The line counts as quiet when no byte came for this long: the reply timer's
// interval between bytes, after which a reply is taken to have ended.
constexpr qint64 kQuietMs = kNextByteMs;
// The longest a discard waits for the line to fall quiet: longer than any
// reply of the meter, short enough that a device streaming without end costs
// one bounded pause before the request goes out anyway.
constexpr qint64 kQuietLimitMs = 2000;
// Short replies that end an attempt although they fall short of the expected
// count: "RecErr" padded to 12 and CR LF (14), "Bad OPCode " and LF (12), and
// a bare two-byte answer (2).
constexpr int kShortReplyLengths[] = {14, 12, 2};
// The diagnostic blocks arrive as the meter's own 21-byte header and the
// 540-byte block the callers decode.
constexpr int kDiagnosticReplyLength = 561;
constexpr int kDiagnosticBlockLength = 540;
// Repeats of a whole exchange on "RecErr" or "Bad OP": a meter that keeps
// refusing must not hold the program in the exchange for ever.
constexpr int kMaxErrorWordRepeats = 5;
// Length of the set-command acknowledgement "OK" and its line feed.
constexpr int kAckLength = 3;
// Writes of a set-command inside one SendShortCommand: the first and up to four
// repeats while nothing (or only an error word) came back.
constexpr int kShortCommandWrites = 5;
// Sends of a setting before the user is told the meter did not acknowledge it:
// a live meter answers "OK" within the first few.
constexpr int kMaxOkSends = 10;

const QByteArray kRecErr = QByteArrayLiteral("RecErr");
const QByteArray kBadOp = QByteArrayLiteral("Bad OP");
const QByteArray kBadOpcode = QByteArrayLiteral("Bad OPCode ");
const QByteArray kOk = QByteArrayLiteral("OK");

bool isShortReplyLength(int k) {
    for (int n : kShortReplyLengths)
        if (k == n)
            return true;
    return false;
}

} // namespace

MeterLink::MeterLink(SerialPort& port, Waiter& waiter, Prompts& prompts)
    : port_(port), waiter_(waiter), prompts_(prompts) {}

MeterLink::Wire::Wire(MeterLink& link) : link_(link), wasBusy_(link.state_.CommBusy) {
    ++link_.depth_;
    link_.state_.CommBusy = true;
}

MeterLink::Wire::~Wire() {
    link_.state_.CommBusy = wasBusy_;
    if (--link_.depth_ == 0 && link_.onIdle_)
        link_.onIdle_();
}

void MeterLink::shutDown() {
    shutDown_ = true;
    if (port_.isOpen())
        port_.close();
}

void MeterLink::tellErrorLimit(const QByteArray& command, const QByteArray& answer) {
    if (errorLimitTold_)
        return;
    errorLimitTold_ = true;
    prompts_.message(QStringLiteral("The meter answered \"%1\" to the command \"%2\" %3 times "
                                    "in a row, so the command was given up. The program goes on; "
                                    "if this repeats, check the meter and its firmware.")
                         .arg(QString::fromLatin1(answer), commandForUser(command))
                         .arg(kMaxErrorWordRepeats + 1),
                     Prompts::Icon::Exclamation);
}

bool MeterLink::waitForBytes(int count, qint64 deadline) {
    waiter_.waitUntil([&] { return !port_.isOpen() || port_.bytesWaiting() >= count; }, deadline);
    return port_.isOpen() && port_.bytesWaiting() >= count;
}

QByteArray MeterLink::refuse() {
    state_.ReplyStatus = 1;
    return {};
}

QByteArray MeterLink::ReadComm(int count) {
    if (depth_ > 0 || shutDown_)
        return refuse();
    Wire wire(*this);
    return readReply(count);
}

QByteArray MeterLink::readReply(int count) {
    QByteArray result;
    state_.ReplyStatus = 0;
    state_.ReplyByteSum = 0;
    state_.RawReply.clear();
    qint64 deadline = waiter_.now() + kFirstByteMs;
    bool timedOut = false;

    if (count == -1 || count == 0) {
        const qint64 nextByteMs = count == -1 ? kNextByteMs : kNextLineByteMs;
        // Each byte restarts the reply timer, but never beyond the line's
        // own limit: a port that streams without a line feed ends the read.
        const qint64 limit = waiter_.now() + kMaxLineMs;
        bool finished = false;
        while (!finished) {
            if (result.size() >= kMaxLineBytes || !waitForBytes(1, std::min(deadline, limit))) {
                timedOut = true;
                break;
            }
            const int b = port_.readByte();
            if (b < 0) {
                timedOut = true;
                break;
            }
            result.append(char(b));
            finished = b == '\n' && (count == 0 || port_.bytesWaiting() == 0);
            deadline = waiter_.now() + nextByteMs;
        }
        if (result.endsWith('\n'))
            result.chop(1);
    } else {
        // A binary read must find its whole count waiting within the first
        // interval; -2 never does and takes whatever came in that time.
        bool reached = false;
        if (count > 0) {
            reached = waitForBytes(count, deadline);
        } else {
            waiter_.waitUntil([&] { return !port_.isOpen(); }, deadline);
        }
        if (reached) {
            for (int i = 0; i < count; ++i) {
                const int b = port_.readByte();
                if (b < 0) {
                    timedOut = true;
                    break;
                }
                result.append(char(b));
                state_.RawReply.append(char(b));
                state_.ReplyByteSum += b;
            }
        } else {
            timedOut = true;
            if (port_.isOpen() && port_.bytesWaiting() > 0) {
                state_.ReplyStatus = 1;
                for (int b = port_.readByte(); b >= 0 && result.size() < kMaxTakenBytes;
                     b = port_.readByte()) {
                    result.append(char(b));
                    state_.RawReply.append(char(b));
                }
            }
        }
    }

    if (timedOut) {
        state_.ReplyStatus = 1;
        if (port_.isOpen())
            port_.discardInput();
    }
    if (state_.RawReply.contains(kBadOp) || result.contains(kBadOp))
        state_.ReplyStatus = 2;
    if (!result.isEmpty())
        connection_.bytesReceived();
    return result;
}

bool MeterLink::discardUntilQuiet(qint64 atLeastMs) {
    if (depth_ > 0 || shutDown_)
        return false;
    Wire wire(*this);
    return drainUntilQuiet(atLeastMs);
}

bool MeterLink::drainUntilQuiet(qint64 atLeastMs) {
    const qint64 start = waiter_.now();
    const qint64 limit = start + std::max(atLeastMs, kQuietLimitMs);
    qint64 lastByte = start;
    while (port_.isOpen()) {
        if (port_.bytesWaiting() > 0) {
            port_.discardInput();
            lastByte = waiter_.now();
        }
        const qint64 quietFrom = std::max(start + atLeastMs, lastByte + kQuietMs);
        if (waiter_.now() >= quietFrom)
            return true;
        if (waiter_.now() >= limit)
            return false;
        waitForBytes(1, std::min(quietFrom, limit));
    }
    return false;
}

QByteArray MeterLink::SendCommand(const QByteArray& command, int mode, int length) {
    if (depth_ > 0 || shutDown_)
        return refuse();
    Wire wire(*this);
    state_.RawReply.clear();
    const bool binary = mode == 2 || mode == 3;

    // Ends the exchange without a reply.
    const auto fail = [this](qint16 status) {
        state_.RawReply.clear();
        state_.ReplyStatus = status;
        ++state_.ReplyTimeouts;
        return QByteArray();
    };

    QByteArray result;
    for (int errorRepeats = 0;; ++errorRepeats) {
        if (errorRepeats > kMaxErrorWordRepeats) {
            tellErrorLimit(command, binary ? kBadOp : kRecErr);
            return fail(binary ? 2 : 1);
        }
        if (!port_.isOpen())
            return fail(1);
        port_.write(FlushPrefix);
        port_.discardInput();

        int k = 0;
        bool answered = false;
        for (int attempt = 0; attempt < kAttempts && !answered && port_.isOpen(); ++attempt) {
            // What an attempt left behind (a reply one byte short, a late
            // fragment) must not be counted with the repeat's reply: the two
            // would make up the length and be read as one misframed record.
            if (attempt > 0) {
                // Part of a reply came: the rest may still be on its way.
                if (k > 0)
                    drainUntilQuiet(0);
                port_.discardInput();
            }
            port_.write(command);
            state_.LastCommand = command;
            waitForBytes(length, waiter_.now() + kByteCountWaitMs);
            if (!port_.isOpen())
                break;
            k = port_.bytesWaiting();
            // Bytes that make no reply still tell a damaged line from a
            // silent one.
            if (k > 0)
                connection_.bytesReceived();
            answered = k == length || k == length + 1 ||
                       (port_.bytesWaiting() == k && isShortReplyLength(k));
        }
        if (!answered)
            return fail(1);

        if (mode == 3) {
            result = readReply(length);
        } else if (mode == 2) {
            result = readReply(k);
            if (k > length) {
                result.truncate(length);
                state_.RawReply.truncate(length);
            }
        } else {
            result = readReply(length == kDiagnosticReplyLength ? kDiagnosticBlockLength : 0);
            // Whatever follows the line belongs to no one; drop it without
            // disturbing what the line read left in the link state.
            if (port_.isOpen())
                port_.discardInput();
        }

        const bool refused = binary ? state_.RawReply.contains(kBadOp) : result.contains(kRecErr);
        if (!refused)
            break;
        result.clear();
    }

    if (length == kDiagnosticReplyLength && result.size() > kDiagnosticBlockLength)
        result = result.right(kDiagnosticBlockLength);
    return result;
}

QByteArray MeterLink::SendShortCommand(const QByteArray& command) {
    if (depth_ > 0 || shutDown_)
        return refuse();
    Wire wire(*this);
    state_.RawReply.clear();
    state_.CurrentCommand = command;
    state_.LastCommand = command;
    if (!port_.isOpen()) {
        state_.ReplyStatus = 1;
        ++state_.ReplyTimeouts;
        return {};
    }

    // Port errors are ignored here: a write that fails shows up as no answer.
    port_.discardInput();
    port_.write(FlushPrefix);
    port_.write(command);
    QByteArray result = readReply(kAckLength);
    for (int writes = 1; writes < kShortCommandWrites && port_.isOpen(); ++writes) {
        const QByteArray& raw = state_.RawReply;
        if (!raw.isEmpty() && raw != kRecErr && raw != kBadOpcode)
            break;
        port_.write(FlushPrefix);
        port_.write(command);
        result = readReply(-1);
    }
    if (state_.RawReply == kRecErr)
        result.clear();
    if (result.isEmpty())
        ++state_.ReplyTimeouts;
    return result;
}

bool MeterLink::SendUntilOk(const QByteArray& command, Telling telling) {
    const QString name = commandForUser(command);
    const auto tell = [&](const QString& text, Prompts::Icon icon) {
        if (telling == TellUser)
            prompts_.message(text, icon);
    };
    if (shutDown_)
        return false;
    // The line owner runs settings when the line is free; one that still
    // starts inside another exchange's wait could only garble that exchange.
    if (depth_ > 0) {
        tell(QStringLiteral("The setting \"%1\" was not sent because the meter was "
                            "busy with another exchange. Please try again.")
                 .arg(name),
             Prompts::Icon::Exclamation);
        return false;
    }

    QByteArray framed = command;
    if (!framed.endsWith(CommandTerminator))
        framed.append(CommandTerminator);
    for (int sends = 0; sends < kMaxOkSends; ++sends) {
        state_.CurrentCommand = framed;
        SendShortCommand(framed);
        if (state_.RawReply.contains(kOk)) {
            noteGoodReply();
            return true;
        }
        if (!port_.isOpen()) {
            tell(QStringLiteral("The setting \"%1\" was not sent because the serial "
                                "port is not open. Connect to the meter from the "
                                "Comm menu and try again.")
                     .arg(name),
                 Prompts::Icon::Exclamation);
            return false;
        }
    }
    tell(QStringLiteral("The meter did not acknowledge the setting \"%1\" after %2 "
                        "tries, so it may not have been changed. Check the "
                        "connection to the meter and try again.")
             .arg(name)
             .arg(kMaxOkSends),
         Prompts::Icon::Exclamation);
    return false;
}

QByteArray MeterLink::SendOnce(const QByteArray& command, qint64 replyWaitMs) {
    if (depth_ > 0 || shutDown_)
        return refuse();
    return writeOnce(command, replyWaitMs);
}

QByteArray MeterLink::SendOnceAtExit(const QByteArray& command, qint64 replyWaitMs) {
    if (shutDown_)
        return {};
    return writeOnce(command, replyWaitMs);
}

QByteArray MeterLink::writeOnce(const QByteArray& command, qint64 replyWaitMs) {
    Wire wire(*this);
    state_.RawReply.clear();
    state_.CurrentCommand = command;
    if (!port_.isOpen()) {
        state_.ReplyStatus = 1;
        return {};
    }
    port_.write(FlushPrefix);
    port_.discardInput();
    port_.write(command);
    state_.LastCommand = command;
    // Whatever the acknowledgement looks like, it ends with a line feed; a
    // meter that says nothing costs the whole wait and nothing more.
    QByteArray reply;
    const auto take = [&] {
        while (port_.isOpen() && port_.bytesWaiting() > 0) {
            const int b = port_.readByte();
            if (b < 0)
                break;
            reply.append(char(b));
        }
        return !port_.isOpen() || reply.endsWith(CommandTerminator);
    };
    waiter_.waitUntil(take, waiter_.now() + replyWaitMs);
    if (!reply.isEmpty())
        connection_.bytesReceived();
    state_.RawReply = reply;
    state_.ReplyStatus = reply.isEmpty() ? 1 : 0;
    return reply;
}

bool MeterLink::writeDirect(const QByteArray& bytes) {
    if (depth_ > 0 || shutDown_ || !port_.isOpen())
        return false;
    return port_.write(bytes);
}

QString MeterLink::commandForUser(const QByteArray& command) {
    QByteArray text = command;
    while (text.endsWith(MeterLink::CommandTerminator))
        text.chop(1);
    for (char c : text)
        if (uchar(c) < 0x20 || uchar(c) > 0x7e)
            return QString::fromLatin1(text.left(2));
    return QString::fromLatin1(text);
}
