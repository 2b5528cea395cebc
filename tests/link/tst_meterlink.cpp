// The meter link against a scripted port on the virtual clock: the bytes
// written, what each call returns and what it leaves in the link state.
#include "link/MeterLink.h"
#include "link/VirtualWaiter.h"

#include "ScriptedPort.h"
#include "ScriptedPrompts.h"

#include <QtTest>

namespace {

const QByteArray Flush = QByteArrayLiteral("\x1b\r");
// A 38-byte flow-data record: opcode, filler, line feed in the last byte.
const QByteArray Fd38 = QByteArray("FD") + QByteArray(35, 'A') + '\n';
const QByteArray RecErr14 = QByteArrayLiteral("RecErr      \r\n");
const QByteArray BadOpcode12 = QByteArrayLiteral("Bad OPCode \n");

struct Rig {
    VirtualWaiter waiter;
    ScriptedPort port{waiter};
    ScriptedPrompts prompts;
    MeterLink link{port, waiter, prompts};
    LinkState& st = link.state();
};

ScriptedPort::Reply whole(const QByteArray& bytes) {
    ScriptedPort::Reply r(bytes);
    r.whole = true;
    return r;
}

QByteArray times(int n, const QByteArray& bytes) {
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += bytes;
    return out;
}

} // namespace

class TestMeterLink : public QObject {
    Q_OBJECT
private slots:
    void sendCommand_data();
    void sendCommand();
    void readComm_data();
    void readComm();
    void errorWords_data();
    void errorWords();
    void extraByteGoesWithTheNextFlush();
    void nestedExchangeIsRefused_data();
    void nestedExchangeIsRefused();
    void deadPortEndsTheWait_data();
    void deadPortEndsTheWait();
    void sendShortCommand_data();
    void sendShortCommand();
    void sendUntilOk_data();
    void sendUntilOk();
};

void TestMeterLink::sendCommand_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("inOnePiece");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("sum");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("leftover");
    QTest::addColumn<qint64>("endTime");
    QTest::addColumn<int>("timeouts");

    const QByteArray fd = "FD,0,1\n";
    const QByteArray vr = "VR,0\n";
    QTest::newRow("binary of exactly length") << fd << 3 << 38 << Fd38 << false << Fd38 << Fd38 << 0
                                              << 2423 << Flush + fd << 0 << qint64(27) << 0;
    QTest::newRow("mode 3, length + 1: the extra byte stays")
        << fd << 3 << 38 << Fd38 + 'Z' << true << Fd38 << Fd38 << 0 << 2423 << Flush + fd << 1
        << qint64(27) << 0;
    QTest::newRow("mode 2, length + 1: the extra byte is cut")
        << fd << 2 << 38 << Fd38 + 'Z' << true << Fd38 << Fd38 << 0 << 2513 << Flush + fd << 0
        << qint64(27) << 0;
    QTest::newRow("line with CR LF keeps the CR")
        << vr << 0 << 16 << QByteArray("VR,V1.95,12345\r\n") << false
        << QByteArray("VR,V1.95,12345\r") << QByteArray() << 0 << 0 << Flush + vr << 0 << qint64(14)
        << 0;
    QTest::newRow("line mode drops what follows the line")
        << QByteArray("SC,0,\n") << 1 << 6 << QByteArray("AB\nCD\n") << true << QByteArray("AB")
        << QByteArray() << 0 << 0 << Flush + "SC,0,\n"
        << 0 << qint64(10) << 0;
    QTest::newRow("12-byte short reply in a line mode: one write, Bad OP seen")
        << vr << 0 << 16 << BadOpcode12 << false << QByteArray("Bad OPCode ") << QByteArray() << 2
        << 0 << Flush + vr << 0 << qint64(850) << 0;
    QTest::newRow("14-byte short reply in a binary mode is data")
        << fd << 2 << 38 << RecErr14 << false << RecErr14 << RecErr14 << 0 << 794 << Flush + fd << 0
        << qint64(850) << 0;
    QTest::newRow("2-byte short reply: binary read times out with what came")
        << fd << 3 << 5 << QByteArray("OK") << false << QByteArray("OK") << QByteArray("OK") << 1
        << 0 << Flush + fd << 0 << qint64(1100) << 0;
    QTest::newRow("silence: three writes, nothing read")
        << fd << 3 << 38 << QByteArray() << false << QByteArray() << QByteArray() << 1 << 0
        << Flush + fd + fd + fd << 0 << qint64(2550) << 1;
    QTest::newRow("5-byte replies are not a short reply")
        << fd << 3 << 38 << QByteArray("ABCD\n") << false << QByteArray() << QByteArray() << 1 << 0
        << Flush + fd + fd + fd << 5 << qint64(2550) << 1;

    const QByteArray block = QByteArray("S") + QByteArray(538, 'b') + "E";
    QTest::newRow("561-byte diagnostic reply gives its last 540 bytes")
        << QByteArray("XD,1\n") << 2 << 561 << QByteArray(21, 'h') + block << false << block
        << QByteArray(21, 'h') + block << 0 << 55060 << Flush + "XD,1\n"
        << 0 << qint64(298) << 0;
}

