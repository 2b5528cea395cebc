// The simulated meter's datalog replies to the byte, as the program's readers
// expect them.
#include "MeterDatalogs.h"
#include "MeterModel.h"

#include <QTest>

namespace {
constexpr qint64 Later = 60000; // long enough for any reply to have left

QByteArray exchange(MeterModel& m, const QByteArray& command, qint64 t) {
    m.receive("\x1b\r" + command + "\n", t);
    return m.takeBytesUntil(t + Later);
}
} // namespace

class TestMeterDatalogs : public QObject {
    Q_OBJECT

private slots:
    // Each command after the ones before it in the same row, on one meter.
    void replies_data() {
        QTest::addColumn<QByteArrayList>("commands");
        QTest::addColumn<QByteArray>("last");
        const auto row = [](const char* name, QByteArrayList c, const QByteArray& r) {
            QTest::newRow(name) << c << r;
        };
        row("header", {"OD,DATALOG3"}, "OD,DATALOG3\n05/12/06\n10:30:00\nGPM\n0.1\n60\n3\n");
        row("empty file", {"OD,DATALOG7"}, "OD,DATALOG7\n\n\n\n");
        row("section, new form", {"OD,DATALOG3", "RD,3,6"},
            QByteArrayLiteral("RD,3,6\n\x01\x00\x02\x81\xff\x7f"));
        row("section, old form", {"OD,DATALOG3", "RD,4"},
            QByteArrayLiteral("RD,4\n\x01\x00\x02\x81"));
        row("repeated until its sum is asked", {"OD,DATALOG3", "RD,2", "RD,2"},
            QByteArrayLiteral("RD,2\n\x01\x00"));
        row("checksum moves on", {"OD,DATALOG3", "RD,2", "DC,0,", "RD,2"}, "RD,2\n\x02\x81");
        row("sum of 01 00 02 81 ff 7f", {"OD,DATALOG3", "RD,3,6", "DC,0,"}, "DC,0202\n");
        row("second query", {"OD,DATALOG3", "RD,3,6", "DC,0,", "DC,0"}, "DC,0202\n");
        row("closing request", {"OD,DATALOG3", "RD,0,"}, "RD,0,\n");
        row("listing", {"DL,0"}, "DL,2\nDATALOG0\nDATALOG3\n");
        row("delete", {"DD,DATALOG3", "DL,0"}, "DL,1\nDATALOG0\n");
        row("logging off", {QByteArray("LG,1,\0\0", 7)}, "OK\n");
    }
    void replies() {
        QFETCH(QByteArrayList, commands);
        QFETCH(QByteArray, last);
        MeterModel model;
        MeterDatalogs logs;
        logs.install(model);
        logs.logs = {};
        logs.logs[0] = {"01/01/20", "00:00:00", "GPS", "1", 1, {5, 6}};
        logs.logs[3] = {"05/12/06", "10:30:00", "GPM", "0.1", 60, {1, -258, 32767}};
        QByteArray reply;
        qint64 t = 0;
        for (const QByteArray& c : commands)
            reply = exchange(model, c, t += Later);
        QCOMPARE(reply, last);
        if (commands.first().startsWith("LG"))
            QCOMPARE(model.state().loggingActive, qint16(0));
    }
};

QTEST_GUILESS_MAIN(TestMeterDatalogs)
#include "tst_meterdatalogs.moc"
