// The live flow trend: the ring's bounds, which ticks are joined and which
// leave a gap, the CSV of a span, and the flow page feeding it from the
// polling cycle's own reads against the simulated meter.
#include "ProgramRig.h"
#include "link/DisplayFormat.h"
#include "monitor/FlowPage.h"
#include "monitor/FlowTrend.h"
#include "monitor/FlowTrendView.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

// A pattern of ticks 1500 ms apart: 'G' a good reply, '.' a tick without
// one, '|' a pause of 20 s without ticks (another page shown).
QList<TrendSample> ticks(const QString& pattern, qint64 start = 1'000'000) {
    QList<TrendSample> out;
    qint64 t = start;
    for (QChar c : pattern) {
        if (c == u'|') {
            t += 20'000;
            continue;
        }
        out.append({t, c == u'G', c == u'G' ? float(t % 7) : 0.0f, 50});
        t += 1500;
    }
    return out;
}

QString runLengths(const QList<QList<TrendSample>>& runs) {
    QStringList n;
    for (const auto& run : runs)
        n << QString::number(run.size());
    return n.join(',');
}

} // namespace

class tst_flowtrend : public QObject {
    Q_OBJECT
private slots:
    void ringStaysBounded_data() {
        QTest::addColumn<qint64>("spacingMs");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("kept");
        QTest::addColumn<qint64>("oldestIndex");
        // At the polling pace the ring fills to one hour of ticks and then
        // drops the oldest; slower ticks are dropped by age (one hour);
        // faster ones by count.
        QTest::newRow("few") << qint64(1500) << 10 << 10 << qint64(0);
        QTest::newRow("one hour at 1500 ms") << qint64(1500) << 2401 << 2400 << qint64(1);
        QTest::newRow("three hours at 1500 ms") << qint64(1500) << 7200 << 2400 << qint64(4800);
        QTest::newRow("two hours at 2 s") << qint64(2000) << 3600 << 1801 << qint64(1799);
        QTest::newRow("two hours at 1 s") << qint64(1000) << 7200 << 2400 << qint64(4800);
    }
    void ringStaysBounded() {
        QFETCH(qint64, spacingMs);
        QFETCH(int, added);
        QFETCH(int, kept);
        QFETCH(qint64, oldestIndex);
        FlowTrend trend;
        for (int i = 0; i < added; ++i)
            i % 5 == 4 ? trend.addGap(i * spacingMs) : trend.addGood(i * spacingMs, float(i), 60);
        QCOMPARE(trend.size(), kept);
        const QList<TrendSample> all = trend.span(0, added * spacingMs);
        QCOMPARE(all.size(), kept);
        QCOMPARE(all.first().time, oldestIndex * spacingMs);
        QCOMPARE(all.last().time, (added - 1) * spacingMs);
    }

