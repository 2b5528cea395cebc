#include "ScriptedPort.h"

#include "link/MeterLink.h"

#include <algorithm>

namespace {
// One byte on the wire at 19200 baud, 10 bits a byte, in microseconds.
constexpr qint64 ByteUs = 10 * 1'000'000 / 19200;
} // namespace

ScriptedPort::ScriptedPort(VirtualWaiter& waiter, QObject* parent)
    : SerialPort(parent), waiter_(waiter) {
    sourceId_ = waiter_.addSource([this]() -> std::optional<qint64> {
        const qint64 now = waiter_.now();
        const auto p = std::find_if(pending_.begin(), pending_.end(),
                                    [now](const Pending& p) { return p.at > now; });
        std::optional<qint64> next;
        if (p != pending_.end())
            next = p->at;
        if (failAt_ && *failAt_ > now && (!next || *failAt_ < *next))
            next = failAt_;
        return next;
    });
}

ScriptedPort::~ScriptedPort() {
    waiter_.removeSource(sourceId_);
}

void ScriptedPort::schedule(const QByteArray& bytes, bool whole, qint64 startUs) {
    // Bytes leave the meter one after another; a reply waits for the last byte
    // of the one before.
    if (!pending_.empty())
        startUs = std::max(startUs, pending_.back().at * 1000);
    const qint64 lastAt = (startUs + bytes.size() * ByteUs + 999) / 1000;
    for (int i = 0; i < bytes.size(); ++i)
        pending_.push_back(
            {whole ? lastAt : (startUs + (i + 1) * ByteUs + 999) / 1000, bytes.at(i)});
}

void ScriptedPort::deliver(const QByteArray& bytes, qint64 at, bool whole) {
    schedule(bytes, whole, at * 1000);
}

void ScriptedPort::failAt(qint64 at, const QString& description) {
    failAt_ = at;
    failDescription_ = description;
    settle();
}

void ScriptedPort::settle() const {
    if (!failAt_ || waiter_.now() < *failAt_)
        return;
    failAt_.reset();
    if (!open_)
        return;
    open_ = false;
    pending_.clear();
    emit const_cast<ScriptedPort*>(this)->failed(failDescription_);
}

QByteArray ScriptedPort::written() const {
    QByteArray all;
    for (const Write& w : writes)
        all += w.bytes;
    return all;
}

int ScriptedPort::countWrites(const QByteArray& bytes) const {
    return int(std::count_if(writes.begin(), writes.end(),
                             [&](const Write& w) { return w.bytes == bytes; }));
}

bool ScriptedPort::open() {
    settle();
    open_ = true;
    return true;
}

void ScriptedPort::close() {
    open_ = false;
    pending_.clear();
}

bool ScriptedPort::isOpen() const {
    settle();
    return open_;
}

int ScriptedPort::bytesWaiting() {
    settle();
    const qint64 now = waiter_.now();
    return open_ ? int(std::count_if(pending_.begin(), pending_.end(),
                                     [now](const Pending& p) { return p.at <= now; }))
                 : 0;
}

void ScriptedPort::discardInput() {
    settle();
    while (!pending_.empty() && pending_.front().at <= waiter_.now())
        pending_.pop_front();
}

int ScriptedPort::readByte() {
    settle();
    if (!open_ || pending_.empty() || pending_.front().at > waiter_.now())
        return -1;
    const uchar b = uchar(pending_.front().byte);
    pending_.pop_front();
    return b;
}

bool ScriptedPort::write(const QByteArray& bytes) {
    settle();
    if (!open_) {
        error_ = QStringLiteral("The port is not open.");
        return false;
    }
    const qint64 now = waiter_.now();
    writes.append({now, bytes});
    // Bytes written together go out one after another.
    sentUs_ = std::max(sentUs_, now * 1000) + bytes.size() * ByteUs;
    // A command is complete at its line feed, possibly over several writes.
    partial_ += bytes;
    for (int end; (end = partial_.indexOf('\n')) >= 0;) {
        QByteArray command = partial_.left(end + 1);
        partial_.remove(0, end + 1);
        while (command.startsWith(MeterLink::FlushPrefix))
            command.remove(0, MeterLink::FlushPrefix.size());
        Script& script = script_[command];
        if (script.replies.isEmpty())
            continue;
        const QByteArray reply =
            script.replies.size() > 1 ? script.replies.takeFirst() : script.replies.first();
        // The reply starts after the command has crossed the wire.
        schedule(reply, script.whole, sentUs_ + script.latencyMs * 1000);
    }
    return true;
}
