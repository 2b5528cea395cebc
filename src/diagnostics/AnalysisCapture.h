#pragma once

#include "SupervisorOutput.h"
#include "shared/SignalArrays.h"
#include "ui/PlotSurface.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <optional>

// One tick of the analysis pages ("Crossproduct" and "Raw Flow Data"),
// decoded but not yet shown. decode() takes every block of the tick at once
// and either succeeds or throws FieldError, so the arrays, boxes, plots,
// status lines and supervisor record of a tick change together or not at all.
class AnalysisCapture {
public:
    enum Mode { Crossproduct = 1, RawFlowData = 2 };

    struct Input {
        Mode mode = Crossproduct;
        bool showPeaks = false; // "Show Peak Selection Analysis" is ticked
        bool remoteZero = false;
        QByteArray xr1, xr2;
        // Empty unless the tick fetched them (mode 2, or showPeaks).
        QByteArray xr3, xr4;
    };

    // Whether the tick fetches XR,3 and XR,4.
    static bool needsPeakBlocks(Mode mode, bool showPeaks) {
        return showPeaks || mode == RawFlowData;
    }

    static AnalysisCapture decode(const Input& input);
    void commitTo(SignalArrays& arrays) const;

    SignalArrays::Spectrum selXProd{}, supXProd{};
    // The marks of XR,4 (decoded after those of XR,3) when the overlay is on.
    std::optional<SignalArrays::Marks> peakSel;
    // Picture1(5) (selected range) and Picture1(4) (supervisor range).
    PlotSurface::Drawing selDrawing, supDrawing;
    // Box name -> text, for the boxes this tick fills.
    QHash<QString, QString> boxes;
    quint8 statusValid = 0;

    // Only for mode 2 with a current status block:
    bool analysed = false;
    int learnState = 0;
    int rangeScale = 0; // 256 x the range-scale byte
    QStringList supervisorLines;
    int rangeNumber = 0, learnCount = 0, pointCount = 0;
};
