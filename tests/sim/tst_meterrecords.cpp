// The simulated meter's replies: lengths, terminators and the field positions
// the program reads, decoded with the program's own conversions.

#include "SimExchange.h"
#include "link/FieldConversions.h"

#include <QtTest>

// A reply's length and start, and optionally one field (pos 0: none).
static void row(const char* name, const QByteArray& command, int length, const QByteArray& begins,
                int pos = 0, int code = 0, double expected = 0.0) {
    QTest::newRow(name) << command << length << begins << pos << code << expected;
}

class tst_MeterRecords : public QObject {
    Q_OBJECT
private slots:
    void replies_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("begins");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("expected");
        row("VT on a KR3", "VT,0", 5, "VT,3\n");
        row("VR,0 with comma", "VR,0,", 15, "VR,V1.95,12345\n");
        row("master erase", "MR,1", 1, "\n");
        row("totalizer reset", "GT,1", 3, "OK\n");
        row("unknown", "QQ,0", 12, "Bad OPCode \n");
        row("XD out of range", "XD,9", 12, "Bad OPCode \n");
        row("FD any sequence", "FD,0,32767", 38, "FD,");
        row("XD time samples", "XD,6", 561, "XD,6,540,");
        row("SC relay singles 3, relay 4", "SC,0,", 189, "SC,0,", 110, 4, -3.25);
        row("SC relay ints 5, relay 2", "SC,0,", 189, "SC", 132, 2, 44.0);
        row("SC contrast 10, a line feed", "SC,0,", 189, "SC", 152, 2, 10.0);
        row("SC misc single", "SC,0,", 189, "SC", 184, 4, 0.75);
        row("CC damping", "CC,0,", 71, "CC,0,", 10, 2, 25.0);
        row("CC flow at 4 mA", "CC,0,", 71, "CC", 38, 4, -10.0);
        row("CC logging rate", "CC,0,", 71, "CC", 68, 2, 5.0);
        row("LR zero signal override", "LR,0", 81, "LR,0", 50, 2, -1.0);
        row("LR watchdog events", "LR,0", 81, "LR", 66, 4, 4.0);
        row("LR pipe roughness", "LR,0", 81, "LR", 79, 1, 3.0);
    }

    void replies() {
        QFETCH(QByteArray, command);
        QFETCH(int, length);
        QFETCH(QByteArray, begins);
        QFETCH(int, pos);
        QFETCH(int, code);
        QFETCH(double, expected);
        // Every field the rows read holds a value of its own.
        MeterState s;
        s.unitType = 3;
        s.relaySingles[2][3] = -3.25f;
        s.relayInts[4][1] = 44;
        s.displayContrast = 10;
        s.systemMiscValue = 0.75f;
        s.damping = 25;
        s.flowAt4mA = -10.0f;
        s.loggingRateIndex = 5;
        s.zeroSignalOverride = -1;
        s.watchdogEvents = 4.0f;
        s.pipeRoughness = 3;
        MeterModel m(s);
        const QByteArray reply = exchange(m, command);
        QCOMPARE(reply.size(), length);
        QVERIFY2(reply.startsWith(begins), reply.toHex().constData());
        QCOMPARE(reply.back(), '\n');
        qint16 p = qint16(pos);
        qint16 c = qint16(code);
        if (pos > 0)
            QCOMPARE(GetField(reply, p, c).toDouble(), expected);
        // The contrast of 10 is the one line feed inside the line-read SC record.
        if (command == "SC,0,")
            QCOMPARE(reply.count('\n'), 2);
    }

    void flowData() {
        MeterState s;
        s.pipeDiameterFt = 0.5f;
        s.flowVolumeUnit = 5; // litres
        s.flowTimeUnit = 2;   // per hour
        s.velocityMean = 3.0;
        s.velocitySwing = 0.0;
        s.lrnState = 3;
        s.lrnFlags = 64;
        s.remoteZeroApplied = true;
        s.totalizer = 98765.5;
        s.totalizerEnabled = 0;
        MeterModel m(s);
        const QByteArray r = exchange(m, "FD,0,1", 3723000);
        QCOMPARE(r.size(), 38);
        // 0.5 ft pipe: 0.19634938 ft2 by the meter's pi of 3.14159.
        QCOMPARE(Stringtofloat(r.mid(3, 4)), 60047.637f);
        QCOMPARE(Stringtofloat(r.mid(7, 4)), 3.0f);
        const float strength = Stringtofloat(r.mid(11, 4));
        const float quality = Stringtofloat(r.mid(15, 4));
        QVERIFY(strength > 60 && strength < 95);
        QVERIFY(quality > 80 && quality < 100);
        QCOMPARE(int(quint8(r[19])), 3);
        QCOMPARE(int(quint8(r[22])), 128 + 64); // remote zero and the learn flags
        // A switched-off totalizer holds its count while the flow runs.
        QCOMPARE(RawToDouble(r.mid(29, 8)), 98765.5);
    }

    void signalBlocks() {
        for (const int which : {1, 8}) {
            MeterModel m;
            const QByteArray block =
                exchange(m, "XD," + QByteArray::number(which), 5000).right(540);
            const bool spectrum = which <= 4;
            int lo = 1 << 30;
            int hi = -(1 << 30);
            for (int i = 0; i < (spectrum ? 128 : 256); ++i) {
                const int v =
                    spectrum ? StrToLong(block.mid(4 * i, 4)) : StrToInt(block.mid(2 * i, 2));
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            // A visible signal: a peak well above the floor, and for the time
            // samples an echo swinging both ways.
            QVERIFY(spectrum ? lo > 0 && hi > 10 * lo : lo < -1000 && hi > 1000);
            // The trailer's P/P follows the echo: plausible, and moving.
            const int pp = StrToInt(block.mid(516, 2));
            QVERIFY2(pp > 2500 && pp < 3700, QByteArray::number(pp));
            const QByteArray later =
                exchange(m, "XD," + QByteArray::number(which), 8500).right(540);
            QVERIFY(StrToInt(later.mid(516, 2)) != pp);
        }
    }
};

QTEST_GUILESS_MAIN(tst_MeterRecords)
#include "tst_meterrecords.moc"
