// Decoding of the configuration records and the flow data record, from bytes
// written out here.
#include "link/FieldConversions.h"
#include "monitor/ConfigDecoder.h"
#include "monitor/FlowReading.h"
#include "shared/UnitTables.h"

#include <QtTest>

namespace {

// A record of length bytes: the header, zeros, and a closing line feed.
QByteArray record(int length, const QByteArray& header) {
    QByteArray r(length, '\0');
    r.replace(0, header.size(), header);
    r[length - 1] = '\n';
    return r;
}

// Puts hex bytes at a 1-based position.
void put(QByteArray& r, int position, const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    r.replace(position - 1, bytes.size(), bytes);
}

// A flow data record with the given fields (all hex).
QByteArray flowRecord(const char* flow, const char* velocity, const char* strength,
                      const char* quality, int state, int flagByte, const char* clock,
                      const char* total) {
    QByteArray r = record(38, "FD,");
    put(r, 4, flow);
    put(r, 8, velocity);
    put(r, 12, strength);
    put(r, 16, quality);
    r[19] = char(state);
    r[22] = char(flagByte);
    put(r, 24, clock);
    put(r, 30, total);
    return r;
}

} // namespace

class tst_decoders : public QObject {
    Q_OBJECT
private slots:
    void systemConfig();
    void systemConfigFieldTooBigForByte();
    void channelConfigAndDerivedUnits_data();
    void channelConfigAndDerivedUnits();
    void learnData();
    void flowValues_data();
    void flowValues();
    void clock_data();
    void clock();
    void statusLines_data();
    void statusLines();
    void totalizer_data();
    void totalizer();
    void velocityUnit_data();
    void velocityUnit();
    void indicators_data();
    void indicators();
};

void tst_decoders::systemConfig() {
    QByteArray r = record(189, "SC,0,");
    put(r, 10, "0100FFFF");          // two unused ints: 1, -1
    put(r, 18, "4142434445464748");  // unused text "ABCDEFGH"
    put(r, 26, "0701");              // display mask 0x0107
    put(r, 34, "01000000");          // relay 1 on above
    put(r, 42, "00000100");          // relay 2 off above
    put(r, 58, "0000000001000000");  // relay 3 off below
    put(r, 66, "000096430000C03F");  // on-above thresholds 300, 1.5
    put(r, 114, "0000000000000040"); // off-below threshold relay 2: 2.0
    put(r, 130, "0100010001000000"); // relays 1-3 active
    put(r, 138, "05FE");             // power monitor 5, totalizer relay 254
    put(r, 152, "0A00");             // contrast 10: a line feed byte
    put(r, 156, "0100");             // transmit power
    put(r, 158, "15CD5B07");         // unused long 123456789
    put(r, 162, "0100");             // logging on
    put(r, 166, "0700");             // datalog 7
    put(r, 184, "0000C03F");         // learn scale 1.5

    const SystemConfig c = ConfigDecoder::decodeSystemConfig(r);
    QCOMPARE(c.UnusedIntsAt10[0], qint16(1));
    QCOMPARE(c.UnusedIntsAt10[1], qint16(-1));
    QCOMPARE(c.UnusedTextAt18, QByteArray("ABCDEFGH"));
    QCOMPARE(c.DisplayMask, qint16(0x0107));
    QCOMPARE(c.RelayOnAbove[0], qint16(1));
    QCOMPARE(c.RelayOnAbove[1], qint16(0));
    QCOMPARE(c.RelayOffAbove[1], qint16(1));
    QCOMPARE(c.RelayOffBelow[2], qint16(1));
    QCOMPARE(c.RelayOnAboveThreshold[0], 300.0f);
    QCOMPARE(c.RelayOnAboveThreshold[1], 1.5f);
    QCOMPARE(c.RelayOffBelowThreshold[1], 2.0f);
    QCOMPARE(c.RelayActive[2], qint16(1));
    QCOMPARE(c.RelayActive[3], qint16(0));
    QCOMPARE(c.PowerMonitorRelay, qint16(5));
    QCOMPARE(c.TotalizerRelay, qint16(254));
    QCOMPARE(c.DisplayContrast, qint16(10));
    QCOMPARE(c.TransmitPower, quint8(1));
    QCOMPARE(c.UnusedLongAt158, qint32(123456789));
    QCOMPARE(c.LoggingOn, qint16(1));
    QCOMPARE(c.CurrentDatalogNumber, quint8(7));
    QCOMPARE(c.LearnScale, 1.5f);
}

