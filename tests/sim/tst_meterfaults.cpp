// The simulated meter's framing and its fault switches, in the text form
// corvane-sim takes them.

#include "FaultSpec.h"
#include "MeterModel.h"

#include <QtTest>

namespace {

constexpr qint64 Later = 60000; // long enough for any reply to have left

} // namespace

class tst_MeterFaults : public QObject {
    Q_OBJECT
private slots:
    void faults_data();
    void faults();
    void badFaultSpecs_data();
    void badFaultSpecs();
    void stallPausesMidReply();
    void framing_data();
    void framing();
    void rawArgumentsAreReadByCount_data();
    void rawArgumentsAreReadByCount();
};

void tst_MeterFaults::faults_data() {
    QTest::addColumn<QStringList>("specs");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<bool>("lineDown");

    const QByteArray vt = "VT,5\n";
    const QByteArray vr = "VR,V1.95,12345\n";
    const QByteArray recErr = "RecErr      \r\n";
    const QByteArray badOp = "Bad OPCode \n";
    QTest::newRow("none") << QStringList{} << QByteArrayList{"VT,0", "GT,1"}
                          << QByteArrayList{vt, "OK\n"} << false;
    QTest::newRow("silent for one") << QStringList{"silent:1"} << QByteArrayList{"VT,0", "VT,0"}
                                    << QByteArrayList{"", vt} << false;
    QTest::newRow("silent") << QStringList{"silent"} << QByteArrayList{"VT,0", "VR,0", "VT,0"}
                            << QByteArrayList{"", "", ""} << false;
    QTest::newRow("RecErr skips binary reads")
        << QStringList{"recerr:2"} << QByteArrayList{"VT,0", "XD,9", "GT,1", "VT,0"}
        << QByteArrayList{recErr, badOp, recErr, vt} << false;
    QTest::newRow("Bad OP once") << QStringList{"badop:1"} << QByteArrayList{"VT,0", "VT,0"}
                                 << QByteArrayList{badOp, vt} << false;
    QTest::newRow("short VT") << QStringList{"short:vt"} << QByteArrayList{"VT,0", "VR,0", "VT,0"}
                              << QByteArrayList{"VT,5", vr, "VT,5"} << false;
    QTest::newRow("corrupt the middle")
        << QStringList{"corrupt:1"} << QByteArrayList{"VT,0", "VT,0"}
        << QByteArrayList{"VT\xd3"
                          "5\n",
                          vt}
        << false;
    QTest::newRow("corrupt the first byte twice")
        << QStringList{"corrupt:2:0"} << QByteArrayList{"VT,0", "GT,1", "VT,0"}
        << QByteArrayList{"\xa9T,5\n", "\xb0K\n", vt} << false;
    QTest::newRow("never OK") << QStringList{"never-ok"} << QByteArrayList{"GT,1", "VT,0"}
                              << QByteArrayList{"NO\n", vt} << false;
    QTest::newRow("hang up after one") << QStringList{"hangup:1"} << QByteArrayList{"VT,0", "VT,0"}
                                       << QByteArrayList{vt, ""} << true;
    QTest::newRow("hang up") << QStringList{"hangup"} << QByteArrayList{"VT,0"}
                             << QByteArrayList{""} << true;
    QTest::newRow("silent, then Bad OP")
        << QStringList{"silent:1", "badop:1"} << QByteArrayList{"VT,0", "VT,0", "VT,0"}
        << QByteArrayList{"", badOp, vt} << false;
    QTest::newRow("RecErr short") << QStringList{"recerr:1", "short:VT"}
                                  << QByteArrayList{"VT,0", "VT,0"}
                                  << QByteArrayList{recErr, "VT,5"} << false;
}

