#include "MeterOutputCommands.h"

#include "MeterModel.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The output record: "MA,", two singles, five integers and a line feed.
constexpr int OutputRecordLength = 22;
// The relay test record: "RY,1,", four test bytes, two spare bytes, a line feed.
constexpr int RelayTestRecordLength = 12;
// The largest count of the output's converter; a stored 0 means this.
constexpr qint16 FullScaleCount = 4095;
// The relay record: eight groups of four relays, the power monitor and the
// totalizer relay.
constexpr int RelayRecordSize = 108;

qint16 int16At(const QByteArray& raw, int offset) {
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar*>(raw.constData()) + offset);
}

float singleAt(const QByteArray& raw, int offset) {
    const quint32 bits =
        qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(raw.constData()) + offset);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void putInt(QByteArray& r, int offset, qint16 v) {
    qToLittleEndian<qint16>(v, reinterpret_cast<uchar*>(r.data()) + offset);
}

void putSingle(QByteArray& r, int offset, float v) {
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    qToLittleEndian<quint32>(bits, reinterpret_cast<uchar*>(r.data()) + offset);
}

// The count the output drives now: the forced one in calibration mode,
// otherwise the flow's place in the 4-20 mA range.
qint16 presentCount(const MeterModel& m, qint64 t) {
    const MeterState& s = m.state();
    if (s.calibrating)
        return s.forcedCount;
    const double c20 = s.cal20mA == 0 ? FullScaleCount : s.cal20mA;
    const double span = s.flowAt20mA - s.flowAt4mA;
    if (span == 0)
        return s.cal4mA;
    const double part = std::clamp((m.flowAt(t) - s.flowAt4mA) / span, 0.0, 1.0);
    return qint16(std::lround(s.cal4mA + part * (c20 - s.cal4mA)));
}

QByteArray outputRecord(const MeterModel& m, qint64 t) {
    const MeterState& s = m.state();
    const double perVelocity = m.flowPerVelocity();
    QByteArray r(OutputRecordLength, '\0');
    r.replace(0, 3, "MA,");
    putSingle(r, 3, perVelocity > 0 ? float(s.flowAt4mA / perVelocity) : 0.0f);
    putSingle(r, 7, perVelocity > 0 ? float(s.flowAt20mA / perVelocity) : 0.0f);
    putInt(r, 11, s.cal20mA);
    putInt(r, 13, s.cal4mA);
    // In calibration mode the flag says whether the meter has finished.
    putInt(r, 15, s.calibrating ? 0 : s.calFinished);
    putInt(r, 17, s.calSecondFlag);
    putInt(r, 19, presentCount(m, t));
    r[OutputRecordLength - 1] = '\n';
    return r;
}

using Apply = void (*)(MeterModel& m, const QByteArray& raw);

void addBinary(MeterModel& model, const char* prefix, int size, Apply apply) {
    model.addCommand(
        {prefix, size, true, [size, apply](MeterModel& m, const QByteArray& args, qint64) {
             if (args.size() != size)
                 return MeterModel::BadOpcode;
             apply(m, args);
             return MeterModel::Ok;
         }});
}

// A command without arguments.
void addPlain(MeterModel& model, const char* prefix, Apply apply) {
    model.addCommand({prefix, 0, true, [apply](MeterModel& m, const QByteArray& args, qint64) {
                          if (!args.isEmpty())
                              return MeterModel::BadOpcode;
                          apply(m, args);
                          return MeterModel::Ok;
                      }});
}

} // namespace

void installOutputCommands(MeterModel& model) {
    model.addCommand({"MA,0", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          return args.isEmpty() ? outputRecord(m, t) : MeterModel::BadOpcode;
                      }});
    // Entering calibration drives the 4 mA count; the keep-alive repeats
    // the command and leaves whatever is forced meanwhile.
    addPlain(model, "MA,1,1", [](MeterModel& m, const QByteArray&) {
        if (!m.state().calibrating)
            m.state().forcedCount = m.state().cal4mA;
        m.state().calibrating = true;
    });
    addPlain(model, "MA,1,2",
             [](MeterModel& m, const QByteArray&) { m.state().calibrating = false; });
    // A forced end of the range is also its new count.
    addBinary(model, "MA,2,1,", 2, [](MeterModel& m, const QByteArray& a) {
        m.state().cal4mA = m.state().forcedCount = int16At(a, 0);
    });
    addBinary(model, "MA,2,2,", 2, [](MeterModel& m, const QByteArray& a) {
        m.state().cal20mA = m.state().forcedCount = int16At(a, 0);
    });
    addBinary(model, "MA,2,3,", 2,
              [](MeterModel& m, const QByteArray& a) { m.state().forcedCount = int16At(a, 0); });
    addBinary(model, "MA,3,", 16, [](MeterModel& m, const QByteArray& a) {
        MeterState& s = m.state();
        const double perVelocity = m.flowPerVelocity();
        s.flowAt4mA = float(singleAt(a, 0) * perVelocity);
        s.flowAt20mA = float(singleAt(a, 4) * perVelocity);
        s.cal20mA = int16At(a, 8);
        s.cal4mA = int16At(a, 10);
        s.calFinished = int16At(a, 12);
        s.calSecondFlag = int16At(a, 14);
    });

    model.addCommand({"RY,1", 0, false, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (!args.isEmpty())
                              return MeterModel::BadOpcode;
                          QByteArray r(RelayTestRecordLength, '\0');
                          r.replace(0, 5, "RY,1,");
                          for (int k = 0; k < 4; ++k)
                              r[5 + k] = char(m.state().relayTests[k]);
                          r[RelayTestRecordLength - 1] = '\n';
                          return r;
                      }});
    addBinary(model, "RY,2,", RelayRecordSize, [](MeterModel& m, const QByteArray& a) {
        MeterState& s = m.state();
        for (int k = 0; k < 4; ++k) {
            for (int group = 0; group < 4; ++group) {
                s.relayInts[group][k] = int16At(a, 8 * group + 2 * k);
                s.relaySingles[group][k] = singleAt(a, 32 + 16 * group + 4 * k);
            }
            s.relayInts[4][k] = int16At(a, 96 + 2 * k);
        }
        s.powerMonitorRelay = quint8(int16At(a, 104));
        s.totalizerRelay = quint8(int16At(a, 106));
    });
    addBinary(model, "RY,3,", 4, [](MeterModel& m, const QByteArray& a) {
        for (int k = 0; k < 4; ++k)
            m.state().relayTests[k] = quint8(a[k]);
    });
    // "Yes" (1) hands relay 4 to the power monitor; the record then holds 0.
    model.addCommand({"RY,4,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (args != "0" && args != "1")
                              return MeterModel::BadOpcode;
                          m.state().powerMonitorRelay = quint8(args == "0");
                          return MeterModel::Ok;
                      }});
    const Apply endTest = [](MeterModel& m, const QByteArray&) { m.state().relayTests = {}; };
    addPlain(model, "RY,5", endTest);
    model.addCommand({"RY,9,", 1, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (args != QByteArray(1, '\x09'))
                              return MeterModel::BadOpcode;
                          m.state().relayTests = {};
                          return MeterModel::Ok;
                      }});
    addPlain(model, "LR,4", [](MeterModel& m, const QByteArray&) { m.state().powerLosses = 0; });
}
