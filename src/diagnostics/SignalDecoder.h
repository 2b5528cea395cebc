#pragma once

#include "shared/SignalArrays.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Field access to the meter's 540-byte signal ("XD") and analysis ("XR")
// blocks. Positions are the 1-based byte positions of the meter's layout.
// Every decoder throws FieldError (link/FieldConversions.h) for a value that
// does not fit, and for a block that is not exactly 540 bytes: a block of
// another size has lost or gained bytes somewhere, so its fields are shifted
// and none of them can be trusted.
class SignalDecoder {
public:
    static constexpr int BlockLength = 540;

    // The trailer every XD block carries after its data.
    struct Trailer {
        qint16 PeakToPeak = 0;       // time-domain P/P
        qint16 CorrectionFactor = 0; // frequency-domain correction factor
        quint8 Gain = 0;
        quint8 TransmitPower = 0; // 0 low, anything else high
        bool operator==(const Trailer&) const = default;
    };

    // Throws FieldError unless block is exactly BlockLength bytes.
    static void requireWhole(const QByteArray& block);

    // 128 unsigned 4-byte values from the start (spectra, crossproducts).
    static SignalArrays::Spectrum spectrum(const QByteArray& block);
    // 256 sign-magnitude 2-byte samples from the start.
    static SignalArrays::TimeSamples timeSamples(const QByteArray& block);
    // 128 sign-magnitude 2-byte peak-selection marks from the start.
    static SignalArrays::Marks marks(const QByteArray& block);
    static Trailer trailer(const QByteArray& block);

    static qint16 intAt(const QByteArray& block, int position);
    static qint32 longAt(const QByteArray& block, int position);
    static float singleAt(const QByteArray& block, int position);
    static quint8 byteAt(const QByteArray& block, int position);

    // "Low" for a transmit-power byte of 0, "High" for any other.
    static QString powerText(quint8 power);
    // The signal strength figure from gain and time-domain P/P; throws
    // FieldError when the denominator is 0 or the result is not finite.
    static float CalcSignalStrength(int gain, int peakToPeak);
};
