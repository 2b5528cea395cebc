#include "MeterSetupCommands.h"

#include "MeterModel.h"

#include <QtEndian>

#include <cstring>

namespace {

// The pipe record: a 6-character echo, the diameter, four unit bytes and the
// line feed in its last byte.
constexpr int PipeRecordLength = 15;

qint16 int16Of(const QByteArray& raw) {
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar*>(raw.constData()));
}

float singleOf(const QByteArray& raw) {
    const quint32 bits =
        qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(raw.constData()));
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

QByteArray pipeRecord(const MeterState& s) {
    QByteArray r(PipeRecordLength, '\0');
    r.replace(0, 6, "PD,0, ");
    quint32 bits;
    std::memcpy(&bits, &s.pipeDiameterFt, 4);
    qToLittleEndian<quint32>(bits, reinterpret_cast<uchar*>(r.data()) + 6);
    r[10] = char(s.pipeSizeUnit);
    r[11] = char(s.pipeRoughness);
    r[12] = char(s.flowVolumeUnit);
    r[13] = char(s.flowTimeUnit);
    r[14] = '\n';
    return r;
}

using Apply = void (*)(MeterState& s, const QByteArray& raw);

// A setting with a binary argument of a fixed size, acknowledged "OK"; an
// argument of another size is not one the meter knows.
void addBinarySetting(MeterModel& model, const char* prefix, int size, Apply apply) {
    model.addCommand(
        {prefix, size, true, [size, apply](MeterModel& m, const QByteArray& args, qint64) {
             if (args.size() != size)
                 return MeterModel::BadOpcode;
             apply(m.state(), args);
             return MeterModel::Ok;
         }});
}

} // namespace

void installSetupCommands(MeterModel& model) {
    model.addCommand({"PD,0", 0, false, [](MeterModel& m, const QByteArray& args, qint64) {
                          return args.isEmpty() ? pipeRecord(m.state()) : MeterModel::BadOpcode;
                      }});
    addBinarySetting(model, "PD,1,", 8, [](MeterState& s, const QByteArray& a) {
        s.pipeDiameterFt = singleOf(a);
        s.pipeSizeUnit = quint8(a[4]);
        s.pipeRoughness = quint8(a[5]);
        s.flowVolumeUnit = quint8(a[6]);
        s.flowTimeUnit = quint8(a[7]);
    });
    addBinarySetting(model, "LM,1,", 2,
                     [](MeterState& s, const QByteArray& a) { s.damping = int16Of(a); });
    addBinarySetting(model, "LM,2,", 2, [](MeterState& s, const QByteArray& a) {
        s.displayFlowOrVelocity = quint8(int16Of(a) != 0);
    });
    addBinarySetting(model, "LM,3,", 4,
                     [](MeterState& s, const QByteArray& a) { s.lowFlowCutoff = singleOf(a); });
    addBinarySetting(model, "LM,4,", 4,
                     [](MeterState& s, const QByteArray& a) { s.siteCalibration = singleOf(a); });
    addBinarySetting(model, "LM,5,", 2, [](MeterState& s, const QByteArray& a) {
        s.remoteZeroEnabled = qint16(int16Of(a) != 0);
    });
    addBinarySetting(model, "MD,5,", 4, [](MeterState& s, const QByteArray& a) {
        s.signalStrengthCutoff = singleOf(a);
    });
    addBinarySetting(model, "MD,6,", 4, [](MeterState& s, const QByteArray& a) {
        s.signalQualityCutoff = singleOf(a);
    });
    addBinarySetting(model, "LR,3,", 2, [](MeterState& s, const QByteArray& a) {
        const qint16 v = int16Of(a);
        s.lowFlowOverride = qint16((v >> 1) & 1);
        s.zeroSignalOverride = qint16(v & 1);
    });

    // Transmit power: "0" asks for the level, "1" sets regular, "2" high.
    model.addCommand({"MD,3,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          MeterState& s = m.state();
                          if (args == "0")
                              return "MD,3," + QByteArray::number(s.transmitPower) + "\n";
                          if (args != "1" && args != "2")
                              return MeterModel::BadOpcode;
                          s.transmitPower = quint8(args == "2");
                          return MeterModel::Ok;
                      }});
    model.addCommand({"MD,4,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (args != "0" && args != "1")
                              return MeterModel::BadOpcode;
                          m.state().xqMode = qint16(args == "1");
                          return MeterModel::Ok;
                      }});
    // The range code in decimal: 1-5, plus 128 for a range set by hand.
    model.addCommand({"LR,1,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          bool ok = false;
                          const int code = args.toInt(&ok);
                          const int range = code & 0x7f;
                          if (!ok || code < 0 || code > 255 || range < 1 || range > 5)
                              return MeterModel::BadOpcode;
                          m.state().rangeCode = quint8(code);
                          m.state().rangeMode = qint16((code & 0x80) != 0);
                          return MeterModel::Ok;
                      }});
    // Fast learn: "2" yes, "1" no.
    model.addCommand({"LR,2,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (args != "1" && args != "2")
                              return MeterModel::BadOpcode;
                          m.state().fastLearn = qint16(args == "2");
                          return MeterModel::Ok;
                      }});
    model.addCommand({"LR,9", 0, true, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (!args.isEmpty())
                              return MeterModel::BadOpcode;
                          m.startLearn(t);
                          return MeterModel::Ok;
                      }});
}