void tst_decoders::systemConfigFieldTooBigForByte() {
    // The datalog number is kept in a byte: 256 does not fit and fails the read.
    QByteArray r = record(189, "SC,0,");
    put(r, 166, "0001");
    QVERIFY_THROWS_EXCEPTION(FieldError, ConfigDecoder::decodeSystemConfig(r));
}

void tst_decoders::channelConfigAndDerivedUnits_data() {
    QTest::addColumn<QByteArray>("units");    // bytes 30-33: mult, flow vol, tot vol, time
    QTest::addColumn<QByteArray>("diameter"); // single at 34
    QTest::addColumn<float>("perVelocity");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("totUnit");
    QTest::newRow("gallons per minute, half-foot pipe")
        << QByteArray("00000001") << QByteArray("0000003F") << 88.127495f << "G/Min"
        << "GAL";
    QTest::newRow("litres per day, 6 in pipe")
        << QByteArray("04050503") << QByteArray("3563013F") << 490852.25f << "L/Day"
        << "L";
    QTest::newRow("oil barrels per second")
        << QByteArray("02060600") << QByteArray("0000803F") << 0.13989422f << "OB/Sec"
        << "";
}

void tst_decoders::channelConfigAndDerivedUnits() {
    QFETCH(QByteArray, units);
    QFETCH(QByteArray, diameter);
    QFETCH(float, perVelocity);
    QFETCH(QString, label);
    QFETCH(QString, totUnit);
    QByteArray r = record(71, "CC,0,");
    put(r, 10, "F6FF");     // damping -10
    put(r, 16, "0184");     // totalizer on; range 4, set by hand
    put(r, 18, "CDCCCC3D"); // low-flow cut-off 0.1
    put(r, 22, "0000A041"); // strength cut-off 20
    put(r, 30, units.constData());
    put(r, 34, diameter.constData());
    put(r, 46, "3403FF0F"); // calibration 820, 4095
    put(r, 67, "010300");   // pipe unit 1, logging rate 3

    ConfigRecord c;
    c.ChanConfig = ConfigDecoder::decodeChannelConfig(r);
    QCOMPARE(c.ChanConfig.Damping, qint16(-10));
    QCOMPARE(c.ChanConfig.TotalizerEnabled, quint8(1));
    QCOMPARE(c.ChanConfig.RangeCode, quint8(0x84));
    QCOMPARE(c.ChanConfig.LowFlowCutoffVelocity, 0.1f);
    QCOMPARE(c.ChanConfig.SignalStrengthCutoff, 20.0f);
    QCOMPARE(c.ChanConfig.CalibrationAt4mA, qint16(820));
    QCOMPARE(c.ChanConfig.CalibrationAt20mA, qint16(4095));
    QCOMPARE(c.ChanConfig.PipeSizeUnit, quint8(1));
    QCOMPARE(c.ChanConfig.LoggingRateIndex, qint16(3));
    c.deriveFlowUnits();
    QCOMPARE(c.FlowPerVelocity, perVelocity);
    QCOMPARE(c.FlowUnitLabel, label);
    QCOMPARE(UnitTables::volumeUnitLongName(c.ChanConfig.TotalizerVolumeUnitIndex), totUnit);
}

void tst_decoders::learnData() {
    QByteArray r = record(81, "LR,0");
    put(r, 30, "0300");         // power losses
    put(r, 32, "303531343234"); // text "051424"
    put(r, 44, "0100");         // remote zero enabled
    put(r, 48, "0200");         // low-flow override
    put(r, 52, "0100");         // logging active
    put(r, 54, "0100");         // manual range
    put(r, 60, "0100");         // XQ mode
    put(r, 64, "2A00");         // last code 42
    put(r, 66, "00004842");     // watchdog failures 50
    put(r, 70, "0700");         // breaks
    put(r, 78, "0102");         // velocity on display, roughness 2
    const LearnData c = ConfigDecoder::decodeLearnData(r);
    QCOMPARE(c.PowerLossCount, qint16(3));
    QCOMPARE(c.UnusedTextAt32, QByteArray("051424"));
    QCOMPARE(c.RemoteZeroEnabled, qint16(1));
    QCOMPARE(c.LowFlowCutoffOverride, qint16(2));
    QCOMPARE(c.LoggingActive, qint16(1));
    QCOMPARE(c.RangeModeManual, qint16(1));
    QCOMPARE(c.ExtendedModeOn, qint16(1));
    QCOMPARE(c.LastCode, qint16(42));
    QCOMPARE(c.WatchdogFailures, 50.0f);
    QCOMPARE(c.Breaks, qint16(7));
    QCOMPARE(c.DisplayFlowOrVelocity, quint8(1));
    QCOMPARE(c.PipeRoughness, quint8(2));
}

