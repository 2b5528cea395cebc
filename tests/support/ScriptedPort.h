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
    Q_OBJECT
public:
    struct Write {
        qint64 time;
        QByteArray bytes;
    };

    explicit ScriptedPort(VirtualWaiter& waiter, QObject* parent = nullptr);
    ~ScriptedPort() override;

    // The replies to command (line feed included), used in turn, the last one
    // for every later sending; a command without replies gets silence. Each
    // reply's first byte leaves the meter latencyMs after the command has
    // crossed the wire. whole: all bytes of a reply arrive together when the
    // last would have, as from a driver that hands over its buffer in one piece.
    void setReplies(const QByteArray& command, const QByteArrayList& replies, bool whole = false,
                    qint64 latencyMs = 2) {
        script_[command] = {replies, whole, latencyMs};
    }
    // Bytes that arrive unasked from virtual time at, at the wire speed.
    void deliver(const QByteArray& bytes, qint64 at, bool whole = false);
    // At virtual time at the port fails as an unplugged adapter does: it closes
    // and emits failed(description) once.
    void failAt(qint64 at, const QString& description);

    // What was written, in order, each with the virtual time of the write.
    QList<Write> writes;
    QByteArray written() const;
    int countWrites(const QByteArray& bytes) const;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    int portNumber() const override { return 1; }
    bool setPortNumber(int) override { return true; }
    QString settings() const override { return QStringLiteral("19200,n,8,1"); }
    // The scripted line runs at 19200 baud only.
    bool setSettings(const QString&) override { return false; }
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
    // Applies a failure due by the current virtual time.
    void settle() const;
    void schedule(const QByteArray& bytes, bool whole, qint64 startUs);

    VirtualWaiter& waiter_;
    int sourceId_ = 0;
    mutable bool open_ = true;
    QString error_;
    QByteArray partial_;
    // When the last byte written has left the port, in microseconds.
    qint64 sentUs_ = 0;
    mutable std::deque<Pending> pending_;
    QMap<QByteArray, Script> script_;
    mutable std::optional<qint64> failAt_;
    QString failDescription_;
};
