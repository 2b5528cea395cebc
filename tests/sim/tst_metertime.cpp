// The simulated meter over time: its clock runs, the totalizer integrates the
// flow, a master erase restores the configuration and restarts the learn.

#include "MeterModel.h"
#include "link/FieldConversions.h"

#include <QtTest>

namespace {

constexpr qint64 Later = 60000; // long enough for any reply to have left

QByteArray exchange(MeterModel& m, const QByteArray& command, qint64 t) {
    m.receive("\x1b\r" + command + "\n", t);
    return m.takeBytesUntil(t + Later);
}

double totalizerOf(const QByteArray& fd) {
    return RawToDouble(fd.mid(29, 8));
}

} // namespace

class tst_MeterTime : public QObject {
    Q_OBJECT
private slots:
    void clockRuns_data();
    void clockRuns();
    void steadyFlowTotals_data();
    void steadyFlowTotals();
    void driftingFlowTotalsWhatItShows();
    void flowDriftsInARealisticBand();
    void learnAfterMasterErase_data();
    void learnAfterMasterErase();
    void masterEraseRestoresConfiguration();
};

void tst_MeterTime::clockRuns_data() {
    QTest::addColumn<qint64>("at");
    QTest::addColumn<QByteArray>("fields"); // hex: hour minute second month day year-1900

    QTest::newRow("at the start") << qint64(0) << QByteArray("173b320c1f63");
    QTest::newRow("over midnight and new year") << qint64(20000) << QByteArray("00000a010164");
    QTest::newRow("one day later") << qint64(86400000) << QByteArray("173b32010164");
}

void tst_MeterTime::clockRuns() {
    QFETCH(qint64, at);
    QFETCH(QByteArray, fields);
    MeterState s;
    s.clockBase = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 50), Qt::UTC);
    MeterModel m(s);
    QCOMPARE(exchange(m, "FD,0,1", at).mid(23, 6).toHex(), fields);
}

void tst_MeterTime::steadyFlowTotals_data() {
    QTest::addColumn<float>("diameter");
    QTest::addColumn<double>("velocity");
    QTest::addColumn<int>("totalizerUnit");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<double>("added");

    QTest::newRow("gallons, one minute") << 0.5f << 2.0 << 0 << qint64(60000) << 176.25498;
    QTest::newRow("litres, ten minutes") << 0.5f << 3.0 << 5 << qint64(600000) << 10007.939;
    QTest::newRow("cubic feet, one hour") << 0.50542f << 1.5 << 3 << qint64(3600000) << 1083.3984;
    QTest::newRow("reverse flow counts down") << 0.5f << -2.0 << 0 << qint64(60000) << -176.25498;
}

void tst_MeterTime::steadyFlowTotals() {
    QFETCH(float, diameter);
    QFETCH(double, velocity);
    QFETCH(int, totalizerUnit);
    QFETCH(qint64, ms);
    QFETCH(double, added);
    MeterState s;
    s.pipeDiameterFt = diameter;
    s.velocityMean = velocity;
    s.velocitySwing = 0.0;
    s.totalizerUnit = quint8(totalizerUnit);
    s.totalizer = 1000.0;
    MeterModel m(s);
    // Several reads on the way must not change the sum.
    exchange(m, "FD,0,1", ms / 3);
    exchange(m, "FD,0,2", ms / 2);
    const double total = totalizerOf(exchange(m, "FD,0,3", ms));
    QVERIFY2(qAbs(total - 1000.0 - added) < 1e-3 * qAbs(added),
             QByteArray::number(total, 'f', 6).constData());
}

