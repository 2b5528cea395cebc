#pragma once

#include "VirtualWaiter.h"
#include "link/SerialPort.h"

#include <QList>
#include <QMap>
#include <deque>
#include <optional>

// A serial port in memory on the virtual clock, for tests of the link. It
// records every write with its virtual time and answers each command (bytes up
// to a line feed, the flush prefix stripped) from a script, delivering each
// reply byte at its wire time at 19200 baud.
class ScriptedPort : public SerialPort {
public:
    struct Write {
        qint64 time;
        QByteArray bytes;
    };

    explicit ScriptedPort(VirtualWaiter& waiter);
    ~ScriptedPort() override { waiter_.removeSource(sourceId_); }

    // The replies to command (line feed included), in turn, the last one for
    // every later sending; without replies: silence. A reply starts latencyMs
    // after the command has crossed the wire; whole: its bytes arrive together
    // when the last would have, as from a driver that hands over its buffer.
    void setReplies(const QByteArray& command, const QByteArrayList& replies, bool whole = false,
                    qint64 latencyMs = 2) {
        script_[command] = {replies, whole, latencyMs};
    }
    // Bytes that arrive unasked from virtual time at, at the wire speed.
    void deliver(const QByteArray& bytes, qint64 at, bool whole = false) {
        schedule(bytes, whole, at * 1000);
    }
    // At virtual time at, the port closes and emits failed(description) once.
    void failAt(qint64 at, const QString& description) { failAt_ = at, error_ = description; }

    QList<Write> writes;
    QByteArray written() const;
    int countWrites(const QByteArray& bytes) const;

    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override;
    int portNumber() const override { return 1; }
    bool setPortNumber(int) override { return true; }
    QString settings() const override { return QStringLiteral("19200,n,8,1"); }
    bool setSettings(const QString&) override { return false; } // 19200 baud only
    int handshaking() const override { return 0; }
    bool setHandshaking(int) override { return true; }
    int bytesWaiting() override;
    void discardInput() override;
    int readByte() override;
    bool write(const QByteArray& bytes) override;
    QString errorString() const override { return error_; }

private:
    struct Script {
        QByteArrayList replies;
        bool whole;
        qint64 latencyMs;
    };
    struct Pending {
        qint64 at;
        char byte;
    };
    void schedule(const QByteArray& bytes, bool whole, qint64 startUs);
    // Bytes that have arrived by now, from the front of pending_.
    int arrived() const;

    VirtualWaiter& waiter_;
    int sourceId_;
    mutable bool open_ = true;
    mutable std::optional<qint64> failAt_;
    QString error_;
    QByteArray partial_;
    qint64 sentUs_ = 0; // when the last byte written has left the port
    std::deque<Pending> pending_;
    QMap<QByteArray, Script> script_;
};
