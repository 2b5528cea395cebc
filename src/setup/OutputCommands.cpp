#include "OutputCommands.h"

#include "SetupCommands.h"

#include "link/FieldConversions.h"

#include <cmath>

namespace OutputCommands {

namespace {
// The output record's data: "MA,", two singles and five integers.
constexpr int OutputDataLength = 21;
// Plausible counts of a calibrated output; outside them the count is reset.
constexpr int Highest4mACount = 700;
constexpr int Lowest20mACount = 3595;
// Readings further from nominal than these are typing errors.
constexpr double Lowest4mAReading = 2, Highest4mAReading = 6;
constexpr double Lowest20mAReading = 17, Highest20mAReading = 22;
// The test reply carries the states at characters 6 to 9.
constexpr int TestStatesAt = 5;

QByteArray int16(qint16 value) {
    return IntToRaw(value);
}
} // namespace

std::optional<OutputRecord> decodeOutput(const QByteArray& reply, int minimumLength) {
    if (reply.size() < std::max(minimumLength, OutputDataLength) || !reply.startsWith("MA,"))
        return std::nullopt;
    try {
        OutputRecord r;
        r.velocity4 = RawToSingle(reply.mid(3, 4));
        r.velocity20 = RawToSingle(reply.mid(7, 4));
        r.count20 = RawToInt(reply.mid(11, 2));
        r.count4 = RawToInt(reply.mid(13, 2));
        r.calFinished = RawToInt(reply.mid(15, 2));
        r.secondFlag = RawToInt(reply.mid(17, 2));
        r.present = RawToInt(reply.mid(19, 2));
        return r;
    } catch (const FieldError&) {
        return std::nullopt;
    }
}

QByteArray outputCommand(const OutputRecord& r) {
    return SetupCommands::framed("MA,3," + SingleToRaw(r.velocity4) + SingleToRaw(r.velocity20) +
                                 int16(r.count20) + int16(r.count4) + int16(r.calFinished) +
                                 int16(r.secondFlag));
}

QByteArray forceCommand(int which, int count) {
    return SetupCommands::framed("MA,2," + QByteArray::number(which) + "," + int16(qint16(count)));
}

int usedCount20(int count20) {
    return count20 == 0 ? FullScaleCount : count20;
}

std::optional<double> currentOf(int present, int count4, int count20) {
    count20 = usedCount20(count20);
    if (present == count4)
        return 4.0;
    if (present == count20)
        return 20.0;
    if (present > count4 && present < count20)
        return double(present - count4) / (count20 - count4) * 16 + 4;
    return std::nullopt;
}

int sliderCount(int value, int maximum, int count4, int count20) {
    count20 = usedCount20(count20);
    if (maximum <= 0)
        return count4;
    return int(std::lround(double(value) / maximum * (count20 - count4) + count4));
}

std::optional<Counts> corrected(double m4, double m20, int c4, int c20) {
    if (m4 < Lowest4mAReading || m4 > Highest4mAReading)
        m4 = 4;
    if (m20 < Lowest20mAReading || m20 > Highest20mAReading)
        m20 = 20;
    c20 = usedCount20(c20);
    if (c20 <= c4)
        return std::nullopt;
    const double b = (m4 * c20 - c4 * m20) / (c20 - c4);
    const double s = (m20 - m4) / (c20 - c4);
    // The half count added before rounding moves a count that needs no
    // correction, so a nominal reading keeps its count as it is.
    Counts out;
    out.count4 = m4 == 4 ? c4 : int(std::nearbyint((4 - b) / s + 0.5));
    out.count20 = m20 == 20 ? c20 : int(std::nearbyint((20 - b) / s + 0.5));
    if (out.count4 > Highest4mACount || out.count4 < 0)
        out.count4 = 0;
    if (out.count20 > FullScaleCount || out.count20 < Lowest20mACount)
        out.count20 = FullScaleCount;
    return out;
}

QByteArray relayCommand(const SystemConfig& r) {
    QByteArray out = "RY,2,";
    for (const auto* group : {&r.RelayOnAbove, &r.RelayOffAbove, &r.RelayOnBelow, &r.RelayOffBelow})
        for (qint16 v : *group)
            out += int16(v);
    for (const auto* group : {&r.RelayOnAboveThreshold, &r.RelayOffAboveThreshold,
                              &r.RelayOnBelowThreshold, &r.RelayOffBelowThreshold})
        for (float v : *group)
            out += SingleToRaw(v);
    for (qint16 v : r.RelayActive)
        out += int16(v);
    out += int16(r.PowerMonitorRelay) + int16(r.TotalizerRelay);
    return SetupCommands::framed(out);
}

void setSense(SystemConfig& r, int k, bool onAbove) {
    r.RelayOnAbove[k] = onAbove ? 1 : 0;
    r.RelayOffAbove[k] = onAbove ? 0 : 1;
    r.RelayOnBelow[k] = onAbove ? 0 : 1;
    r.RelayOffBelow[k] = onAbove ? 1 : 0;
}

void setAbsent(SystemConfig& r, int k) {
    setSense(r, k, false);
    r.RelayActive[k] = 0;
}

Thresholds thresholdsOf(const SystemConfig& r, int k) {
    // The meter's flags decide in this order: off above, on above, then the
    // flags below.
    bool onAbove = true;
    if (r.RelayOffAbove[k])
        onAbove = false;
    else if (r.RelayOnAbove[k])
        onAbove = true;
    else if (r.RelayOffBelow[k])
        onAbove = true;
    else if (r.RelayOnBelow[k])
        onAbove = false;
    if (onAbove)
        return {true, r.RelayOnAboveThreshold[k], r.RelayOffBelowThreshold[k]};
    return {false, r.RelayOffAboveThreshold[k], r.RelayOnBelowThreshold[k]};
}

void setThreshold(SystemConfig& r, int k, bool aboveBox, float value) {
    const bool onAbove = thresholdsOf(r, k).onAbove;
    if (aboveBox)
        (onAbove ? r.RelayOnAboveThreshold : r.RelayOffAboveThreshold)[k] = value;
    else
        (onAbove ? r.RelayOffBelowThreshold : r.RelayOnBelowThreshold)[k] = value;
}

void copyRelays(const SystemConfig& f, SystemConfig& t) {
    t.RelayOnAbove = f.RelayOnAbove;
    t.RelayOffAbove = f.RelayOffAbove;
    t.RelayOnBelow = f.RelayOnBelow;
    t.RelayOffBelow = f.RelayOffBelow;
    t.RelayOnAboveThreshold = f.RelayOnAboveThreshold;
    t.RelayOffAboveThreshold = f.RelayOffAboveThreshold;
    t.RelayOnBelowThreshold = f.RelayOnBelowThreshold;
    t.RelayOffBelowThreshold = f.RelayOffBelowThreshold;
    t.RelayActive = f.RelayActive;
}

QByteArray testCommand(const std::array<qint16, 4>& states) {
    QByteArray out = "RY,3,";
    for (qint16 v : states)
        out += char(quint8(v < 0 ? v + 256 : v));
    return SetupCommands::framed(out);
}

std::optional<std::array<bool, 4>> decodeTests(const QByteArray& reply) {
    if (reply.size() < TestStatesAt + 4 || !reply.startsWith("RY"))
        return std::nullopt;
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[k] = reply[TestStatesAt + k] != 0;
    return on;
}

} // namespace OutputCommands
