// Decoding of the configuration records and the flow data record, from bytes
// written out here.
#include "link/FieldConversions.h"
#include "monitor/ConfigDecoder.h"
#include "monitor/FlowReading.h"
#include "shared/UnitTables.h"

#include <QtTest>

namespace {

// A record of length bytes: the header, zeros, a closing line feed, and hex
// bytes put at 1-based positions.
QByteArray record(int length, const QByteArray& header,
                  std::initializer_list<std::pair<int, const char*>> fields) {
    QByteArray r(length, '\0');
    r.replace(0, header.size(), header);
    r[length - 1] = '\n';
    for (auto [position, hex] : fields)
        r.replace(position - 1, int(strlen(hex)) / 2, QByteArray::fromHex(hex));
    return r;
}

// A flow data record: flow, velocity, strength, quality; learn state, flag
// byte; clock (hour, minute, second, month, day, year - 1900); totalizer.
QByteArray flowRecord(const char* values, int state, int flags, const char* clock,
                      const char* total) {
    QByteArray r = record(38, "FD,", {{4, values}, {24, clock}, {30, total}});
    r[19] = char(state);
    r[22] = char(flags);
    return r;
}

const char* const Zeros = "0000000000000000";

} // namespace

class tst_decoders : public QObject {
    Q_OBJECT
private slots:
    void configRecords();
    void flowTexts_data();
    void flowTexts();
    void statusLines_data();
    void statusLines();
    void velocityUnit();
};

// The fields of a record as one list, so a table of them compares at once.
template <typename... T> QList<double> values(T... v) {
    return {double(v)...};
}

void tst_decoders::configRecords() {
    QByteArray sc =
        record(189, "SC,0,",
               {{10, "0100FFFF"},          // two unused ints: 1, -1
                {18, "4142434445464748"},  // unused text "ABCDEFGH"
                {66, "000096430000C03F"},  // on-above thresholds 300, 1.5
                {134, "0100000005FE"},     // relay 3 active, power monitor 5, totalizer relay 254
                {152, "0A00"},             // contrast 10: a line feed byte
                {156, "010015CD5B070100"}, // transmit power 1, 123456789, logging
                {166, "0700"},             // datalog 7
                {184, "0000C03F"}});       // learn scale 1.5
    const SystemConfig s = ConfigDecoder::decodeSystemConfig(sc);
    QCOMPARE(s.UnusedTextAt18, QByteArray("ABCDEFGH"));
    QCOMPARE((values(s.UnusedIntsAt10[1], s.RelayOnAboveThreshold[1], s.RelayActive[2],
                     s.RelayActive[3], s.TotalizerRelay, s.DisplayContrast, s.TransmitPower,
                     double(s.UnusedLongAt158), s.LoggingOn, s.CurrentDatalogNumber, s.LearnScale)),
             (QList<double>{-1, 1.5, 1, 0, 254, 10, 1, 123456789, 1, 7, 1.5}));
    // The datalog number is kept in a byte: 256 does not fit and fails the read.
    sc.replace(165, 2, QByteArray::fromHex("0001"));
    QVERIFY_THROWS_EXCEPTION(FieldError, ConfigDecoder::decodeSystemConfig(sc));

    ConfigRecord c;
    c.ChanConfig = ConfigDecoder::decodeChannelConfig(
        record(71, "CC,0,",
               {{10, "F6FF"},             // damping -10
                {30, "040505033563013F"}, // multiplier, flow and total litres, per day; 6 in pipe
                {46, "3403FF0F"},         // calibration 820, 4095
                {67, "010300"}}));        // pipe unit 1, logging rate 3
    const ChannelConfig& cc = c.ChanConfig;
    QCOMPARE((values(cc.Damping, cc.TotalizerMultiplierIndex, cc.TotalizerVolumeUnitIndex,
                     cc.CalibrationAt20mA, cc.PipeSizeUnit, cc.LoggingRateIndex)),
             (QList<double>{-10, 4, 5, 4095, 1, 3}));
    c.deriveFlowUnits();
    QCOMPARE(c.FlowPerVelocity, 490852.25f);
    QCOMPARE(c.FlowUnitLabel, QString("L/Day"));

    // Text "051424"; remote zero enabled 1, logging active 3, XQ mode 4, velocity
    // on display 5, pipe roughness 6.
    const LearnData l = ConfigDecoder::decodeLearnData(
        record(81, "LR,0",
               {{32, "303531343234"}, {44, "0100"}, {52, "0300"}, {60, "0400"}, {78, "0506"}}));
    QCOMPARE(l.UnusedTextAt32, QByteArray("051424"));
    QCOMPARE((values(l.RemoteZeroEnabled, l.LoggingActive, l.ExtendedModeOn,
                     l.DisplayFlowOrVelocity, l.PipeRoughness)),
             (QList<double>{1, 3, 4, 5, 6}));
}

