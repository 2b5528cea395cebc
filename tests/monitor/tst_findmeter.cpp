// Comm > Find Meter... in the main window against simulated meters: the
// search over several devices, the program's own port and polling given back
// afterwards, and "Use", which stores the device and speed and connects.
#include "ProgramRig.h"

#include "link/ConnectionState.h"
#include "monitor/frmFindMeter.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <map>

namespace {
// Device names as each system's search finds them: Windows lists its COM
// ports, elsewhere any path will do.
#ifdef Q_OS_WIN
const QString Slow = "COM9", Silent = "COM3", Gone = "COM4";
#else
const QString Slow = "slow", Silent = "silent", Gone = "gone";
#endif
} // namespace

class TestFindMeter : public QObject {
    Q_OBJECT
private slots:
    void searchAndUse_data() {
        QTest::addColumn<bool>("use");
        QTest::newRow("nothing chosen") << false;
        QTest::newRow("meter at 9600 used") << true;
    }

    void searchAndUse() {
        QFETCH(bool, use);
        ProgramRig rig;
        // Devices of their own: a meter set to 9600, a silent one, and one
        // whose line is not there.
        std::map<QString, MeterModel> meters;
        meters[Slow].faults().meterBaud = 9600;
        meters[Slow].state().serial = "777";
        meters[Silent].faults().silent = true;
        meters[Gone].faults().hangUp = true;
        rig.w.makeSearchPort = [&](const QString& device) {
            return std::make_unique<SimSerialPort>(meters[device], rig.waiter);
        };
        rig.w.Form_Load();
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QVERIFY(rig.link.connection().answering());

        QList<MeterSearch::Device> results;
        bool portClosedDuringSearch = false;
        rig.w.runFindMeterDialog = [&](frmFindMeter& d) {
            d.devices = {Gone, Slow, Silent};
            meters[Silent].onCommand = [&](const MeterModel::Received&) {
                portClosedDuringSearch = !rig.port.isOpen() && !rig.w.Timer1().isActive();
            };
            d.cmdSearch_Click();
            results = d.results();
            // The program's port and its polling are back at once.
            QVERIFY(rig.port.isOpen());
            QCOMPARE(rig.port.settings(), "19200,n,8,1");
            QVERIFY(rig.w.Timer1().isActive());
            auto* list = d.findChild<QTreeWidget*>("lstFound");
            QCOMPARE(list->topLevelItemCount(), 3);
            QCOMPARE(list->currentItem()->text(0), Slow);
            QCOMPARE(list->currentItem()->text(1), "9600");
            QVERIFY(d.findChild<QPushButton*>("cmdUse")->isEnabled());
            if (use)
                d.cmdUse_Click();
        };
        rig.prompts.clearRecord();
        rig.w.findChild<QAction*>("mnuFindMeter")->trigger();

        QCOMPARE(results.size(), 3);
        QCOMPARE(results[0].problem, "The meter's line is not there: the port cannot be opened.");
        QVERIFY(results[1].meter && results[1].meter->baud == 9600);
        QCOMPARE(results[1].meter->serial, "777");
        QVERIFY(!results[2].meter && results[2].problem.isEmpty());
        QVERIFY(portClosedDuringSearch);
        // Only identifications reach the meters searched.
        for (const auto& [name, model] : meters)
            for (const MeterModel::Received& r : model.received())
                QVERIFY2(r.command == "VT,0" || r.command == "VR,0", r.command.constData());

        if (use) {
            QCOMPARE(rig.prompts.texts(), QStringList{"Communications Established"});
            QCOMPARE(rig.store.startupSettingsText(), "9600,n,8,1");
            QCOMPARE(rig.store.deviceForPort(rig.store.startupPortNumber()), Slow);
            QCOMPARE(rig.port.settings(), "9600,n,8,1");
        } else {
            QCOMPARE(rig.prompts.texts(), QStringList{});
            QCOMPARE(rig.store.startupSettingsText(), "19200,n,8,1");
        }
        QVERIFY(rig.link.connection().connected());
    }
};

QTEST_MAIN(TestFindMeter)
#include "tst_findmeter.moc"
