// The meter link against a scripted port on the virtual clock: the bytes
// written, what each call returns and what it leaves in the link state.
#include "link/MeterLink.h"
#include "link/VirtualWaiter.h"

#include "ScriptedPort.h"
#include "ScriptedPrompts.h"

#include <QtTest>

namespace {

const QByteArray Flush = QByteArrayLiteral("\x1b\r");
const QByteArray Fd = "FD,0,1\n", Vr = "VR,0\n", Lm = "LM,1,5\n";
// A 38-byte flow-data record: opcode, filler, line feed in the last byte.
const QByteArray Fd38 = QByteArray("FD") + QByteArray(35, 'A') + '\n';
const QByteArray RecErr14 = QByteArrayLiteral("RecErr      \r\n");
const QByteArray BadOpcode12 = QByteArrayLiteral("Bad OPCode \n");
const QString Busy = "The setting \"LM,1,5\" was not sent because the meter was busy with "
                     "another exchange. Please try again.";

struct Rig {
    VirtualWaiter waiter;
    ScriptedPort port{waiter};
    ScriptedPrompts prompts;
    MeterLink link{port, waiter, prompts};
    LinkState& st = link.state();
};

// One SendCommand against scripted replies, and all it should leave behind.
struct Exchange {
    QByteArray command;
    int mode, length;
    QByteArrayList replies;
    bool whole;
    QByteArray result, raw, written;
    int status, sum, leftover;
    qint64 endTime;
    int timeouts = 0;
    QByteArray stale = {}; // bytes already waiting when the exchange starts
};

// One ReadComm of bytes arriving in up to two deliveries (the first maybe whole).
struct Read {
    int count;
    QByteArray first, second;
    qint64 firstAt, secondAt;
    bool firstWhole;
    QByteArray result, raw;
    int status, leftover;
    qint64 endTime;
};

// One SendShortCommand of LM,1,5.
struct Short {
    QByteArrayList replies;
    QByteArray result, raw;
    int writes;
    qint64 endTime;
};

// One SendUntilOk of LM,1,5, with CommBusy held by another until busyUntil.
struct Until {
    QByteArrayList replies;
    qint64 busyUntil;
    int commandWrites;
    qint64 firstWriteAt;
    QStringList prompts;
};

} // namespace

Q_DECLARE_METATYPE(Exchange)
Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(Short)
Q_DECLARE_METATYPE(Until)