void TestMeterLink::sendCommand() {
    QFETCH(QByteArray, command);
    QFETCH(int, mode);
    QFETCH(int, length);
    QFETCH(QByteArray, reply);
    QFETCH(bool, inOnePiece);
    Rig rig;
    if (!reply.isEmpty()) {
        ScriptedPort::Reply r(reply);
        r.whole = inOnePiece;
        rig.port.setReplies(command, {r});
    }

    const QByteArray got = rig.link.SendCommand(command, mode, length);

    QTEST(got, "result");
    QTEST(rig.st.RawReply, "raw");
    QTEST(int(rig.st.ReplyStatus), "status");
    QTEST(int(rig.st.ReplyByteSum), "sum");
    QTEST(rig.port.written(), "written");
    QTEST(rig.port.bytesWaiting(), "leftover");
    QTEST(rig.waiter.now(), "endTime");
    QTEST(int(rig.st.ReplyTimeouts), "timeouts");
    QCOMPARE(rig.st.LastCommand, command);
    QVERIFY(!rig.st.CommBusy);
    QVERIFY(!rig.link.exchangeInProgress());
}

void TestMeterLink::readComm_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<qint64>("firstAt");
    QTest::addColumn<bool>("firstWhole");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<qint64>("secondAt");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("sum");
    QTest::addColumn<int>("leftover");
    QTest::addColumn<qint64>("endTime");

    const QByteArray none;
    QTest::newRow("-1: CR LF line, CR kept")
        << -1 << QByteArray("AB\r\n") << qint64(0) << false << none << qint64(0)
        << QByteArray("AB\r") << none << 0 << 0 << 0 << qint64(3);
    QTest::newRow("-1: a line feed with bytes after it does not end the line")
        << -1 << QByteArray("AB\nCD\n") << qint64(5) << true << none << qint64(0)
        << QByteArray("AB\nCD") << none << 0 << 0 << 0 << qint64(9);
    QTest::newRow("0: the first line feed ends the line, the rest stays")
        << 0 << QByteArray("AB\nCD\n") << qint64(5) << true << none << qint64(0) << QByteArray("AB")
        << none << 0 << 0 << 3 << qint64(9);
    QTest::newRow("-1: a 400 ms stall ends the line after 350 ms")
        << -1 << QByteArray("AB") << qint64(10) << false << QByteArray("C\n") << qint64(412)
        << QByteArray("AB") << none << 1 << 0 << 0 << qint64(362);
    QTest::newRow("0: a 400 ms stall is within 800 ms")
        << 0 << QByteArray("AB") << qint64(10) << false << QByteArray("C\n") << qint64(412)
        << QByteArray("ABC") << none << 0 << 0 << 0 << qint64(414);
    QTest::newRow("0: a 900 ms stall ends the line after 800 ms")
        << 0 << QByteArray("AB") << qint64(10) << false << QByteArray("C\n") << qint64(912)
        << QByteArray("AB") << none << 1 << 0 << 0 << qint64(812);
    QTest::newRow("0: no first byte within 250 ms")
        << 0 << QByteArray("X\n") << qint64(300) << false << none << qint64(0) << none << none << 1
        << 0 << 0 << qint64(250);
    QTest::newRow("0: Bad OP in a line")
        << 0 << QByteArray("Bad OP\n") << qint64(0) << false << none << qint64(0)
        << QByteArray("Bad OP") << none << 2 << 0 << 0 << qint64(4);
    QTest::newRow("5: all five bytes in time, summed")
        << 5 << QByteArray("12345") << qint64(0) << false << none << qint64(0)
        << QByteArray("12345") << QByteArray("12345") << 0 << 255 << 0 << qint64(3);
    QTest::newRow("5: three bytes only, taken unsummed after 250 ms")
        << 5 << QByteArray("123") << qint64(0) << false << none << qint64(0) << QByteArray("123")
        << QByteArray("123") << 1 << 0 << 0 << qint64(250);
    QTest::newRow("5: more than five waiting, the rest stays")
        << 5 << QByteArray("1234567") << qint64(0) << true << none << qint64(0)
        << QByteArray("12345") << QByteArray("12345") << 0 << 255 << 2 << qint64(4);
    QTest::newRow("-2: everything that came in 250 ms")
        << -2 << QByteArray("abcd") << qint64(0) << false << QByteArray("late") << qint64(260)
        << QByteArray("abcd") << QByteArray("abcd") << 1 << 0 << 0 << qint64(250);
    QTest::newRow("6: Bad OP in a binary read")
        << 6 << QByteArray("Bad OP") << qint64(0) << false << none << qint64(0)
        << QByteArray("Bad OP") << QByteArray("Bad OP") << 2 << 454 << 0 << qint64(4);
}

