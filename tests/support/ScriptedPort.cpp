#include "ScriptedPort.h"

#include <algorithm>

namespace {
// Escape and carriage return: puts the meter's command parser in a known state.
const QByteArray MeterFlush = QByteArrayLiteral("\x1b\r");
} // namespace

ScriptedPort::ScriptedPort(VirtualWaiter& waiter, QObject* parent)
    : SerialPort(parent), waiter_(waiter) {
    sourceId_ = waiter_.addSource([this]() -> std::optional<qint64> {
        std::optional<qint64> next;
        const qint64 now = waiter_.now();
        for (const Pending& p : pending_)
            if (p.at > now) {
                next = p.at;
                break;
            }
        if (failAt_ && *failAt_ > now && (!next || *failAt_ < *next))
            next = failAt_;
        return next;
    });
}

ScriptedPort::~ScriptedPort() {
    waiter_.removeSource(sourceId_);
}

qint64 ScriptedPort::byteTimeUs() const {
    const qint64 baud = std::max(1, settings_.section(',', 0, 0).toInt());
    return 10 * 1'000'000 / baud;
}

void ScriptedPort::setReplies(const QByteArray& command, const QList<Reply>& replies) {
    QByteArray key = command;
    if (key.endsWith('\n'))
        key.chop(1);
    perCommand_[key] = replies;
}

void ScriptedPort::schedule(const Reply& reply, qint64 startUs) {
    // Bytes leave the meter one after another; a new reply waits for the last
    // byte of the one before.
    if (!pending_.empty())
        startUs = std::max(startUs, pending_.back().at * 1000);
    qint64 us = startUs;
    const qint64 byteUs = byteTimeUs();
    std::vector<Pending> bytes;
    for (int i = 0; i < reply.bytes.size(); ++i) {
        us += reply.stallBefore.value(i, 0) * 1000 + byteUs;
        bytes.push_back({(us + 999) / 1000, reply.bytes.at(i)});
    }
    if (reply.whole && !bytes.empty())
        for (Pending& p : bytes)
            p.at = bytes.back().at;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

void ScriptedPort::deliver(const QByteArray& bytes, qint64 at, bool whole) {
    Reply r(bytes, 0);
    r.whole = whole;
    schedule(r, at * 1000);
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
    ++failedCount_;
    auto* self = const_cast<ScriptedPort*>(this);
    emit self->failed(failDescription_);
}

std::optional<ScriptedPort::Reply> ScriptedPort::replyFor(const QByteArray& command) {
    if (!queued_.empty()) {
        Reply r = queued_.front();
        queued_.pop_front();
        return r;
    }
    QByteArray key = command;
    key.chop(1);
    auto it = perCommand_.find(key);
    if (it != perCommand_.end() && !it->isEmpty())
        return it->size() > 1 ? it->takeFirst() : it->first();
    if (responder)
        return responder(command);
    return std::nullopt;
}

QList<QByteArray> ScriptedPort::commands() const {
    QList<QByteArray> out;
    for (const Write& w : writes)
        if (w.bytes.endsWith('\n'))
            out << w.bytes;
    return out;
}

int ScriptedPort::countWrites(const QByteArray& bytes) const {
    return int(std::count_if(writes.begin(), writes.end(),
                             [&](const Write& w) { return w.bytes == bytes; }));
}

QByteArray ScriptedPort::written() const {
    QByteArray all;
    for (const Write& w : writes)
        all += w.bytes;
    return all;
}

bool ScriptedPort::open() {
    settle();
    if (!openError.isEmpty()) {
        error_ = openError;
        return false;
    }
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

bool ScriptedPort::setPortNumber(int number) {
    if (number < 1) {
        error_ = QStringLiteral("There is no port Com%1.").arg(number);
        return false;
    }
    portNumber_ = number;
    return true;
}

bool ScriptedPort::setSettings(const QString& text) {
    if (text.section(',', 0, 0).toInt() <= 0 || text.count(',') != 3) {
        error_ = QStringLiteral("\"%1\" is not a valid settings text.").arg(text);
        return false;
    }
    settings_ = text;
    return true;
}

bool ScriptedPort::setHandshaking(int code) {
    if (code < 0 || code > 3) {
        error_ = QStringLiteral("%1 is not a handshaking code.").arg(code);
        return false;
    }
    handshaking_ = code;
    return true;
}

int ScriptedPort::bytesWaiting() {
    settle();
    if (!open_)
        return 0;
    const qint64 now = waiter_.now();
    return int(std::count_if(pending_.begin(), pending_.end(),
                             [now](const Pending& p) { return p.at <= now; }));
}

void ScriptedPort::discardInput() {
    settle();
    const qint64 now = waiter_.now();
    while (!pending_.empty() && pending_.front().at <= now)
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
    sentUs_ = std::max(sentUs_, now * 1000) + bytes.size() * byteTimeUs();
    // A command is complete at its line feed, possibly over several writes.
    partial_ += bytes;
    int end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        const QByteArray command = partial_.left(end + 1);
        partial_.remove(0, end + 1);
        // The flush prefix only resets the meter's parser.
        QByteArray clean = command;
        while (clean.startsWith(MeterFlush))
            clean.remove(0, MeterFlush.size());
        if (silent_)
            continue;
        if (const std::optional<Reply> reply = replyFor(clean)) {
            // The reply starts after the command has crossed the wire.
            schedule(*reply, sentUs_ + reply->latencyMs * 1000);
        }
    }
    return true;
}
