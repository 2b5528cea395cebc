#pragma once

#include "shared/SignalArrays.h"
#include "ui/PlotSurface.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>

// One tick of the "Time Domain" or "Freq. Domain" page, decoded but not yet
// shown: the four arrays, the texts of the boxes the tick fills and the two
// drawings. decode() either succeeds for every block or throws FieldError,
// so a tick with one bad block changes nothing anywhere.
class SignalCapture {
public:
    enum Mode { Spectra = 1, TimeSamples = 2 };

    // blocks: XD,1-4 for Spectra, XD,5-8 for TimeSamples, in that order
    // (selected low, selected high, supervisor low, supervisor high).
    // normalise: "Normalize FFT Scaling" is ticked.
    static SignalCapture decode(Mode mode, const std::array<QByteArray, 4>& blocks, bool normalise);

    // The arrays go to the program-wide record as the meter sent them.
    void commitTo(SignalArrays& arrays) const;

    Mode mode = TimeSamples;
    std::array<SignalArrays::Spectrum, 4> spectra{};
    std::array<SignalArrays::TimeSamples, 4> samples{};
    // Box name -> text, for the boxes this tick fills.
    QHash<QString, QString> boxes;
    // Selected-range and supervisor-range pictures.
    std::array<PlotSurface::Drawing, 2> drawings;
    // Picture1 index of each drawing.
    std::array<int, 2> pictures{};
};
