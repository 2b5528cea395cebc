#include "SignalDecoder.h"

#include "link/FieldConversions.h"

#include <cmath>

void SignalDecoder::requireWhole(const QByteArray& block) {
    if (block.size() != BlockLength)
        throw FieldError("signal block of " + std::to_string(block.size()) + " bytes");
}

SignalArrays::Spectrum SignalDecoder::spectrum(const QByteArray& block) {
    requireWhole(block);
    SignalArrays::Spectrum values{};
    for (int i = 0; i < SignalArrays::SpectrumPoints; ++i)
        values[i] = StrToLong(block.mid(4 * i, 4));
    return values;
}

SignalArrays::TimeSamples SignalDecoder::timeSamples(const QByteArray& block) {
    requireWhole(block);
    SignalArrays::TimeSamples values{};
    for (int i = 0; i < SignalArrays::TimePoints; ++i)
        values[i] = StrToInt(block.mid(2 * i, 2));
    return values;
}

SignalArrays::Marks SignalDecoder::marks(const QByteArray& block) {
    requireWhole(block);
    SignalArrays::Marks values{};
    for (int i = 0; i < SignalArrays::SpectrumPoints; ++i)
        values[i] = StrToInt(block.mid(2 * i, 2));
    return values;
}

SignalDecoder::Trailer SignalDecoder::trailer(const QByteArray& block) {
    return {intAt(block, 517), intAt(block, 519), byteAt(block, 533), byteAt(block, 534)};
}

qint16 SignalDecoder::intAt(const QByteArray& block, int position) {
    requireWhole(block);
    return StrToInt(block.mid(position - 1, 2));
}

qint32 SignalDecoder::longAt(const QByteArray& block, int position) {
    requireWhole(block);
    return StrToLong(block.mid(position - 1, 4));
}

float SignalDecoder::singleAt(const QByteArray& block, int position) {
    requireWhole(block);
    return Stringtofloat(block.mid(position - 1, 4));
}

quint8 SignalDecoder::byteAt(const QByteArray& block, int position) {
    requireWhole(block);
    return quint8(block.at(position - 1));
}

QString SignalDecoder::powerText(quint8 power) {
    return power == 0 ? "Low" : "High";
}

float SignalDecoder::CalcSignalStrength(int gain, int peakToPeak) {
    const double denominator = (gain + 2) - peakToPeak / 4095.0;
    if (denominator == 0)
        throw FieldError("signal strength of a zero denominator");
    const float strength = float(110.0 / denominator - 10.0);
    if (!std::isfinite(strength))
        throw FieldError("signal strength out of range");
    return strength;
}