void tst_decoders::flowValues_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<QString>("velocity");
    QTest::addColumn<QString>("strength");
    QTest::addColumn<QString>("quality");
    QTest::newRow("typical") << flowRecord("0020BE43", "66668640", "00009D42", "0080BC42", 4, 0,
                                           "081E000E0580", "66666666A5993341")
                             << "380.25"
                             << "4.20"
                             << "78.5"
                             << "94.3";
    QTest::newRow("negative flow") << flowRecord("000048C1", "2B529A44", "00000000", "0000003F", 4,
                                                 0, "000000010164", "0000000000000000")
                                   << "-12.50"
                                   << "1234.57"
                                   << "0.0"
                                   << "0.5";
}

void tst_decoders::flowValues() {
    QFETCH(QByteArray, bytes);
    const FlowReading r(bytes);
    QTEST(r.flowText(), "flow");
    QTEST(r.velocityText(), "velocity");
    QTEST(r.signalStrengthText(), "strength");
    QTEST(r.signalQualityText(), "quality");
}

void tst_decoders::clock_data() {
    QTest::addColumn<QByteArray>("clock"); // hour, minute, second, month, day, year - 1900
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    QTest::newRow("afternoon") << QByteArray("0D0509070E7C") << "01:05:09 PM"
                               << "07/14/2024";
    QTest::newRow("evening") << QByteArray("120000010101") << "06:00:00 PM"
                             << "01/01/1901";
    QTest::newRow("twelve") << QByteArray("0C1E2D0C1F6A") << "12:30:45 AM"
                            << "12/31/2006";
    QTest::newRow("midnight") << QByteArray("00000002011E") << "00:00:00 AM"
                              << "02/01/1930";
    QTest::newRow("year byte signed") << QByteArray("173B3B0B1CC8") << "11:59:59 PM"
                                      << "11/28/1844";
}

void tst_decoders::clock() {
    QFETCH(QByteArray, clock);
    const FlowReading r(flowRecord("00000000", "00000000", "00000000", "00000000", 4, 0,
                                   clock.constData(), "0000000000000000"));
    QTEST(r.timeText(), "time");
    QTEST(r.dateText(), "date");
}

void tst_decoders::statusLines_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("flagByte");
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QStringList>("lines");
    // Range 3, learn count 17 throughout.
    QTest::newRow("measuring") << 4 << 0 << 25 << false << QStringList{};
    QTest::newRow("measuring, remote zero applied") << 4 << 0x80 << 0 << false << QStringList{};
    QTest::newRow("waiting") << 0 << 0 << 0 << true << QStringList{"Waiting for range to set"};
    QTest::newRow("monitoring, range set, invalid")
        << 1 << 3 << 0 << true
        << QStringList{"Learn Mode: Monitoring Signal...17", "Range set",
                       "Invalid Signal - Can't Learn"};
    QTest::newRow("signal ok, setting range")
        << 2 << 1 << 0 << true << QStringList{"Signal OK...", "Setting Range 3"};
    QTest::newRow("signal ok, waiting")
        << 2 << 2 << 0 << true << QStringList{"Signal OK...", "Waiting for range to set"};
    QTest::newRow("learning, every flag") << 3 << 0x7f << 0 << true
                                          << QStringList{"Range 4 is correct",
                                                         "Autoranging Disabled, Keeping Range 4",
                                                         "Range 3 Locked",
                                                         "Learn Mode",
                                                         "No Flow - Can't Learn",
                                                         "Warning - Low Sig Strength",
                                                         "Warning - Poor Sig Quality",
                                                         "Learning...17"};
    QTest::newRow("learning, no flags") << 3 << 0 << 0 << true << QStringList{"Learn Mode"};
    QTest::newRow("measuring, warning with points")
        << 4 << 2 << 25 << true << QStringList{"25Points", "Warning"};
    QTest::newRow("measuring, warning without points")
        << 4 << 2 << 0 << true << QStringList{"Warning"};
    QTest::newRow("measuring, every flag") << 4 << 0xff << 0 << true
                                           << QStringList{"Learn Mode complete",
                                                          "Warning",
                                                          "Alarm",
                                                          "No Flow - Can't Learn",
                                                          "Warning - Low Sig Strength",
                                                          "Warning - Poor Sig Quality",
                                                          "Lost Signal, AutoRanging"};
    QTest::newRow("failed") << 5 << 0 << 12 << true << QStringList{"Failed 12"};
    QTest::newRow("unknown state") << 9 << 1 << 0 << true << QStringList{};
}

