// MeterLink against a port that answers every write with fuzzer-chosen bytes
// at fuzzer-chosen virtual times, and may fail under the link. Every exchange
// must end within a bounded stretch of virtual time, and nested calls made
// while an exchange waits must be refused without harm.
#include "VirtualWaiter.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "ui/Prompts.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>

namespace {

// Longest virtual time one call may take: SendUntilOk's busy wait plus ten
// sends of five writes, with generous room; beyond it the link has hung.
constexpr qint64 kCallBoundMs = 10 * 60 * 1000;

class FuzzPort : public SerialPort {
public:
    FuzzPort(FuzzedDataProvider& in, VirtualWaiter& waiter) : in_(in), waiter_(waiter) {
        sourceId_ = waiter_.addSource([this]() -> std::optional<qint64> {
            std::optional<qint64> next;
            if (const auto it = arrivedEnd(); it != pending_.end())
                next = it->at;
            if (failAt_ && *failAt_ > waiter_.now() && (!next || *failAt_ < *next))
                next = failAt_;
            return next;
        });
    }
    ~FuzzPort() override { waiter_.removeSource(sourceId_); }

    bool open() override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override {
        if (failAt_ && waiter_.now() >= *failAt_)
            open_ = false;
        return open_;
    }
    int portNumber() const override { return 1; }
    bool setPortNumber(int) override { return true; }
    QString settings() const override { return QStringLiteral("19200,n,8,1"); }
    bool setSettings(const QString&) override { return false; }
    int handshaking() const override { return 0; }
    bool setHandshaking(int) override { return true; }
    int bytesWaiting() override {
        if (!isOpen())
            return 0;
        return int(arrivedEnd() - pending_.begin());
    }
    void discardInput() override { pending_.erase(pending_.begin(), arrivedEnd()); }
    int readByte() override {
        if (!isOpen() || arrivedEnd() == pending_.begin())
            return -1;
        const int b = quint8(pending_.front().byte);
        pending_.pop_front();
        return b;
    }
    // Each write is answered by a few chunks, each at its own delay; a chunk
    // may be padded to a long record so the fuzzer reaches the lengths the
    // link waits for without spelling out every byte.
    bool write(const QByteArray&) override {
        if (!isOpen())
            return false;
        // Once the input runs out the port stays up and silent.
        if (!failAt_ && in_.ConsumeIntegralInRange(0, 15) == 15)
            failAt_ = waiter_.now() + in_.ConsumeIntegralInRange<qint64>(0, 3000);
        const int chunks = in_.ConsumeIntegralInRange(0, 3);
        for (int c = 0; c < chunks; ++c) {
            qint64 at = waiter_.now() + in_.ConsumeIntegralInRange<qint64>(0, 1200);
            const std::string text = in_.ConsumeRandomLengthString(64);
            const int padTo = in_.PickValueInArray(
                {0, 0, 2, 3, 12, 14, 38, 39, 71, 72, 81, 82, 189, 190, 540, 561, 562});
            const char fill = char(in_.ConsumeIntegral<uint8_t>());
            const qint64 gapMs = in_.ConsumeIntegralInRange<qint64>(0, 2);
            for (size_t i = 0; i < std::max(text.size(), size_t(padTo)); ++i, at += gapMs)
                pending_.push_back({at, i < text.size() ? text[i] : fill});
        }
        // Bytes leave the wire in time order, whichever chunk they belong to.
        std::stable_sort(pending_.begin(), pending_.end(),
                         [](const Pending& a, const Pending& b) { return a.at < b.at; });
        return true;
    }
    QString errorString() const override { return {}; }

private:
    struct Pending {
        qint64 at;
        char byte;
    };
    // pending_ is kept in time order: the bytes that have arrived lead.
    std::deque<Pending>::iterator arrivedEnd() {
        return std::upper_bound(pending_.begin(), pending_.end(), waiter_.now(),
                                [](qint64 t, const Pending& p) { return t < p.at; });
    }
    FuzzedDataProvider& in_;
    VirtualWaiter& waiter_;
    int sourceId_ = 0;
    mutable bool open_ = true;
    mutable std::optional<qint64> failAt_;
    std::deque<Pending> pending_;
};

class CountingPrompts : public Prompts {
public:
    Answer ask(const QString&, const QString&, Buttons, Icon, Answer defaultAnswer) override {
        ++shown;
        return defaultAnswer;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    int shown = 0;
};

const int kLengths[] = {38, 71, 81, 189, 561};

QByteArray command(FuzzedDataProvider& in) {
    static const char* const known[] = {"FD,0,\n", "SC,0,\n", "CC,0,\n", "LR,0\n",
                                        "XD,1\n",  "GT,1\n",  "VR,0\n"};
    if (in.ConsumeBool())
        return known[in.ConsumeIntegralInRange<size_t>(0, std::size(known) - 1)];
    const std::string s = in.ConsumeRandomLengthString(16);
    return QByteArray(s.data(), qsizetype(s.size()));
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

// The yield of the current call at which a nested call is tried (0: none).
int nestAtYield = 0;
int yieldsThisCall = 0;

void oneCall(MeterLink& link, FuzzedDataProvider& in, CountingPrompts& prompts) {
    const qint64 start = link.waiter().now();
    nestAtYield = in.ConsumeIntegralInRange(0, 40);
    yieldsThisCall = 0;
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        link.ReadComm(in.PickValueInArray({-2, -1, 0, 1, 3, 38, 71, 81, 189, 540, 561}));
        break;
    case 1: {
        const int mode = in.ConsumeIntegralInRange(0, 3);
        const int length = in.PickValueInArray(kLengths);
        const QByteArray reply = link.SendCommand(command(in), mode, length);
        // A binary reply never runs past the length asked for.
        if (mode == 2 || mode == 3)
            check(reply.size() <= length);
        check(!link.state().CommBusy);
        break;
    }
    case 2:
        link.SendShortCommand(command(in));
        link.state().CommBusy = in.ConsumeBool();
        break;
    default: {
        const int before = prompts.shown;
        link.SendUntilOk(command(in));
        // The user hears about a failed setting once, or not at all.
        check(prompts.shown - before <= 1);
    }
    }
    check(link.waiter().now() - start <= kCallBoundMs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    VirtualWaiter waiter;
    FuzzPort port(in, waiter);
    CountingPrompts prompts;
    MeterLink link(port, waiter, prompts);

    // Now and then a tick or click arrives mid-exchange and tries an exchange
    // of its own; the link must refuse it and finish the one under way.
    waiter.onYield = [&] {
        if (++yieldsThisCall != nestAtYield || !link.exchangeInProgress())
            return;
        check(link.SendCommand("FD,0,\n", 3, 38).isEmpty());
        check(link.ReadComm(0).isEmpty());
        check(link.SendShortCommand("GT,1\n").isEmpty());
    };

    for (int i = 0; i < 8 && in.remaining_bytes() > 0; ++i)
        oneCall(link, in, prompts);
    return 0;
}