void tst_MeterTime::driftingFlowTotalsWhatItShows() {
    // The totalizer's growth between reads matches the flow the reads show,
    // integrated over the same time (gallons per minute, 1 s steps).
    MeterModel m;
    const double start = totalizerOf(exchange(m, "FD,0,1", 0));
    double sum = 0.0;
    double previous = Stringtofloat(exchange(m, "FD,0,1", 0).mid(3, 4));
    for (int i = 1; i <= 300; ++i) {
        const double flow = Stringtofloat(exchange(m, "FD,0,1", i * 1000).mid(3, 4));
        sum += (previous + flow) / 2.0 / 60.0;
        previous = flow;
    }
    const double grown = totalizerOf(exchange(m, "FD,0,1", 300000)) - start;
    QVERIFY2(qAbs(grown - sum) < 0.01, QByteArray::number(grown - sum).constData());
    QVERIFY(grown > 1500.0); // about 380 GPM for five minutes
}

void tst_MeterTime::flowDriftsInARealisticBand() {
    MeterModel m;
    float lo = 1e9f;
    float hi = -1e9f;
    float biggestStep = 0.0f;
    float previous = Stringtofloat(exchange(m, "FD,0,1", 0).mid(3, 4));
    for (qint64 t = 1500; t <= 600000; t += 1500) {
        const float flow = Stringtofloat(exchange(m, "FD,0,1", t).mid(3, 4));
        lo = std::min(lo, flow);
        hi = std::max(hi, flow);
        biggestStep = std::max(biggestStep, std::abs(flow - previous));
        previous = flow;
    }
    // Around 380 GPM, visibly moving, never jumping between polls.
    QVERIFY(lo > 330.0f);
    QVERIFY(hi < 430.0f);
    QVERIFY(hi - lo > 20.0f);
    QVERIFY(biggestStep < 5.0f);
}

void tst_MeterTime::learnAfterMasterErase_data() {
    QTest::addColumn<qint64>("after");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("measuring");

    QTest::newRow("just erased") << qint64(100) << 0 << 0 << false;
    QTest::newRow("monitoring") << qint64(7000) << 1 << 0 << false;
    QTest::newRow("range set") << qint64(13000) << 1 << 1 << false;
    QTest::newRow("setting range") << qint64(15000) << 2 << 1 << false;
    QTest::newRow("learning") << qint64(23000) << 3 << 64 << true;
    QTest::newRow("complete") << qint64(41000) << 4 << 1 << true;
    QTest::newRow("measuring") << qint64(60000) << 4 << 0 << true;
}

void tst_MeterTime::learnAfterMasterErase() {
    QFETCH(qint64, after);
    QFETCH(int, state);
    QFETCH(int, flags);
    QFETCH(bool, measuring);
    MeterModel m;
    const qint64 erased = 5000;
    QCOMPARE(exchange(m, "MR,1", erased), QByteArray("\n"));
    const QByteArray fd = exchange(m, "FD,0,1", erased + after);
    QCOMPARE(int(quint8(fd[19])), state);
    QCOMPARE(int(quint8(fd[22])), flags);
    QCOMPARE(Stringtofloat(fd.mid(7, 4)) > 1.0f, measuring);
    // The totalizer starts from zero and counts only once the meter measures.
    QCOMPARE(totalizerOf(fd) > 0.0, after > 22000);
}

void tst_MeterTime::masterEraseRestoresConfiguration() {
    MeterState s;
    s.unitType = 4;
    s.serial = "777";
    MeterModel m(s);
    m.state().flowVolumeUnit = 4;
    m.state().damping = 99;
    m.state().displayContrast = 2;
    exchange(m, "MR,1", 1000);
    const QByteArray cc = exchange(m, "CC,0,", 2000);
    QCOMPARE(int(quint8(cc[30])), 0);
    QCOMPARE(RawToInt(cc.mid(9, 2)), qint16(10));
    QCOMPARE(RawToInt(exchange(m, "SC,0,", 3000).mid(151, 2)), qint16(7));
    // The identity survives the erase.
    QCOMPARE(exchange(m, "VT,0", 4000), QByteArray("VT,4\n"));
    QCOMPARE(exchange(m, "VR,0", 5000), QByteArray("VR,V1.95,777\n"));
}

QTEST_GUILESS_MAIN(tst_MeterTime)
#include "tst_metertime.moc"
