#include "Blocks.h"
#include "diagnostics/AnalysisCapture.h"
#include "diagnostics/SupervisorOutput.h"
#include "link/FieldConversions.h"

#include <QTest>

using Pairs = QList<QPair<int, int>>;

// The analysis results of one tick with every byte written out: the boxes,
// the status lines and what a bad range byte or divisor leaves blank.
class TestAnalysisCapture : public QObject {
    Q_OBJECT

    // XR,1: range index 19.0, P/P 3400, correction 1000, flow 380.5,
    // velocity scale 1.25, divisor 90.5, units "GA" / "MIN ".
    static QByteArray xr1(const char* divisor = "0000b542") {
        return block({{513, "00009841"},
                      {517, "480de803"},
                      {521, "0040be43"},
                      {525, "0000a03f"},
                      {529, divisor},
                      {533, "0047414d494e20"}});
    }
    // XR,2: range index 19.0, P/P 2000, correction -7, flow 90.5, low flow
    // cutoff 0.1, pipe 6.065, gain 5, power 0, the range byte, learn state.
    static QByteArray xr2(const char* rangeByte = "04", const char* learnState = "04") {
        QByteArray b = block({{513, "00009841"},
                              {517, "d0070780"},
                              {521, "0000b542"},
                              {525, "cdcccc3d"},
                              {529, "7b14c240"},
                              {533, "0500"}});
        b[534] = char(QByteArray::fromHex(rangeByte).at(0));
        b[536] = char(QByteArray::fromHex(learnState).at(0));
        return b;
    }
    // XR,3: status valid, diagnostic code 7, points 12, strengths 800 and
    // 300 (x8), qualities 9412, 9000, 8850, 5 (x100), immediate words 1,
    // high pass filter on.
    static QByteArray xr3() {
        return block({{254, "07"},
                      {263, sm(12)},
                      {269, sm(800)},
                      {273, sm(300)},
                      {293, sm(9412) + sm(9000) + sm(8850) + sm(5)},
                      {309, sm(1) + sm(1) + sm(1)},
                      {331, sm(1)},
                      {511, "01"}});
    }

private slots:
    void rawFlowData_data() {
        QTest::addColumn<QByteArray>("one");
        QTest::addColumn<QByteArray>("two");
        // Text14, Text6(3), (0), (18), (15), Text11(1), (0), Text15, Text5
        QTest::addColumn<QString>("range");
        // Text6(17), (16), (2), (1), (20), (26), (19), (25), Text12, Text10
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("lines");

        QTest::newRow("range byte 4")
            << xr1() << xr2() << "8|19.0|156.25|19.0|625.0|1.25|0.1|GA/MIN |6.065"
            << "380.50|4.204|90.50|1.0|94.12|90|88.5|0.05|100|37.5"
            << "12Points|Signal Valid|Diagnostic Code 7:7";
        // A range byte of 0 leaves only the figures that divide by it blank.
        QTest::newRow("range byte 0")
            << xr1() << xr2("00") << "|19.0||19.0|625.0|1.25|0.1|GA/MIN |6.065"
            << "380.50|4.204|90.50|1.0|94.12|90|88.5|0.05|100|37.5"
            << "12Points|Signal Valid|Diagnostic Code 7:7";
        // Bytes of 128 and more do not overflow the range scale.
        QTest::newRow("range byte 200")
            << xr1() << xr2("c8") << "0.16|19.0|3.125|19.0|625.0|1.25|0.1|GA/MIN |6.065"
            << "380.50|4.204|90.50|1.0|94.12|90|88.5|0.05|100|37.5"
            << "12Points|Signal Valid|Diagnostic Code 7:7";
        QTest::newRow("divisor 0")
            << xr1("00000000") << xr2() << "8|19.0|156.25|19.0|625.0|1.25|0.1|GA/MIN |6.065"
            << "380.50||90.50||94.12|90|88.5|0.05|100|37.5"
            << "12Points|Signal Valid|Diagnostic Code 7:7";
        QTest::newRow("learn state 2")
            << xr1() << xr2("04", "02") << "8|19.0|156.25|19.0|625.0|1.25|0.1|GA/MIN |6.065"
            << "380.50|4.204|90.50|1.0|94.12|90|88.5|0.05|100|37.5"
            << "Signal OK...|Diagnostic Code 7:7";
    }
    void rawFlowData() {
        QFETCH(QByteArray, one);
        QFETCH(QByteArray, two);
        const AnalysisCapture c = AnalysisCapture::decode(
            {AnalysisCapture::RawFlowData, false, false, one, two, xr3(), block({})});
        const auto join = [&](std::initializer_list<const char*> names) {
            QStringList texts;
            for (const char* name : names)
                texts << c.boxes.value(name, "-");
            return texts.join('|');
        };
        QTEST(join({"Text14", "Text6(3)", "Text6(0)", "Text6(18)", "Text6(15)", "Text11(1)",
                    "Text11(0)", "Text15", "Text5"}),
              "range");
        QTEST(join({"Text6(17)", "Text6(16)", "Text6(2)", "Text6(1)", "Text6(20)", "Text6(26)",
                    "Text6(19)", "Text6(25)", "Text12", "Text10"}),
              "flow");
        QTEST(c.supervisorLines.join('|'), "lines");
        QCOMPARE(join({"Text3(0)", "Text3(1)", "Text2(0)", "Text2(1)", "Text4", "Text13"}),
                 "3400|2000|1000|-7|5|Low");
        QCOMPARE(c.pointCount, 12);
    }

