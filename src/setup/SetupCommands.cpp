#include "SetupCommands.h"

#include "link/FieldConversions.h"
#include "link/MeterLink.h"
#include "shared/UnitTables.h"

#include <QLocale>

#include <cmath>

namespace SetupCommands {

namespace {
// The pipe record's characters that carry data: the 6-character echo, the
// diameter and four indices (its line feed follows).
constexpr int PipeReplyLength = 14;
// The meter's own value of pi for the pipe's cross-section.
constexpr double PipeAreaPi = 3.14159;
// Range codes: bit 7 marks a range set by hand.
constexpr int ManualRangeBit = 128;
} // namespace

QByteArray framed(const QByteArray& command) {
    return command + MeterLink::CommandTerminator;
}

QByteArray withInt16(const char* prefix, qint16 value) {
    return framed(prefix + IntToRaw(value));
}

QByteArray withSingle(const char* prefix, float value) {
    return framed(prefix + SingleToRaw(value));
}

QByteArray pipeCommand(const PipeData& pipe) {
    QByteArray command = "PD,1," + SingleToRaw(pipe.diameterFt);
    for (int index : {pipe.pipeUnit, pipe.wall, pipe.flowUnit, pipe.timeUnit})
        command.append(char(quint8(index)));
    return framed(command);
}

std::optional<PipeData> decodePipeReply(const QByteArray& reply) {
    if (reply.size() < PipeReplyLength || !reply.startsWith("PD"))
        return std::nullopt;
    try {
        PipeData pipe;
        pipe.diameterFt = RawToSingle(reply.mid(6, 4));
        pipe.pipeUnit = quint8(reply[10]);
        pipe.wall = quint8(reply[11]);
        pipe.flowUnit = quint8(reply[12]);
        pipe.timeUnit = quint8(reply[13]);
        return pipe;
    } catch (const FieldError&) {
        return std::nullopt;
    }
}

int rangeCode(bool manual, int rangeIndex) {
    return (manual ? ManualRangeBit : 0) + rangeIndex + 1;
}

QByteArray rangeCommand(int code) {
    return framed("LR,1," + QByteArray::number(code));
}

std::optional<int> transmitPowerLevel(const QByteArray& reply) {
    if (!reply.startsWith("MD,") || reply.isEmpty())
        return std::nullopt;
    const char last = reply.back();
    if (last < '0' || last > '9')
        return std::nullopt;
    return last - '0';
}

float flowFactor(double diameterFt, int flowUnit, int timeUnit) {
    return float(PipeAreaPi / 4 * diameterFt * diameterFt * UnitTables::volumeFactor(flowUnit) *
                 UnitTables::timeFactor(timeUnit));
}

std::optional<double> parseNumber(const QString& text) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace SetupCommands