void tst_decoders::statusLines() {
    QFETCH(int, state);
    QFETCH(int, flagByte);
    QFETCH(int, points);
    QFETCH(bool, shown);
    QFETCH(QStringList, lines);
    const FlowReading r(flowRecord("00000000", "00000000", "00000000", "00000000", state, flagByte,
                                   "000000010164", "0000000000000000"));
    AnalysisFigures analysis;
    analysis.RangeNumber = 3;
    analysis.LearnCount = 17;
    analysis.PointCount = points;
    const auto result = r.statusLines(analysis);
    QCOMPARE(result.has_value(), shown);
    if (shown)
        QCOMPARE(*result, lines);
}

void tst_decoders::totalizer_data() {
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<QString>("text");
    QTest::newRow("x1") << QByteArray("66666666A5993341") << 0 << "  1284517";
    QTest::newRow("x10 rounds") << QByteArray("66666666A5993341") << 1 << "  128452";
    QTest::newRow("x10000") << QByteArray("00000054346F9D41") << 4 << "  12346";
    QTest::newRow("zero") << QByteArray("0000000000000000") << 2 << "  0";
    QTest::newRow("outside the table") << QByteArray("00000000D01CF840") << 5 << "";
}

void tst_decoders::totalizer() {
    QFETCH(QByteArray, total);
    QFETCH(int, multiplier);
    QFETCH(QString, text);
    const FlowReading r(flowRecord("00000000", "00000000", "00000000", "00000000", 4, 0,
                                   "000000010164", total.constData()));
    if (text.isEmpty())
        QVERIFY_THROWS_EXCEPTION(UnitTables::IndexError, r.totalizerText(multiplier));
    else
        QCOMPARE(r.totalizerText(multiplier), text);
}

void tst_decoders::velocityUnit_data() {
    QTest::addColumn<int>("flowUnit");
    QTest::addColumn<QString>("unit"); // empty: the caption stays as it was
    const char* expected[] = {"Ft/Sec", "Ft/Sec", "Ft/Sec", "Ft/Sec", "M/Sec",
                              "M/Sec",  "Ft/Sec", "Ft/Sec", "",       ""};
    for (int i = 0; i < 10; ++i)
        QTest::addRow("unit %d", i) << i << QString(expected[i]);
    QTest::newRow("unit 255") << 255 << QString();
}

void tst_decoders::velocityUnit() {
    QFETCH(int, flowUnit);
    QFETCH(QString, unit);
    const auto result = FlowReading::velocityUnitText(flowUnit);
    QCOMPARE(result.value_or(QString()), unit);
}

void tst_decoders::indicators_data() {
    QTest::addColumn<int>("sysLogging");
    QTest::addColumn<int>("lrnLogging");
    QTest::addColumn<QString>("logging");
    QTest::addColumn<int>("flagByte");
    QTest::addColumn<int>("remoteZeroEnabled");
    QTest::addColumn<bool>("remoteZero");
    QTest::newRow("both logging, zero applied and enabled")
        << 1 << 1 << "Logging" << 0x80 << 1 << true;
    // The two logging flags are combined bit by bit: 1 AND 2 is 0.
    QTest::newRow("flags without a common bit") << 1 << 2 << "Not Logging" << 0x80 << 0 << false;
    QTest::newRow("meter not logging") << 0 << 1 << "Not Logging" << 0x00 << 1 << false;
    QTest::newRow("all bits") << -1 << 3 << "Logging" << 0x7f << 1 << false;
}

void tst_decoders::indicators() {
    QFETCH(int, sysLogging);
    QFETCH(int, lrnLogging);
    QFETCH(int, flagByte);
    QFETCH(int, remoteZeroEnabled);
    const FlowReading r(flowRecord("00000000", "00000000", "00000000", "00000000", 4, flagByte,
                                   "000000010164", "0000000000000000"));
    QTEST(FlowReading::loggingCaption(qint16(sysLogging), qint16(lrnLogging)), "logging");
    QTEST(r.remoteZeroShown(qint16(remoteZeroEnabled)), "remoteZero");
}

QTEST_APPLESS_MAIN(tst_decoders)
#include "tst_decoders.moc"
