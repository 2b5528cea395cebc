// The main window's reads against damaged and stale replies on the virtual
// clock: a value is shown only from a whole record, the last good values stay,
// a failed read is made again on a later tick, and a session starts clean.
#include "ProgramRig.h"
#include "monitor/FlowReading.h"
#include "monitor/MeterReads.h"

#include "MeterDatalogs.h"

#include <QLabel>
#include <QtTest>

#include <functional>

namespace {

// One reply of the meter replaced by a damaged one.
struct Damage {
    QByteArray prefix; // the command whose reply is damaged
    int call;          // which of its replies, from 1
    // The reply sent instead of the genuine one; may switch on a fault of the
    // model, which then applies to the reply returned.
    std::function<QByteArray(MeterModel&, const QByteArray& genuine)> damage;
};

// The genuine reply of the simulated meter to a read of the main window.
QByteArray genuine(MeterModel& m, const QByteArray& prefix, qint64 t) {
    if (prefix == "SC,0,")
        return m.systemConfigRecord();
    if (prefix == "CC,0,")
        return m.channelConfigRecord();
    if (prefix == "LR,0")
        return m.learnDataRecord();
    if (prefix == "FD,0,")
        return m.flowDataRecord(t);
    return "VR," + m.state().version + "," + m.state().serial + "\n";
}

struct Rig : ProgramRig {
    // The flow page's texts of every whole record the meter sent.
    QList<QStringList> wholeTexts;
    int damaged = 0;

