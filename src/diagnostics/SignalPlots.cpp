#include "SignalPlots.h"

#include <algorithm>

const QColor SignalPlots::Black(0, 0, 0);
const QColor SignalPlots::Blue(0, 0, 255);
const QColor SignalPlots::Red(255, 0, 0);
const QColor SignalPlots::Green(0, 255, 0);

PlotSurface::Drawing SignalPlots::frame(double max, double min, int count) {
    PlotSurface::Drawing d;
    d.left = 1;
    d.right = std::max(count, 2);
    d.top = max;
    d.bottom = min;
    if (max == min) {
        d.top = max + 1;
        d.bottom = min - 1;
    }
    return d;
}

namespace {
PlotSurface::Stroke curve(const QColor& colour, std::span<const double> values) {
    PlotSurface::Stroke s{colour, {}};
    s.points.reserve(qsizetype(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        s.points.append(QPointF(double(i + 1), values[i]));
    return s;
}
} // namespace

PlotSurface::Drawing SignalPlots::PlotArrayLong(double max, double min,
                                                std::span<const double> values) {
    PlotSurface::Drawing d = frame(max, min, int(values.size()));
    d.strokes.append(curve(Black, values));
    return d;
}

PlotSurface::Drawing SignalPlots::DualPlot(double max, double min, std::span<const double> first,
                                           std::span<const double> second) {
    PlotSurface::Drawing d = frame(max, min, int(std::max(first.size(), second.size())));
    d.strokes.append(curve(Blue, first));
    d.strokes.append(curve(Red, second));
    return d;
}

PlotSurface::Drawing SignalPlots::PlotAnal(double max, double min, std::span<const double> values,
                                           std::span<const qint16> marks) {
    PlotSurface::Drawing d = frame(max, min, int(values.size()));
    QList<PlotSurface::Stroke> markers;
    PlotSurface::Stroke current{Black, {}};
    for (size_t i = 0; i < values.size(); ++i) {
        const QPointF point(double(i + 1), values[i]);
        current.points.append(point);
        const qint16 mark = i < marks.size() ? marks[i] : 0;
        const auto penTo = [&](const QColor& colour) {
            if (current.colour == colour)
                return;
            d.strokes.append(current);
            current = {colour, {point}};
        };
        const auto drop = [&](const QColor& colour, bool fullHeight) {
            PlotSurface::Stroke m{colour, {point, QPointF(point.x(), min)}};
            if (fullHeight)
                m.points.append(QPointF(point.x(), max));
            m.points.append(point);
            markers.append(m);
        };
        switch (mark) {
        case 1:
            penTo(Green);
            break;
        case 2:
            penTo(Black);
            break;
        case 3:
            drop(Red, false);
            break;
        case 4:
            drop(Black, false);
            break;
        case 5:
            drop(Blue, false);
            break;
        case 6:
            drop(Blue, true);
            break;
        default:
            break;
        }
    }
    d.strokes.append(current);
    // Markers go on top of the curve so that they stay visible.
    d.strokes.append(markers);
    return d;
}
