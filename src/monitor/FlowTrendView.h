#pragma once

#include "FlowTrend.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

// The live flow trend under the flow page's figures: the chart of the last
// few minutes (2, 10, 30 or 60, chosen in cboTrendSpan), signal strength on
// a second axis when chkTrendSignal is ticked, and cmdTrendCopy (or the
// chart's context menu) to copy the shown span to the clipboard as CSV. It
// shows what the flow page read; it reads nothing itself.
class FlowTrendView : public QWidget {
    Q_OBJECT
public:
    // The spans offered, in minutes; the second is the one shown at first.
    static constexpr int SpanMinutes[] = {2, 10, 30, 60};

    explicit FlowTrendView(QWidget* parent = nullptr);

    FlowTrend& trend() { return trend_; }
    const FlowTrend& trend() const { return trend_; }

    // A tick of the flow page: a good reply's flow and signal strength, in
    // unit, or a gap.
    void addGood(qint64 time, const QString& unit, float flow, float signalStrength);
    void addGap(qint64 time);

    // What the chart shows now: the chosen span up to the newest tick.
    TrendChart::Span shownSpan() const;
    int spanMinutes() const;
    // Copies the shown span to the clipboard as CSV.
    void copyShownSpan();

private:
    class Chart;

    FlowTrend trend_;
    Chart* chart_ = nullptr;
    QComboBox* cboTrendSpan_ = nullptr;
    QCheckBox* chkTrendSignal_ = nullptr;
    QPushButton* cmdTrendCopy_ = nullptr;
};
