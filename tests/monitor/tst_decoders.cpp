// Decoding of the configuration records and the flow data record, from bytes
// written out here.
#include "link/FieldConversions.h"
#include "monitor/ConfigDecoder.h"
#include "monitor/FlowReading.h"
#include "shared/UnitTables.h"

#include <QtTest>

namespace {

// A record of length bytes: the header, zeros, a closing line feed, and the fields
// given as "position=hex" (1-based) separated by spaces.
QByteArray record(int length, const QByteArray& header, const QString& fields) {
    QByteArray r(length, '\0');
    r.replace(0, header.size(), header);
    r[length - 1] = '\n';
    for (const QString& field : fields.split(' ')) {
        const QByteArray bytes = QByteArray::fromHex(field.section('=', 1).toLatin1());
        r.replace(field.section('=', 0, 0).toInt() - 1, bytes.size(), bytes);
    }
    return r;
}

// A flow data record: flow, velocity, strength, quality; learn state, flag
// byte; clock (hour, minute, second, month, day, year - 1900); totalizer.
QByteArray flowRecord(const char* values, int state, int flags, const char* clock,
                      const char* total) {
    QByteArray r = record(38, "FD,", QString("4=%1 24=%2 30=%3").arg(values, clock, total));
    r[19] = char(state);
    r[22] = char(flags);
    return r;
}

const char* const Zeros = "0000000000000000";

} // namespace

// The fields of a record as one list, so a table of them compares at once.
template <typename... T> QList<double> values(T... v) {
    return {double(v)...};
}

class tst_decoders : public QObject {
    Q_OBJECT
private slots:
    void configRecords() {
        // SC: two unused ints 1, -1 at 10; unused text "ABCDEFGH" at 18; on-above
        // thresholds 300, 1.5 at 66; relay 3 active, power monitor 5, totalizer relay 254
        // at 134; contrast 10 (a line feed byte) at 152; transmit power 1, 123456789,
        // logging at 156; datalog 7 at 166; learn scale 1.5 at 184, the last field.
        QByteArray sc = record(189, "SC,0,",
                               "10=0100FFFF 18=4142434445464748 66=000096430000C03F "
                               "134=0100000005FE 152=0A00 156=010015CD5B070100 166=0700 "
                               "184=0000C03F");
        const SystemConfig s = ConfigDecoder::decodeSystemConfig(sc);
        QCOMPARE(s.UnusedTextAt18, QByteArray("ABCDEFGH"));
        QCOMPARE(
            (values(s.UnusedIntsAt10[1], s.RelayOnAboveThreshold[1], s.RelayActive[2],
                    s.RelayActive[3], s.TotalizerRelay, s.DisplayContrast, s.TransmitPower,
                    double(s.UnusedLongAt158), s.LoggingOn, s.CurrentDatalogNumber, s.LearnScale)),
            (QList<double>{-1, 1.5, 1, 0, 254, 10, 1, 123456789, 1, 7, 1.5}));
        // The datalog number is kept in a byte: 256 does not fit and fails the read.
        sc.replace(165, 2, QByteArray::fromHex("0001"));
        QVERIFY_THROWS_EXCEPTION(FieldError, ConfigDecoder::decodeSystemConfig(sc));

        // CC: damping -10 at 10; multiplier 4, flow and total litres, per day, 6 in pipe at
        // 30; calibration 820, 4095 at 46; pipe unit 1, logging rate 3 (the last) at 67.
        ConfigRecord c;
        c.ChanConfig = ConfigDecoder::decodeChannelConfig(
            record(71, "CC,0,", "10=F6FF 30=040505033563013F 46=3403FF0F 67=010300"));
        const ChannelConfig& cc = c.ChanConfig;
        QCOMPARE((values(cc.Damping, cc.TotalizerMultiplierIndex, cc.TotalizerVolumeUnitIndex,
                         cc.CalibrationAt20mA, cc.PipeSizeUnit, cc.LoggingRateIndex)),
                 (QList<double>{-10, 4, 5, 4095, 1, 3}));
        c.deriveFlowUnits();
        QCOMPARE(c.FlowPerVelocity, 490852.25f);
        QCOMPARE(c.FlowUnitLabel, QString("L/Day"));

        // LR: text "051424" at 32; remote zero enabled 1, logging active 3, XQ mode 4,
        // velocity on display 5, pipe roughness 6 (the last).
        const LearnData l = ConfigDecoder::decodeLearnData(
            record(81, "LR,0", "32=303531343234 44=0100 52=0300 60=0400 78=0506"));
        QCOMPARE(l.UnusedTextAt32, QByteArray("051424"));
        QCOMPARE((values(l.RemoteZeroEnabled, l.LoggingActive, l.ExtendedModeOn,
                         l.DisplayFlowOrVelocity, l.PipeRoughness)),
                 (QList<double>{1, 3, 4, 5, 6}));
    }