void TestMeterLink::readComm() {
    QFETCH(int, count);
    QFETCH(QByteArray, first);
    QFETCH(qint64, firstAt);
    QFETCH(bool, firstWhole);
    QFETCH(QByteArray, second);
    QFETCH(qint64, secondAt);
    Rig rig;
    rig.st.RawReply = "stale";
    rig.st.ReplyStatus = 2;
    rig.port.deliver(first, firstAt, firstWhole);
    if (!second.isEmpty())
        rig.port.deliver(second, secondAt);

    const QByteArray got = rig.link.ReadComm(count);

    QTEST(got, "result");
    QTEST(rig.st.RawReply, "raw");
    QTEST(int(rig.st.ReplyStatus), "status");
    QTEST(int(rig.st.ReplyByteSum), "sum");
    QTEST(rig.port.bytesWaiting(), "leftover");
    QTEST(rig.waiter.now(), "endTime");
    QVERIFY(rig.port.writes.isEmpty());
}

void TestMeterLink::errorWords_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<qint64>("endTime");
    QTest::addColumn<int>("timeouts");

    const QByteArray vr = "VR,0\n";
    const QByteArray fd = "FD,0,1\n";
    QTest::newRow("RecErr in a line reply repeats the exchange")
        << vr << 0 << 15 << QByteArrayList{RecErr14, "VR,V1.95,12345\n"}
        << QByteArray("VR,V1.95,12345") << 0 << times(2, Flush + vr) << qint64(864) << 0;
    QTest::newRow("Bad OP in a binary reply repeats the exchange")
        << fd << 2 << 38 << QByteArrayList{BadOpcode12, Fd38} << Fd38 << 0 << times(2, Flush + fd)
        << qint64(877) << 0;
    QTest::newRow("RecErr for ever: five repeats, then nothing")
        << vr << 0 << 15 << QByteArrayList{RecErr14} << QByteArray() << 1 << times(6, Flush + vr)
        << qint64(5100) << 1;
    QTest::newRow("Bad OP for ever: five repeats, then nothing")
        << fd << 3 << 38 << QByteArrayList{BadOpcode12} << QByteArray() << 2 << times(6, Flush + fd)
        << qint64(6600) << 1;
}

