#include "AnalysisCapture.h"

#include "SignalDecoder.h"
#include "SignalPlots.h"
#include "link/DisplayFormat.h"

#include <algorithm>
#include <cmath>

namespace {

// The Doppler frequency of a range index: index x 640000 / 76 / range scale,
// worked left to right in single precision as the meter does.
float dopplerFrequency(float index, int rangeScale) {
    return index * 640000.0f / 76.0f / float(rangeScale);
}
constexpr int SupervisorRangeScale = 256;

PlotSurface::Drawing crossproduct(const SignalArrays::Spectrum& values,
                                  const std::optional<SignalArrays::Marks>& marks) {
    const auto curve = SignalPlots::toDoubles(values);
    const auto [min, max] = std::minmax_element(curve.begin(), curve.end());
    if (marks)
        return SignalPlots::PlotAnal(*max, *min, curve, *marks);
    return SignalPlots::PlotArrayLong(*max, *min, curve);
}

// The unit text: up to three volume characters without leading zero bytes,
// "/" and the four time characters, one character per byte.
QString unitText(const QByteArray& xr1) {
    QByteArray volume = xr1.mid(532, 3);
    for (int k = 0; k < 2 && !volume.isEmpty() && volume.at(0) == '\0'; ++k)
        volume.remove(0, 1);
    return QString::fromLatin1(volume + "/" + xr1.mid(535, 4));
}

} // namespace

AnalysisCapture AnalysisCapture::decode(const Input& in) {
    using D = SignalDecoder;
    AnalysisCapture c;
    c.selXProd = D::spectrum(in.xr1);
    c.supXProd = D::spectrum(in.xr2);
    const bool peakBlocks = needsPeakBlocks(in.mode, in.showPeaks);
    if (peakBlocks) {
        D::requireWhole(in.xr3);
        D::requireWhole(in.xr4);
        c.statusValid = D::byteAt(in.xr3, 511);
    }

    std::optional<SignalArrays::Marks> selMarks, supMarks;
    if (in.showPeaks) {
        selMarks = D::marks(in.xr3);
        supMarks = D::marks(in.xr4);
        c.peakSel = supMarks;
    }
    c.selDrawing = crossproduct(c.selXProd, selMarks);
    c.supDrawing = crossproduct(c.supXProd, supMarks);

    auto& b = c.boxes;
    b["Text3(0)"] = b["Text6(9)"] = QString::number(D::intAt(in.xr1, 517));
    b["Text3(1)"] = b["Text6(7)"] = QString::number(D::intAt(in.xr2, 517));
    b["Text2(0)"] = b["Text6(13)"] = QString::number(D::intAt(in.xr1, 519));
    b["Text2(1)"] = b["Text6(11)"] = QString::number(D::intAt(in.xr2, 519));
    b["Text4"] = b["Text1"] = QString::number(D::byteAt(in.xr2, 533));
    b["Text13"] = b["Text9"] = D::powerText(D::byteAt(in.xr2, 534));

    if (in.mode != RawFlowData || c.statusValid == 0)
        return c;

    // Everything is decoded before anything is worded, so a bad field in the
    // status block fails the tick as a whole.
    SupervisorOutput::Words words{};
    for (int k = 0; k < int(words.size()); ++k)
        words[k] = D::intAt(in.xr3, 2 * (SupervisorOutput::FirstWord + k) - 1);
    const float selIndex = D::singleAt(in.xr1, 513);
    const float supIndex = D::singleAt(in.xr2, 513);
    const float velocityScale = D::singleAt(in.xr1, 525);
    const float lowFlowCutoff = D::singleAt(in.xr2, 525);
    const float pipeDiameter = D::singleAt(in.xr2, 529);
    const float divisor = D::singleAt(in.xr1, 529);
    const float selFlow = D::singleAt(in.xr1, 521);
    const float supFlow = D::singleAt(in.xr2, 521);
    const int rangeByte = D::byteAt(in.xr2, 535);
    const int diagnosticCode = D::byteAt(in.xr3, 254);

    c.analysed = true;
    c.learnState = D::byteAt(in.xr2, 537);
    c.rangeScale = SupervisorRangeScale * rangeByte;

    // A range-scale byte of 0 leaves the figures that divide by it blank.
    b["Text14"] = rangeByte ? GeneralForm(32.0 / rangeByte) : QString();
    b["Text6(3)"] = FormatNumber(selIndex, "####0.0##");
    b["Text6(0)"] =
        rangeByte ? FormatNumber(dopplerFrequency(selIndex, c.rangeScale), "####0.0##") : QString();
    b["Text6(18)"] = FormatNumber(supIndex, "####0.0##");
    b["Text6(15)"] = FormatNumber(dopplerFrequency(supIndex, SupervisorRangeScale), "####0.0##");
    b["Text11(1)"] = FormatNumber(velocityScale, "####0.00##");
    b["Text11(0)"] = FormatNumber(lowFlowCutoff, "####0.0##");
    b["Text15"] = unitText(in.xr1);
    b["Text5"] = GeneralForm(pipeDiameter);

    // A velocity divisor of 0 leaves the velocity boxes blank. The meter's
    // single has no zero (four zero bytes decode to 2^-127), so a divisor
    // whose quotient does not fit a single is taken as 0.
    const bool noDivisor = std::fabs(divisor) <= std::ldexp(1.0f, -127);
    const auto velocity = [divisor, noDivisor](float flow) {
        const float v = flow / divisor;
        return noDivisor || !std::isfinite(v) ? QString() : FormatNumber(v, "#####0.0##");
    };
    b["Text6(17)"] = FormatNumber(selFlow, "#######0.00");
    b["Text6(16)"] = velocity(selFlow);
    b["Text6(2)"] = FormatNumber(supFlow, "######0.00");
    b["Text6(1)"] = velocity(supFlow);

    const auto w = [&](int k) { return SupervisorOutput::word(words, k); };
    b["Text6(20)"] = GeneralForm(float(w(147)) / 100.0f);
    b["Text6(26)"] = GeneralForm(float(w(148)) / 100.0f);
    b["Text6(19)"] = GeneralForm(float(w(149)) / 100.0f);
    b["Text6(25)"] = GeneralForm(float(w(150)) / 100.0f);
    b["Text12"] = GeneralForm(float(w(135)) / 8.0f);
    b["Text10"] = GeneralForm(float(w(137)) / 8.0f);

    c.rangeNumber = w(130);
    c.learnCount = w(131);
    c.pointCount = w(132);
    c.supervisorLines = SupervisorOutput::lines(c.learnState, words, in.remoteZero, diagnosticCode);
    return c;
}

void AnalysisCapture::commitTo(SignalArrays& a) const {
    a.SelXProd = selXProd;
    a.SupXProd = supXProd;
    if (peakSel)
        a.PeakSel = *peakSel;
}
