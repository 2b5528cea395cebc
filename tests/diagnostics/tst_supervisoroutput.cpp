#include "diagnostics/SupervisorOutput.h"

#include <QTest>

using Pairs = QList<QPair<int, int>>;

// The wording of the meter's learn/range state and flag words, line by line.
class TestSupervisorOutput : public QObject {
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestSupervisorOutput)
#include "tst_supervisoroutput.moc"