    void spanAndUnit() {
        FlowTrend trend;
        trend.setUnit("G/Min");
        for (int i = 0; i < 10; ++i)
            trend.addGood(i * 1000, float(i), 70);
        trend.addGap(10'000);
        QCOMPARE(trend.span(3000, 6000).size(), 4);
        QCOMPARE(trend.lastTime(), 10'000);
        QCOMPARE(trend.lastGoodTime(), 9000);
        trend.setUnit("G/Min");
        QCOMPARE(trend.size(), 11);
        // Flows in another unit would share the axis with these: it starts afresh.
        trend.setUnit("L/Sec");
        QCOMPARE(trend.size(), 0);
    }

    void gapsAreNeverJoined_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("runs");
        QTest::newRow("all good") << "GGGGG"
                                  << "5";
        QTest::newRow("one missed tick") << "GG.GGG"
                                         << "2,3";
        QTest::newRow("alone between gaps") << "..G..G"
                                            << "1,1";
        QTest::newRow("no good tick") << "...."
                                      << "";
        QTest::newRow("page left and back") << "GGG|GG"
                                            << "3,2";
        QTest::newRow("gap at both ends") << ".GG|.G."
                                          << "2,1";
    }
    void gapsAreNeverJoined() {
        QFETCH(QString, pattern);
        QFETCH(QString, runs);
        const auto parts = TrendChart::runs(ticks(pattern));
        QCOMPARE(runLengths(parts), runs);
        for (const auto& run : parts)
            for (const TrendSample& s : run)
                QVERIFY(s.good);
    }

    void flowAxisHoldsEveryFlow_data() {
        QTest::addColumn<QList<float>>("flows");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("positive") << QList<float>{12.3f, 47.9f} << 10.0 << 50.0;
        QTest::newRow("reverse flow") << QList<float>{-3.2f, 1.1f} << -4.0 << 2.0;
        QTest::newRow("steady") << QList<float>{100.0f, 100.0f} << 95.0 << 105.0;
    }
    void flowAxisHoldsEveryFlow() {
        QFETCH(QList<float>, flows);
        QFETCH(double, low);
        QFETCH(double, high);
        QList<TrendSample> samples;
        for (float f : flows)
            samples.append({qint64(samples.size()) * 1500, true, f, 0});
        samples.append({9000, false, 1e6f, 0}); // a gap's value is never scaled for
        const TrendChart::Axis axis = TrendChart::flowAxis(samples);
        QCOMPARE(axis.low, low);
        QCOMPARE(axis.high, high);
    }

    void csvOfASpan() {
        const qint64 t0 = QDateTime(QDate(2026, 5, 12), QTime(10, 30, 0)).toMSecsSinceEpoch();
        const QList<TrendSample> samples{
            {t0, true, 12.5f, 80.25f}, {t0 + 1500, false, 0, 0}, {t0 + 3000, true, -0.1f, 7}};
        QCOMPARE(FlowTrend::csv(samples, "G/Min"), "time,flow (G/Min),signal strength (%)\r\n"
                                                   "2026-05-12T10:30:00,12.5,80.25\r\n"
                                                   "2026-05-12T10:30:01,,\r\n"
                                                   "2026-05-12T10:30:03,-0.1,7\r\n");
    }

    // The flow page feeds the trend from its own reads: one sample per tick,
    // a gap while the meter is silent, one command per tick on the wire.
    void flowPageFeedsTheTrend() {
        ProgramRig rig;
        rig.w.Form_Load();
        for (int i = 0; i < 3; ++i)
            rig.tick();
        FlowTrendView& view = rig.w.flowPage().trendView();
        const int before = view.trend().size();
        rig.sent();
        QStringList commands;
        const auto tickAndRecord = [&] {
            rig.tick();
            commands << QString::fromLatin1(rig.sent()).remove("\x1b\r").trimmed();
        };
        for (int i = 0; i < 4; ++i)
            tickAndRecord();
        rig.model.faults().silent = true;
        for (int i = 0; i < 2; ++i)
            tickAndRecord();
        rig.model.faults().silent = false;
        tickAndRecord();

        const QList<TrendSample> added =
            view.trend().span(0, std::numeric_limits<qint64>::max()).mid(before);
        QString pattern;
        for (const TrendSample& s : added)
            pattern += s.good ? u'G' : u'.';
        QCOMPARE(pattern, "GGGG..G");
        // Each tick sent the flow read alone (a silent meter's read is
        // written three times), however much the trend shows.
        for (const QString& c : commands)
            QVERIFY2(QRegularExpression("^(FD,0,\\d+\\s*)+$").match(c).hasMatch(), qPrintable(c));
        // The newest sample is the reading the page shows.
        QCOMPARE(FormatNumber(added.last().flow, "#####0.00").trimmed(),
                 rig.w.findChild<QLabel*>("FlowValText")->text().trimmed());

        // The shown span, copied as CSV: a header and one row per tick shown.
        view.findChild<QPushButton*>("cmdTrendCopy")->click();
        const QStringList rows =
            QApplication::clipboard()->text().split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 1 + view.shownSpan().samples.size());
        QCOMPARE(rows.first(),
                 "time,flow (" + rig.w.config().FlowUnitLabel + "),signal strength (%)");
        view.findChild<QComboBox*>("cboTrendSpan")->setCurrentIndex(0);
        QCOMPARE(view.spanMinutes(), 2);
    }
};

QTEST_MAIN(tst_flowtrend)
#include "tst_flowtrend.moc"
