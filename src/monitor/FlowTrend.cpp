#include "FlowTrend.h"

#include "link/DisplayFormat.h"

#include <QDateTime>

void FlowTrend::addGood(qint64 time, float flow, float signalStrength) {
    add({time, true, flow, signalStrength});
}

void FlowTrend::addGap(qint64 time) {
    add({time, false, 0, 0});
}

void FlowTrend::setUnit(const QString& unit) {
    if (unit != unit_)
        clear();
    unit_ = unit;
}

qint64 FlowTrend::lastTime() const {
    return count_ == 0 ? 0 : at(count_ - 1).time;
}

qint64 FlowTrend::lastGoodTime() const {
    for (int i = count_ - 1; i >= 0; --i)
        if (at(i).good)
            return at(i).time;
    return 0;
}

void FlowTrend::add(const TrendSample& s) {
    // Older than an hour before the newest: dropped from the front.
    while (count_ > 0 && at(0).time < s.time - KeepMs) {
        head_ = (head_ + 1) % Capacity;
        --count_;
    }
    if (count_ == Capacity) {
        head_ = (head_ + 1) % Capacity;
        --count_;
    }
    ring_[size_t((head_ + count_) % Capacity)] = s;
    ++count_;
}

QList<TrendSample> FlowTrend::span(qint64 from, qint64 to) const {
    QList<TrendSample> out;
    for (int i = 0; i < count_; ++i) {
        const TrendSample& s = at(i);
        if (s.time >= from && s.time <= to)
            out.append(s);
    }
    return out;
}

QString FlowTrend::csv(const QList<TrendSample>& samples, const QString& unit) {
    QString flowHeader = QStringLiteral("flow (%1)").arg(unit);
    if (flowHeader.contains(u',') || flowHeader.contains(u'"'))
        flowHeader = u'"' + flowHeader.replace(u'"', QStringLiteral("\"\"")) + u'"';
    QString out = QStringLiteral("time,") + flowHeader + QStringLiteral(",signal strength (%)\r\n");
    for (const TrendSample& s : samples) {
        out +=
            QDateTime::fromMSecsSinceEpoch(s.time).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (s.good)
            out += u',' + GeneralForm(s.flow) + u',' + GeneralForm(s.signalStrength);
        else
            out += QStringLiteral(",,");
        out += QStringLiteral("\r\n");
    }
    return out;
}
