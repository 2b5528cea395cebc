// The "Output Options" page and the relay windows against the simulated
// meter on the virtual clock: the 4-20 mA range and calibration, relay 1,
// the relay test windows and the power monitor, to the byte.
#include "SetupRig.h"
#include "setup/CurrentOutputFrame.h"
#include "setup/RelayFrames.h"
#include "setup/TstRlys4.h"
#include "setup/frmTstRly1.h"

#include <QGroupBox>
#include <QSlider>
#include <QtEndian>

#include <cstring>

namespace {

struct Rig : SetupRig {
    using SetupRig::SetupRig;
    // Start-up, Setup > Unit Setup, then page 2 and one refresh.
    frmBSetup& openOutputPage() {
        open();
        get<QTabWidget>("SSTab1")->setCurrentIndex(frmBSetup::OutputPage);
        tick();
        sent();
        prompts.clearRecord();
        return *w.setupDialog();
    }
};

float singleAt(const QByteArray& bytes, int offset) {
    const quint32 bits =
        qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData()) + offset);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

} // namespace

class tst_outputpage : public QObject {
    Q_OBJECT
private slots:
    // Calibration against an ammeter: entering forces 4 mA, the readings 4.2
    // and 19.8 correct the counts 600/4000 to 557/4044, and leaving returns
    // the meter to normal output.
    void calibration() {
        Rig rig;
        rig.model.state().cal4mA = 600;
        rig.model.state().cal20mA = 4000;
        frmBSetup& d = rig.openOutputPage();
        rig.act("click CalModeChecked");
        QCOMPARE(rig.get<QLabel>("ConnectText")->text(), QString("Please Wait"));
        QVERIFY(!rig.get<QGroupBox>("SingleRly(0)")->isEnabled());
        rig.tick();
        QVERIFY(
            rig.sent().startsWith(Flush + "MA,1,1\n" + Flush + hex("4d412c322c312c5802") + "\n"));
        QVERIFY(rig.model.state().calibrating && rig.get<QGroupBox>("Calibratepanel")->isEnabled());
        QCOMPARE(rig.shows("mAcurrentVal"), QString("4.0"));
        rig.acts("type Ma_4IntVal 4.2;type Ma_20IntVal 19.8;click Adjust420(1)");
        QCOMPARE(rig.sent(), Flush + hex("4d412c322c312c2d02") + "\n");
        QCOMPARE(rig.shows("Ma_4IntVal") + " " + rig.shows("Ma_20IntVal"), QString("4.00 20.00"));
        rig.act("click Adjust420");
        QCOMPARE(rig.sent(), Flush + hex("4d412c322c322ccc0f") + "\n");
        QCOMPARE(rig.model.state().cal4mA * 10000 + rig.model.state().cal20mA, 5574044);
        // The slider half way: the count half way between 557 and 4044, 2300.5.
        auto* slider = rig.get<QSlider>("Slider1");
        slider->setValue(slider->maximum() / 2);
        emit slider->sliderReleased();
        rig.tick();
        QVERIFY(rig.sent().startsWith(Flush + hex("4d412c322c332cfd08") + "\n"));
        // The keep-alive while calibrating, then leaving.
        d.CalPollDue = true;
        rig.tick();
        QVERIFY(rig.sent().endsWith(Flush + "MA,1,1\n"));
        QCOMPARE(rig.shows("mAcurrentVal"), QString("12.0"));
        rig.act("click CalModeChecked");
        rig.tick();
        QVERIFY(rig.sent().startsWith(Flush + "MA,1,2\n" + Flush + "MA,0\n"));
        QVERIFY(!rig.model.state().calibrating && !d.Timer3().isActive());
        QVERIFY(rig.get<QGroupBox>("SingleRly(0)")->isEnabled());
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // "Send" with nominal readings sends the range with the counts as read,
    // marks the output calibrated and leaves calibration mode.
    void sendRange() {
        Rig rig;
        rig.model.state().cal4mA = 600;
        rig.model.state().cal20mA = 4000;
        rig.model.state().calFinished = 0;
        rig.openOutputPage();
        rig.act("click chk420mA");
        rig.act("type Ma_20FlowRate 400");
        rig.act("click Send4_20");
        const QByteArray wire = rig.sent();
        const int at = int(wire.indexOf("MA,3,"));
        QVERIFY(at > 0);
        // 4 mA velocity 0, then the counts 4000 and 600, finished, second flag 0.
        QCOMPARE(wire.mid(at + 13, 9).toHex(), QByteArray("a00f580201000000"
                                                          "0a"));
        QCOMPARE(singleAt(wire, at + 5), 0.0f);
        const float factor = rig.w.config().FlowPerVelocity;
        QCOMPARE(qRound(singleAt(wire, at + 9) * factor), 400);
        QVERIFY(wire.endsWith(Flush + "MA,1,2\n"));
        QCOMPARE(rig.model.state().calFinished, qint16(1));
        QCOMPARE(qRound(rig.model.state().flowAt20mA), 400);
        QVERIFY(!rig.get<QAbstractButton>("chk420mA")->isChecked());
    }

    // Entries that are refused say why, send nothing and show the stored value.
    void refusedEntries_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("state"); // the meter's state to start from
        struct Row {
            const char* name;
            const char* steps;
            const char* control;
            const char* shown;
            const char* prompt;
            const char* state = "";
        };
        const Row rows[] = {
            {.name = "negative threshold",
             .steps = "type SetRlyFlowGT -5",
             .control = "SetRlyFlowGT",
             .shown = "300.0",
             .prompt = "The relay flow rate must be from 0 to 2881.55 G/Min."},
            {.name = "text as threshold",
             .steps = "type SetRlyFlowLT abc",
             .control = "SetRlyFlowLT",
             .shown = "0.0",
             .prompt = "Please enter Number"},
            {.name = "threshold without a flow factor",
             .steps = "type SetRlyFlowGT 50",
             .control = "SetRlyFlowGT",
             .shown = "300.0",
             .prompt = "The relay flow rates cannot be set while the flow conversion factor is "
                       "0. Send the pipe size and flow units first.",
             .state = "no pipe"},
            {.name = "range without a flow factor",
             .steps = "click chk420mA;type Ma_4FlowRate 50",
             .control = "Ma_4FlowRate",
             .shown = "0.0",
             .prompt = "The 4-20 mA flow range cannot be set while the flow conversion factor "
                       "is 0. Send the pipe size and flow units first.",
             .state = "no pipe"},
            {.name = "range ends equal",
             .steps = "click chk420mA;type Ma_4FlowRate 500;type Ma_20FlowRate 500;"
                      "click Send4_20",
             .control = "Ma_4FlowRate",
             .shown = "500.0",
             .prompt = "The flow rates at 4 mA and at 20 mA must differ."},
            {.name = "20 mA count below the 4 mA count",
             .steps = "click chk420mA;click Send4_20",
             .control = "Ma_4IntVal",
             .shown = "4.00",
             .prompt = "The output cannot be calibrated: its 20 mA count (500) is not above its "
                       "4 mA count (600). Read the page again, or calibrate with the 4-20 "
                       "Calibrate box.",
             .state = "counts 600 500"},
        };
        for (const Row& r : rows)
            QTest::newRow(r.name) << r.steps << r.control << r.shown << r.prompt << r.state;
    }

