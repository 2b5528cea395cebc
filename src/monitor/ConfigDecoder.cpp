#include "ConfigDecoder.h"

#include "link/FieldConversions.h"

namespace {

// The first field of every record follows the 9-byte header.
constexpr qint16 FirstFieldPosition = 10;

// Walks a record field by field with GetField, in record order.
class FieldWalker {
public:
    explicit FieldWalker(const QByteArray& reply) : reply_(reply) {}

    qint16 position() const { return position_; }
    // Moves to a 1-based position, over bytes the program does not read.
    void moveTo(qint16 position) { position_ = position; }

    qint16 int16() { return cut(2).toInt(); }
    qint16 byte() { return cut(1).toInt(); }
    float single() { return cut(4).toFloat(); }
    qint32 int32() { return cut(44).toLong(); }
    QByteArray text6() { return cut(6).toText(); }
    // Any length of text: GetField keeps no value for it, so it is copied.
    QByteArray text(qint16 length) {
        const QByteArray field = reply_.mid(position_ - 1, length);
        cut(length);
        return field;
    }
    // A 2-byte integer the meter keeps in one byte.
    quint8 int16AsByte() {
        const qint16 value = int16();
        if (value < 0 || value > 255)
            throw FieldError("value " + std::to_string(value) + " does not fit a byte");
        return quint8(value);
    }

    template <std::size_t N> void int16s(std::array<qint16, N>& values) {
        for (qint16& v : values)
            v = int16();
    }
    template <std::size_t N> void singles(std::array<float, N>& values) {
        for (float& v : values)
            v = single();
    }

private:
    FieldValue cut(qint16 code) { return GetField(reply_, position_, code); }

    const QByteArray& reply_;
    qint16 position_ = FirstFieldPosition;
};

} // namespace

SystemConfig ConfigDecoder::decodeSystemConfig(const QByteArray& reply) {
    SystemConfig c;
    FieldWalker w(reply);
    w.int16s(c.UnusedIntsAt10);
    c.UnusedTextAt18 = w.text(8);
    c.DisplayMask = w.int16();
    w.moveTo(34);
    w.int16s(c.RelayOnAbove);
    w.int16s(c.RelayOffAbove);
    w.int16s(c.RelayOnBelow);
    w.int16s(c.RelayOffBelow);
    w.singles(c.RelayOnAboveThreshold);
    w.singles(c.RelayOffAboveThreshold);
    w.singles(c.RelayOnBelowThreshold);
    w.singles(c.RelayOffBelowThreshold);
    w.int16s(c.RelayActive);
    c.PowerMonitorRelay = w.byte();
    c.TotalizerRelay = w.byte();
    w.int16s(c.UnusedIntsAt140);
    c.DisplayContrast = w.int16();
    c.UnusedIntAt154 = w.int16();
    c.TransmitPower = w.int16AsByte();
    c.UnusedLongAt158 = w.int32();
    c.LoggingOn = w.int16();
    c.UnusedIntAt164 = w.int16();
    c.CurrentDatalogNumber = w.int16AsByte();
    w.singles(c.UnusedSinglesAt168);
    c.LearnScale = w.single();
    return c;
}

ChannelConfig ConfigDecoder::decodeChannelConfig(const QByteArray& reply) {
    ChannelConfig c;
    FieldWalker w(reply);
    c.Damping = w.int16();
    c.UnusedSingleAt12 = w.single();
    c.TotalizerEnabled = quint8(w.byte());
    c.RangeCode = quint8(w.byte());
    c.LowFlowCutoffVelocity = w.single();
    c.SignalStrengthCutoff = w.single();
    c.SignalQualityCutoff = w.single();
    c.TotalizerMultiplierIndex = quint8(w.byte());
    c.FlowVolumeUnitIndex = quint8(w.byte());
    c.TotalizerVolumeUnitIndex = quint8(w.byte());
    c.FlowTimeUnitIndex = quint8(w.byte());
    c.PipeInsideDiameter = w.single();
    c.FlowAt4mA = w.single();
    c.FlowAt20mA = w.single();
    c.CalibrationAt4mA = w.int16();
    c.CalibrationAt20mA = w.int16();
    c.SiteCalibrationFactor = w.single();
    w.int16s(c.UnusedIntsAt54);
    c.UnusedSingleAt60 = w.single();
    c.UnusedIntAt64 = w.int16();
    c.UnusedByteAt66 = quint8(w.byte());
    c.PipeSizeUnit = quint8(w.byte());
    c.LoggingRateIndex = w.int16();
    return c;
}

LearnData ConfigDecoder::decodeLearnData(const QByteArray& reply) {
    LearnData c;
    FieldWalker w(reply);
    w.int16s(c.UnusedIntsAt10);
    w.moveTo(24);
    c.UnusedBytesAt24[0] = quint8(w.byte());
    c.UnusedBytesAt24[1] = quint8(w.byte());
    c.UnusedIntAt26 = w.int16();
    c.UnusedByteAt28 = quint8(w.byte());
    c.UnusedByteAt29 = quint8(w.byte());
    c.PowerLossCount = w.int16();
    c.UnusedTextAt32 = w.text6();
    c.UnusedTextAt38 = w.text6();
    c.RemoteZeroEnabled = w.int16();
    c.UnusedIntAt46 = w.int16();
    c.LowFlowCutoffOverride = w.int16();
    c.ZeroSignalCutoffOverride = w.int16();
    c.LoggingActive = w.int16();
    c.RangeModeManual = w.int16();
    c.ExceptionCount = w.single();
    c.ExtendedModeOn = w.int16();
    c.UnusedIntAt62 = w.int16();
    c.LastCode = w.int16();
    c.WatchdogFailures = w.single();
    c.Breaks = w.int16();
    w.int16s(c.UnusedIntsAt72);
    c.DisplayFlowOrVelocity = quint8(w.byte());
    c.PipeRoughness = quint8(w.byte());
    return c;
}
