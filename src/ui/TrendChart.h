#pragma once

#include <QList>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QtGlobal>

// One polling tick of the live flow trend: when it happened and, when the
// meter sent a good flow record, what the record said.
struct TrendSample {
    qint64 time = 0; // milliseconds since the epoch (UTC)
    bool good = false;
    float flow = 0;           // in the flow page's units
    float signalStrength = 0; // percent
    bool operator==(const TrendSample&) const = default;
};

// Draws a span of trend samples as a strip chart: flow against local clock
// time, optionally signal strength on a second axis (0 to 100 %). Two good
// samples are joined only when they are neighbours in time; a tick without a
// good reply, or a stretch with no ticks at all, leaves a gap. Used by the
// flow page and by the service report, so both show the same picture.
class TrendChart {
public:
    // Neighbouring ticks further apart than this are not joined: two polling
    // intervals, so one late tick still joins while a pause of the live page
    // (another page shown, a dialog open) shows as the gap it is.
    static constexpr qint64 MaxJoinMs = 3000;

    struct Span {
        QList<TrendSample> samples; // oldest first
        qint64 from = 0, to = 0;    // the time axis, ms since the epoch
        QString unit;               // the flow unit label ("G/Min")
        bool showSignalStrength = false;
    };

    // The good samples split into runs that are drawn as one line each; a
    // run of one sample is drawn as a dot.
    static QList<QList<TrendSample>> runs(const QList<TrendSample>& samples);

    // The flow axis: rounded limits that hold every good flow of the span,
    // with step the distance between labelled lines. A span without a good
    // sample gets 0 to 1.
    struct Axis {
        double low = 0, high = 1, step = 0.25;
    };
    static Axis flowAxis(const QList<TrendSample>& samples);

    // Paints the chart into area with the painter's current font.
    static void paint(QPainter& painter, const QRectF& area, const Span& span);
};
