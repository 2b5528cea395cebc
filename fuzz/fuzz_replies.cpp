// The meter's replies as the program decodes them. FieldError and the unit
// tables' IndexError are the documented answers to bad bytes; anything else
// escaping (or a sanitizer report) is a fault.
#include "fuzz/FuzzSupport.h"
#include "link/FieldConversions.h"
#include "monitor/ConfigDecoder.h"
#include "monitor/FlowReading.h"
#include "shared/ConfigRecord.h"
#include "shared/UnitTables.h"

#include <cstdint>

namespace {

template <typename F> void expectingFieldErrors(F&& f) {
    try {
        f();
    } catch (const FieldError&) {
    } catch (const UnitTables::IndexError&) {
    }
}

void decodeRecords(const QByteArray& reply) {
    expectingFieldErrors([&] { ConfigDecoder::decodeSystemConfig(reply); });
    expectingFieldErrors([&] { ConfigDecoder::decodeLearnData(reply); });
    expectingFieldErrors([&] {
        ConfigRecord record;
        record.ChanConfig = ConfigDecoder::decodeChannelConfig(reply);
        record.deriveFlowUnits();
    });
}

void readFlow(const QByteArray& reply, FuzzedDataProvider& in) {
    expectingFieldErrors([&] {
        const FlowReading r(reply);
        r.flowText();
        r.velocityText();
        r.signalStrengthText();
        r.signalQualityText();
        r.timeText();
        r.dateText();
        AnalysisFigures analysis;
        analysis.RangeNumber = in.ConsumeIntegral<int>();
        analysis.LearnCount = in.ConsumeIntegral<int>();
        analysis.PointCount = in.ConsumeIntegral<int>();
        r.statusLines(analysis);
        FlowReading::velocityUnitText(in.ConsumeIntegral<int>());
        FlowReading::loggingCaption(in.ConsumeIntegral<qint16>(), in.ConsumeIntegral<qint16>());
        r.remoteZeroShown(in.ConsumeIntegral<qint16>());
        r.totalizerText(in.ConsumeIntegralInRange<int>(-2, 6));
    });
}

// Cuts fields at fuzzer-chosen positions and sizes, as the read procedures do.
void walkFields(const QByteArray& reply, FuzzedDataProvider& in) {
    qint16 position = in.ConsumeIntegral<qint16>();
    for (int i = 0; i < 64 && in.remaining_bytes() > 0; ++i) {
        expectingFieldErrors([&] {
            if (in.ConsumeBool())
                position = in.ConsumeIntegral<qint16>();
            qint16 code = in.PickValueInArray<qint16>({1, 2, 4, 6, 44, 0, 3, -1, 300});
            const FieldValue v = GetField(reply, position, code);
            expectingFieldErrors([&] { v.toInt(); });
            expectingFieldErrors([&] { v.toLong(); });
            expectingFieldErrors([&] { v.toFloat(); });
            expectingFieldErrors([&] { v.toDouble(); });
            v.toText();
        });
    }
}

void convertBytes(const QByteArray& field) {
    expectingFieldErrors([&] { RawToBytes(field); });
    expectingFieldErrors([&] { RawToInt(field); });
    expectingFieldErrors([&] { RawToLong(field); });
    expectingFieldErrors([&] { RawToSingle(field); });
    expectingFieldErrors([&] { RawToDouble(field); });
    expectingFieldErrors([&] { RawToSgnByte(field); });
    expectingFieldErrors([&] { HexToLong(field); });
    HexText(field);
    expectingFieldErrors([&] { StrToInt(field); });
    expectingFieldErrors([&] { StrToLong(field); });
    expectingFieldErrors([&] { Stringtofloat(field); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        decodeRecords(bytes(in, 256));
        break;
    case 1:
        readFlow(bytes(in, 64), in);
        break;
    case 2:
        walkFields(bytes(in, 256), in);
        break;
    default:
        while (in.remaining_bytes() > 0)
            convertBytes(bytes(in, 12));
    }
    return 0;
}
