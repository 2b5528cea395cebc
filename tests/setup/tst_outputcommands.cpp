// The 4-20 mA output's and the relays' commands to the byte, and the
// calibration arithmetic with its guards.
#include "setup/OutputCommands.h"

#include <QtTest>

using namespace OutputCommands;

class tst_outputcommands : public QObject {
    Q_OBJECT
private slots:
    // Readings m4/m20 against the counts c4/c20: the counts sent, or "refused".
    void corrected_data() {
        QTest::addColumn<double>("m4");
        QTest::addColumn<double>("m20");
        QTest::addColumn<int>("c4");
        QTest::addColumn<int>("c20");
        QTest::addColumn<QString>("counts");
        QTest::newRow("4.2 and 19.8 read") << 4.2 << 19.8 << 600 << 4000 << "557 4044";
        QTest::newRow("nominal readings keep the counts")
            << 4.0 << 20.0 << 600 << 4000 << "600 4000";
        QTest::newRow("nominal, odd counts") << 4.0 << 20.0 << 613 << 3987 << "613 3987";
        QTest::newRow("7 mA is taken as 4") << 7.0 << 20.0 << 600 << 4000 << "600 4000";
        QTest::newRow("16.9 mA is taken as 20") << 4.0 << 16.9 << 600 << 4000 << "600 4000";
        QTest::newRow("20 mA count 0 is full scale") << 4.0 << 20.0 << 600 << 0 << "600 4095";
        QTest::newRow("4 mA count above 700 is reset") << 2.0 << 20.0 << 650 << 4000 << "0 4000";
        QTest::newRow("20 mA count below 3595 is full scale")
            << 4.0 << 22.0 << 600 << 3700 << "600 4095";
        QTest::newRow("20 mA count not above the 4 mA one")
            << 4.2 << 20.0 << 4000 << 600 << "refused";
        QTest::newRow("equal counts") << 4.0 << 20.0 << 600 << 600 << "refused";
    }

    void corrected() {
        QFETCH(double, m4);
        QFETCH(double, m20);
        QFETCH(int, c4);
        QFETCH(int, c20);
        const std::optional<Counts> r = OutputCommands::corrected(m4, m20, c4, c20);
        QTEST(r ? QString("%1 %2").arg(r->count4).arg(r->count20) : QString("refused"), "counts");
    }

    void commandBytes_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("hex");
        const auto row = [](const char* name, const QByteArray& command, const char* hex) {
            QTest::newRow(name) << command << QByteArray(hex);
        };
        // "MA,3," 0 and 10 ft/s, 20 mA 4044, 4 mA 557, finished, second flag 0.
        row("output record", outputCommand({0.0f, 10.0f, 4044, 557, 1, 0, 99}),
            "4d412c332c000000000000204"
            "1cc0f2d02010000000a");
        row("force 4 mA at 557", forceCommand(1, 557), "4d412c322c312c2d020a");
        row("force 20 mA at 4044", forceCommand(2, 4044), "4d412c322c322ccc0f0a");
        // A count whose low byte is a line feed keeps its own terminator.
        row("output count 778", forceCommand(3, 778), "4d412c322c332c0a030a");
        row("relay 1 on", testCommand({1, 0, 0, 0}), "52592c332c010000000a");
        row("negative state plus 256", testCommand({-1, 0, 1, 0}), "52592c332cff0001000a");
    }

    void commandBytes() {
        QFETCH(QByteArray, command);
        QTEST(command.toHex(), "hex");
    }

    void outputReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<QString>("fields"); // v4 v20 c20 c4 finished second present
        const char* record = "4d412c000000000000204"
                             "1a00f5802010000001e040a";
        QTest::newRow("22 characters")
            << QByteArray::fromHex(record) << 22 << "0 10 4000 600 1 0 1054";
        QTest::newRow("line feed cut, poll")
            << QByteArray::fromHex(record).left(21) << 21 << "0 10 4000 600 1 0 1054";
        QTest::newRow("short") << QByteArray::fromHex(record).left(20) << 21 << "none";
        QTest::newRow("error word") << QByteArray("Bad OPCode \nxxxxxxxxxx") << 21 << "none";
    }

    void outputReply() {
        QFETCH(QByteArray, reply);
        QFETCH(int, minimum);
        const std::optional<OutputRecord> r = decodeOutput(reply, minimum);
        QTEST(r ? QString("%1 %2 %3 %4 %5 %6 %7")
                      .arg(r->velocity4)
                      .arg(r->velocity20)
                      .arg(r->count20)
                      .arg(r->count4)
                      .arg(r->calFinished)
                      .arg(r->secondFlag)
                      .arg(r->present)
                : QString("none"),
              "fields");
    }

    // The present current from counts 600 and 4000.
    void current_data() {
        QTest::addColumn<int>("present");
        QTest::addColumn<QString>("mA");
        QTest::newRow("at the 4 mA count") << 600 << "4";
        QTest::newRow("at the 20 mA count") << 4000 << "20";
        QTest::newRow("half way") << 2300 << "12";
        QTest::newRow("below the range") << 599 << "none";
        QTest::newRow("above the range") << 4001 << "none";
    }

    void current() {
        QFETCH(int, present);
        const std::optional<double> mA = currentOf(present, 600, 4000);
        QTEST(mA ? QString::number(*mA) : QString("none"), "mA");
    }

    // The "Flow >" and "Flow <" boxes edit the thresholds of the sense shown.
    void relaySense() {
        SystemConfig r;
        setSense(r, 2, true);
        setThreshold(r, 2, true, 100);
        setThreshold(r, 2, false, 20);
        QCOMPARE(QString("%1%2%3%4 %5 %6")
                     .arg(r.RelayOnAbove[2])
                     .arg(r.RelayOffAbove[2])
                     .arg(r.RelayOnBelow[2])
                     .arg(r.RelayOffBelow[2])
                     .arg(r.RelayOnAboveThreshold[2])
                     .arg(r.RelayOffBelowThreshold[2]),
                 QString("1001 100 20"));
        setSense(r, 2, false);
        setThreshold(r, 2, true, 7);
        const Thresholds t = thresholdsOf(r, 2);
        QCOMPARE(QString("%1 %2 %3 %4")
                     .arg(t.onAbove)
                     .arg(t.above)
                     .arg(t.below)
                     .arg(r.RelayOffAboveThreshold[2]),
                 QString("0 7 0 7"));
        QCOMPARE(r.RelayOnAboveThreshold[2], 100.0f);
    }

    void testReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("states");
        QTest::newRow("relays 1 and 4 on")
            << QByteArray::fromHex("52592c312c0100000200000a") << "1001";
        QTest::newRow("short") << QByteArray("RY,1,\x01") << "none";
    }

    void testReply() {
        QFETCH(QByteArray, reply);
        const auto on = decodeTests(reply);
        QTEST(on ? QString("%1%2%3%4").arg((*on)[0]).arg((*on)[1]).arg((*on)[2]).arg((*on)[3])
                 : QString("none"),
              "states");
    }
};

QTEST_APPLESS_MAIN(tst_outputcommands)
#include "tst_outputcommands.moc"
