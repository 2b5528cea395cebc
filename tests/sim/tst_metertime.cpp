// The simulated meter over time: its clock runs, the totalizer integrates the
// flow, a master erase restores the configuration and restarts the learn.

#include "SimExchange.h"
#include "link/FieldConversions.h"

#include <QtTest>

static double totalizerOf(const QByteArray& fd) {
    return RawToDouble(fd.mid(29, 8));
}

static float flowOf(const QByteArray& fd) {
    return Stringtofloat(fd.mid(3, 4));
}

class tst_MeterTime : public QObject {
    Q_OBJECT
private slots:
    void clockRuns() {
        MeterState s;
        s.clockBase = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 50), Qt::UTC);
        MeterModel m(s);
        // Hour, minute, second, month, day, year - 1900: over midnight and new year.
        QCOMPARE(exchange(m, "FD,0,1", 20000).mid(23, 6).toHex(), QByteArray("00000a010164"));
        QCOMPARE(exchange(m, "FD,0,1", 86400000).mid(23, 6).toHex(), QByteArray("173b32010164"));
    }

    void steadyFlowTotals() {
        // Litres for ten minutes, then gallons flowing backwards for one
        // minute; reads on the way must not change the sum.
        MeterState s;
        s.pipeDiameterFt = 0.5f;
        s.velocityMean = 3.0;
        s.velocitySwing = 0.0;
        s.totalizerUnit = 5;
        s.totalizer = 1000.0;
        MeterModel m(s);
        exchange(m, "FD,0,1", 200000);
        QVERIFY(qAbs(totalizerOf(exchange(m, "FD,0,2", 600000)) - 11007.939) < 0.01);
        m.state().totalizerUnit = 0;
        m.state().velocityMean = -2.0;
        QVERIFY(qAbs(totalizerOf(exchange(m, "FD,0,3", 660000)) - 10831.684) < 0.01);
    }

    void driftingFlowTotalsWhatItShows() {
        // The totalizer's growth matches the flow the reads show, integrated
        // over the same time (gallons per minute, 1 s steps), and that flow
        // moves around 380 GPM without jumping between polls.
        MeterModel m;
        const double start = totalizerOf(exchange(m, "FD,0,1", 0));
        double sum = 0.0;
        float previous = flowOf(exchange(m, "FD,0,1", 0));
        float lo = previous, hi = previous, biggestStep = 0.0f;
        for (int i = 1; i <= 600; ++i) {
            const float flow = flowOf(exchange(m, "FD,0,1", i * 1000));
            sum += (previous + flow) / 2.0 / 60.0;
            lo = std::min(lo, flow);
            hi = std::max(hi, flow);
            biggestStep = std::max(biggestStep, std::abs(flow - previous));
            previous = flow;
        }
        const double grown = totalizerOf(exchange(m, "FD,0,1", 600000)) - start;
        QVERIFY2(qAbs(grown - sum) < 0.02, QByteArray::number(grown - sum).constData());
        QVERIFY(lo > 330.0f && hi < 430.0f && hi - lo > 20.0f);
        QVERIFY(biggestStep < 5.0f);
    }

    void resetEraseAndLearn() {
        MeterState s;
        s.unitType = 4;
        s.serial = "777";
        s.totalizer = 5000.0;
        MeterModel m(s); // the factory state, but for what follows
        m.state().damping = 99;
        m.state().flowVolumeUnit = 4;
        m.state().displayContrast = 2;
        // The totalizer reset clears the count and nothing else.
        QCOMPARE(exchange(m, "GT,1", 1000), QByteArray("OK\n"));
        QCOMPARE(totalizerOf(exchange(m, "FD,0,1", 1000)), 0.0);
        QCOMPARE(RawToInt(exchange(m, "CC,0,", 1000).mid(9, 2)), qint16(99));
        // The erase brings back the defaults and keeps the identity.
        QCOMPARE(exchange(m, "MR,1", 5000), QByteArray("OK\n"));
        const QByteArray cc = exchange(m, "CC,0,", 5000);
        QCOMPARE(int(quint8(cc[30])), 0);
        QCOMPARE(RawToInt(cc.mid(9, 2)), qint16(10));
        QCOMPARE(RawToInt(exchange(m, "SC,0,", 5000).mid(151, 2)), qint16(7));
        QCOMPARE(exchange(m, "VT,0", 5000), QByteArray("VT,4\n"));
        QCOMPARE(exchange(m, "VR,0", 5000), QByteArray("VR,V1.95,777\n"));
        // The learn restarts: time after the erase, learn state and flags.
        // From state 3 the meter measures and the totalizer, from zero, counts.
        const int learn[][3] = {{100, 0, 0},    {13000, 1, 1}, {15000, 2, 1},
                                {23000, 3, 64}, {41000, 4, 1}, {60000, 4, 0}};
        for (const auto& [after, state, flags] : learn) {
            const QByteArray fd = exchange(m, "FD,0,1", 5000 + after);
            QCOMPARE(int(quint8(fd[19])), state);
            QCOMPARE(int(quint8(fd[22])), flags);
            QCOMPARE(Stringtofloat(fd.mid(7, 4)) > 1.0f, state >= 3);
            QCOMPARE(totalizerOf(fd) > 0.0, state >= 3);
        }
    }
};

QTEST_GUILESS_MAIN(tst_MeterTime)
#include "tst_metertime.moc"
