// The simulated meter where a fault in it would mislead the program's tests:
// reply lengths, terminators and field positions (decoded with the program's
// own conversions), the state set-commands change, framing and fault switches.

#include "FaultSwitch.h"
#include "MeterModel.h"
#include "link/FieldConversions.h"

#include <QtTest>

constexpr qint64 Later = 60000; // long enough for any reply to have left

// One command to the meter, and all of its reply.
static QByteArray exchange(MeterModel& m, const QByteArray& command, qint64 t = 0) {
    m.receive("\x1b\r" + command + "\n", t);
    return m.takeBytesUntil(t + Later);
}

// A reply's length and start, and optionally one field (pos 0: none).
static void row(const char* name, const QByteArray& command, int length, const QByteArray& begins,
                int pos = 0, int code = 0, double expected = 0.0) {
    QTest::newRow(name) << command << length << begins << pos << code << expected;
}

class tst_MeterModel : public QObject {
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
        row("master erase", "MR,1", 3, "OK\n");
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
        s.velocityMean = 3.0;
        s.velocitySwing = 0.0;
        s.lrnState = 3;
        s.lrnFlags = 64;
        s.remoteZeroApplied = true;
        s.totalizer = 98765.5;
        s.totalizerEnabled = 0;
        s.clockBase = QDateTime(QDate(2000, 2, 28), QTime(23, 59, 50), Qt::UTC);
        MeterModel m(s);
        const QByteArray r = exchange(m, "FD,0,1", 20000);
        QCOMPARE(r.size(), 38);
        QCOMPARE(Stringtofloat(r.mid(7, 4)), 3.0f);
        QCOMPARE(int(quint8(r[19])), 3);
        QCOMPARE(int(quint8(r[22])), 128 + 64); // remote zero and the learn flags
        // Hour, minute, second, month, day, year - 1900, past midnight.
        QCOMPARE(r.mid(23, 6).toHex(), QByteArray("00000a021d64"));
        // A switched-off totalizer holds its count while the flow runs.
        QCOMPARE(RawToDouble(r.mid(29, 8)), 98765.5);
    }

    void setCommandsChangeState() {
        MeterState s;
        s.unitType = 4;
        s.serial = "777";
        s.totalizer = 5000.0;
        MeterModel m(s); // the factory state, but for what follows
        m.state().damping = 99;
        m.state().flowVolumeUnit = 4;
        // The totalizer reset clears the count and nothing else.
        QCOMPARE(exchange(m, "GT,1", 1000), QByteArray("OK\n"));
        QCOMPARE(RawToDouble(exchange(m, "FD,0,1", 1000).mid(29, 8)), 0.0);
        QCOMPARE(RawToInt(exchange(m, "CC,0,", 1000).mid(9, 2)), qint16(99));
        // The erase brings back the defaults, keeps the identity and restarts the learn.
        QCOMPARE(exchange(m, "MR,1", 5000), QByteArray("OK\n"));
        const QByteArray cc = exchange(m, "CC,0,", 5000);
        QCOMPARE(int(quint8(cc[30])), 0);
        QCOMPARE(RawToInt(cc.mid(9, 2)), qint16(10));
        QCOMPARE(exchange(m, "VR,0", 5000), QByteArray("VR,V1.95,777\n"));
        QCOMPARE(int(quint8(exchange(m, "FD,0,1", 5100)[19])), 0);
    }

    void faults_data() {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QByteArrayList>("commands");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<bool>("lineDown");
        const auto row = [](const char* name, const QStringList& switches,
                            const QByteArrayList& commands, const QByteArrayList& replies,
                            bool lineDown = false) {
            QTest::newRow(name) << switches << commands << replies << lineDown;
        };
        const QByteArray vt = "VT,5\n", recErr = "RecErr      \r\n", badOp = "Bad OPCode \n";
        row("silent", {"silent"}, {"VT,0", "VR,0"}, {"", ""});
        row("silent once, Bad OP once", {"silent:1", "badop:1"}, {"VT,0", "VT,0", "VT,0"},
            {"", badOp, vt});
        row("RecErr skips binary reads", {"recerr:2"}, {"VT,0", "XD,9", "GT,1", "VT,0"},
            {recErr, badOp, recErr, vt});
        row("short VT", {"short:vt"}, {"VT,0", "VR,0", "VT,0"},
            {"VT,5", "VR,V1.95,12345\n", "VT,5"});
        row("corrupt the middle", {"corrupt:1"}, {"VT,0", "VT,0"},
            {"VT\xd3"
             "5\n",
             vt});
        row("corrupt the first byte twice", {"corrupt:2:0"}, {"VT,0", "GT,1", "VT,0"},
            {"\xa9T,5\n", "\xb0K\n", vt});
        row("never OK", {"never-ok"}, {"GT,1", "VT,0"}, {"NO\n", vt});
        row("hang up after one", {"hangup:1"}, {"VT,0", "VT,0"}, {vt, ""}, true);
        row("hang up", {"hangup"}, {"VT,0"}, {""}, true);
    }

    void faults() {
        QFETCH(QStringList, switches);
        QFETCH(QByteArrayList, commands);
        QFETCH(QByteArrayList, replies);
        MeterModel m;
        for (const QString& fault : switches)
            QVERIFY(FaultSwitch::apply(fault, m.faults()));
        qint64 t = 0;
        for (int i = 0; i < commands.size(); ++i, t += Later)
            QCOMPARE(exchange(m, commands[i], t).toHex(' '), replies[i].toHex(' '));
        QTEST(m.lineDown(t), "lineDown");
        QCOMPARE(m.received().size(), commands.size());
    }

    void stallPausesMidReply() {
        MeterModel m;
        QVERIFY(FaultSwitch::apply("stall:400", m.faults()));
        m.receive("VT,0\n", 0);
        // 2 ms turnaround, 0.52 ms a byte at 19200 baud; the pause comes after
        // the first two of the five bytes.
        QCOMPARE(m.takeBytesUntil(300), QByteArray("VT"));
        QCOMPARE(m.nextByteTime(), std::optional<qint64>(404));
        QCOMPARE(m.takeBytesUntil(403), QByteArray());
        QCOMPARE(m.takeBytesUntil(405), QByteArray(",5\n"));
        // Only the next reply stalls.
        m.receive("VT,0\n", 1000);
        QCOMPARE(m.takeBytesUntil(1005), QByteArray("VT,5\n"));
    }

    void framing_data() {
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QByteArray>("replies");
        const auto row = [](const char* name, const QByteArrayList& writes, const char* replies) {
            QTest::newRow(name) << writes << QByteArray(replies);
        };
        row("flush drops a partial command", {"VT,", "\x1b\rVR,0\n"}, "VR,V1.95,12345\n");
        row("split, CR before LF", {"V", "T,", "0\r\n"}, "VT,5\n");
        row("two in one write", {"VT,0\nGT,1\n"}, "VT,5\nOK\n");
        row("empty lines are ignored", {"\n\n\x1b\r\n"}, "");
        row("lower case is unknown", {"vt,0\n"}, "Bad OPCode \n");
        // A raw argument is read by count, whatever its bytes.
        row("raw line feeds", {"\x1b\rZB,1,\n\n\nVT,0\n"}, "OK\n0a0a\nVT,5\n");
        row("raw escape and return", {"ZB,1,\x1b\r\n"}, "OK\n1b0d\n");
    }

    void framing() {
        QFETCH(QByteArrayList, writes);
        MeterModel m;
        m.addCommand({"ZB,1,", 2, false, [](MeterModel&, const QByteArray& args, qint64) {
                          return "OK\n" + args.toHex() + "\n";
                      }});
        qint64 t = 0;
        for (const QByteArray& w : writes)
            m.receive(w, t++);
        QTEST(m.takeBytesUntil(Later), "replies");
        QVERIFY(!m.nextByteTime());
    }
};

QTEST_GUILESS_MAIN(tst_MeterModel)
#include "tst_metermodel.moc"