    // The flow data texts (flow|velocity|strength|quality|time|date|total); the main
    // window's test reads an afternoon record at x1.
    void flowTexts() {
        const auto texts = [](const QByteArray& bytes, int multiplier) {
            const FlowReading r(bytes);
            return QStringList{
                r.flowText(), r.velocityText(), r.signalStrengthText(),     r.signalQualityText(),
                r.timeText(), r.dateText(),     r.totalizerText(multiplier)}
                .join('|');
        };
        // Negative flow, twelve at night, x10 rounds.
        QCOMPARE(texts(flowRecord("000048C12B529A44000000000000003F", 4, 0, "0C1E2D0C1F6A",
                                  "66666666A5993341"),
                       1),
                 "-12.50|1234.57|0.0|0.5|12:30:45 AM|12/31/2006|  128452");
        // A signed year byte, x10000; no multiplier 5.
        const QByteArray late = flowRecord(Zeros, 4, 0, "173B3B0B1CC8", "00000054346F9D41");
        QCOMPARE(texts(late, 4), "0.00|0.00|0.0|0.0|11:59:59 PM|11/28/1844|  12346");
        QVERIFY_THROWS_EXCEPTION(UnitTables::IndexError, texts(late, 5));
    }

    void statusLines() {
        // Learn state, flag byte, points; the lines joined by '|', "hidden": the box is hidden.
        const struct {
            int state, flags, points;
            const char* lines;
        } cases[] = {
            // Measuring: neither points nor the remote zero bit show the box.
            {4, 0x80, 25, "hidden"},
            {0, 0, 0, "Waiting for range to set"},
            {1, 3, 0, "Learn Mode: Monitoring Signal...17|Range set|Invalid Signal - Can't Learn"},
            {2, 3, 0, "Signal OK...|Setting Range 3|Waiting for range to set"},
            {3, 0x7f, 0,
             "Range 4 is correct|Autoranging Disabled, Keeping Range 4|Range 3 Locked|Learn Mode|"
             "No Flow - Can't Learn|Warning - Low Sig Strength|Warning - Poor Sig "
             "Quality|Learning...17"},
            {4, 0xff, 25,
             "25Points|Learn Mode complete|Warning|Alarm|No Flow - Can't Learn|"
             "Warning - Low Sig Strength|Warning - Poor Sig Quality|Lost Signal, AutoRanging"},
            {5, 0, 12, "Failed 12"},
            {9, 1, 0, ""}};              // an unknown state: the box shown empty
        AnalysisFigures analysis{3, 17}; // range, learn count
        for (const auto& c : cases) {
            analysis.PointCount = c.points;
            const FlowReading r(flowRecord(Zeros, c.state, c.flags, "000000010164", Zeros));
            QCOMPARE(r.statusLines(analysis).value_or(QStringList{"hidden"}).join('|'),
                     QString(c.lines));
        }
    }
};

QTEST_APPLESS_MAIN(tst_decoders)
#include "tst_decoders.moc"
