// The simulated meter's replies: lengths, terminators and the field positions
// the program reads, decoded with the program's own conversions.

#include "MeterModel.h"
#include "link/FieldConversions.h"

#include <QtTest>

namespace {

constexpr qint64 Later = 60000; // long enough for any reply to have left

QByteArray exchange(MeterModel& m, const QByteArray& command, qint64 t = 0) {
    m.receive("\x1b\r" + command + "\n", t);
    return m.takeBytesUntil(t + Later);
}

double field(const QByteArray& reply, int pos, int code) {
    qint16 p = qint16(pos);
    qint16 c = qint16(code);
    return GetField(reply, p, c).toDouble();
}

// A state in which every field the program reads holds a value of its own.
MeterState distinctState() {
    MeterState s;
    s.displayMask = 0x0123;
    s.relayInts[0][0] = 3;
    s.relayInts[1][2] = -7;
    s.relayInts[3][3] = 250;
    s.relayInts[4][1] = 44;
    s.relaySingles[0][1] = 12.5f;
    s.relaySingles[2][3] = -3.25f;
    s.relaySingles[3][0] = 1500.0f;
    s.powerMonitorRelay = 2;
    s.totalizerRelay = 3;
    s.displayContrast = 13;
    s.transmitPower = 0;
    s.loggingOn = 1;
    s.currentDatalog = 7;
    s.systemMiscValue = 0.75f;
    s.damping = 25;
    s.totalizerEnabled = 1;
    s.rangeCode = 6;
    s.lowFlowCutoff = 0.25f;
    s.signalStrengthCutoff = 15.0f;
    s.signalQualityCutoff = 40.5f;
    s.totalizerMultiplier = 2;
    s.flowVolumeUnit = 5;
    s.totalizerUnit = 4;
    s.flowTimeUnit = 2;
    s.pipeDiameterFt = 1.5f;
    s.flowAt4mA = -10.0f;
    s.flowAt20mA = 2000.0f;
    s.cal4mA = 812;
    s.cal20mA = 4011;
    s.siteCalibration = 0.98f;
    s.pipeSizeUnit = 1;
    s.loggingRateIndex = 5;
    s.powerLosses = 17;
    s.remoteZeroEnabled = 1;
    s.lowFlowOverride = 2;
    s.zeroSignalOverride = -1;
    s.loggingActive = 1;
    s.rangeMode = 1;
    s.learnMiscValue = 6.5f;
    s.xqMode = 1;
    s.lastCodes = 33;
    s.watchdogEvents = 4.0f;
    s.breaks = 9;
    s.displayFlowOrVelocity = 1;
    s.pipeRoughness = 3;
    return s;
}

} // namespace

class tst_MeterRecords : public QObject {
    Q_OBJECT
private slots:
    void replyLengths_data();
    void replyLengths();
    void systemConfigFields_data();
    void systemConfigFields();
    void channelConfigFields_data();
    void channelConfigFields();
    void learnDataFields_data();
    void learnDataFields();
    void flowData_data();
    void flowData();
    void contrastTenIsALineFeedInsideTheRecord();
    void signalBlocks_data();
    void signalBlocks();
};