    // Without a current status block, or on the crossproduct page, only the
    // trailer boxes are filled and no status lines are made.
    void trailerOnly_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("peaks");
        QTest::addColumn<QByteArray>("three");
        QTest::newRow("crossproduct, no overlay") << 1 << false << QByteArray();
        QTest::newRow("crossproduct, overlay") << 1 << true << xr3();
        QTest::newRow("status not valid") << 2 << false << block({{511, "00"}});
    }
    void trailerOnly() {
        QFETCH(int, mode);
        QFETCH(bool, peaks);
        QFETCH(QByteArray, three);
        const AnalysisCapture c =
            AnalysisCapture::decode({AnalysisCapture::Mode(mode), peaks, false, xr1(), xr2(), three,
                                     three.isEmpty() ? QByteArray() : block({})});
        QVERIFY(!c.analysed);
        QVERIFY(c.supervisorLines.isEmpty());
        QCOMPARE(c.boxes.size(), 12);
        QCOMPARE(c.peakSel.has_value(), peaks);
    }

    // The marks of the later block (XR,4) are the ones kept.
    void peakSelFromLaterBlock() {
        const AnalysisCapture c =
            AnalysisCapture::decode({AnalysisCapture::Crossproduct, true, false, xr1(), xr2(),
                                     block({{1, "0100"}}), block({{1, "0200"}, {255, "0680"}})});
        QCOMPARE((*c.peakSel)[0], 2);
        QCOMPARE((*c.peakSel)[127], -6);
    }

    // A bad block anywhere fails the tick.
    void badBlock_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("XR,1 shifted") << 1;
        QTest::newRow("XR,4 short") << 4;
    }
    void badBlock() {
        QFETCH(int, which);
        AnalysisCapture::Input in{
            AnalysisCapture::RawFlowData, false, false, xr1(), xr2(), xr3(), block({})};
        (which == 1 ? in.xr1 : in.xr4).chop(1);
        QVERIFY_THROWS_EXCEPTION(FieldError, AnalysisCapture::decode(in));
    }

    void lines_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("flags");
        // word -> value overrides
        QTest::addColumn<Pairs>("set");
        QTest::addColumn<bool>("remoteZero");
        QTest::addColumn<QString>("lines");
        using W = Pairs;
        // Words 155-157 and 166 are 1 in every row unless set, so their lines stay off.
        QTest::newRow("waiting") << 0 << 0 << W{} << false << "Waiting for range to set";
        QTest::newRow("monitoring, count 7")
            << 1 << 3 << W{{131, 7}} << false
            << "Learn Mode: Monitoring Signal...7|Range set|Invalid Signal - Can't Learn";
        QTest::newRow("setting range") << 2 << 3 << W{{130, 3}, {155, 0}} << false
                                       << "Signal OK...|Setting Range 3|Waiting for range to set";
        QTest::newRow("range locked")
            << 3 << 0x4 << W{{130, 2}} << false << "Range 2 Locked|Learn Mode";
        QTest::newRow("learning, every flag")
            << 3 << 0xff << W{{130, 2}, {131, 9}} << false
            << "Range 4 is correct|Autoranging Disabled, Keeping Range 4|Range 2 Locked|"
               "Learn Mode|No Flow - Can't Learn|Warning - Low Sig Strength|"
               "Warning - Poor Sig Quality|Learning...9|Invalid Signal - Can't learn";
        QTest::newRow("measuring, every flag and alarm")
            << 4 << 0x7ff
            << W{{132, 12}, {151, 1}, {152, 1}, {153, 1}, {154, 1}, {155, 0}, {156, 0},
                 {157, 0},  {159, 1}, {160, 1}, {161, 1}, {162, 1}, {165, 1}, {166, 0}}
            << true
            << "12Points|Learn Mode complete|Warning|Alarm|No Flow - Can't Learn|"
               "Warning - Low Sig Strength|Warning - Poor Sig Quality|Lost Signal, AutoRanging|"
               "Autoranging Disabled, Can't Autorange|Low Signal Cutoff, Flow is Zero|"
               "Signal Recovered|Very Poor Signal recovered|Logging Alarm|"
               "Invalid Signal - Cyc|Failed Signal Status - Cyc|Poor Signal Quality - Cyc|"
               "Zero Signal Cutoff - Cyc|Invalid Signal - Immed|Failed Signal Status - Immed|"
               "Poor Signal Quality - Immed|Zero Signal Cutoff - Immed|Remote Zero Enabled|"
               "Low Flow Cutoff Override|Zero Signal Cutoff Override|Manual Range|"
               "High Pass Filter Disabled";
        QTest::newRow("failed") << 5 << 0x80 << W{{132, 3}, {155, 0}} << false
                                << "Failed 3|Autoranging Disabled, Can't Autorange|"
                                   "Invalid Signal - Immed";
        QTest::newRow("unknown state")
            << 9 << 0xff << W{{166, 0}} << false << "High Pass Filter Disabled";
    }
    void lines() {
        QFETCH(int, state);
        QFETCH(int, flags);
        QFETCH(Pairs, set);
        QFETCH(bool, remoteZero);
        SupervisorOutput::Words words{};
        for (int k : {155, 156, 157, 166})
            words[k - 129] = 1;
        words[0] = qint16(flags);
        for (const auto& [k, v] : set)
            words[k - 129] = qint16(v);
        QTEST(SupervisorOutput::lines(state, words, remoteZero, 0).join('|'), "lines");
    }
};

QTEST_GUILESS_MAIN(TestAnalysisCapture)
#include "tst_analysiscapture.moc"
