// The simulated meter's framing and its fault switches, in the text form
// corvane-sim takes them.

#include "FaultSwitch.h"
#include "SimExchange.h"

#include <QtTest>

class tst_MeterFaults : public QObject {
    Q_OBJECT
private slots:
    void faults_data() {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QByteArrayList>("commands");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<bool>("lineDown");

        const QByteArray vt = "VT,5\n";
        const QByteArray recErr = "RecErr      \r\n";
        const QByteArray badOp = "Bad OPCode \n";
        QTest::newRow("silent") << QStringList{"silent"} << QByteArrayList{"VT,0", "VR,0"}
                                << QByteArrayList{"", ""} << false;
        QTest::newRow("silent once, then Bad OP once")
            << QStringList{"silent:1", "badop:1"} << QByteArrayList{"VT,0", "VT,0", "VT,0"}
            << QByteArrayList{"", badOp, vt} << false;
        QTest::newRow("RecErr skips binary reads")
            << QStringList{"recerr:2"} << QByteArrayList{"VT,0", "XD,9", "GT,1", "VT,0"}
            << QByteArrayList{recErr, badOp, recErr, vt} << false;
        QTest::newRow("short VT") << QStringList{"short:vt"}
                                  << QByteArrayList{"VT,0", "VR,0", "VT,0"}
                                  << QByteArrayList{"VT,5", "VR,V1.95,12345\n", "VT,5"} << false;
        QTest::newRow("corrupt the middle")
            << QStringList{"corrupt:1"} << QByteArrayList{"VT,0", "VT,0"}
            << QByteArrayList{QByteArray::fromHex("5654d3350a"), vt} << false;
        QTest::newRow("corrupt the first byte twice")
            << QStringList{"corrupt:2:0"} << QByteArrayList{"VT,0", "GT,1", "VT,0"}
            << QByteArrayList{"\xa9T,5\n", "\xb0K\n", vt} << false;
        QTest::newRow("never OK") << QStringList{"never-ok"} << QByteArrayList{"GT,1", "VT,0"}
                                  << QByteArrayList{"NO\n", vt} << false;
        QTest::newRow("hang up after one")
            << QStringList{"hangup:1"} << QByteArrayList{"VT,0", "VT,0"} << QByteArrayList{vt, ""}
            << true;
        QTest::newRow("hang up") << QStringList{"hangup"} << QByteArrayList{"VT,0"}
                                 << QByteArrayList{""} << true;
    }

    void faults() {
        QFETCH(QStringList, switches);
        QFETCH(QByteArrayList, commands);
        QFETCH(QByteArrayList, replies);
        QFETCH(bool, lineDown);
        MeterModel m;
        for (const QString& fault : switches)
            QVERIFY(FaultSwitch::apply(fault, m.faults()));
        qint64 t = 0;
        for (int i = 0; i < commands.size(); ++i, t += Later)
            QCOMPARE(exchange(m, commands[i], t).toHex(' '), replies[i].toHex(' '));
        QCOMPARE(m.lineDown(t), lineDown);
        QCOMPARE(m.received().size(), commands.size());
    }

    // The diagnostic-block faults, as the bytes of the 561-byte reply show
    // them (the 21-byte header, then the block): changed from the meter's own.
    void blockFaults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("position"); // 1-based in the block
        QTest::addColumn<QByteArray>("faulty");
        QTest::newRow("status not current")
            << "status-invalid" << QByteArray("XR,3") << 511 << QByteArray("00");
        QTest::newRow("range byte 200")
            << "range-byte:200" << QByteArray("XR,2") << 535 << QByteArray("c8");
        QTest::newRow("range byte 0")
            << "range-byte:0" << QByteArray("XR,2") << 535 << QByteArray("00");
        QTest::newRow("zero divisor")
            << "zero-divisor" << QByteArray("XR,1") << 529 << QByteArray("00000000");
        QTest::newRow("dead low frequency")
            << "dead-low" << QByteArray("XD,1") << 1 << QByteArray(1024, '0');
    }
    void blockFaults() {
        QFETCH(QString, fault);
        QFETCH(QByteArray, command);
        QFETCH(int, position);
        QFETCH(QByteArray, faulty);
        MeterModel m;
        const QByteArray plain = exchange(m, command, 0);
        QVERIFY(FaultSwitch::apply(fault, m.faults()));
        const QByteArray changed = exchange(m, command, Later);
        QCOMPARE(plain.size(), 561);
        QCOMPARE(changed.size(), 561);
        const int at = 20 + position;
        const int length = int(faulty.size() / 2);
        QCOMPARE(changed.mid(at, length).toHex(), faulty);
        QVERIFY(plain.mid(at, length).toHex() != faulty);
    }

    void badFaultSwitches() {
        for (const QString fault :
             {"wobble", "silent:x", "badop:0", "recerr", "stall", "short:FDX", "corrupt:1:-2",
              "never-ok:3", "stall:9223372036854775807", "silent:4294967297", "range-byte:256",
              "range-byte", "dead-low:1"}) {
            MeterFaults f;
            QString why;
            QVERIFY2(!FaultSwitch::apply(fault, f, &why), qPrintable(fault));
            QVERIFY(why.contains(fault));
        }
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

        QTest::newRow("flush drops a partial command")
            << QByteArrayList{"VT,", "\x1b\rVR,0\n"} << QByteArray("VR,V1.95,12345\n");
        QTest::newRow("split, CR before LF")
            << QByteArrayList{"V", "T,", "0\r\n"} << QByteArray("VT,5\n");
        QTest::newRow("two in one write")
            << QByteArrayList{"VT,0\nGT,1\n"} << QByteArray("VT,5\nOK\n");
        QTest::newRow("empty lines are ignored") << QByteArrayList{"\n\n\x1b\r\n"} << QByteArray();
        QTest::newRow("lower case is unknown")
            << QByteArrayList{"vt,0\n"} << QByteArray("Bad OPCode \n");
        // A raw argument is read by count, whatever its bytes.
        QTest::newRow("raw line feeds")
            << QByteArrayList{"\x1b\rZB,1,\n\n\nVT,0\n"} << QByteArray("OK\n0a0a\nVT,5\n");
        QTest::newRow("raw escape and return")
            << QByteArrayList{"ZB,1,\x1b\r\n"} << QByteArray("OK\n1b0d\n");
    }

    void framing() {
        QFETCH(QByteArrayList, writes);
        QFETCH(QByteArray, replies);
        MeterModel m;
        m.addCommand({"ZB,1,", 2, false, [](MeterModel&, const QByteArray& args, qint64) {
                          return "OK\n" + args.toHex() + "\n";
                      }});
        qint64 t = 0;
        for (const QByteArray& w : writes)
            m.receive(w, t++);
        QCOMPARE(m.takeBytesUntil(Later), replies);
        QVERIFY(!m.nextByteTime());
    }
};

QTEST_GUILESS_MAIN(tst_MeterFaults)
#include "tst_meterfaults.moc"