    void refusedEntries() {
        QFETCH(QString, steps);
        QFETCH(QString, state);
        QFETCH(QString, control);
        Rig rig;
        if (state == "no pipe")
            rig.model.state().pipeDiameterFt = 0;
        if (state == "counts 600 500") {
            rig.model.state().cal4mA = 600;
            rig.model.state().cal20mA = 500;
        }
        rig.openOutputPage();
        rig.acts(steps);
        QTEST(rig.get<QLineEdit>(qPrintable(control))->text(), "shown");
        QTEST(rig.prompts.texts().join('|'), "prompt");
        QVERIFY(!rig.sent().contains("MA,3,") && !rig.sent().contains("RY,2,"));
    }

    // Relay 1 "On" above 100 and off below 20, sent with "UpDate": relays
    // 2-4 go out as absent on a KR5 and as read on a KR4; the meter keeps it.
    void relayRecord_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<QByteArray>("record");
        // Groups of four relays: on above, off above, on below, off below,
        // the four thresholds of each, active; then power monitor and totalizer.
        const QByteArray senses1 = "0100000000000000";
        const QByteArray thresholds = "0000c842000000000000000000000000"  // on above 100
                                      "0000e143000000000000000000000000"  // off above 450
                                      "00000040000000400000004000000040"  // on below 2
                                      "0000a041000000000000000000000000"; // off below 20
        QTest::newRow("KR5") << 5
                             << senses1 + "0000010001000100" + "0000010001000100" + senses1 +
                                    thresholds + "0100000000000000" + "00000000";
        QTest::newRow("KR4") << 4
                             << senses1 + "0000000000000000" + "0000010001000100" + senses1 +
                                    thresholds + "0100050005000500" + "00000000";
    }

    void relayRecord() {
        QFETCH(int, unitType);
        QFETCH(QByteArray, record);
        Rig rig(unitType);
        rig.model.state().relayInts[0] = {0, 0, 0, 0}; // relay 1 off above at first
        rig.model.state().relayInts[1] = {1, 0, 0, 0};
        rig.openOutputPage();
        QCOMPARE(rig.shows("CondSetRlyOff") + " " + rig.shows("RlyOffOn"), QString("checked On"));
        rig.acts("click CondSetRlyOn;type SetRlyFlowGT 100;type SetRlyFlowLT 20;click ActRlyYes");
        QVERIFY(rig.sent().isEmpty());
        rig.act("click RlyUpdate");
        QCOMPARE(rig.sent(), Flush + "RY,2," + QByteArray::fromHex(record) + "\n");
        rig.tick();
        rig.w.setupDialog()->relays().Relaysdata();
        QCOMPARE(rig.shows("SetRlyFlowGT") + " " + rig.shows("SetRlyFlowLT") + " " +
                     rig.shows("CondSetRlyOn"),
                 QString("100.0 20.0 checked"));
        QCOMPARE(rig.model.state().relaySingles[3][0], 20.0f);
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // A meter that never acknowledges calibration mode is bounded: the user
    // is told once and the box is cleared.
    void calibrationNeverAcknowledged() {
        Rig rig;
        rig.openOutputPage();
        rig.model.faults().neverOk = true;
        rig.act("click CalModeChecked");
        rig.tick();
        QCOMPARE(rig.sent().count("MA,1,1\n"), 10);
        QCOMPARE(rig.prompts.texts(),
                 QStringList("The meter did not acknowledge the setting \"MA,1,1\", so it may "
                             "not have been changed. Check the connection to the meter and try "
                             "again."));
        QVERIFY(!rig.get<QAbstractButton>("CalModeChecked")->isChecked());
        QVERIFY(rig.get<QGroupBox>("SingleRly(0)")->isEnabled());
    }

    // Closing the program during a relay test or a forced current ends it
    // with one exchange, also when the close comes inside a read, and the
    // program is gone within a second.
    void exitReleasesTheMeter_data() {
        QTest::addColumn<QString>("steps"); // "four ..." and "one ..." act in the relay windows
        QTest::addColumn<bool>("insideRead");
        QTest::addColumn<QByteArray>("release");
        QTest::addColumn<bool>("byMenu"); // File > Exit instead of the close button
        QTest::newRow("four-relay test")
            << "click DoRelays14;four click RlyTestFormSel;four click RlyTstOn(1)" << false
            << Flush + "RY,9,\t\n"
            << false;
        QTest::newRow("four-relay test, File > Exit")
            << "click DoRelays14;four click RlyTestFormSel;four click RlyTstOn(1)" << false
            << Flush + "RY,9,\t\n"
            << true;
        QTest::newRow("relay 1 test")
            << "click RlyTestFormSel;one click RlyTstOn(1)" << false << Flush + "RY,5\n"
            << false;
        QTest::newRow("forced 20 mA")
            << "click CalModeChecked;tick;click Output4or20(1)" << false << Flush + "MA,1,2\n"
            << false;
        QTest::newRow("forced 4 mA, inside a read")
            << "click CalModeChecked;tick" << true << Flush + "MA,1,2\n"
            << false;
    }

    void exitReleasesTheMeter() {
        QFETCH(QString, steps);
        QFETCH(bool, insideRead);
        QFETCH(bool, byMenu);
        Rig rig;
        frmBSetup& d = rig.openOutputPage();
        for (const QString& step : steps.split(';')) {
            RelayFrames& r = d.relays();
            if (step.startsWith("four "))
                rig.act(step.mid(5), r.relayWindow());
            else if (step.startsWith("one "))
                rig.act(step.mid(4), r.relay1Window());
            else
                rig.act(step);
        }
        QVERIFY(rig.model.state().calibrating || rig.model.state().relayTests[0] == 1);
        int ended = 0;
        rig.w.endProgram = [&] { ++ended; };
        qint64 closedAt = -1;
        qsizetype writtenAtClose = 0;
        const auto closeNow = [&] {
            closedAt = rig.waiter.now();
            writtenAtClose = rig.sim.written().size();
            if (byMenu)
                rig.w.findChild<QAction*>("mnuExit")->trigger();
            else
                rig.w.close();
        };
        if (insideRead) {
            rig.waiter.onYield = [&] {
                if (closedAt < 0 && rig.link.exchangeInProgress() &&
                    rig.sim.written().endsWith("MA,0\n"))
                    closeNow();
            };
            d.CalPollDue = true;
            rig.tick();
        } else {
            closeNow();
        }
        QVERIFY(closedAt >= 0);
        QTEST(rig.sim.written().mid(writtenAtClose), "release");
        QVERIFY(rig.waiter.now() - closedAt < 1000);
        QCOMPARE(ended, 1);
        QVERIFY(!rig.model.state().calibrating);
        QCOMPARE(rig.model.state().relayTests, (std::array<quint8, 4>{}));
        QVERIFY(!rig.sim.isOpen());
    }

    // A 4-20 mA record that could not be read in this opening is never
    // written back, nor calibrated from: the user is told instead.
    void outputRecordNotRead() {
        Rig rig;
        rig.model.state().cal4mA = 600;
        rig.model.state().cal20mA = 4000;
        rig.w.Form_Load();
        rig.tick();
        rig.tick();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        // The meter is silent while the dialog opens and shows the page.
        rig.model.faults().silent = true;
        rig.tick();
        rig.act("page 2");
        rig.model.faults().silent = false;
        rig.sent();
        rig.prompts.clearRecord();
        rig.acts("click chk420mA;type Ma_20FlowRate 400;click Send4_20;click CalModeChecked");
        const QString notRead = "The 4-20 mA settings have not been read from the meter since this "
                                "dialog was opened, so nothing was sent: the meter's calibration "
                                "would be overwritten with figures it never gave. Check the "
                                "connection to the meter and show the Output Options page again.";
        QCOMPARE(rig.prompts.texts(), QStringList({notRead, notRead}));
        QVERIFY(rig.sent().isEmpty());
        QVERIFY(!rig.get<QAbstractButton>("chk420mA")->isChecked() &&
                !rig.get<QAbstractButton>("CalModeChecked")->isChecked());
        QCOMPARE(rig.model.state().cal4mA * 10000 + rig.model.state().cal20mA, 6004000);
    }

    // A stored 20 mA count of 0 is full scale wherever the count is used:
    // forcing 20 mA, the current shown, the slider; the meter's keep-alive
    // leaves the forced count as it is.
    void storedFullScale() {
        Rig rig;
        rig.model.state().cal4mA = 600;
        rig.model.state().cal20mA = 0;
        frmBSetup& d = rig.openOutputPage();
        rig.act("click CalModeChecked");
        rig.tick();
        rig.sent();
        rig.act("click Output4or20(1)");
        QCOMPARE(rig.sent(), Flush + hex("4d412c322c322cff0f") + "\n");
        QCOMPARE(rig.shows("mAcurrentVal"), QString("20.0"));
        // Half way between 600 and 4095: 2347.5, rounded up.
        auto* slider = rig.get<QSlider>("Slider1");
        slider->setValue(slider->maximum() / 2);
        emit slider->sliderReleased();
        d.CalPollDue = true;
        rig.tick();
        QVERIFY(rig.sent().startsWith(Flush + hex("4d412c322c332c2c09") + "\n"));
        d.CalPollDue = true;
        rig.tick();
        QCOMPARE(rig.model.state().forcedCount, qint16(2348));
        QCOMPARE(rig.shows("mAcurrentVal"), QString("12.0"));
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // Without a meter the page and its windows send nothing, whatever the user does.
    void withoutMeter() {
        Rig rig;
        rig.model.faults().silent = true;
        rig.w.Form_Load();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        rig.w.setupDialog()->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(
            frmBSetup::OutputPage);
        rig.prompts.clearRecord();
        rig.sent();
        rig.acts("click CalModeChecked;click chk420mA;type Ma_20FlowRate 5;click Send4_20;"
                 "click CondSetRlyOff;click RlyUpdate;click RlyTestFormSel");
        rig.act("click RlyTstOn(1)", rig.w.setupDialog()->relays().relay1Window());
        rig.w.setupDialog()->relays().relay1Window()->close();
        rig.w.setupDialog()->close();
        QVERIFY(rig.sent().isEmpty());
        QVERIFY(!rig.get<QAbstractButton>("CalModeChecked")->isChecked());
    }

    // Relay 1 as the totalizer relay locks the relay controls out.
    void totalizerRelayLocksRelay1() {
        Rig rig;
        rig.model.state().totalizerRelay = 1;
        rig.openOutputPage();
        QCOMPARE(rig.get<QAbstractButton>("DoRelays14")->text(),
                 QString("Relay 1 used as TOTALIZER RELAY"));
        QVERIFY(!rig.get<QGroupBox>("SingleRly(0)")->isEnabled() &&
                !rig.get<QGroupBox>("SelRely14")->isEnabled());
    }

    // The single-relay test: "On" sends the test states, polling waits while
    // the window is shown, closing it ends the test.
    void singleRelayTest() {
        Rig rig;
        rig.openOutputPage();
        rig.act("click RlyTestFormSel");
        frmTstRly1* t = rig.w.setupDialog()->relays().relay1Window();
        QVERIFY(t && t->isVisible() && rig.w.flags().RelayTestOpen);
        QCOMPARE(t->windowTitle(), QString("Relay"));
        rig.act("click RlyTstOn(1)", t);
        QCOMPARE(rig.sent(), Flush + hex("52592c332c01000000") + "\n");
        QCOMPARE(rig.model.state().relayTests[0], quint8(1));
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QVERIFY(rig.sent().isEmpty());
        rig.act("click Command1", t);
        QVERIFY(!t->isVisible() && !rig.w.flags().RelayTestOpen);
        QCOMPARE(rig.sent(), Flush + "RY,5\n");
        QCOMPARE(rig.model.state().relayTests[0], quint8(0));
        rig.tick();
        QVERIFY(rig.sent().contains("MA,0\n"));
    }

    // The four-relay window on each model: what it shows, its test, its end.
    void fourRelayWindow_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<QString>("frames"); // title of each relay frame, "-" when disabled
        QTest::newRow("KR5") << 5
                             << "Relay 1|Relay 2 Not Available-|Relay 3 Not Available-|"
                                "Relay 4 Not Available-";
        QTest::newRow("KR4") << 4 << "Relay 1|Relay 2|Relay 3|Relay 4";
    }

    void fourRelayWindow() {
        QFETCH(int, unitType);
        Rig rig(unitType);
        rig.model.state().relayTests = {0, 0, 1, 0};
        rig.openOutputPage();
        rig.act("click DoRelays14");
        TstRlys4* t = rig.w.setupDialog()->relays().relayWindow();
        QVERIFY(t && t->isVisible());
        QCOMPARE(rig.sent(), Flush + "RY,1\n");
        QStringList frames;
        for (const char* name : {"Rly1Frame", "Rly2Frame", "Rly3Frame", "Rly4Frame"}) {
            auto* f = rig.get<QGroupBox>(name, t);
            frames << f->title() + (f->isEnabled() ? "" : "-");
        }
        QTEST(frames.join('|'), "frames");
        QCOMPARE(rig.get<QAbstractButton>("RlyTstOn(3)", t)->isChecked(), true);
        // "UpDate" sends the relay record, then the stored totalizer relay value again.
        rig.act("click RlyUpdate", t);
        const QByteArray update = rig.sent();
        QVERIFY(update.startsWith(Flush + "RY,2,"));
        QVERIFY(update.endsWith("\n" + Flush + "GT,5,0\n"));
        rig.acts("click RlyTestFormSel;click RlyTstOn(1)", t);
        QCOMPARE(rig.sent(), Flush + hex("52592c332c01000100") + "\n");
        QVERIFY(t->Timer1().isActive());
        t->close();
        QCOMPARE(rig.sent(), Flush + hex("52592c392c09") + "\n");
        QCOMPARE(rig.model.state().relayTests, (std::array<quint8, 4>{}));
    }

    // The power monitor: losses shown, reset with "Yes", relay 4 choice not
    // sent on a KR5.
    void powerMonitor_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<QByteArray>("relayWire");
        QTest::newRow("KR4") << 4 << Flush + "RY,4,1\n";
        QTest::newRow("KR5") << 5 << QByteArray();
    }

    void powerMonitor() {
        QFETCH(int, unitType);
        Rig rig(unitType);
        rig.openOutputPage();
        rig.w.setupDialog()->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(
            frmBSetup::LimitsPage);
        QCOMPARE(rig.shows("Text3"), QString("Power Lost  3  times"));
        QCOMPARE(rig.shows("Rly4PwrMon(1)"), QString("checked"));
        rig.sent();
        rig.act("click ResetPwrMonitor(1)");
        QVERIFY(rig.sent().startsWith(Flush + "LR,4\n" + Flush + "LR,0\n"));
        QCOMPARE(rig.shows("Text3"), QString("Power Continuous"));
        rig.act("click Rly4PwrMon(0)");
        rig.act("click Rly4PwrMon(1)");
        QTEST(rig.sent().right(unitType == 4 ? 9 : 0), "relayWire");
    }

    // Closing the dialog while calibrating ends the calibration, even when
    // the meter's record says the output was calibrated before.
    void closingWhileCalibrating() {
        Rig rig;
        frmBSetup& d = rig.openOutputPage();
        rig.act("click CalModeChecked");
        rig.tick();
        QVERIFY(rig.model.state().calibrating);
        rig.sent();
        d.close();
        QCOMPARE(rig.sent(), Flush + "MA,1,2\n");
        QVERIFY(!rig.model.state().calibrating);
    }

    // The page and the relay windows on each model, laid out readably. With
    // CORVANE_SETUP_SHOTS set to a folder, each is saved there.
    void windowsReadable_data() {
        QTest::addColumn<int>("unitType");
        QTest::newRow("KR5") << 5;
        QTest::newRow("KR4") << 4;
        QTest::newRow("KR3") << 3;
    }

    void windowsReadable() {
        QFETCH(int, unitType);
        Rig rig(unitType);
        frmBSetup& d = rig.openOutputPage();
        // The KR3 has no relay window: its page is looked at while calibrating.
        if (unitType == 3) {
            rig.act("click CalModeChecked");
            rig.tick();
        }
        rig.act("click DoRelays14");
        TstRlys4* four = rig.w.setupDialog()->relays().relayWindow();
        if (unitType != 3)
            rig.act("click RlyTestFormSel", four);
        rig.act("click RlyTestFormSel");
        frmTstRly1* one = rig.w.setupDialog()->relays().relay1Window();
        const QString shots = qEnvironmentVariable("CORVANE_SETUP_SHOTS");
        for (QWidget* w :
             {static_cast<QWidget*>(&d), static_cast<QWidget*>(four), static_cast<QWidget*>(one)}) {
            if (!w || !w->isVisible())
                continue;
            w->adjustSize();
            checkReadable(w, w, w->objectName());
            if (!shots.isEmpty())
                w->grab().save(QString("%1/%2-KR%3.png").arg(shots, w->objectName()).arg(unitType));
        }
        d.findChild<QTabWidget*>("SSTab1")->setCurrentIndex(frmBSetup::LimitsPage);
        if (!shots.isEmpty())
            d.grab().save(QString("%1/power-KR%2.png").arg(shots).arg(unitType));
        if (one)
            one->close();
        if (four)
            four->close();
    }
};

QTEST_MAIN(tst_outputpage)
#include "tst_outputpage.moc"
