#pragma once

#include "ui/TrendChart.h"

#include <QList>
#include <QString>

#include <vector>

// The live flow trend's memory: one sample per flow read of the flow page, a
// good one with the flow and signal strength the meter sent or a gap when no
// good reply came. A fixed ring: it never holds more than one hour of ticks,
// whatever runs for how long. Pure: no widgets, no link.
class FlowTrend {
public:
    // What is kept: one hour.
    static constexpr qint64 KeepMs = 60 * 60 * 1000;
    // The polling cycle's period (checked against it where the page feeds
    // the trend).
    static constexpr qint64 TickMs = 1500;
    // One hour of ticks.
    static constexpr int Capacity = int(KeepMs / TickMs);

    FlowTrend() : ring_(Capacity) {}

    // A tick at time (ms since the epoch, never earlier than the last one).
    void addGood(qint64 time, float flow, float signalStrength);
    void addGap(qint64 time);

    // The flow unit the samples are in. Samples in another unit would share
    // one axis with them, so a new unit starts the trend afresh.
    void setUnit(const QString& unit);
    QString unit() const { return unit_; }

    int size() const { return count_; }
    void clear() { count_ = 0; }
    // The newest sample's time, or 0 when empty.
    qint64 lastTime() const;
    // The newest good sample's time, or 0 when there is none.
    qint64 lastGoodTime() const;

    // The samples from from to to (inclusive), oldest first.
    QList<TrendSample> span(qint64 from, qint64 to) const;

    // RFC 4180 text of a span, one row per tick, times in local ISO 8601,
    // "." as the decimal point; a tick without a good reply has empty values.
    static QString csv(const QList<TrendSample>& samples, const QString& unit);

private:
    void add(const TrendSample& s);
    const TrendSample& at(int i) const { return ring_[size_t((head_ + i) % Capacity)]; }

    std::vector<TrendSample> ring_;
    int head_ = 0;  // index of the oldest sample
    int count_ = 0; // samples held
    QString unit_;
};