class TestMeterLink : public QObject {
    Q_OBJECT
private slots:
    void sendCommand_data() {
        QTest::addColumn<Exchange>("x");
        const QByteArray sc = "SC,0,\n", xd = "XD,1\n", vr = "VR,V1.95,12345";
        const QByteArray block = QByteArray("S") + QByteArray(538, 'b') + "E";
        const QByteArray diag = QByteArray(21, 'h') + block, f = Flush + Fd, v = Flush + Vr;
        QTest::newRow("mode 3, length + 1: the extra byte stays")
            << Exchange{Fd, 3, 38, {Fd38 + 'Z'}, true, Fd38, Fd38, f, 0, 2423, 1, 27};
        QTest::newRow("mode 2, length + 1: the extra byte is cut")
            << Exchange{Fd, 2, 38, {Fd38 + 'Z'}, true, Fd38, Fd38, f, 0, 2513, 0, 27};
        QTest::newRow("a byte left waiting is flushed before the command")
            << Exchange{Fd, 3, 38, {Fd38}, false, Fd38, Fd38, f, 0, 2423, 0, 32, 0, "Z"};
        QTest::newRow("line with CR LF keeps the CR")
            << Exchange{Vr, 0, 16, {vr + "\r\n"}, false, vr + '\r', {}, v, 0, 0, 0, 14};
        QTest::newRow("line mode drops what follows the line")
            << Exchange{sc, 1, 6, {"AB\nCD\n"}, true, "AB", {}, Flush + sc, 0, 0, 0, 10};
        QTest::newRow("12-byte short reply in a line mode: one write, Bad OP seen")
            << Exchange{Vr, 0, 16, {BadOpcode12}, false, "Bad OPCode ", {}, v, 2, 0, 0, 850};
        QTest::newRow("14-byte short reply in a binary mode is data")
            << Exchange{Fd, 2, 38, {RecErr14}, false, RecErr14, RecErr14, f, 0, 794, 0, 850};
        QTest::newRow("2-byte short reply: binary read times out with what came")
            << Exchange{Fd, 3, 5, {"OK"}, false, "OK", "OK", f, 1, 0, 0, 1100};
        QTest::newRow("silence: three writes 850 ms apart, nothing read")
            << Exchange{Fd, 3, 38, {}, false, {}, {}, f + Fd + Fd, 1, 0, 0, 2550, 1};
        QTest::newRow("5-byte replies are not short; each write starts from empty input")
            << Exchange{Fd, 3, 38, {"ABCD\n"}, false, {}, {}, f + Fd + Fd, 1, 0, 5, 2550, 1};
        QTest::newRow("561-byte diagnostic reply gives its last 540 bytes")
            << Exchange{xd, 2, 561, {diag}, false, block, diag, Flush + xd, 0, 55060, 0, 298};
        QTest::newRow("RecErr in a line reply repeats the exchange")
            << Exchange{Vr, 0, 15, {RecErr14, vr + '\n'}, true, vr, {}, v + v, 0, 0, 0, 864};
        QTest::newRow("Bad OP in a binary reply repeats the exchange")
            << Exchange{Fd, 2, 38, {BadOpcode12, Fd38}, true, Fd38, Fd38, f + f, 0, 2423, 0, 877};
        QTest::newRow("RecErr for ever: five repeats, then nothing")
            << Exchange{Vr, 0, 15, {RecErr14}, true, {}, {}, v.repeated(6), 1, 0, 0, 5100, 1};
        QTest::newRow("Bad OP for ever: five repeats, then nothing")
            << Exchange{Fd, 3, 38, {BadOpcode12}, true, {}, {}, f.repeated(6), 2, 0, 0, 6600, 1};
    }

    void sendCommand() {
        QFETCH(Exchange, x);
        Rig rig;
        rig.port.setReplies(x.command, x.replies, x.whole);
        if (!x.stale.isEmpty()) {
            rig.port.deliver(x.stale, 0);
            rig.waiter.advanceTo(5);
        }
        QCOMPARE(rig.link.SendCommand(x.command, x.mode, x.length), x.result);
        QCOMPARE(rig.st.RawReply, x.raw);
        QCOMPARE(rig.port.written(), x.written);
        QCOMPARE(int(rig.st.ReplyStatus), x.status);
        QCOMPARE(int(rig.st.ReplyByteSum), x.sum);
        QCOMPARE(rig.port.bytesWaiting(), x.leftover);
        QCOMPARE(rig.waiter.now(), x.endTime);
        QCOMPARE(int(rig.st.ReplyTimeouts), x.timeouts);
        QCOMPARE(rig.st.LastCommand, x.command);
        QVERIFY(!rig.st.CommBusy);
        QVERIFY(!rig.link.exchangeInProgress());
    }

    void readComm_data() {
        QTest::addColumn<Read>("r");
        QTest::newRow("-1: a line feed with bytes after it does not end the line")
            << Read{-1, "AB\nCD\n", {}, 5, 0, true, "AB\nCD", {}, 0, 0, 9};
        QTest::newRow("0: the first line feed ends the line, the rest stays")
            << Read{0, "AB\nCD\n", {}, 5, 0, true, "AB", {}, 0, 3, 9};
        QTest::newRow("-1: a 400 ms stall ends the line after 350 ms")
            << Read{-1, "AB", "C\n", 10, 412, false, "AB", {}, 1, 0, 362};
        QTest::newRow("0: a 900 ms stall ends the line after 800 ms")
            << Read{0, "AB", "C\n", 10, 912, false, "AB", {}, 1, 0, 812};
        QTest::newRow("0: no first byte within 250 ms")
            << Read{0, "X\n", {}, 300, 0, false, {}, {}, 1, 0, 250};
        QTest::newRow("5: three bytes only, taken unsummed after 250 ms")
            << Read{5, "123", {}, 0, 0, false, "123", "123", 1, 0, 250};
        QTest::newRow("-2: everything that came in 250 ms")
            << Read{-2, "abcd", "late", 0, 260, false, "abcd", "abcd", 1, 0, 250};
    }

