#pragma once

#include <QtGlobal>

#include <array>

// The meter's signal data as the diagnostic pages last captured it. One
// instance lives for the whole run, owned by the main window. A capture
// replaces a group of arrays only when every block of its tick decoded, so the
// arrays always hold one consistent picture of the meter; Save to Log writes
// whatever they hold. Element i here is value i + 1 of the meter's block.
struct SignalArrays {
    static constexpr int SpectrumPoints = 128;
    static constexpr int TimePoints = 256;

    using Spectrum = std::array<qint32, SpectrumPoints>;
    using TimeSamples = std::array<qint16, TimePoints>;
    using Marks = std::array<qint16, SpectrumPoints>;

    // Spectra: selected and supervisor range, low and high frequency.
    Spectrum SelLowFFT{};
    Spectrum SelHighFFT{};
    Spectrum SupLowFFT{};
    Spectrum SupHighFFT{};
    // Time samples, the same four.
    TimeSamples SelLowTime{};
    TimeSamples SelHighTime{};
    TimeSamples SupLowTime{};
    TimeSamples SupHighTime{};
    // Crossproducts of the two ranges.
    Spectrum SelXProd{};
    Spectrum SupXProd{};
    // The meter's peak-selection marks of whichever range was decoded last.
    Marks PeakSel{};
};