void TestMeterLink::errorWords() {
    QFETCH(QByteArray, command);
    QFETCH(int, mode);
    QFETCH(int, length);
    QFETCH(QByteArrayList, replies);
    Rig rig;
    QList<ScriptedPort::Reply> script;
    for (const QByteArray& r : replies)
        script << whole(r);
    rig.port.setReplies(command, script);

    const QByteArray got = rig.link.SendCommand(command, mode, length);

    QTEST(got, "result");
    QTEST(int(rig.st.ReplyStatus), "status");
    QTEST(rig.port.written(), "written");
    QTEST(rig.waiter.now(), "endTime");
    QTEST(int(rig.st.ReplyTimeouts), "timeouts");
    QVERIFY(!rig.st.CommBusy);
}

void TestMeterLink::extraByteGoesWithTheNextFlush() {
    Rig rig;
    rig.port.setReplies("FD,0,1", {whole(Fd38 + 'Z')});
    rig.port.setReplies("FD,0,2", {whole(QByteArray("FD") + QByteArray(35, 'B') + '\n')});
    QCOMPARE(rig.link.SendCommand("FD,0,1\n", 3, 38), Fd38);
    QCOMPARE(rig.port.bytesWaiting(), 1);

    const QByteArray second = rig.link.SendCommand("FD,0,2\n", 3, 38);

    QCOMPARE(second, QByteArray("FD") + QByteArray(35, 'B') + '\n');
    QCOMPARE(int(rig.st.ReplyStatus), 0);
    QCOMPARE(rig.port.bytesWaiting(), 0);
}

void TestMeterLink::nestedExchangeIsRefused_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("busyPrompts");
    QTest::newRow("SendCommand") << "SendCommand" << 0;
    QTest::newRow("SendShortCommand") << "SendShortCommand" << 0;
    QTest::newRow("ReadComm") << "ReadComm" << 0;
    QTest::newRow("writeDirect") << "writeDirect" << 0;
    QTest::newRow("SendUntilOk") << "SendUntilOk" << 1;
}

void TestMeterLink::nestedExchangeIsRefused() {
    QFETCH(QString, call);
    QFETCH(int, busyPrompts);
    Rig rig;
    rig.port.setReplies("FD,0,1", {ScriptedPort::Reply(Fd38, 100)});
    rig.port.setReply("LM,1,5", "OK\n");

    // A handler that runs during the outer exchange's wait and tries to talk.
    bool ran = false;
    QByteArray nestedResult = "untouched";
    int statusInside = -1;
    int writesBefore = 0, writesAfter = 0;
    rig.waiter.onYield = [&] {
        if (ran || rig.waiter.now() < 50)
            return;
        ran = true;
        writesBefore = int(rig.port.writes.size());
        if (call == "SendCommand")
            nestedResult = rig.link.SendCommand("SC,0,\n", 1, 189);
        else if (call == "SendShortCommand")
            nestedResult = rig.link.SendShortCommand("LM,1,5\n");
        else if (call == "ReadComm")
            nestedResult = rig.link.ReadComm(0);
        else if (call == "writeDirect")
            nestedResult = rig.link.writeDirect("VT,0\n") ? "written" : "";
        else
            nestedResult = rig.link.SendUntilOk("LM,1,5") ? "ok" : "";
        statusInside = rig.st.ReplyStatus;
        writesAfter = int(rig.port.writes.size());
    };

    const QByteArray outer = rig.link.SendCommand("FD,0,1\n", 3, 38);

    QVERIFY(ran);
    QCOMPARE(nestedResult, QByteArray());
    QCOMPARE(writesAfter, writesBefore);
    if (call != "writeDirect" && call != "SendUntilOk")
        QCOMPARE(statusInside, 1);
    QCOMPARE(outer, Fd38);
    QCOMPARE(int(rig.st.ReplyStatus), 0);
    QCOMPARE(rig.port.written(), Flush + "FD,0,1\n");
    QCOMPARE(int(rig.prompts.shown.size()), busyPrompts);
    if (busyPrompts)
        QCOMPARE(rig.prompts.shown[0].text,
                 QString("The setting \"LM,1,5\" was not sent because the meter was busy with "
                         "another exchange. Please try again."));
}

