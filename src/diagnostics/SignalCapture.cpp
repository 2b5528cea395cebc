#include "SignalCapture.h"

#include "SignalDecoder.h"
#include "SignalPlots.h"
#include "link/DisplayFormat.h"
#include "link/FieldConversions.h"

#include <algorithm>
#include <cmath>

namespace {

struct Limits {
    double max = 0, min = 0;
};

// Limits of two curves, taken from their own values.
Limits limitsOf(std::span<const double> a, std::span<const double> b) {
    const auto [aMin, aMax] = std::minmax_element(a.begin(), a.end());
    const auto [bMin, bMax] = std::minmax_element(b.begin(), b.end());
    return {std::max(*aMax, *bMax), std::min(*aMin, *bMin)};
}

// The spectrum pair of one range. With normalise, the low-frequency curve is
// scaled to the high-frequency maximum for drawing only; a low-frequency
// maximum of 0 (a dead transducer) cannot be scaled and draws as it is. The
// lower limit, and so the span, comes from the decoded minima before scaling.
PlotSurface::Drawing spectrumPair(const SignalArrays::Spectrum& low,
                                  const SignalArrays::Spectrum& high, bool normalise,
                                  QString& span) {
    std::vector<double> lowCurve = SignalPlots::toDoubles(low);
    const std::vector<double> highCurve = SignalPlots::toDoubles(high);
    const auto [lowMin, lowMax] = std::minmax_element(lowCurve.begin(), lowCurve.end());
    const auto [highMin, highMax] = std::minmax_element(highCurve.begin(), highCurve.end());
    const double lower = std::min(*lowMin, *highMin);
    double upper = std::max(*lowMax, *highMax);
    if (normalise && *lowMax != 0) {
        const double factor = *highMax / *lowMax;
        for (double& v : lowCurve)
            v = std::nearbyint(factor * v); // halves to even
        upper = *highMax;
    }
    span = QString::number(qint64(upper - lower));
    return SignalPlots::DualPlot(upper, lower, lowCurve, highCurve);
}

} // namespace

SignalCapture SignalCapture::decode(Mode mode, const std::array<QByteArray, 4>& blocks,
                                    bool normalise) {
    SignalCapture c;
    c.mode = mode;
    for (int k = 0; k < 4; ++k) {
        if (mode == Spectra)
            c.spectra[k] = SignalDecoder::spectrum(blocks[k]);
        else
            c.samples[k] = SignalDecoder::timeSamples(blocks[k]);
    }

    if (mode == Spectra) {
        QString selSpan, supSpan;
        c.drawings[0] = spectrumPair(c.spectra[0], c.spectra[1], normalise, selSpan);
        c.drawings[1] = spectrumPair(c.spectra[2], c.spectra[3], normalise, supSpan);
        c.pictures = {2, 3};
        c.boxes["Text3(2)"] = selSpan;
        c.boxes["Text3(3)"] = supSpan;
    } else {
        for (int range = 0; range < 2; ++range) {
            const auto low = SignalPlots::toDoubles(c.samples[2 * range]);
            const auto high = SignalPlots::toDoubles(c.samples[2 * range + 1]);
            const Limits l = limitsOf(low, high);
            c.drawings[range] = SignalPlots::DualPlot(l.max, l.min, low, high);
        }
        c.pictures = {0, 1};
    }

    // The trailers of the selected and the supervisor low-frequency block.
    const SignalDecoder::Trailer sel = SignalDecoder::trailer(blocks[0]);
    const SignalDecoder::Trailer sup = SignalDecoder::trailer(blocks[2]);
    auto& b = c.boxes;
    b["Text3(0)"] = b["Text6(9)"] = QString::number(sel.PeakToPeak);
    b["Text3(1)"] = b["Text6(7)"] = QString::number(sup.PeakToPeak);
    b["Text2(0)"] = b["Text6(13)"] = QString::number(sel.CorrectionFactor);
    b["Text2(1)"] = b["Text6(11)"] = QString::number(sup.CorrectionFactor);
    b["Text4"] = b["Text1"] = QString::number(sup.Gain);
    b["Text13"] = b["Text9"] = SignalDecoder::powerText(sup.TransmitPower);
    // A strength that cannot be computed is shown blank rather than stale.
    try {
        b["Text16"] =
            FormatNumber(SignalDecoder::CalcSignalStrength(sup.Gain, sel.PeakToPeak), "###0.0#");
    } catch (const FieldError&) {
        b["Text16"] = QString();
    }
    return c;
}

void SignalCapture::commitTo(SignalArrays& a) const {
    if (mode == Spectra) {
        a.SelLowFFT = spectra[0], a.SelHighFFT = spectra[1];
        a.SupLowFFT = spectra[2], a.SupHighFFT = spectra[3];
    } else {
        a.SelLowTime = samples[0], a.SelHighTime = samples[1];
        a.SupLowTime = samples[2], a.SupHighTime = samples[3];
    }
}
