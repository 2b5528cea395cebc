// The search for a meter over several devices and speeds, against simulated
// meters on the virtual clock: which speed each is found at, what an
// unopenable device gives, what a search sends, and what it costs.
#include "monitor/MeterSearch.h"

#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"

#include <QtTest>

namespace {

// One simulated device: a meter set to a speed, a silent meter, or a line
// that is not there (the port cannot be opened).
struct Line {
    int meterBaud = 0; // 0: follows the line
    bool silent = false;
    bool missing = false;
};

} // namespace

Q_DECLARE_METATYPE(Line)

class TestMeterSearch : public QObject {
    Q_OBJECT
private slots:
    void speedOrder() {
        // The usual speeds first, then the rest of the port dialog's list once.
        QCOMPARE(MeterSearch::speedOrder(),
                 (QList<int>{19200, 9600, 38400, 57600, 115200, 4800, 2400, 1200, 110, 300, 600,
                             14400, 28800, 56000, 128000, 256000}));
    }

    void search_data() {
        QTest::addColumn<Line>("line");
        QTest::addColumn<int>("foundAt"); // 0: no meter
        QTest::addColumn<int>("identifications");
        QTest::addColumn<QString>("problem");
        QTest::newRow("meter at 19200") << Line{} << 19200 << 1 << "";
        QTest::newRow("meter at 9600") << Line{.meterBaud = 9600} << 9600 << 2 << "";
        QTest::newRow("meter at 115200") << Line{.meterBaud = 115200} << 115200 << 5 << "";
        QTest::newRow("meter at 110") << Line{.meterBaud = 110} << 110 << 9 << "";
        QTest::newRow("meter at 256000") << Line{.meterBaud = 256000} << 256000 << 16 << "";
        QTest::newRow("silent meter") << Line{.silent = true} << 0 << 16 << "";
        QTest::newRow("no line") << Line{.missing = true} << 0 << 0
                                 << "The meter's line is not there: the port cannot be opened.";
    }

    void search() {
        QFETCH(Line, line);
        QFETCH(int, foundAt);
        QFETCH(int, identifications);
        QFETCH(QString, problem);
        MeterModel model;
        model.faults().meterBaud = line.meterBaud;
        model.faults().silent = line.silent;
        model.faults().hangUp = line.missing;
        VirtualWaiter waiter;
        ScriptedPrompts prompts;
        QList<int> tried;
        MeterSearch search(
            [&](const QString&) { return std::make_unique<SimSerialPort>(model, waiter); }, waiter,
            prompts);
        const MeterSearch::Device d = search.search("sim", {}, [&](int baud) { tried << baud; });
        QCOMPARE(d.meter.has_value(), foundAt != 0);
        QCOMPARE(d.problem, problem);
        QCOMPARE(tried, MeterSearch::speedOrder().mid(0, identifications));
        if (d.meter) {
            QCOMPARE(d.meter->baud, foundAt);
            QCOMPARE(d.meter->unitType, 5);
            QCOMPARE(d.meter->version, "V1.95");
            QCOMPARE(d.meter->serial, "12345");
        }
        // Only the identification and, once found, the version read: a
        // search never changes a meter.
        for (const MeterModel::Received& r : model.received())
            QVERIFY2(r.command == "VT,0" || r.command == "VR,0", r.command.constData());
        // Every speed tried costs one identification's tries at most, on the
        // virtual clock: a whole silent search stays bounded.
        QVERIFY2(waiter.now() < qint64(identifications + 1) * 3000,
                 qPrintable(QString::number(waiter.now())));
        QVERIFY(prompts.texts().isEmpty());
    }

    // A stop asked for between speeds ends the search on that device.
    void stopped() {
        MeterModel model;
        model.faults().silent = true;
        VirtualWaiter waiter;
        ScriptedPrompts prompts;
        MeterSearch search(
            [&](const QString&) { return std::make_unique<SimSerialPort>(model, waiter); }, waiter,
            prompts);
        QList<int> tried;
        const MeterSearch::Device d = search.search(
            "sim", [&] { return tried.size() >= 2; }, [&](int baud) { tried << baud; });
        QCOMPARE(tried, (QList<int>{19200, 9600}));
        QVERIFY(!d.meter);
    }
};

QTEST_GUILESS_MAIN(TestMeterSearch)
#include "tst_metersearch.moc"