    void readComm() {
        QFETCH(Read, r);
        Rig rig;
        rig.st.RawReply = "stale";
        rig.st.ReplyStatus = 2;
        rig.st.ReplyByteSum = 7;
        rig.port.deliver(r.first, r.firstAt, r.firstWhole);
        rig.port.deliver(r.second, r.secondAt);
        QCOMPARE(rig.link.ReadComm(r.count), r.result);
        QCOMPARE(rig.st.RawReply, r.raw);
        QCOMPARE(int(rig.st.ReplyStatus), r.status);
        QCOMPARE(int(rig.st.ReplyByteSum), 0);
        QCOMPARE(rig.port.bytesWaiting(), r.leftover);
        QCOMPARE(rig.waiter.now(), r.endTime);
        QVERIFY(rig.port.writes.isEmpty());
    }

    void nestedExchangeIsRefused() {
        Rig rig;
        rig.port.setReplies(Fd, {Fd38}, false, 100);
        rig.port.setReplies(Lm, {"OK\n"});
        // A handler that runs during the outer exchange's wait and tries to talk.
        bool ran = false;
        rig.waiter.onYield = [&] {
            if (ran || rig.waiter.now() < 50)
                return;
            ran = true;
            // A refused read returns nothing and reports a failed reply.
            QCOMPARE(rig.link.SendCommand("SC,0,\n", 1, 189), QByteArray());
            QCOMPARE(std::exchange(rig.st.ReplyStatus, 0), 1);
            QCOMPARE(rig.link.SendShortCommand(Lm), QByteArray());
            QCOMPARE(std::exchange(rig.st.ReplyStatus, 0), 1);
            QCOMPARE(rig.link.ReadComm(0), QByteArray());
            QCOMPARE(rig.st.ReplyStatus, 1);
            QVERIFY(!rig.link.writeDirect("VT,0\n"));
            QVERIFY(!rig.link.SendUntilOk("LM,1,5"));
        };
        QCOMPARE(rig.link.SendCommand(Fd, 3, 38), Fd38);
        QVERIFY(ran);
        QCOMPARE(int(rig.st.ReplyStatus), 0);
        QCOMPARE(rig.port.written(), Flush + Fd);
        QCOMPARE(rig.waiter.now(), qint64(125));
        QCOMPARE(rig.prompts.texts(), QStringList{Busy});
    }