void tst_decoders::flowTexts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<QString>("texts"); // flow|velocity|strength|quality|time|date|total
    QTest::newRow("afternoon, x1")
        << flowRecord("0020BE436666864000009D420080BC42", 4, 0, "0D0509070E7C", "66666666A5993341")
        << 0 << "380.25|4.20|78.5|94.3|01:05:09 PM|07/14/2024|  1284517";
    QTest::newRow("negative flow, twelve, x10 rounds")
        << flowRecord("000048C12B529A44000000000000003F", 4, 0, "0C1E2D0C1F6A", "66666666A5993341")
        << 1 << "-12.50|1234.57|0.0|0.5|12:30:45 AM|12/31/2006|  128452";
    QTest::newRow("signed year byte, x10000")
        << flowRecord(Zeros, 4, 0, "173B3B0B1CC8", "00000054346F9D41") << 4
        << "0.00|0.00|0.0|0.0|11:59:59 PM|11/28/1844|  12346";
}

void tst_decoders::flowTexts() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, multiplier);
    const FlowReading r(bytes);
    QTEST(
        QStringList({r.flowText(), r.velocityText(), r.signalStrengthText(), r.signalQualityText(),
                     r.timeText(), r.dateText(), r.totalizerText(multiplier)})
            .join('|'),
        "texts");
    QVERIFY_THROWS_EXCEPTION(UnitTables::IndexError, r.totalizerText(5));
}

void tst_decoders::statusLines_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("lines"); // joined by '|'; "hidden": the status box is hidden
    const auto row = [](const char* name, int state, int flags, int points, const char* lines) {
        QTest::newRow(name) << state << flags << points << QString(lines);
    };
    // Range 3, learn count 17 throughout.
    row("measuring", 4, 0, 25, "hidden");
    row("measuring, remote zero applied", 4, 0x80, 0, "hidden");
    row("waiting", 0, 0, 0, "Waiting for range to set");
    row("monitoring, every flag", 1, 3, 0,
        "Learn Mode: Monitoring Signal...17|Range set|Invalid Signal - Can't Learn");
    row("signal ok, every flag", 2, 3, 0, "Signal OK...|Setting Range 3|Waiting for range to set");
    row("learning, every flag", 3, 0x7f, 0,
        "Range 4 is correct|Autoranging Disabled, Keeping Range 4|Range 3 Locked|Learn Mode|"
        "No Flow - Can't Learn|Warning - Low Sig Strength|Warning - Poor Sig "
        "Quality|Learning...17");
    row("measuring, every flag, points", 4, 0xff, 25,
        "25Points|Learn Mode complete|Warning|Alarm|No Flow - Can't Learn|"
        "Warning - Low Sig Strength|Warning - Poor Sig Quality|Lost Signal, AutoRanging");
    row("failed", 5, 0, 12, "Failed 12");
    row("unknown state: the box shown empty", 9, 1, 0, "");
}

void tst_decoders::statusLines() {
    QFETCH(int, state);
    QFETCH(int, flags);
    QFETCH(int, points);
    const FlowReading r(flowRecord(Zeros, state, flags, "000000010164", Zeros));
    AnalysisFigures analysis;
    analysis.RangeNumber = 3;
    analysis.LearnCount = 17;
    analysis.PointCount = points;
    QTEST(r.statusLines(analysis).value_or(QStringList{"hidden"}).join('|'), "lines");
}

void tst_decoders::velocityUnit() {
    // By flow volume unit 0-9 and 255; "-": none, the caption stays as it was.
    QStringList shown;
    for (int unit : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 255})
        shown << FlowReading::velocityUnitText(unit).value_or("-");
    QCOMPARE(shown.join(' '), "Ft/Sec Ft/Sec Ft/Sec Ft/Sec M/Sec M/Sec Ft/Sec Ft/Sec - - -");
}

QTEST_APPLESS_MAIN(tst_decoders)
#include "tst_decoders.moc"
