// The meter link against a scripted port on the virtual clock: the bytes
// written, what each call returns and what it leaves in the link state.
#include "link/MeterLink.h"

#include "ScriptedPort.h"
#include "ScriptedPrompts.h"
#include "VirtualWaiter.h"

#include <QtTest>

namespace {

const QByteArray Flush = QByteArrayLiteral("\x1b\r");
const QByteArray Fd = "FD,0,1\n", Vr = "VR,0\n", Lm = "LM,1,5\n";
// A 38-byte flow-data record: opcode, filler, line feed in the last byte.
const QByteArray Fd38 = QByteArray("FD") + QByteArray(35, 'A') + '\n';
// The meter's two error replies, 14 and 12 bytes long.
const QByteArray RecErr = "RecErr      \r\n", BadOp = "Bad OPCode \n";
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
    qint64 status, sum, leftover, endTime, timeouts = 0;
    QByteArray stale = {}; // bytes already waiting when the exchange starts
};

// One ReadComm of bytes arriving in up to two deliveries (the first maybe whole).
struct Read {
    int count;
    QByteArray first, second;
    qint64 firstAt, secondAt;
    bool firstWhole;
    QByteArray result, raw;
    qint64 status, leftover, endTime;
};

// One SendShortCommand of LM,1,5.
struct Short {
    QByteArrayList replies;
    QByteArray result, raw;
    qint64 writes, endTime;
};

