#include "LogGraph.h"

#include "LogText.h"
#include "link/DisplayFormat.h"

#include <cmath>
#include <cstdlib>

namespace {

// A fraction of exactly one half goes to the even neighbour.
qint32 roundEven(double v) {
    return qint32(std::nearbyint(v));
}

} // namespace

QString LogGraph::View::colours() const {
    QString out;
    for (size_t k = 0; k + 1 < points.size(); ++k)
        out += forward(k) ? u'G' : u'R';
    return out;
}

QString LogGraph::message(Outcome outcome) {
    switch (outcome) {
    case Outcome::NotEnough:
        return QStringLiteral("Not Enough log to display");
    case Outcome::AllZero:
        return QStringLiteral("Log Values are all Zero");
    case Outcome::OutOfRange:
        return QStringLiteral("Selections are out of range");
    case Outcome::Drawn:
        break;
    }
    return {};
}

LogGraph::View LogGraph::ShowLog(const DatalogRecord& log, qint32 first, qint32 count, double yTop,
                                 double yBottom) {
    View view;
    // Never beyond the points actually stored, whatever the header said.
    const qint32 stored = std::min<qint32>(log.LogPointCount, qint32(log.LogPoints.size()));
    if (first > stored - 1 || count < 2)
        return view;
    const qint32 last = qint32(std::min<qint64>(qint64(first) + count - 1, stored));
    view.first = first;
    view.last = last;
    view.texts[0] = LogText::dateTime(log.pointTime(first));
    view.texts[1] = LogText::dateTime(log.pointTime(last));
    if (log.LogMaxRaw == 0) {
        view.outcome = Outcome::AllZero;
        view.texts[2] = view.texts[3] = GeneralForm(0.0f);
        return view;
    }
    qint32 top, bottom;
    // A drag of no height has no range of its own: the automatic one serves.
    const bool ownRange = (yTop != 0 || yBottom != 0) && yTop != yBottom;
    if (ownRange) {
        top = roundEven(yTop / Headroom);
        bottom = roundEven(yBottom / Headroom);
    } else {
        top = log.LogMaxRaw;
        bottom = log.LogMinRaw < 1 ? log.LogMinRaw : 0;
    }
    if (first < 1) {
        view.outcome = Outcome::OutOfRange;
        return view;
    }
    view.outcome = Outcome::Drawn;
    view.yTop = Headroom * top;
    view.yBottom = Headroom * bottom;
    // Rounding can close a thin drag up; the automatic range keeps it drawable.
    if (view.yTop == view.yBottom) {
        view.yTop = Headroom * log.LogMaxRaw;
        view.yBottom = Headroom * (log.LogMinRaw < 1 ? log.LogMinRaw : 0);
    }
    view.points.assign(log.LogPoints.begin() + (first - 1), log.LogPoints.begin() + last);
    // A loaded file's own flows, not their rescaled counts, so the boxes show
    // the numbers the file holds.
    if (log.FilePoints.size() >= size_t(last)) {
        double fileHigh = std::abs(log.FilePoints[size_t(first - 1)].flow);
        double fileLow = fileHigh;
        for (qint32 i = first; i <= last; ++i) {
            const double flow = std::abs(log.FilePoints[size_t(i - 1)].flow);
            fileHigh = std::max(fileHigh, flow);
            fileLow = std::min(fileLow, flow);
        }
        view.texts[2] = GeneralForm(fileHigh);
        view.texts[3] = GeneralForm(fileLow);
        return view;
    }
    int high = std::abs(int(view.points.front()));
    int low = high;
    for (qint16 p : view.points) {
        high = std::max(high, std::abs(int(p)));
        low = std::min(low, std::abs(int(p)));
    }
    view.texts[2] = GeneralForm(log.LogScale * float(high));
    view.texts[3] = GeneralForm(log.LogScale * float(low));
    return view;
}

qint32 LogGraph::zoomFirst(const DatalogRecord& log, int scrollValue) {
    qint32 first = qint32(scrollValue - 1) * log.PageFactor;
    if (first + ZoomPoints - 1 > log.LogPointCount)
        first = log.LogPointCount - (ZoomPoints - 1);
    return std::max(first, 1);
}