void TestMeterLink::deadPortEndsTheWait_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<qint64>("endTime");
    QTest::addColumn<QStringList>("prompts");

    const QByteArray fd = "FD,0,1\n";
    QTest::newRow("SendCommand, port fails while waiting")
        << "SendCommand" << qint64(100) << Flush + fd << qint64(100) << QStringList();
    QTest::newRow("SendCommand, port already closed")
        << "SendCommand" << qint64(0) << QByteArray() << qint64(0) << QStringList();
    QTest::newRow("ReadComm line, port fails while waiting")
        << "ReadComm" << qint64(100) << QByteArray() << qint64(100) << QStringList();
    QTest::newRow("SendShortCommand, port fails while waiting")
        << "SendShortCommand" << qint64(100) << Flush + "LM,1,5\n"
        << qint64(100) << QStringList();
    QTest::newRow("SendUntilOk, port fails while waiting")
        << "SendUntilOk" << qint64(100) << Flush + "LM,1,5\n"
        << qint64(100)
        << QStringList{"The setting \"LM,1,5\" was not sent because the serial port is not "
                       "open. Connect to the meter from the Comm menu and try again."};
}

void TestMeterLink::deadPortEndsTheWait() {
    QFETCH(QString, call);
    QFETCH(qint64, failAt);
    Rig rig;
    int failures = 0;
    QObject::connect(&rig.port, &SerialPort::failed, [&] { ++failures; });
    rig.port.failAt(failAt, "The adapter was unplugged.");

    QByteArray got = "untouched";
    if (call == "SendCommand")
        got = rig.link.SendCommand("FD,0,1\n", 3, 38);
    else if (call == "ReadComm")
        got = rig.link.ReadComm(0);
    else if (call == "SendShortCommand")
        got = rig.link.SendShortCommand("LM,1,5\n");
    else
        got = rig.link.SendUntilOk("LM,1,5") ? "ok" : "";

    QCOMPARE(got, QByteArray());
    QCOMPARE(failures, 1);
    QVERIFY(!rig.port.isOpen());
    QTEST(rig.port.written(), "written");
    QTEST(rig.waiter.now(), "endTime");
    QTEST(rig.prompts.texts(), "prompts");
    if (call != "SendShortCommand")
        QVERIFY(!rig.st.CommBusy);
    if (call != "SendUntilOk")
        QCOMPARE(int(rig.st.ReplyStatus), 1);
}

void TestMeterLink::sendShortCommand_data() {
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("writes");
    QTest::addColumn<qint64>("endTime");

    QTest::newRow("OK at once") << QByteArrayList{"OK\n"} << QByteArray("OK\n")
                                << QByteArray("OK\n") << 1 << qint64(9);
    QTest::newRow("silent meter: five writes, nothing")
        << QByteArrayList{} << QByteArray() << QByteArray() << 5 << qint64(1250);
    QTest::newRow("Bad OPCode: its first three bytes end it")
        << QByteArrayList{BadOpcode12} << QByteArray("Bad") << QByteArray("Bad") << 1 << qint64(9);
    QTest::newRow("first answer lost: the line reads leave RawReply empty")
        << QByteArrayList{"", "OK\n"} << QByteArray("OK") << QByteArray() << 5 << qint64(286);
}

