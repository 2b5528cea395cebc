#pragma once

#include "link/SerialPort.h"
#include "link/VirtualWaiter.h"

#include <QList>
#include <QMap>
#include <deque>
#include <functional>
#include <optional>

// A serial port in memory on the virtual clock, for tests of the link and of the
// procedures above it. It records every write with its virtual time and answers
// commands from a script, delivering each reply byte at its wire time.
//
// A write that ends in a line feed is a command; anything else (the flush
// prefix, stray bytes) is only recorded.
class ScriptedPort : public SerialPort {
    Q_OBJECT
public:
    // One reply of the scripted meter.
    struct Reply {
        Reply() = default;
        Reply(const QByteArray& b) : bytes(b) {}
        Reply(const QByteArray& b, qint64 latency) : bytes(b), latencyMs(latency) {}

        QByteArray bytes;
        // Time from the end of the command to the first byte leaving the meter.
        qint64 latencyMs = 2;
        // Extra pauses of the meter: before the byte at the key's index, wait
        // the value in ms.
        QMap<int, qint64> stallBefore;
        // All bytes arrive together at the time the last would have arrived,
        // as a driver that hands over its buffer in one piece.
        bool whole = false;
    };

    struct Write {
        qint64 time = 0;
        QByteArray bytes;
    };

    explicit ScriptedPort(VirtualWaiter& waiter, QObject* parent = nullptr);
    ~ScriptedPort() override;

    // The script. A reply queued with queueReply answers the next command,
    // whatever it is. Otherwise replies set for the command (written without
    // its line feed) are used in turn, the last one for every later sending.
    // Otherwise the responder, if any, is asked; a command nobody answers
    // gets silence.
    void queueReply(const Reply& reply) { queued_.push_back(reply); }
    void queueReply(const QByteArray& bytes) { queueReply(Reply(bytes)); }
    void setReplies(const QByteArray& command, const QList<Reply>& replies);
    void setReply(const QByteArray& command, const QByteArray& bytes) {
        setReplies(command, {Reply(bytes)});
    }
    std::function<std::optional<Reply>(const QByteArray& command)> responder;

    // The meter stops answering (true) or answers again (false).
    void setSilent(bool silent) { silent_ = silent; }
    // Bytes that arrive without being asked for, from virtual time at, at the
    // wire speed (whole: all together when the last would have arrived).
    void deliver(const QByteArray& bytes, qint64 at, bool whole = false);
    // At virtual time at the port fails as an unplugged adapter does: it closes
    // and emits failed(description) once.
    void failAt(qint64 at, const QString& description);
    // open() fails with this description while it is not empty.
    QString openError;

    // What was written, in order, each with the virtual time of the write.
    QList<Write> writes;
    // Only the writes that were commands, line feed included.
    QList<QByteArray> commands() const;
    // How many times exactly these bytes were written.
    int countWrites(const QByteArray& bytes) const;
    // All bytes written, run together.
    QByteArray written() const;
    int failedCount() const { return failedCount_; }

    // Time one byte takes on the wire at the current speed (10 bits), in
    // microseconds.
    qint64 byteTimeUs() const;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int number) override;
    QString settings() const override { return settings_; }
    bool setSettings(const QString& text) override;
    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int code) override;
    int bytesWaiting() override;
    void discardInput() override;
    int readByte() override;
    bool write(const QByteArray& bytes) override;
    QString errorString() const override { return error_; }

private:
    struct Pending {
        qint64 at = 0;
        char byte = 0;
    };

    // Applies everything due by the current virtual time (a failure).
    void settle() const;
    void schedule(const Reply& reply, qint64 startUs);
    std::optional<Reply> replyFor(const QByteArray& command);

    VirtualWaiter& waiter_;
    int sourceId_ = 0;
    mutable bool open_ = true;
    bool silent_ = false;
    int portNumber_ = 1;
    QString settings_ = QStringLiteral("19200,n,8,1");
    int handshaking_ = 0;
    QString error_;
    QByteArray partial_;
    // When the last byte written has left the port, in microseconds.
    qint64 sentUs_ = 0;
    mutable std::deque<Pending> pending_;
    std::deque<Reply> queued_;
    QMap<QByteArray, QList<Reply>> perCommand_;
    mutable std::optional<qint64> failAt_;
    QString failDescription_;
    mutable int failedCount_ = 0;
};
