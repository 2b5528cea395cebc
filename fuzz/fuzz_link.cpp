// MeterLink against a port that answers every write with fuzzer-chosen bytes
// at fuzzer-chosen virtual times, and may fail under the link. Every exchange
// must end within a bounded stretch of virtual time, and nested calls made
// while an exchange waits must be refused without harm.
#include "ScriptedPort.h"
#include "ScriptedPrompts.h"
#include "fuzz/FuzzSupport.h"
#include "link/MeterLink.h"

#include <cstdint>

namespace {

// Longest virtual time one call may take: SendUntilOk's ten sends of five
// writes, with generous room; beyond it the link has hung.
constexpr qint64 kCallBoundMs = 10 * 60 * 1000;

// Each write is answered by a few chunks, each at its own delay, all at once
// or at the wire speed; a chunk may be padded to a long record so the fuzzer
// reaches the lengths the link waits for without spelling out every byte.
// Once the input runs out the port stays up and silent.
class FuzzPort : public ScriptedPort {
public:
    FuzzPort(FuzzedDataProvider& in, VirtualWaiter& waiter) : ScriptedPort(waiter), in_(in) {}
    bool write(const QByteArray& command) override {
        if (!ScriptedPort::write(command))
            return false;
        const qint64 now = writes.last().time;
        if (in_.ConsumeIntegralInRange(0, 15) == 15)
            failAt(now + in_.ConsumeIntegralInRange<qint64>(0, 3000), {});
        for (int c = in_.ConsumeIntegralInRange(0, 3); c > 0; --c) {
            const qint64 at = now + in_.ConsumeIntegralInRange<qint64>(0, 1200);
            const QByteArray text = bytes(in_, 64);
            const int padTo = in_.PickValueInArray(
                {0, 0, 2, 3, 12, 14, 38, 39, 71, 72, 81, 82, 189, 190, 540, 561, 562});
            const char fill = char(in_.ConsumeIntegral<uint8_t>());
            deliver(text.leftJustified(padTo, fill), at, in_.ConsumeIntegralInRange(0, 2) == 0);
        }
        return true;
    }

private:
    FuzzedDataProvider& in_;
};

QByteArray command(FuzzedDataProvider& in) {
    static const char* const known[] = {"FD,0,\n", "SC,0,\n", "CC,0,\n", "LR,0\n",
                                        "XD,1\n",  "GT,1\n",  "VR,0\n"};
    return in.ConsumeBool()
               ? QByteArray(known[in.ConsumeIntegralInRange<size_t>(0, std::size(known) - 1)])
               : bytes(in, 16);
}

// The yield of the current call at which a nested call is tried (0: none).
int nestAtYield = 0;
int yieldsThisCall = 0;

void oneCall(MeterLink& link, ScriptedPort& port, FuzzedDataProvider& in,
             ScriptedPrompts& prompts) {
    const qint64 start = link.waiter().now();
    nestAtYield = in.ConsumeIntegralInRange(0, 40);
    yieldsThisCall = 0;
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
        link.ReadComm(in.PickValueInArray({-2, -1, 0, 1, 3, 38, 71, 81, 189, 540, 561}));
        break;
    case 1: {
        const int mode = in.ConsumeIntegralInRange(0, 3);
        const int length = in.PickValueInArray({38, 71, 81, 189, 561});
        const bool busy = link.state().CommBusy;
        const QByteArray reply = link.SendCommand(command(in), mode, length);
        // A binary reply never runs past the length asked for.
        check(mode < 2 || reply.size() <= length);
        // The exchange gives CommBusy back as it found it.
        check(link.state().CommBusy == busy);
        break;
    }
    case 2:
        link.SendShortCommand(command(in));
        link.state().CommBusy = in.ConsumeBool();
        break;
    case 3: {
        // A destructive command is written once, whatever comes back.
        const QByteArray cmd = command(in);
        const qsizetype before = port.writes.size();
        link.SendOnce(cmd, 850);
        qsizetype copies = 0;
        for (qsizetype i = before; i < port.writes.size(); ++i)
            copies += port.writes[i].bytes == cmd;
        check(copies <= 1);
        break;
    }
    default: {
        const qsizetype before = prompts.shown.size();
        link.SendUntilOk(command(in));
        // The user hears about a failed setting once, or not at all.
        check(prompts.shown.size() - before <= 1);
    }
    }
    check(link.waiter().now() - start <= kCallBoundMs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    VirtualWaiter waiter;
    FuzzPort port(in, waiter);
    ScriptedPrompts prompts;
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
        oneCall(link, port, in, prompts);
    return 0;
}