void TestMeterLink::sendShortCommand() {
    QFETCH(QByteArrayList, replies);
    Rig rig;
    QList<ScriptedPort::Reply> script;
    for (const QByteArray& r : replies)
        script << ScriptedPort::Reply(r);
    if (!script.isEmpty())
        rig.port.setReplies("LM,1,5", script);

    const QByteArray got = rig.link.SendShortCommand("LM,1,5\n");

    QTEST(got, "result");
    QTEST(rig.st.RawReply, "raw");
    QFETCH(int, writes);
    QCOMPARE(rig.port.written(), times(writes, Flush + "LM,1,5\n"));
    QTEST(rig.waiter.now(), "endTime");
    QCOMPARE(rig.st.CurrentCommand, QByteArray("LM,1,5\n"));
    QCOMPARE(rig.st.LastCommand, QByteArray("LM,1,5\n"));
    QVERIFY(rig.st.CommBusy);
}

void TestMeterLink::sendUntilOk_data() {
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<qint64>("busyUntil");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("commandWrites");
    QTest::addColumn<qint64>("firstWriteAt");
    QTest::addColumn<QStringList>("prompts");

    const QString never = "The meter did not acknowledge the setting \"LM,1,5\" after 10 tries, "
                          "so it may not have been changed. Check the connection to the meter "
                          "and try again.";
    const QString busy = "The setting \"LM,1,5\" was not sent because the meter was busy with "
                         "another exchange. Please try again.";
    QTest::newRow("OK at once") << QByteArrayList{"OK\n"} << qint64(0) << true << 1 << qint64(0)
                                << QStringList();
    QTest::newRow("Bad OPCode, then OK") << QByteArrayList{BadOpcode12, "OK\n"} << qint64(0) << true
                                         << 2 << qint64(0) << QStringList();
    QTest::newRow("silent meter: ten sends of five writes, told once")
        << QByteArrayList{} << qint64(0) << false << 50 << qint64(0) << QStringList{never};
    QTest::newRow("RecErr every time: ten sends, told once")
        << QByteArrayList{RecErr14} << qint64(0) << false << 10 << qint64(0) << QStringList{never};
    QTest::newRow("stale CommBusy cleared by the polling watchdog")
        << QByteArrayList{"OK\n"} << qint64(15000) << true << 1 << qint64(15000) << QStringList();
    QTest::newRow("CommBusy that never clears: nothing sent")
        << QByteArrayList{"OK\n"} << qint64(99000) << false << 0 << qint64(-1) << QStringList{busy};
}

void TestMeterLink::sendUntilOk() {
    QFETCH(QByteArrayList, replies);
    QFETCH(qint64, busyUntil);
    Rig rig;
    QList<ScriptedPort::Reply> script;
    for (const QByteArray& r : replies)
        script << whole(r);
    if (!script.isEmpty())
        rig.port.setReplies("LM,1,5", script);
    // Stands in for the polling cycle clearing a stale flag at busyUntil.
    if (busyUntil > 0) {
        rig.st.CommBusy = true;
        rig.waiter.addSource([&]() -> std::optional<qint64> {
            return rig.waiter.now() < busyUntil ? std::optional<qint64>(busyUntil) : std::nullopt;
        });
        rig.waiter.onYield = [&] {
            if (rig.waiter.now() >= busyUntil)
                rig.st.CommBusy = false;
        };
    }

    const bool ok = rig.link.SendUntilOk("LM,1,5");

    QTEST(ok, "ok");
    QTEST(rig.port.countWrites("LM,1,5\n"), "commandWrites");
    QTEST(rig.port.writes.isEmpty() ? qint64(-1) : rig.port.writes.first().time, "firstWriteAt");
    QTEST(rig.prompts.texts(), "prompts");
    for (const ScriptedPrompts::Shown& s : rig.prompts.shown) {
        QCOMPARE(s.icon, Prompts::Icon::Exclamation);
        QCOMPARE(s.buttons, Prompts::Buttons::Ok);
    }
    if (busyUntil < 99000)
        QVERIFY(!rig.st.CommBusy);
}

QTEST_GUILESS_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