void tst_MeterFaults::faults() {
    QFETCH(QStringList, specs);
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArrayList, replies);
    QFETCH(bool, lineDown);
    MeterModel m;
    for (const QString& spec : specs)
        QVERIFY(FaultSpec::apply(spec, m.faults()));
    qint64 t = 0;
    for (int i = 0; i < commands.size(); ++i) {
        m.receive("\x1b\r" + commands[i] + "\n", t);
        t += Later;
        QCOMPARE(m.takeBytesUntil(t).toHex(' '), replies[i].toHex(' '));
    }
    QCOMPARE(m.lineDown(t), lineDown);
    QCOMPARE(m.received().size(), commands.size());
}

void tst_MeterFaults::badFaultSpecs_data() {
    QTest::addColumn<QString>("spec");
    QTest::newRow("unknown") << "wobble";
    QTest::newRow("count not a number") << "silent:x";
    QTest::newRow("count zero") << "badop:0";
    QTest::newRow("recerr without count") << "recerr";
    QTest::newRow("stall without time") << "stall";
    QTest::newRow("three-letter opcode") << "short:FDX";
    QTest::newRow("negative offset") << "corrupt:1:-2";
    QTest::newRow("never-ok with count") << "never-ok:3";
}

void tst_MeterFaults::badFaultSpecs() {
    QFETCH(QString, spec);
    MeterFaults f;
    QString why;
    QVERIFY(!FaultSpec::apply(spec, f, &why));
    QVERIFY(why.contains(spec));
}

void tst_MeterFaults::stallPausesMidReply() {
    MeterModel m;
    QVERIFY(FaultSpec::apply("stall:400", m.faults()));
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

void tst_MeterFaults::framing_data() {
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArray>("replies");

    QTest::newRow("flush drops a partial command")
        << QByteArrayList{"VT,", "\x1b\rVR,0\n"} << QByteArray("VR,V1.95,12345\n");
    QTest::newRow("split over writes") << QByteArrayList{"V", "T,", "0\n"} << QByteArray("VT,5\n");
    QTest::newRow("two in one write") << QByteArrayList{"VT,0\nGT,1\n"} << QByteArray("VT,5\nOK\n");
    QTest::newRow("carriage return before the line feed")
        << QByteArrayList{"VT,0\r\n"} << QByteArray("VT,5\n");
    QTest::newRow("empty lines are ignored") << QByteArrayList{"\n\n\x1b\r\n"} << QByteArray();
    QTest::newRow("unknown opcode") << QByteArrayList{"\x1b\rZZ\n"} << QByteArray("Bad OPCode \n");
    QTest::newRow("lower case is unknown")
        << QByteArrayList{"vt,0\n"} << QByteArray("Bad OPCode \n");
}

void tst_MeterFaults::framing() {
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArray, replies);
    MeterModel m;
    qint64 t = 0;
    for (const QByteArray& w : writes)
        m.receive(w, t++);
    QCOMPARE(m.takeBytesUntil(Later), replies);
    QVERIFY(!m.nextByteTime());
}

void tst_MeterFaults::rawArgumentsAreReadByCount_data() {
    QTest::addColumn<QByteArray>("argument");
    QTest::newRow("plain") << QByteArray("AB");
    QTest::newRow("line feeds") << QByteArray("\n\n");
    QTest::newRow("escape and return") << QByteArray("\x1b\r");
    QTest::newRow("zero and ten") << QByteArray::fromHex("000a");
}

void tst_MeterFaults::rawArgumentsAreReadByCount() {
    QFETCH(QByteArray, argument);
    MeterModel m;
    QByteArray seen = "none";
    m.addCommand({"ZB,1,", 2, false, [&seen](MeterModel&, const QByteArray& args, qint64) {
                      seen = args;
                      return MeterModel::Ok;
                  }});
    m.receive("\x1b\rZB,1," + argument + "\nVT,0\n", 0);
    QCOMPARE(seen.toHex(), argument.toHex());
    QCOMPARE(m.takeBytesUntil(Later), QByteArray("OK\nVT,5\n"));
}

QTEST_GUILESS_MAIN(tst_MeterFaults)
#include "tst_meterfaults.moc"
