// The in-process port over the simulated meter on the virtual clock, and the
// meter link's exchanges through it under the meter's faults.

#include "FaultSpec.h"
#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "link/MeterLink.h"
#include "link/VirtualWaiter.h"

#include <QSignalSpy>
#include <QtTest>

class tst_SimPort : public QObject {
    Q_OBJECT
private slots:
    void settingsText_data();
    void settingsText();
    void portOperations();
    void bytesArriveAtWireTime_data();
    void bytesArriveAtWireTime();
    void discardKeepsBytesStillOnTheWire();
    void hangUpClosesOnce_data();
    void hangUpClosesOnce();
    void linkExchanges_data();
    void linkExchanges();
};

void tst_SimPort::settingsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("baud");

    QTest::newRow("default") << "19200,n,8,1" << true << 19200;
    QTest::newRow("capital parity, 1.5 stop bits") << "9600,E,7,1.5" << true << 9600;
    QTest::newRow("mark, two stop bits") << "115200,m,8,2" << true << 115200;
    QTest::newRow("speed not a number") << "fast,n,8,1" << false << 19200;
    QTest::newRow("zero speed") << "0,n,8,1" << false << 19200;
    QTest::newRow("unknown parity") << "19200,x,8,1" << false << 19200;
    QTest::newRow("nine data bits") << "19200,n,9,1" << false << 19200;
    QTest::newRow("three stop bits") << "19200,n,8,3" << false << 19200;
    QTest::newRow("stop bits missing") << "19200,n,8" << false << 19200;
    QTest::newRow("empty") << "" << false << 19200;
}

void tst_SimPort::settingsText() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, baud);
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    QCOMPARE(port.setSettings(text), accepted);
    QCOMPARE(port.settings(), accepted ? text : QString("19200,n,8,1"));
    QCOMPARE(port.errorString().isEmpty(), accepted);
    QCOMPARE(m.baud(), baud);
}

void tst_SimPort::portOperations() {
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    QVERIFY(!port.write("VT,0\n"));
    QVERIFY(port.open());
    QVERIFY(!port.open());
    QVERIFY(!port.setPortNumber(3)); // not while open
    QVERIFY(port.setPortNumber(1));
    QVERIFY(!port.setHandshaking(4));
    QVERIFY(port.setHandshaking(2));
    QCOMPARE(port.handshaking(), 2);
    port.close();
    QVERIFY(port.setPortNumber(16));
    QVERIFY(!port.setPortNumber(17));
    QVERIFY(!port.setPortNumber(0));
    QCOMPARE(port.portNumber(), 16);
    QVERIFY(m.received().isEmpty());
}

void tst_SimPort::bytesArriveAtWireTime_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<qint64>("at");
    QTest::addColumn<int>("waiting");

    // 38 bytes after a 2 ms turnaround, 10 bits a byte.
    QTest::newRow("19200: first byte not yet") << "19200,n,8,1" << qint64(2) << 0;
    QTest::newRow("19200: first byte") << "19200,n,8,1" << qint64(3) << 1;
    QTest::newRow("19200: half") << "19200,n,8,1" << qint64(12) << 19;
    QTest::newRow("19200: all but two") << "19200,n,8,1" << qint64(21) << 36;
    QTest::newRow("19200: all") << "19200,n,8,1" << qint64(22) << 38;
    QTest::newRow("9600: all but the last") << "9600,n,8,1" << qint64(41) << 37;
    QTest::newRow("9600: all") << "9600,n,8,1" << qint64(42) << 38;
}

void tst_SimPort::bytesArriveAtWireTime() {
    QFETCH(QString, settings);
    QFETCH(qint64, at);
    QFETCH(int, waiting);
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    QVERIFY(port.setSettings(settings));
    QVERIFY(port.open());
    QVERIFY(port.write("\x1b\rFD,0,1\n"));
    w.advanceTo(at);
    QCOMPARE(port.bytesWaiting(), waiting);
    // A wait for the whole record ends exactly when its last byte is in.
    QVERIFY(w.waitUntil([&] { return port.bytesWaiting() == 38; }, 1000));
    QCOMPARE(w.now(), settings.startsWith("9600") ? qint64(42) : qint64(22));
    QCOMPARE(port.readByte(), int('F'));
    QCOMPARE(port.bytesWaiting(), 37);
}

