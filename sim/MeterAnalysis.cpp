#include "MeterAnalysis.h"

#include "MeterModel.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

constexpr int HeaderLength = 21;
constexpr int BlockLength = 540;
constexpr double TwoPi = 6.283185307179586;
// The trailer and the analysis figures wander with this period, so that a
// page shows the meter's values moving from tick to tick.
constexpr qint64 TrailerPeriodMs = 7000;

// Little-endian fields at 1-based positions of the block.
void putByte(QByteArray& b, int pos, int v) {
    b[pos - 1] = char(quint8(v));
}
// 2-byte sign-magnitude, as the meter's signal blocks carry integers.
void putSm(QByteArray& b, int pos, int v) {
    const int m = std::min(std::abs(v), 0x7fff);
    b[pos - 1] = char(m & 0xff);
    b[pos] = char(((m >> 8) & 0x7f) | (v < 0 ? 0x80 : 0));
}
void putLong(QByteArray& b, int pos, qint32 v) {
    qToLittleEndian<qint32>(v, reinterpret_cast<uchar*>(b.data()) + pos - 1);
}
void putSingle(QByteArray& b, int pos, float v) {
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    qToLittleEndian<quint32>(bits, reinterpret_cast<uchar*>(b.data()) + pos - 1);
}

QByteArray header(const char* op, int which) {
    QByteArray h = QByteArray(op) + "," + QByteArray::number(which) + ",540,";
    h.append(HeaderLength - h.size(), '\0');
    return h;
}

double wander(qint64 t, double phase) {
    return std::sin(TwoPi * double(t) / TrailerPeriodMs + phase);
}

// The meter's unit texts: volume right-aligned in three bytes (leading zero
// bytes), time in four characters.
const char* const VolumeTexts[] = {"GAL", "IGL", "MGL", "FT3", "M3", "L", "OB", "LB"};
const char* const TimeTexts[] = {"SEC ", "MIN ", "HR  ", "DAY "};

// A crossproduct: a floor and a peak at bin; supervisor range a little wider.
void putCrossproduct(QByteArray& b, double bin, double width, double height) {
    for (int i = 0; i < 128; ++i) {
        const double x = (i + 1 - bin) / width;
        putLong(b, 4 * i + 1, qint32(400.0 + 30.0 * ((i * 29) % 11) + height * std::exp(-x * x)));
    }
}

// Peak-selection marks around the peak: the selected stretch (1 ... 2), a
// full-height marker at the peak and drop markers at its edges.
void putMarks(QByteArray& b, double bin) {
    const int peak = std::clamp(int(std::lround(bin)), 8, 120);
    putSm(b, 2 * (peak - 6) - 1, 1);
    putSm(b, 2 * (peak + 6) - 1, 2);
    putSm(b, 2 * peak - 1, 6);
    putSm(b, 2 * (peak - 3) - 1, 3);
    putSm(b, 2 * (peak + 3) - 1, 5);
}

} // namespace