    void deadPortEndsTheWait_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("SendCommand, port fails while waiting")
            << "SendCommand" << qint64(100) << Flush + Fd << QStringList();
        QTest::newRow("SendCommand, port already closed")
            << "SendCommand" << qint64(0) << QByteArray() << QStringList();
        QTest::newRow("ReadComm") << "ReadComm" << qint64(100) << QByteArray() << QStringList();
        QTest::newRow("SendUntilOk")
            << "SendUntilOk" << qint64(100) << Flush + Lm
            << QStringList{"The setting \"LM,1,5\" was not sent because the serial port is not "
                           "open. Connect to the meter from the Comm menu and try again."};
    }

    void deadPortEndsTheWait() {
        QFETCH(QString, call);
        QFETCH(qint64, failAt);
        Rig rig;
        int failures = 0;
        QObject::connect(&rig.port, &SerialPort::failed, [&] { ++failures; });
        rig.port.failAt(failAt, "The adapter was unplugged.");
        if (call == "SendCommand")
            QCOMPARE(rig.link.SendCommand(Fd, 3, 38), QByteArray());
        else if (call == "ReadComm")
            QCOMPARE(rig.link.ReadComm(0), QByteArray());
        else
            QVERIFY(!rig.link.SendUntilOk("LM,1,5"));
        QCOMPARE(failures, 1);
        QVERIFY(!rig.port.isOpen());
        QTEST(rig.port.written(), "written");
        QCOMPARE(rig.waiter.now(), failAt);
        QTEST(rig.prompts.texts(), "prompts");
        QVERIFY(!rig.st.CommBusy);
        QCOMPARE(int(rig.st.ReplyStatus), 1);
    }

    void sendShortCommand_data() {
        QTest::addColumn<Short>("s");
        QTest::newRow("OK at once") << Short{{"OK\n"}, "OK\n", "OK\n", 1, 9};
        QTest::newRow("silent meter: five writes, nothing") << Short{{}, {}, {}, 5, 1250};
        QTest::newRow("Bad OPCode: its first three bytes end it")
            << Short{{BadOpcode12}, "Bad", "Bad", 1, 9};
        QTest::newRow("first answer lost: the line reads leave RawReply empty")
            << Short{{"", "OK\n"}, "OK", {}, 5, 286};
    }

    void sendShortCommand() {
        QFETCH(Short, s);
        Rig rig;
        rig.port.setReplies(Lm, s.replies);
        QCOMPARE(rig.link.SendShortCommand(Lm), s.result);
        QCOMPARE(rig.st.RawReply, s.raw);
        QCOMPARE(rig.port.written(), (Flush + Lm).repeated(s.writes));
        QCOMPARE(rig.waiter.now(), s.endTime);
        QCOMPARE(rig.st.CurrentCommand, Lm);
        QCOMPARE(rig.st.LastCommand, Lm);
        QVERIFY(rig.st.CommBusy);
    }

    void sendUntilOk_data() {
        QTest::addColumn<Until>("u");
        const QString never = "The meter did not acknowledge the setting \"LM,1,5\" after 10 "
                              "tries, so it may not have been changed. Check the connection to "
                              "the meter and try again.";
        QTest::newRow("OK at once") << Until{{"OK\n"}, 0, 1, 0, {}};
        QTest::newRow("Bad OPCode, then OK") << Until{{BadOpcode12, "OK\n"}, 0, 2, 0, {}};
        QTest::newRow("silent meter: ten sends of five writes, told once")
            << Until{{}, 0, 50, 0, {never}};
        QTest::newRow("stale CommBusy cleared by the polling watchdog")
            << Until{{"OK\n"}, 15000, 1, 15000, {}};
        QTest::newRow("CommBusy that never clears: nothing sent")
            << Until{{"OK\n"}, 99000, 0, -1, {Busy}};
    }

    void sendUntilOk() {
        QFETCH(Until, u);
        Rig rig;
        rig.port.setReplies(Lm, u.replies, true);
        // Stands in for the polling cycle clearing a stale flag at busyUntil.
        rig.st.CommBusy = u.busyUntil > 0;
        rig.waiter.addSource([&]() -> std::optional<qint64> {
            return rig.waiter.now() < u.busyUntil ? std::optional(u.busyUntil) : std::nullopt;
        });
        rig.waiter.onYield = [&] { rig.st.CommBusy &= rig.waiter.now() < u.busyUntil; };

        QCOMPARE(rig.link.SendUntilOk("LM,1,5"), u.prompts.isEmpty());
        QCOMPARE(rig.port.countWrites(Lm), u.commandWrites);
        QCOMPARE(rig.port.writes.isEmpty() ? -1 : rig.port.writes.first().time, u.firstWriteAt);
        QCOMPARE(rig.prompts.texts(), u.prompts);
        for (const ScriptedPrompts::Shown& s : rig.prompts.shown)
            QCOMPARE(s.icon, Prompts::Icon::Exclamation);
        QCOMPARE(rig.st.CommBusy, u.busyUntil >= 99000);
    }
};

QTEST_GUILESS_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