void tst_SimPort::discardKeepsBytesStillOnTheWire() {
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    QVERIFY(port.open());
    QVERIFY(port.write("VT,0\n"));
    w.advanceTo(3);
    port.discardInput();
    QCOMPARE(port.bytesWaiting(), 0);
    w.advanceTo(100);
    QCOMPARE(port.bytesWaiting(), 4);
    QCOMPARE(port.readByte(), int('T'));
}

void tst_SimPort::hangUpClosesOnce_data() {
    QTest::addColumn<QString>("spec");
    QTest::addColumn<int>("answered");
    QTest::newRow("at once") << "hangup" << 0;
    QTest::newRow("after two commands") << "hangup:2" << 2;
}

void tst_SimPort::hangUpClosesOnce() {
    QFETCH(QString, spec);
    QFETCH(int, answered);
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    QSignalSpy failed(&port, &SerialPort::failed);
    QVERIFY(port.open());
    QVERIFY(FaultSpec::apply(spec, m.faults()));
    int replies = 0;
    for (int i = 0; i < 4; ++i) {
        port.write("VT,0\n");
        w.waitUntil([&] { return port.bytesWaiting() >= 5; }, w.now() + 100);
        if (port.bytesWaiting() == 5)
            ++replies;
        port.discardInput();
    }
    QCOMPARE(replies, answered);
    QVERIFY(!port.isOpen());
    QCOMPARE(failed.count(), 1);
    QVERIFY(!port.errorString().isEmpty());
    QVERIFY(!port.open());
}

void tst_SimPort::linkExchanges_data() {
    QTest::addColumn<QStringList>("specs");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("resultLength");
    QTest::addColumn<int>("commandsReceived");

    QTest::newRow("flow data") << QStringList{} << QByteArray("FD,0,1\n") << 3 << 38 << 38 << 1;
    QTest::newRow("silent once") << QStringList{"silent:1"} << QByteArray("FD,0,1\n") << 3 << 38
                                 << 38 << 2;
    QTest::newRow("silent") << QStringList{"silent"} << QByteArray("FD,0,1\n") << 3 << 38 << 0 << 3;
    QTest::newRow("Bad OP then answer")
        << QStringList{"badop:1"} << QByteArray("CC,0,\n") << 2 << 71 << 71 << 2;
    QTest::newRow("RecErr on a line read")
        << QStringList{"recerr:1"} << QByteArray("SC,0,\n") << 1 << 189 << 188 << 2;
    QTest::newRow("RecErr spares binary reads")
        << QStringList{"recerr:1"} << QByteArray("LR,0\n") << 2 << 81 << 81 << 1;
    // Each repeat starts from an empty input, so 37 bytes and the first byte
    // of the repeat's reply never make up a misframed 38-byte record.
    QTest::newRow("one byte short")
        << QStringList{"short:FD"} << QByteArray("FD,0,1\n") << 3 << 38 << 0 << 3;
    QTest::newRow("stall within the wait")
        << QStringList{"stall:400"} << QByteArray("FD,0,1\n") << 3 << 38 << 38 << 1;
    QTest::newRow("diagnostic block")
        << QStringList{} << QByteArray("XD,5\n") << 2 << 561 << 540 << 1;
}

void tst_SimPort::linkExchanges() {
    QFETCH(QStringList, specs);
    QFETCH(QByteArray, command);
    QFETCH(int, mode);
    QFETCH(int, length);
    QFETCH(int, resultLength);
    QFETCH(int, commandsReceived);
    MeterModel m;
    VirtualWaiter w;
    SimSerialPort port(m, w);
    ScriptedPrompts prompts;
    MeterLink link(port, w, prompts);
    QVERIFY(port.open());
    for (const QString& spec : specs)
        QVERIFY(FaultSpec::apply(spec, m.faults()));
    const QByteArray result = link.SendCommand(command, mode, length);
    QCOMPARE(result.size(), resultLength);
    QCOMPARE(m.received().size(), commandsReceived);
    for (const MeterModel::Received& r : m.received())
        QCOMPARE(r.command + "\n", command);
    QVERIFY(prompts.shown.isEmpty());
    // The virtual clock makes even three 850 ms waits cost no real time, and
    // the meter heard nothing but flush prefixes and the command.
    QCOMPARE(port.written().count(command), commandsReceived);
}

QTEST_GUILESS_MAIN(tst_SimPort)
#include "tst_simport.moc"
