#include "TrendChart.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor FlowColour(0, 90, 200);
const QColor StrengthColour(230, 120, 0);
const QColor GridColour(225, 225, 225);
// Labelled lines on the flow axis, about.
constexpr int FlowDivisions = 4;
// The signal strength axis: percent, labelled every quarter.
constexpr double StrengthTop = 100;
constexpr int StrengthDivisions = 4;
// Time labels: about this many across the chart.
constexpr int TimeLabels = 6;

// A step of 1, 2 or 5 times a power of ten, at least raw.
double niceStep(double raw) {
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw * (1 - 1e-9))
            return m * power;
    return 10 * power;
}

// Label steps of the time axis, in seconds.
qint64 timeStep(qint64 spanSeconds) {
    for (qint64 s : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600})
        if (spanSeconds / s <= TimeLabels)
            return s;
    return 3600;
}

QString axisNumber(double v, double step) {
    const int decimals = step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(v, 'f', qMax(0, decimals));
}

} // namespace

QList<QList<TrendSample>> TrendChart::runs(const QList<TrendSample>& samples) {
    QList<QList<TrendSample>> out;
    bool joined = false;
    const TrendSample* last = nullptr;
    for (const TrendSample& s : samples) {
        if (!s.good) {
            joined = false;
            last = &s;
            continue;
        }
        if (joined && last && s.time - last->time <= MaxJoinMs)
            out.last().append(s);
        else
            out.append({s});
        joined = true;
        last = &s;
    }
    return out;
}

TrendChart::Axis TrendChart::flowAxis(const QList<TrendSample>& samples) {
    double lo = 0, hi = 0;
    bool any = false;
    for (const TrendSample& s : samples) {
        if (!s.good || !std::isfinite(s.flow))
            continue;
        lo = any ? qMin(lo, double(s.flow)) : s.flow;
        hi = any ? qMax(hi, double(s.flow)) : s.flow;
        any = true;
    }
    if (!any)
        return {};
    // A flow that barely moves still gets a readable scale around it.
    if (hi - lo < 1e-6 * qMax(1.0, std::fabs(hi)))
        lo -= qMax(0.5, std::fabs(lo) * 0.05), hi += qMax(0.5, std::fabs(hi) * 0.05);
    const double step = niceStep((hi - lo) / FlowDivisions);
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

void TrendChart::paint(QPainter& p, const QRectF& area, const Span& span) {
    p.save();
    const QFontMetricsF fm(p.font(), p.device());
    const double pad = fm.height() * 0.4;
    const Axis axis = flowAxis(span.samples);
    const double flowLabelWidth = qMax(fm.horizontalAdvance(axisNumber(axis.low, axis.step)),
                                       fm.horizontalAdvance(axisNumber(axis.high, axis.step)));
    const double rightWidth = span.showSignalStrength ? fm.horizontalAdvance("100 %") + pad : pad;
    QRectF plot = area.adjusted(flowLabelWidth + 2 * pad, fm.height() + pad, -rightWidth,
                                -(fm.height() + 2 * pad));
    if (plot.width() < 10 || plot.height() < 10) {
        p.restore();
        return;
    }
    p.fillRect(area, Qt::white);
    if (span.samples.isEmpty()) {
        p.setPen(QColor(140, 140, 140));
        p.drawRect(plot);
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("No flow readings in this span"));
        p.restore();
        return;
    }

    const double t0 = double(span.from), t1 = double(qMax(span.to, span.from + 1));
    const auto xOf = [&](qint64 t) { return plot.left() + (t - t0) / (t1 - t0) * plot.width(); };
    const auto yFlow = [&](double v) {
        return plot.bottom() - (v - axis.low) / (axis.high - axis.low) * plot.height();
    };
    const auto yStrength = [&](double v) {
        return plot.bottom() - qBound(0.0, v, StrengthTop) / StrengthTop * plot.height();
    };

    // Flow grid and labels on the left, in the flow units.
    QPen grid(GridColour);
    grid.setCosmetic(true);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Flow (%1)").arg(span.unit));
    if (span.showSignalStrength) {
        p.setPen(StrengthColour);
        p.drawText(QRectF(area.left(), area.top(), area.width(), fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Signal strength (%)"));
    }
    const int lines = int(std::lround((axis.high - axis.low) / axis.step));
    for (int k = 0; k <= lines; ++k) {
        const double v = axis.low + k * axis.step;
        const double y = yFlow(v);
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), y - fm.height() / 2, flowLabelWidth + pad, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, axisNumber(v, axis.step));
    }
    if (span.showSignalStrength) {
        p.setPen(StrengthColour);
        for (int k = 0; k <= StrengthDivisions; ++k) {
            const double v = StrengthTop * k / StrengthDivisions;
            p.drawText(QRectF(plot.right() + pad / 2, yStrength(v) - fm.height() / 2, rightWidth,
                              fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1 %").arg(v));
        }
    }

    // Time grid and labels below, in local clock time at whole steps.
    const qint64 stepS = timeStep((span.to - span.from) / 1000);
    const QString format = stepS < 60 ? QStringLiteral("h:mm:ss") : QStringLiteral("h:mm");
    const QDateTime startLocal = QDateTime::fromMSecsSinceEpoch(span.from);
    // Whole steps of local time: offset by the local UTC offset at the start.
    const qint64 offsetS = startLocal.offsetFromUtc();
    qint64 tick = ((span.from / 1000 + offsetS) / stepS + 1) * stepS - offsetS;
    for (; tick * 1000 <= span.to; tick += stepS) {
        const double x = xOf(tick * 1000);
        p.setPen(grid);
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(Qt::black);
        const QString text = QDateTime::fromSecsSinceEpoch(tick).toString(format);
        const double w = fm.horizontalAdvance(text);
        p.drawText(QRectF(x - w / 2 - 1, plot.bottom() + pad / 2, w + 2, fm.height()),
                   Qt::AlignCenter, text);
    }
    p.setPen(QColor(140, 140, 140));
    p.drawRect(plot);

    // The curves, clipped to the plot; signal strength under the flow.
    p.setClipRect(plot.adjusted(-1, -1, 1, 1));
    p.setRenderHint(QPainter::Antialiasing);
    const QList<QList<TrendSample>> parts = runs(span.samples);
    const auto draw = [&](const QColor& colour, auto yOf) {
        QPen pen(colour, qMax(1.5, fm.height() / 9));
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        for (const QList<TrendSample>& run : parts) {
            QPainterPath path(QPointF(xOf(run.first().time), yOf(run.first())));
            for (qsizetype i = 1; i < run.size(); ++i)
                path.lineTo(xOf(run[i].time), yOf(run[i]));
            if (run.size() == 1)
                p.drawPoint(path.currentPosition());
            else
                p.drawPath(path);
        }
    };
    if (span.showSignalStrength)
        draw(StrengthColour, [&](const TrendSample& s) { return yStrength(s.signalStrength); });
    draw(FlowColour, [&](const TrendSample& s) { return yFlow(s.flow); });
    p.restore();
}