void tst_MeterRecords::replyLengths_data() {
    QTest::addColumn<int>("unit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("begins");

    QTest::newRow("VT on a KR5") << 5 << QByteArray("VT,0") << 5 << QByteArray("VT,5\n");
    QTest::newRow("VT on a KR3") << 3 << QByteArray("VT,0") << 5 << QByteArray("VT,3\n");
    QTest::newRow("VR,0") << 5 << QByteArray("VR,0") << 15 << QByteArray("VR,V1.95,12345\n");
    QTest::newRow("VR,0 with comma")
        << 4 << QByteArray("VR,0,") << 15 << QByteArray("VR,V1.95,12345\n");
    QTest::newRow("SC") << 5 << QByteArray("SC,0,") << 189 << QByteArray("SC");
    QTest::newRow("CC") << 5 << QByteArray("CC,0,") << 71 << QByteArray("CC");
    QTest::newRow("LR") << 5 << QByteArray("LR,0") << 81 << QByteArray("LR");
    QTest::newRow("FD first") << 5 << QByteArray("FD,0,1") << 38 << QByteArray("FD");
    QTest::newRow("FD any sequence") << 5 << QByteArray("FD,0,32767") << 38 << QByteArray("FD");
    QTest::newRow("XD time samples") << 5 << QByteArray("XD,6") << 561 << QByteArray("XD,6");
    QTest::newRow("XD spectrum") << 5 << QByteArray("XD,1") << 561 << QByteArray("XD,1");
    QTest::newRow("master erase") << 5 << QByteArray("MR,1") << 1 << QByteArray("\n");
    QTest::newRow("totalizer reset") << 5 << QByteArray("GT,1") << 3 << QByteArray("OK\n");
    QTest::newRow("unknown") << 5 << QByteArray("QQ,0") << 12 << QByteArray("Bad OPCode \n");
    QTest::newRow("XD out of range")
        << 5 << QByteArray("XD,9") << 12 << QByteArray("Bad OPCode \n");
}

void tst_MeterRecords::replyLengths() {
    QFETCH(int, unit);
    QFETCH(QByteArray, command);
    QFETCH(int, length);
    QFETCH(QByteArray, begins);
    MeterState s;
    s.unitType = unit;
    MeterModel m(s);
    const QByteArray reply = exchange(m, command);
    QCOMPARE(reply.size(), length);
    QVERIFY2(reply.startsWith(begins), reply.toHex().constData());
    QCOMPARE(reply.back(), '\n');
}

void tst_MeterRecords::systemConfigFields_data() {
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("expected");

    QTest::newRow("display mask") << 26 << 2 << 291.0;
    QTest::newRow("relay ints 1, relay 1") << 34 << 2 << 3.0;
    QTest::newRow("relay ints 2, relay 3") << 46 << 2 << -7.0;
    QTest::newRow("relay ints 4, relay 4") << 64 << 2 << 250.0;
    QTest::newRow("relay singles 1, relay 2") << 70 << 4 << 12.5;
    QTest::newRow("relay singles 3, relay 4") << 110 << 4 << -3.25;
    QTest::newRow("relay singles 4, relay 1") << 114 << 4 << 1500.0;
    QTest::newRow("relay ints 5, relay 2") << 132 << 2 << 44.0;
    QTest::newRow("power monitor relay") << 138 << 1 << 2.0;
    QTest::newRow("totalizer relay") << 139 << 1 << 3.0;
    QTest::newRow("contrast") << 152 << 2 << 13.0;
    QTest::newRow("transmit power") << 156 << 2 << 0.0;
    QTest::newRow("logging on") << 162 << 2 << 1.0;
    QTest::newRow("current datalog") << 166 << 2 << 7.0;
    QTest::newRow("misc single") << 184 << 4 << 0.75;
}

void tst_MeterRecords::systemConfigFields() {
    QFETCH(int, pos);
    QFETCH(int, code);
    QFETCH(double, expected);
    MeterModel m(distinctState());
    const QByteArray reply = exchange(m, "SC,0,");
    QCOMPARE(field(reply, pos, code), expected);
    // Read as a line, the record must hold no line feed before its end.
    QCOMPARE(reply.indexOf('\n'), 188);
}

void tst_MeterRecords::channelConfigFields_data() {
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("expected");

    QTest::newRow("damping") << 10 << 2 << 25.0;
    QTest::newRow("totalizer enabled") << 16 << 1 << 1.0;
    QTest::newRow("range code") << 17 << 1 << 6.0;
    QTest::newRow("low flow cut-off") << 18 << 4 << 0.25;
    QTest::newRow("strength cut-off") << 22 << 4 << 15.0;
    QTest::newRow("quality cut-off") << 26 << 4 << 40.5;
    QTest::newRow("multiplier") << 30 << 1 << 2.0;
    QTest::newRow("flow volume unit") << 31 << 1 << 5.0;
    QTest::newRow("totalizer unit") << 32 << 1 << 4.0;
    QTest::newRow("flow time unit") << 33 << 1 << 2.0;
    QTest::newRow("pipe diameter") << 34 << 4 << 1.5;
    QTest::newRow("flow at 4 mA") << 38 << 4 << -10.0;
    QTest::newRow("flow at 20 mA") << 42 << 4 << 2000.0;
    QTest::newRow("4 mA calibration") << 46 << 2 << 812.0;
    QTest::newRow("20 mA calibration") << 48 << 2 << 4011.0;
    QTest::newRow("site calibration") << 50 << 4 << double(0.98f);
    QTest::newRow("pipe size unit") << 67 << 1 << 1.0;
    QTest::newRow("logging rate") << 68 << 2 << 5.0;
}

void tst_MeterRecords::channelConfigFields() {
    QFETCH(int, pos);
    QFETCH(int, code);
    QFETCH(double, expected);
    MeterModel m(distinctState());
    QCOMPARE(field(exchange(m, "CC,0,"), pos, code), expected);
}

void tst_MeterRecords::learnDataFields_data() {
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("expected");

    QTest::newRow("power losses") << 30 << 2 << 17.0;
    QTest::newRow("remote zero enabled") << 44 << 2 << 1.0;
    QTest::newRow("low flow override") << 48 << 2 << 2.0;
    QTest::newRow("zero signal override") << 50 << 2 << -1.0;
    QTest::newRow("logging active") << 52 << 2 << 1.0;
    QTest::newRow("range mode") << 54 << 2 << 1.0;
    QTest::newRow("misc single") << 56 << 4 << 6.5;
    QTest::newRow("XQ mode") << 60 << 2 << 1.0;
    QTest::newRow("last codes") << 64 << 2 << 33.0;
    QTest::newRow("watchdog events") << 66 << 4 << 4.0;
    QTest::newRow("breaks") << 70 << 2 << 9.0;
    QTest::newRow("flow or velocity") << 78 << 1 << 1.0;
    QTest::newRow("pipe roughness") << 79 << 1 << 3.0;
}

void tst_MeterRecords::learnDataFields() {
    QFETCH(int, pos);
    QFETCH(int, code);
    QFETCH(double, expected);
    MeterModel m(distinctState());
    QCOMPARE(field(exchange(m, "LR,0"), pos, code), expected);
}

void tst_MeterRecords::flowData_data() {
    QTest::addColumn<int>("volumeUnit");
    QTest::addColumn<int>("timeUnit");
    QTest::addColumn<double>("velocity");
    QTest::addColumn<double>("flow");
    QTest::addColumn<int>("lrnState");
    QTest::addColumn<int>("lrnFlags");
    QTest::addColumn<bool>("remoteZero");
    QTest::addColumn<int>("flagByte");

    // 0.5 ft pipe: 0.19634938 ft2 by the meter's pi of 3.14159.
    QTest::newRow("gallons per minute") << 0 << 1 << 2.0 << 176.25498 << 4 << 0 << false << 0;
    QTest::newRow("cubic feet per second") << 3 << 0 << 1.0 << 0.19634938 << 4 << 2 << true << 130;
    QTest::newRow("litres per hour") << 5 << 2 << 3.0 << 60047.637 << 3 << 64 << false << 64;
    QTest::newRow("not measuring") << 0 << 1 << 2.0 << 0.0 << 2 << 1 << true << 129;
}

void tst_MeterRecords::flowData() {
    QFETCH(int, volumeUnit);
    QFETCH(int, timeUnit);
    QFETCH(double, velocity);
    QFETCH(double, flow);
    QFETCH(int, lrnState);
    QFETCH(int, lrnFlags);
    QFETCH(bool, remoteZero);
    QFETCH(int, flagByte);
    MeterState s;
    s.pipeDiameterFt = 0.5f;
    s.flowVolumeUnit = quint8(volumeUnit);
    s.flowTimeUnit = quint8(timeUnit);
    s.velocityMean = velocity;
    s.velocitySwing = 0.0;
    s.lrnState = quint8(lrnState);
    s.lrnFlags = quint8(lrnFlags);
    s.remoteZeroApplied = remoteZero;
    s.clockBase = QDateTime(QDate(2006, 7, 5), QTime(14, 3, 9), Qt::UTC);
    s.totalizer = 98765.5;
    s.totalizerEnabled = 0;
    MeterModel m(s);
    // 1 h 2 min 3 s after the clock was set.
    const QByteArray r = exchange(m, "FD,0,1", 3723000);
    QCOMPARE(r.size(), 38);
    QCOMPARE(r.left(3), QByteArray("FD,"));
    QCOMPARE(Stringtofloat(r.mid(3, 4)), float(flow));
    QCOMPARE(Stringtofloat(r.mid(7, 4)), float(flow == 0.0 ? 0.0 : velocity));
    const float strength = Stringtofloat(r.mid(11, 4));
    const float quality = Stringtofloat(r.mid(15, 4));
    QVERIFY(strength > 60 && strength < 95);
    QVERIFY(quality > 80 && quality < 100);
    QCOMPARE(int(quint8(r[19])), lrnState);
    QCOMPARE(int(quint8(r[22])), flagByte);
    QCOMPARE(RawToSgnByte(r.mid(23, 1)), qint16(15));
    QCOMPARE(RawToSgnByte(r.mid(24, 1)), qint16(5));
    QCOMPARE(RawToSgnByte(r.mid(25, 1)), qint16(12));
    QCOMPARE(RawToSgnByte(r.mid(26, 1)), qint16(7));
    QCOMPARE(RawToSgnByte(r.mid(27, 1)), qint16(5));
    QCOMPARE(RawToSgnByte(r.mid(28, 1)), qint16(106));
    QCOMPARE(RawToDouble(r.mid(29, 8)), 98765.5);
}

void tst_MeterRecords::contrastTenIsALineFeedInsideTheRecord() {
    MeterState s;
    s.displayContrast = 10;
    MeterModel m(s);
    const QByteArray r = exchange(m, "SC,0,");
    QCOMPARE(r.size(), 189);
    QCOMPARE(r.indexOf('\n'), 151);
    QCOMPARE(RawToInt(r.mid(151, 2)), qint16(10));
}

void tst_MeterRecords::signalBlocks_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("spectrum");

    QTest::newRow("low spectrum") << QByteArray("XD,1") << true;
    QTest::newRow("high spectrum") << QByteArray("XD,2") << true;
    QTest::newRow("low time") << QByteArray("XD,5") << false;
    QTest::newRow("high time") << QByteArray("XD,8") << false;
}

void tst_MeterRecords::signalBlocks() {
    QFETCH(QByteArray, command);
    QFETCH(bool, spectrum);
    MeterModel m;
    const QByteArray block = exchange(m, command, 5000).right(540);
    QCOMPARE(block.size(), 540);
    int lo = 1 << 30;
    int hi = -(1 << 30);
    const int count = spectrum ? 128 : 256;
    for (int i = 0; i < count; ++i) {
        const int v = spectrum ? StrToLong(block.mid(4 * i, 4)) : StrToInt(block.mid(2 * i, 2));
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    // A visible signal: a peak well above the floor, and for the time samples
    // an echo swinging both ways.
    if (spectrum) {
        QVERIFY(lo > 0);
        QVERIFY(hi > 10 * lo);
    } else {
        QVERIFY(lo < -1000);
        QVERIFY(hi > 1000);
    }
    QCOMPARE(StrToInt(block.mid(516, 2)), qint16(3400));
}

QTEST_GUILESS_MAIN(tst_MeterRecords)
#include "tst_meterrecords.moc"