// One SendUntilOk of LM,1,5.
struct Until {
    QByteArrayList replies;
    qint64 commandWrites;
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
        const auto row = [](const char* name, const Exchange& x) { QTest::newRow(name) << x; };
        // Length + 1: the extra byte stays in mode 3 and is cut in mode 2.
        row("mode 3, extra byte", {Fd, 3, 38, {Fd38 + 'Z'}, true, Fd38, Fd38, f, 0, 2423, 1, 27});
        row("mode 2, extra byte", {Fd, 2, 38, {Fd38 + 'Z'}, true, Fd38, Fd38, f, 0, 2513, 0, 27});
        // A byte left waiting is flushed before the command.
        row("stale byte", {Fd, 3, 38, {Fd38}, false, Fd38, Fd38, f, 0, 2423, 0, 32, 0, "Z"});
        // A line ending CR LF keeps the CR; line mode drops what follows the line.
        row("CR LF", {Vr, 0, 16, {vr + "\r\n"}, false, vr + '\r', {}, v, 0, 0, 0, 14});
        row("two lines", {sc, 1, 6, {"AB\nCD\n"}, true, "AB", {}, Flush + sc, 0, 0, 0, 10});
        // Short replies: 12 bytes in a line mode is one write with Bad OP seen; 14
        // bytes in a binary mode is data; 2 bytes times out with what came.
        row("12-byte line", {Vr, 0, 16, {BadOp}, false, "Bad OPCode ", {}, v, 2, 0, 0, 850});
        row("14-byte binary", {Fd, 2, 38, {RecErr}, false, RecErr, RecErr, f, 0, 794, 0, 850});
        row("2-byte binary", {Fd, 3, 5, {"OK"}, false, "OK", "OK", f, 1, 0, 0, 1100});
        // Silence: three writes 850 ms apart, nothing read. 5-byte replies are not
        // short, and each write starts from empty input.
        row("silence", {Fd, 3, 38, {}, false, {}, {}, f + Fd + Fd, 1, 0, 0, 2550, 1});
        // Before a repeat the tail of a reply may still come: the line must
        // first be quiet for 350 ms.
        row("5-byte", {Fd, 3, 38, {"ABCD\n"}, false, {}, {}, f + Fd + Fd, 1, 0, 5, 3250, 1});
        // A 561-byte diagnostic reply gives its last 540 bytes.
        row("diagnostic", {xd, 2, 561, {diag}, false, block, diag, Flush + xd, 0, 55060, 0, 298});
        // RecErr in a line reply and Bad OP in a binary one repeat the exchange, at
        // most five times.
        row("RecErr once", {Vr, 0, 15, {RecErr, vr + '\n'}, true, vr, {}, v + v, 0, 0, 0, 864});
        row("BadOp once", {Fd, 2, 38, {BadOp, Fd38}, true, Fd38, Fd38, f + f, 0, 2423, 0, 877});
        row("BadOp always", {Fd, 3, 38, {BadOp}, true, {}, {}, f.repeated(6), 2, 0, 0, 6600, 1});
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
        QCOMPARE(qint64(rig.st.ReplyStatus), x.status);
        QCOMPARE(qint64(rig.st.ReplyByteSum), x.sum);
        QCOMPARE(qint64(rig.port.bytesWaiting()), x.leftover);
        QCOMPARE(rig.waiter.now(), x.endTime);
        QCOMPARE(qint64(rig.st.ReplyTimeouts), x.timeouts);
        QCOMPARE(rig.st.LastCommand, x.command);
        QVERIFY(!rig.st.CommBusy && !rig.link.exchangeInProgress());
    }

    void readComm_data() {
        QTest::addColumn<Read>("r");
        const auto row = [](const char* name, const Read& r) { QTest::newRow(name) << r; };
        // -1: a line feed with bytes after it does not end the line; 0: the first
        // line feed ends it and the rest stays.
        row("-1, two lines", {-1, "AB\nCD\n", {}, 5, 0, true, "AB\nCD", {}, 0, 0, 9});
        row("0, two lines", {0, "AB\nCD\n", {}, 5, 0, true, "AB", {}, 0, 3, 9});
        // A stall ends the line: after 350 ms for -1, after 800 ms for 0.
        row("-1, 400 ms stall", {-1, "AB", "C\n", 10, 412, false, "AB", {}, 1, 0, 362});
        row("0, 900 ms stall", {0, "AB", "C\n", 10, 912, false, "AB", {}, 1, 0, 812});
        row("0, no first byte within 250 ms", {0, "X\n", {}, 300, 0, false, {}, {}, 1, 0, 250});
        row("5, three bytes taken unsummed", {5, "123", {}, 0, 0, false, "123", "123", 1, 0, 250});
        row("-2, 250 ms", {-2, "abcd", "late", 0, 260, false, "abcd", "abcd", 1, 0, 250});
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
        QCOMPARE(qint64(rig.st.ReplyStatus), r.status);
        QCOMPARE(int(rig.st.ReplyByteSum), 0);
        QCOMPARE(qint64(rig.port.bytesWaiting()), r.leftover);
        QCOMPARE(rig.waiter.now(), r.endTime);
        QVERIFY(rig.port.writes.isEmpty());
    }

    // A port that streams without a line feed (another instrument, lines
    // ended by CR alone) ends a line read at its byte or its time limit.
    void streamingPortEndsTheRead_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("chunk"); // arrives again every periodMs
        QTest::addColumn<qint64>("periodMs");
        QTest::addColumn<int>("taken");
        QTest::addColumn<qint64>("endTime");
        const QByteArray fast(64, 'x'), cr = "T=21.4\r";
        QTest::newRow("0, fast, byte limit") << 0 << fast << qint64(34) << 256 << qint64(136);
        QTest::newRow("-1, fast, byte limit") << -1 << fast << qint64(34) << 256 << qint64(136);
        QTest::newRow("0, CR lines, time limit") << 0 << cr << qint64(500) << 42 << qint64(3000);
        QTest::newRow("-1, CR lines, time limit") << -1 << cr << qint64(300) << 70 << qint64(3000);
    }
    void streamingPortEndsTheRead() {
        QFETCH(int, count);
        QFETCH(QByteArray, chunk);
        QFETCH(qint64, periodMs);
        Rig rig;
        for (qint64 at = 0; at < 20000; at += periodMs)
            rig.port.deliver(chunk, at);
        QTEST(int(rig.link.ReadComm(count).size()), "taken");
        QCOMPARE(int(rig.st.ReplyStatus), 1);
        QTEST(rig.waiter.now(), "endTime");
    }

    // Before a request is sent again, what still arrives is thrown away until
    // the line is quiet, within a bound whatever keeps coming.
    void discardUntilQuiet_data() {
        QTest::addColumn<qint64>("atLeast");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<qint64>("periodMs"); // 0: the bytes come once
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<qint64>("endTime");
        QTest::newRow("quiet line")
            << qint64(0) << QByteArray() << qint64(0) << qint64(0) << true << qint64(350);
        QTest::newRow("quiet pause")
            << qint64(700) << QByteArray() << qint64(0) << qint64(0) << true << qint64(700);
        // 64 bytes from 600 ms: the last at 634 ms, then 350 ms of quiet.
        QTest::newRow("late block in the pause") << qint64(700) << QByteArray(64, 'b')
                                                 << qint64(600) << qint64(0) << true << qint64(984);
        QTest::newRow("streaming") << qint64(700) << QByteArray(16, 'n') << qint64(0) << qint64(100)
                                   << false << qint64(2000);
    }
    void discardUntilQuiet() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, at);
        QFETCH(qint64, periodMs);
        QFETCH(qint64, atLeast);
        Rig rig;
        for (qint64 t = at; !bytes.isEmpty() && t < 20000; t += periodMs ? periodMs : 20000)
            rig.port.deliver(bytes, t);
        QTEST(rig.link.discardUntilQuiet(atLeast), "quiet");
        QTEST(rig.waiter.now(), "endTime");
        QCOMPARE(rig.port.bytesWaiting(), 0);
        QVERIFY(!rig.st.CommBusy);
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
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QStringList>("prompts");
        // Each row's name begins with the call it makes.
        QTest::newRow("SendCommand, port fails") << qint64(100) << Flush + Fd << QStringList();
        QTest::newRow("SendCommand, port closed") << qint64(0) << QByteArray() << QStringList();
        QTest::newRow("ReadComm") << qint64(100) << QByteArray() << QStringList();
        QTest::newRow("SendUntilOk")
            << qint64(100) << Flush + Lm
            << QStringList{"The setting \"LM,1,5\" was not sent because the serial port is not "
                           "open. Connect to the meter from the Comm menu and try again."};
    }

    void deadPortEndsTheWait() {
        const QString call = QString(QTest::currentDataTag()).section(',', 0, 0);
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
        const auto row = [](const char* name, const Short& s) { QTest::newRow(name) << s; };
        row("OK at once", {{"OK\n"}, "OK\n", "OK\n", 1, 9});
        row("silent meter: five writes, nothing", {{}, {}, {}, 5, 1250});
        row("Bad OPCode: its first three bytes end it", {{BadOp}, "Bad", "Bad", 1, 9});
        // The line reads after a lost first answer leave RawReply empty.
        row("first answer lost", {{"", "OK\n"}, "OK", {}, 5, 286});
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
        QVERIFY(!rig.st.CommBusy);
    }

    void sendUntilOk_data() {
        QTest::addColumn<Until>("u");
        const QString never = "The meter did not acknowledge the setting \"LM,1,5\" after 10 "
                              "tries, so it may not have been changed. Check the connection to "
                              "the meter and try again.";
        const auto row = [](const char* name, const Until& u) { QTest::newRow(name) << u; };
        row("OK at once", {{"OK\n"}, 1, {}});
        row("Bad OPCode, then OK", {{BadOp, "OK\n"}, 2, {}});
        row("silent meter: ten sends of five writes, told once", {{}, 50, {never}});
    }

    void sendUntilOk() {
        QFETCH(Until, u);
        Rig rig;
        rig.port.setReplies(Lm, u.replies, true);
        QCOMPARE(rig.link.SendUntilOk("LM,1,5"), u.prompts.isEmpty());
        QCOMPARE(qint64(rig.port.countWrites(Lm)), u.commandWrites);
        QCOMPARE(rig.prompts.texts(), u.prompts);
        for (const ScriptedPrompts::Shown& s : rig.prompts.shown)
            QCOMPARE(s.icon, Prompts::Icon::Exclamation);
        QVERIFY(!rig.st.CommBusy);
    }

    // A destructive command goes out once, whatever the meter answers.
    void sendOnce_data() {
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QByteArray>("result");
        // The wait ends with the reply's line feed, or at the time-out.
        QTest::addColumn<bool>("waitedOut");
        QTest::newRow("OK and line feed") << QByteArrayList{"OK\n"} << QByteArray("OK\n") << false;
        QTest::newRow("bare line feed") << QByteArrayList{"\n"} << QByteArray("\n") << false;
        QTest::newRow("RecErr") << QByteArrayList{RecErr} << RecErr << false;
        QTest::newRow("silent") << QByteArrayList{} << QByteArray() << true;
    }

    void sendOnce() {
        QFETCH(QByteArrayList, replies);
        Rig rig;
        const QByteArray mr = "MR,1\n";
        rig.port.setReplies(mr, replies, false);
        QTEST(rig.link.SendOnce(mr, 850), "result");
        QCOMPARE(rig.port.written(), Flush + mr);
        QTEST(rig.waiter.now() == 850, "waitedOut");
        QVERIFY(!rig.st.CommBusy);
    }

    // A meter that refuses every poll is told once per connection, then again
    // after a new connection.
    void errorWordLimitToldOncePerConnection() {
        Rig rig;
        rig.port.setReplies(Fd, {BadOp}, true);
        const QString told = "The meter answered \"Bad OP\" to the command \"FD,0,1\" 6 times in "
                             "a row, so the command was given up. The program goes on; if this "
                             "repeats, check the meter and its firmware.";
        for (int poll = 0; poll < 3; ++poll)
            QCOMPARE(rig.link.SendCommand(Fd, 3, 38), QByteArray());
        QCOMPARE(rig.prompts.texts(), QStringList{told});
        rig.link.resetNotices();
        rig.link.SendCommand(Fd, 3, 38);
        QCOMPARE(rig.prompts.texts(), (QStringList{told, told}));
    }
};

QTEST_GUILESS_MAIN(TestMeterLink)
#include "tst_meterlink.moc"