    explicit Rig(const Damage& d) {
        int calls = 0;
        model.addCommand({d.prefix, 0, d.prefix == "VR,0",
                          [this, d, calls](MeterModel& m, const QByteArray&, qint64 t) mutable {
                              const QByteArray reply = genuine(m, d.prefix, t);
                              if (++calls != d.call)
                                  return reply;
                              ++damaged;
                              return d.damage(m, reply);
                          }});
        model.onCommand = [this](const MeterModel::Received& r) {
            if (r.command.startsWith("FD,0,"))
                wholeTexts << flowTexts(FlowReading(model.flowDataRecord(r.timeMs)));
        };
    }
    static QStringList flowTexts(const FlowReading& r) {
        return {r.flowText(), r.timeText(), r.dateText(), r.totalizerText(0)};
    }
    QString text(const char* name) { return w.findChild<QLabel*>(name)->text(); }
    // Nothing shown yet, or the texts of one whole record.
    bool flowShownIsWhole() {
        const QStringList shown = {text("FlowValText"), text("NormDispTime"), text("NormDispDate"),
                                   text("TotValtext")};
        return shown[1].isEmpty() || wholeTexts.contains(shown);
    }
};

// The 189-, 71- and 81-byte records cut to a length, or replaced by a word.
const auto cutTo = [](int n) {
    return [n](MeterModel&, const QByteArray& r) { return r.left(n); };
};
const auto word = [](const QByteArray& w) {
    return [w](MeterModel&, const QByteArray&) { return w; };
};
// The reply pauses ms before its byte at (from 0), then goes on.
const auto pauseAt = [](qint64 ms, int at, int garbage = 0) {
    return [=](MeterModel& m, const QByteArray& r) {
        m.faults().stallMs = ms;
        m.faults().stallReplies = 1;
        m.faults().stallAt = at;
        m.faults().garbageReplies = garbage > 0 ? 1 : 0;
        m.faults().garbageBytes = garbage;
        return r;
    };
};

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestMeterReads : public QObject {
    Q_OBJECT
private slots:
    // One damaged reply never shows: the read fails, keeps its flag and is
    // made again, so the session goes on with the meter's true values.
    void damagedReply_data() {
        QTest::addColumn<Damage>("d");
        const QByteArray recErr = MeterModel::RecErr, badOp = MeterModel::BadOpcode;
        const auto row = [](const char* name, const Damage& d) { QTest::newRow(name) << d; };
        row("SC cut to 14 bytes", {"SC,0,", 1, cutTo(14)});
        row("CC cut to 14 bytes", {"CC,0,", 1, cutTo(14)});
        row("CC answered RecErr", {"CC,0,", 1, word(recErr)});
        row("CC shifted by two bytes", {"CC,0,", 1, [](MeterModel&, const QByteArray& r) {
                                            return QByteArray(2, '\0') + r.left(69);
                                        }});
        row("LR answered RecErr", {"LR,0", 1, word(recErr)});
        row("LR answered Bad OPCode", {"LR,0", 1, word(badOp)});
        row("LR cut to 2 bytes", {"LR,0", 1, cutTo(2)});
        row("VR stalled mid-line", {"VR,0", 1, pauseAt(900, 6)});
        // The tail of a stalled flow reply, or garbage after its end, comes
        // after the repeat was written and must not join the repeat's reply.
        row("FD stalled mid-reply", {"FD,0,", 3, pauseAt(900, 19)});
        row("FD split with garbage after it", {"FD,0,", 3, pauseAt(900, 33, 8)});
    }
    void damagedReply() {
        QFETCH(Damage, d);
        Rig rig(d);
        rig.w.Form_Load();
        for (int tick = 0; tick < 5; ++tick) {
            rig.tick();
            QVERIFY2(rig.flowShownIsWhole(), qPrintable(rig.text("FlowValText")));
        }
        QCOMPARE(rig.damaged, 1);
        QCOMPARE(rig.text("TxtLogging") + '|' + rig.text("FlowRateEEval") + '|' +
                     rig.text("Label22"),
                 "Logging|G/Min|V1.95");
        QVERIFY(!rig.w.flags().NeedVersion && !rig.w.flags().NeedSysConfig &&
                !rig.w.flags().NeedSSConfig && !rig.w.flags().NeedLrnData);
        QVERIFY(rig.text("NormDispTime").endsWith(" AM"));
    }

    // A record counts only with its opcode first, its whole length and its
    // line feed last.
    void wholeRecord_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("opcode");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("whole");
        const QByteArray fd = "FD," + QByteArray(34, 'x') + '\n';
        QTest::newRow("whole") << fd << QByteArray("FD") << 38 << true;
        QTest::newRow("one byte more") << fd + 'x' << QByteArray("FD") << 38 << false;
        QTest::newRow("shifted by a tail") << "ab" + fd.left(36) << QByteArray("FD") << 38 << false;
        QTest::newRow("no line feed last") << fd.left(37) + 'x' << QByteArray("FD") << 38 << false;
        QTest::newRow("another record") << "CC" + fd.mid(2) << QByteArray("FD") << 38 << false;
        QTest::newRow("error word")
            << QByteArray(MeterModel::RecErr) << QByteArray("LR") << 14 << false;
    }
    void wholeRecord() {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, opcode);
        QFETCH(int, length);
        QTEST(MeterReads::wholeRecord(record, opcode.constData(), length), "whole");
    }

    // Bytes of an earlier session (the last reply of a directory scan) wait
    // at the port, or are still arriving, when the identification starts:
    // neither is read as a reply, and no later reply is shifted.
    void staleBytesAtOpen_data() {
        QTest::addColumn<qint64>("openAt"); // ms after the stale reply was asked for
        QTest::addColumn<int>("vtWrites");
        QTest::newRow("all arrived") << qint64(100) << 1;
        QTest::newRow("still arriving") << qint64(1) << 2;
    }
    void staleBytesAtOpen() {
        QFETCH(qint64, openAt);
        LinkRig rig;
        MeterDatalogs logs;
        logs.install(rig.model);
        rig.model.receive("DC,0\n", 0);
        rig.waiter.advanceTo(openAt);
        QVERIFY(rig.port.open());
        int goodReplies = 0;
        rig.link.setGoodReplyCallback([&] { ++goodReplies; });
        MeterReads reads(rig.link);
        QCOMPARE(reads.identify(), 5);
        QCOMPARE(reads.readVersion().value_or(""), "VR,V1.95,12345");
        QCOMPARE(goodReplies, 2); // the stale line is no good reply
        QFETCH(int, vtWrites);
        QCOMPARE(rig.port.written(), (Flush + "VT,0\n").repeated(vtWrites) + "VR,0\n");
    }
};

QTEST_MAIN(TestMeterReads)
#include "tst_meterreads.moc"
