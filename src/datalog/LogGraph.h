#pragma once

#include "shared/DatalogRecord.h"

#include <QString>

#include <array>
#include <vector>

// What the graph shows for a stretch of the log: which points, the vertical
// range, the colour of each segment and the four date and flow texts. Pure,
// so the drawing is checked from its data; the plot widget only paints it.
class LogGraph {
public:
    // Graph units per raw count above the highest value: a quarter of headroom.
    static constexpr double Headroom = 1.25;
    // Points the zoom window shows.
    static constexpr qint32 ZoomPoints = 60;

    enum class Outcome {
        Drawn,      // the stretch is drawn
        NotEnough,  // "Not Enough log to display": nothing changes
        AllZero,    // "Log Values are all Zero": dates and flows set, no drawing
        OutOfRange, // "Selections are out of range": dates set, no drawing
    };

    struct View {
        Outcome outcome = Outcome::NotEnough;
        qint32 first = 0, last = 0; // points shown, 1-based
        // The coordinate system: x from first to last, y from yTop (top edge)
        // down to yBottom (bottom edge), in graph units.
        double yTop = 0, yBottom = 0;
        // The raw values of points first..last, signs kept.
        std::vector<qint16> points;
        // txtLogDt(0)..(3): first time, last time, highest and lowest flow.
        // An empty text leaves its box as it was.
        std::array<QString, 4> texts;

        // A segment is forward (green) only when both its ends are forward;
        // segment k joins points first + k and first + k + 1.
        bool forward(size_t k) const { return points[k] >= 0 && points[k + 1] >= 0; }
        // The segments as letters, "G" forward and "R" reverse.
        QString colours() const;
    };

    // The message for an outcome, empty for Drawn.
    static QString message(Outcome outcome);

    // ShowLog: points first to first + count - 1; yTop and yBottom a range in
    // graph units, both 0 (or equal: a drag of no height) for the automatic one.
    static View ShowLog(const DatalogRecord& log, qint32 first, qint32 count, double yTop,
                        double yBottom);

    // The first point of the zoom window at a scroll value.
    static qint32 zoomFirst(const DatalogRecord& log, int scrollValue);
};
