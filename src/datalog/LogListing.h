#pragma once

#include "shared/DatalogRecord.h"

#include <QString>

// The six-line listing of the log's text lines and the ranges of the two
// scroll bars. Each scroll step stands for PageFactor lines or points; the
// lines are the log's own, so scrolling formats nothing.
class LogListing {
public:
    // Lines the listing shows at once.
    static constexpr int LinesShown = 6;
    // The zoom window's scroll bar moves this many steps per page.
    static constexpr int ZoomPageStep = 60;

    // The text of Text8 at a VScroll1 value: lines s + 1 to s + 6 (header
    // lines first), each ended by CR LF, with s = (value - 1) x PageFactor;
    // the last page is held back so that it still shows six lines. Empty for
    // a log of fewer than two points.
    static QString text(const DatalogRecord& log, int scrollValue);

    struct Range {
        int maximum = 1;
        int pageStep = 1;
    };
    // VScroll1: up to the value whose page shows the last line.
    static Range vertical(const DatalogRecord& log);
    // HScroll1: (points - 55) / PageFactor, at least 2, a page of 60.
    static Range horizontal(const DatalogRecord& log);
};