namespace MeterAnalysis {

double peakBin(const MeterModel& model, qint64 timeMs) {
    return 8.0 + model.velocityAt(timeMs) * 6.0;
}

QByteArray signalBlock(const MeterModel& model, int which, qint64 timeMs) {
    QByteArray reply = model.signalBlock(which, timeMs);
    QByteArray block = reply.mid(HeaderLength);
    const MeterFaults& f = model.faults();
    if (f.deadLowFrequency && (which == 1 || which == 3))
        block.replace(0, 512, QByteArray(512, '\0'));
    // The trailer follows the echo: P/P and correction factor wander, the
    // supervisor range a little apart from the selected one.
    const double w = wander(timeMs, which);
    const bool supervisor = which == 3 || which == 4 || which == 7 || which == 8;
    putSm(block, 517, int(std::lround(3400 + 260 * w - (supervisor ? 500 : 0))));
    putSm(block, 519, int(std::lround(1000 + 40 * w)));
    putByte(block, 533, 5);
    putByte(block, 534, model.state().transmitPower);
    return reply.left(HeaderLength) + block;
}

QByteArray resultBlock(const MeterModel& model, int which, qint64 timeMs) {
    const MeterState& s = model.state();
    const MeterFaults& f = model.faults();
    QByteArray b(BlockLength, '\0');
    const double bin = peakBin(model, timeMs);
    const double w = wander(timeMs, which);
    const double ss = model.signalStrengthAt(timeMs);
    const double sq = model.signalQualityAt(timeMs);
    const double flow = model.flowAt(timeMs);

    if (which == 1 || which == 2) {
        putCrossproduct(b, bin, which == 1 ? 3.0 : 4.5, which == 1 ? 52000.0 : 31000.0);
        putSingle(b, 513, float(bin + 0.25 * w));
        putSm(b, 517, int(std::lround(3400 + 260 * w - (which == 2 ? 500 : 0))));
        putSm(b, 519, int(std::lround(1000 + 40 * w)));
        putSingle(b, 521, float(which == 1 ? flow : flow * (1.0 + 0.01 * w)));
    }
    if (which == 1) {
        putSingle(b, 525, 1.0f); // velocity scale factor
        putSingle(b, 529, f.zeroDivisor ? 0.0f : float(model.flowPerVelocity()));
        const QByteArray volume = VolumeTexts[std::min<int>(s.flowVolumeUnit, 7)];
        b.replace(532 + 3 - volume.size(), volume.size(), volume);
        b.replace(535, 4, TimeTexts[std::min<int>(s.flowTimeUnit, 3)]);
    } else if (which == 2) {
        putSingle(b, 525, s.lowFlowCutoff);
        // The inside diameter in inches as the meter keeps it, to three decimals.
        putSingle(b, 529, float(std::round(s.pipeDiameterFt * 12000.0) / 1000.0));
        putByte(b, 533, 5);
        putByte(b, 534, s.transmitPower);
        putByte(b, 535, f.rangeScaleByte >= 0 ? f.rangeScaleByte : (s.rangeCode & 0x7f));
        putByte(b, 537, model.lrnStateAt(timeMs));
    } else {
        putMarks(b, bin);
    }
    if (which == 3) {
        // The status block: word k at bytes 2k-1 and 2k.
        const auto word = [&](int k, int v) { putSm(b, 2 * k - 1, v); };
        word(129, model.lrnFlagsAt(timeMs));
        word(130, s.rangeCode & 0x7f);
        word(131, 12);
        word(132, 24);
        word(135, int(std::lround(ss * 8)));
        word(137, int(std::lround((ss - 20.0) * 8)));
        word(147, int(std::lround(sq * 100)));
        word(148, int(std::lround((sq - 4.0) * 100)));
        word(149, int(std::lround((sq - 1.5) * 100)));
        word(150, int(std::lround((sq - 6.0) * 100)));
        word(155, 1);
        word(156, 1);
        word(157, 1);
        word(161, s.lowFlowOverride);
        word(162, s.zeroSignalOverride);
        word(165, s.rangeMode);
        word(166, 1);
        putByte(b, 511, f.statusNotValid ? 0 : 1);
    }
    b[BlockLength - 1] = '\n'; // the last, unused byte, as in the meter's other records
    return header("XR", which) + b;
}

void installCommands(MeterModel& model) {
    model.addCommand({"XD,", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (args.size() != 1 || args[0] < '1' || args[0] > '8')
                              return MeterModel::BadOpcode;
                          return signalBlock(m, args[0] - '0', t);
                      }});
    model.addCommand({"XR,", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (args.size() != 1 || args[0] < '1' || args[0] > '4')
                              return MeterModel::BadOpcode;
                          return resultBlock(m, args[0] - '0', t);
                      }});
}

} // namespace MeterAnalysis
