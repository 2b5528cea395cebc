#include "ScriptedPort.h"

#include "link/MeterLink.h"

#include <algorithm>

namespace {
// One byte on the wire at 19200 baud, 10 bits a byte, in microseconds.
constexpr qint64 ByteUs = 10 * 1'000'000 / 19200;
} // namespace

ScriptedPort::ScriptedPort(VirtualWaiter& waiter) : waiter_(waiter) {
    sourceId_ = waiter_.addSource([this]() -> std::optional<qint64> {
        const int n = arrived();
        std::optional<qint64> next;
        if (n < int(pending_.size()))
            next = pending_[size_t(n)].at;
        if (failAt_ && (!next || *failAt_ < *next))
            next = failAt_;
        return next;
    });
}

bool ScriptedPort::isOpen() const {
    if (failAt_ && waiter_.now() >= *failAt_) {
        failAt_.reset();
        if (std::exchange(open_, false))
            emit const_cast<ScriptedPort*>(this)->failed(error_);
    }
    return open_;
}

int ScriptedPort::arrived() const {
    const qint64 now = waiter_.now();
    return int(std::find_if(pending_.begin(), pending_.end(),
                            [now](const Pending& p) { return p.at > now; }) -
               pending_.begin());
}

void ScriptedPort::schedule(const QByteArray& bytes, bool whole, qint64 startUs) {
    // Bytes leave the meter one after another; a reply waits for the last
    // byte of the one before.
    if (!pending_.empty())
        startUs = std::max(startUs, pending_.back().at * 1000);
    const qint64 lastAt = (startUs + bytes.size() * ByteUs + 999) / 1000;
    for (int i = 0; i < bytes.size(); ++i)
        pending_.push_back(
            {whole ? lastAt : (startUs + (i + 1) * ByteUs + 999) / 1000, bytes.at(i)});
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

int ScriptedPort::bytesWaiting() {
    return isOpen() ? arrived() : 0;
}

void ScriptedPort::discardInput() {
    pending_.erase(pending_.begin(), pending_.begin() + arrived());
}

int ScriptedPort::readByte() {
    if (bytesWaiting() == 0)
        return -1;
    const uchar b = uchar(pending_.front().byte);
    pending_.pop_front();
    return b;
}

bool ScriptedPort::write(const QByteArray& bytes) {
    if (!isOpen())
        return false;
    const qint64 now = waiter_.now();
    writes.append({now, bytes});
    sentUs_ = std::max(sentUs_, now * 1000) + bytes.size() * ByteUs;
    // A command is complete at its line feed, possibly over several writes.
    partial_ += bytes;
    for (qsizetype end; (end = partial_.indexOf('\n')) >= 0;) {
        QByteArray command = partial_.left(end + 1);
        partial_.remove(0, end + 1);
        while (command.startsWith(MeterLink::FlushPrefix))
            command.remove(0, MeterLink::FlushPrefix.size());
        Script& s = script_[command];
        if (!s.replies.isEmpty()) // the reply starts once the command has crossed the wire
            schedule(s.replies.size() > 1 ? s.replies.takeFirst() : s.replies.first(), s.whole,
                     sentUs_ + s.latencyMs * 1000);
    }
    return true;
}
