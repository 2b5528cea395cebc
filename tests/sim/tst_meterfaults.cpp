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

    void badFaultSwitches() {
        for (const QString fault :
             {"wobble", "silent:x", "badop:0", "recerr", "stall", "short:FDX", "corrupt:1:-2",
              "never-ok:3", "stall:9223372036854775807", "silent:4294967297"}) {
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

QTEST_GUILESS_MAIN(tst_MeterFaults)
#include "tst_meterfaults.moc"
