#pragma once

#include "ui/PlotSurface.h"

#include <QColor>

#include <span>
#include <vector>

// The plot routines of the signal pages. Each builds the drawing of one
// picture: x runs from 1 at the left edge to the last sample at the right
// edge, y from max at the top to min at the bottom.
//
// The drawing is kept as coordinates in double precision and painted by the
// surface, so no coordinate can ever be out of range and the curve is always
// drawn in full at the meter's own values. Equal limits (a flat signal) still
// draw: the scale is opened by one unit either side so the flat line shows in
// the middle instead of the old picture staying.
class SignalPlots {
public:
    static const QColor Black, Blue, Red, Green;

    // One curve in black.
    static PlotSurface::Drawing PlotArrayLong(double max, double min,
                                              std::span<const double> values);
    // The first curve in blue, the second in red, on one scale.
    static PlotSurface::Drawing DualPlot(double max, double min, std::span<const double> first,
                                         std::span<const double> second);
    // The crossproduct with the meter's peak-selection marks: mark 1 turns the
    // curve green from that point on, 2 back to black; 3, 4 and 5 draw a red,
    // black or blue line from the point down to min; 6 a blue line through the
    // whole height.
    static PlotSurface::Drawing PlotAnal(double max, double min, std::span<const double> values,
                                         std::span<const qint16> marks);

    template <typename Array> static std::vector<double> toDoubles(const Array& values) {
        return std::vector<double>(values.begin(), values.end());
    }

private:
    static PlotSurface::Drawing frame(double max, double min, int count);
};
