// The simulated meter as corvane-sim runs it: fault switches from its command
// line, then whatever bytes the far end writes, at rising times, with the
// reply bytes collected as they leave.
#include "FaultSwitch.h"
#include "MeterModel.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    MeterModel model;

    const int switches = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < switches; ++i) {
        QString why;
        const bool applied = FaultSwitch::apply(text(in, 40), model.faults(), &why);
        // A refused switch always says why.
        check(applied || !why.isEmpty());
    }
    if (in.ConsumeBool())
        model.setBaud(in.ConsumeIntegral<int>());

    // A day of virtual time at most, as a long session would reach.
    qint64 now = 0;
    while (in.remaining_bytes() > 0) {
        now += in.ConsumeIntegralInRange<qint64>(0, 86'400'000 / 64);
        model.receive(bytes(in, 128), now);
        const std::optional<qint64> next = model.nextByteTime();
        model.takeBytesUntil(now + in.ConsumeIntegralInRange(0, 2000));
        // Every queued reply byte leaves at a time on the model's clock.
        check(!next || *next >= 0);
    }
    return 0;
}
