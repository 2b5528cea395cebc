// The simulated meter's datalog replies to the byte, as the program's readers
// expect them, and the corvane-sim switches for their faults.
#include "MeterDatalogs.h"
#include "SimExchange.h"

#include <QTest>

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

    void faultSwitches_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("reply"); // to OD,DATALOG0 then RD,2 then DC,0,
        QTest::newRow("checksum") << "datalog-checksum:1" << true << "DC,0006";
        QTest::newRow("silent") << "datalog-silent:1" << true << "DC,0000";
        QTest::newRow("short") << "datalog-short:1" << true
                               << "RD,2\n\x05"
                                  "DC,0005";
        QTest::newRow("points") << "datalog-points:100001" << true << "100001";
        QTest::newRow("unit") << "DATALOG-UNIT" << true << "GPX";
        QTest::newRow("never ok") << "datalog-never-ok" << true << "";
        QTest::newRow("no count") << "datalog-short" << false << "";
        QTest::newRow("zero") << "datalog-silent:0" << false << "";
        QTest::newRow("unknown") << "datalog-loud:1" << false << "";
    }
    void faultSwitches() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QString, reply);
        MeterModel model;
        MeterDatalogs logs;
        logs.install(model);
        logs.logs[0] = {"01/01/20", "00:00:00", "GPM", "1", 1, {5, 6}};
        QString error;
        QCOMPARE(logs.applyFault(text, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
        QByteArray all = exchange(model, "OD,DATALOG0", Later);
        all += exchange(model, "RD,2", 2 * Later);
        all += exchange(model, "DC,0,", 3 * Later);
        all += exchange(model, QByteArray("LG,1,\1\0", 7), 4 * Later);
        QVERIFY2(all.contains(reply.toLatin1()), all.toHex(' ').constData());
        QCOMPARE(all.endsWith("NO\n"), text == "datalog-never-ok");
    }
};

QTEST_GUILESS_MAIN(TestMeterDatalogs)
#include "tst_meterdatalogs.moc"
