// The in-process port over the simulated meter on the virtual clock, and the
// meter link's exchanges through it under the meter's faults.

#include "FaultSwitch.h"
#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"
#include "link/MeterLink.h"

#include <QtTest>

struct Rig {
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port{m, w};
};

class tst_SimPort : public QObject {
    Q_OBJECT
private slots:
    // The port refuses what a real one refuses; the dialog tests rely on it.
    void refusals() {
        Rig r;
        QVERIFY(!r.port.setSettings("19200,n,9,1") && !r.port.errorString().isEmpty());
        QVERIFY(!r.port.write("VT,0\n")); // not while closed
        QVERIFY(r.port.open() && !r.port.open());
        QVERIFY(!r.port.setPortNumber(3)); // not while open
        QVERIFY(r.m.received().isEmpty());
    }

    void bytesArriveAtWireTime() {
        // 38 bytes after a 2 ms turnaround, 10 bits a byte: settings, a time,
        // the bytes in by then, and when the last one is in.
        const struct {
            const char* settings;
            qint64 at;
            int waiting;
            qint64 allIn;
        } rows[] = {{"19200,n,8,1", 2, 0, 22},
                    {"19200,n,8,1", 3, 1, 22},
                    {"19200,n,8,1", 21, 36, 22},
                    {"9600,n,8,1", 41, 37, 42}};
        const QByteArray record = MeterModel().flowDataRecord(0);
        for (const auto& row : rows) {
            Rig r;
            QVERIFY(r.port.setSettings(row.settings) && r.port.open());
            QVERIFY(r.port.write("\x1b\rFD,0,1\n"));
            r.w.advanceTo(row.at);
            QCOMPARE(r.port.bytesWaiting(), row.waiting);
            // Discarding drops what has arrived, not what is still on the wire.
            r.port.discardInput();
            QVERIFY(r.w.waitUntil([&] { return r.port.bytesWaiting() == 38 - row.waiting; }, 1000));
            QCOMPARE(r.w.now(), row.allIn);
            QCOMPARE(r.port.readByte(), int(quint8(record[row.waiting])));
        }
    }

    // Each repeat starts from an empty input, so a reply one byte short and the
    // first byte of the repeat's reply never make up a misframed record.
    void replyOneByteShort() {
        Rig r;
        ScriptedPrompts prompts;
        MeterLink link(r.port, r.w, prompts);
        QVERIFY(r.port.open());
        QVERIFY(FaultSwitch::apply("short:FD", r.m.faults()));
        QCOMPARE(link.SendCommand("FD,0,1\n", 3, 38), QByteArray());
        QCOMPARE(r.m.received().size(), 3);
        QVERIFY(prompts.shown.isEmpty());
        // The meter heard nothing but flush prefixes and the command.
        QCOMPARE(r.port.written(), ("\x1b\rFD,0,1\n" + QByteArray("FD,0,1\n").repeated(2)));
    }
};

QTEST_GUILESS_MAIN(tst_SimPort)
#include "tst_simport.moc"
