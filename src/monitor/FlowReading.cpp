#include "FlowReading.h"

#include "link/DisplayFormat.h"
#include "link/FieldConversions.h"
#include "shared/UnitTables.h"

namespace {

// Bit 7 of the flag byte: the remote zero is applied; bits 0-6: learn flags.
constexpr quint8 RemoteZeroBit = 0x80;
constexpr quint8 LearnFlagsMask = 0x7f;

// 1-based byte positions in the record.
QByteArray fieldAt(const QByteArray& reply, int position, int length) {
    return reply.mid(position - 1, length);
}

} // namespace

FlowReading::FlowReading(const QByteArray& reply) {
    Flow = Stringtofloat(fieldAt(reply, 4, 4));
    Velocity = Stringtofloat(fieldAt(reply, 8, 4));
    SignalStrength = Stringtofloat(fieldAt(reply, 12, 4));
    SignalQuality = Stringtofloat(fieldAt(reply, 16, 4));
    LrnState = quint8(RawToInt(fieldAt(reply, 20, 1)));
    const quint8 flagByte = quint8(RawToInt(fieldAt(reply, 23, 1)));
    RemoteZeroApplied = (flagByte & RemoteZeroBit) != 0;
    LrnFlags = flagByte & LearnFlagsMask;
    Hour = RawToSgnByte(fieldAt(reply, 24, 1));
    Minute = RawToSgnByte(fieldAt(reply, 25, 1));
    Second = RawToSgnByte(fieldAt(reply, 26, 1));
    Month = RawToSgnByte(fieldAt(reply, 27, 1));
    Day = RawToSgnByte(fieldAt(reply, 28, 1));
    YearSince1900 = RawToSgnByte(fieldAt(reply, 29, 1));
    TotalBytes = fieldAt(reply, 30, 8);
}

double FlowReading::total() const {
    return RawToDouble(TotalBytes);
}

QString FlowReading::flowText() const {
    return FormatNumber(Flow, "#####0.00");
}
QString FlowReading::velocityText() const {
    return FormatNumber(Velocity, "####0.00");
}
QString FlowReading::signalStrengthText() const {
    return FormatNumber(SignalStrength, "#####0.0");
}
QString FlowReading::signalQualityText() const {
    return FormatNumber(SignalQuality, "#####0.0");
}

QString FlowReading::timeText() const {
    int hour = Hour;
    QString suffix = " AM";
    if (hour > 12) {
        suffix = " PM";
        hour -= 12;
    }
    return FormatNumber(hour, "#00") + ":" + FormatNumber(Minute, "#00") + ":" +
           FormatNumber(Second, "#00") + suffix;
}

QString FlowReading::dateText() const {
    return FormatNumber(Month, "#00") + "/" + FormatNumber(Day, "#00") + "/" +
           FormatNumber(YearSince1900 + 1900, "####");
}

std::optional<QStringList> FlowReading::statusLines(const AnalysisFigures& analysis) const {
    if (LrnState == MeasuringState && LrnFlags == 0)
        return std::nullopt;
    const auto flag = [this](int bit) { return (LrnFlags & bit) != 0; };
    const QString range = QString::number(analysis.RangeNumber);
    const QString count = QString::number(analysis.LearnCount);
    const QString points = QString::number(analysis.PointCount);
    QStringList lines;
    // Learning and measuring report the same three signal problems.
    const auto signalWarnings = [&] {
        if (flag(8))
            lines << "No Flow - Can't Learn";
        if (flag(16))
            lines << "Warning - Low Sig Strength";
        if (flag(32))
            lines << "Warning - Poor Sig Quality";
    };
    switch (LrnState) {
    case 0:
        lines << "Waiting for range to set";
        break;
    case 1:
        lines << "Learn Mode: Monitoring Signal..." + count;
        if (flag(1))
            lines << "Range set";
        if (flag(2))
            lines << "Invalid Signal - Can't Learn";
        break;
    case 2:
        lines << "Signal OK...";
        if (flag(1))
            lines << "Setting Range " + range;
        if (flag(2))
            lines << "Waiting for range to set";
        break;
    case 3:
        if (flag(1))
            lines << "Range 4 is correct";
        if (flag(2))
            lines << "Autoranging Disabled, Keeping Range 4";
        if (flag(4))
            lines << "Range " + range + " Locked";
        lines << "Learn Mode";
        signalWarnings();
        if (flag(64))
            lines << "Learning..." + count;
        break;
    case 4:
        if (analysis.PointCount != 0)
            lines << points + "Points";
        if (flag(1))
            lines << "Learn Mode complete";
        if (flag(2))
            lines << "Warning";
        if (flag(4))
            lines << "Alarm";
        signalWarnings();
        if (flag(64))
            lines << "Lost Signal, AutoRanging";
        break;
    case 5:
        lines << "Failed " + points;
        break;
    default:
        break;
    }
    return lines;
}

QString FlowReading::totalizerText(int multiplierIndex) const {
    const double shown = total() / double(UnitTables::multiplierValue(multiplierIndex));
    return FormatNumber(shown, "  ########0");
}

std::optional<QString> FlowReading::velocityUnitText(int flowVolumeUnit) {
    switch (flowVolumeUnit) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 6:
    case 7:
        return QString::fromLatin1(UnitTables::VelocityUnitNames[0]);
    case 4:
    case 5:
        return QString::fromLatin1(UnitTables::VelocityUnitNames[1]);
    default:
        return std::nullopt;
    }
}

QString FlowReading::loggingCaption(qint16 sysLoggingOn, qint16 lrnLoggingActive) {
    return (sysLoggingOn & lrnLoggingActive) != 0 ? "Logging" : "Not Logging";
}
