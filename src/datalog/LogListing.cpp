#include "LogListing.h"

#include <cmath>

namespace {

// Lines before the first point: the three header lines.
constexpr qint32 kHeaderLines = 3;
// The zoom window's scroll maximum leaves this many points of a last window.
constexpr qint32 kZoomTail = 55;
// A scroll bar goes at least this far, so it always moves.
constexpr int kMinZoomMaximum = 2;

} // namespace

QString LogListing::text(const DatalogRecord& log, int scrollValue) {
    QString out;
    if (log.LogPointCount < 2)
        return out;
    const qint32 total = std::min<qint32>(log.LogPointCount + kHeaderLines, log.LogLines.size());
    qint32 s = qint32(scrollValue - 1) * log.PageFactor;
    // With a PageFactor above 1 the last step would otherwise stop short of
    // the end, or run past it into an empty page.
    s = std::min(s, std::max(0, total - LinesShown));
    s = std::max(s, 0);
    for (qint32 line = s + 1; line <= s + LinesShown && line <= total; ++line) {
        out += log.LogLines[line - 1];
        out += QStringLiteral("\r\n");
    }
    return out;
}

LogListing::Range LogListing::vertical(const DatalogRecord& log) {
    const qint32 total = log.LogPointCount + kHeaderLines;
    const qint32 lastStart = std::max(0, total - LinesShown);
    const qint32 factor = std::max<qint32>(1, log.PageFactor);
    // The smallest value whose start reaches the last page.
    Range r;
    r.maximum = int((lastStart + factor - 1) / factor + 1);
    r.pageStep = std::max(1, int(std::nearbyint(double(LinesShown) / factor)));
    return r;
}

LogListing::Range LogListing::horizontal(const DatalogRecord& log) {
    const qint32 factor = std::max<qint32>(1, log.PageFactor);
    Range r;
    r.maximum = std::max(kMinZoomMaximum,
                         int(std::nearbyint(double(log.LogPointCount - kZoomTail) / factor)));
    r.pageStep = ZoomPageStep;
    return r;
}
