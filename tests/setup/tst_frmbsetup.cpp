// The setup dialog against the simulated meter on the virtual clock, opened
// from the main window's menu: what it reads, what each control sends to the
// byte, and what the user sees when the meter refuses.
#include "SetupRig.h"
#include "monitor/frmPleaseWait.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSet>

namespace {

using Rig = SetupRig;

const QString NoAck = "The meter did not acknowledge the setting \"%1\" after 10 tries, so it "
                      "may not have been changed. Check the connection to the meter and try "
                      "again.";
// The same for a setting sent once or counted.
const QString NoOk = "The meter did not acknowledge the setting \"%1\", so it may not have "
                     "been changed. Check the connection to the meter and try again.";

// What each model shows of the parts that depend on it.
QString layoutOf(SetupRig& rig) {
    QStringList frames;
    for (const char* name : {"Frame1(1)", "Frame8", "DisplayOptions", "Frame13(1)", "RlyPwrMonPan"})
        frames << QString(name) + (rig.get(name)->isHidden() ? "-" : "");
    return QString::number(rig.get<QComboBox>("FlowUnitSel")->count()) +
           QString::number(rig.get<QComboBox>("TotUnitsTxt")->count()) + "|" + frames.join(' ');
}

} // namespace

class tst_frmbsetup : public QObject {
    Q_OBJECT
private slots:
    // Opening reads the pipe record, the learn data, the totals and the
    // output record, in the polling cycle's tick, behind the please-wait
    // window; no flow read while open. After a reconnection to another
    // model the dialog is laid out for that one.
    void openingOnEachModel_data() {
        QTest::addColumn<int>("unitType");
        QTest::addColumn<int>("nextType");
        QTest::addColumn<QString>("layout"); // flow and total units|frames shown, in order
        const QString kr5 = "76|Frame1(1) Frame8 DisplayOptions Frame13(1) RlyPwrMonPan-";
        const QString kr4 = "88|Frame1(1) Frame8 DisplayOptions- Frame13(1)- RlyPwrMonPan";
        const QString kr3 = "88|Frame1(1)- Frame8- DisplayOptions- Frame13(1)- RlyPwrMonPan-";
        QTest::newRow("KR5, then KR4") << 5 << 4 << kr5 + "/" + kr4;
        QTest::newRow("KR4, then KR5") << 4 << 5 << kr4 + "/" + kr5;
        QTest::newRow("KR3, then KR5") << 3 << 5 << kr3 + "/" + kr5;
    }

    void openingOnEachModel() {
        QFETCH(int, unitType);
        QFETCH(int, nextType);
        Rig rig(unitType);
        rig.w.Form_Load();
        rig.tick();
        rig.tick();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        QVERIFY(rig.w.pleaseWait()->isVisible() && rig.w.pleaseWait()->gotsysconfig()->isHidden());
        QVERIFY(!rig.w.flags().LiveMonitorActive && !rig.w.setupDialog());
        rig.sent();
        rig.tick();
        frmBSetup& d = *rig.w.setupDialog();
        QCOMPARE(rig.sent(),
                 Flush + "PD,0\n" + Flush + "LR,0\n" + Flush + "GT,0\n" + Flush + "MA,0\n");
        QVERIFY(d.isVisible() && rig.w.flags().SetupOpen && !rig.w.pleaseWait()->isVisible());
        // The live page is not read meanwhile: its values are dimmed.
        auto* flow = rig.w.findChild<QLabel*>("FlowValText");
        QVERIFY(!flow->isEnabled());
        QCOMPARE(d.windowTitle(), QString("Unit Setup"));
        const QString first = layoutOf(rig);
        // The simulated meter: 0.50542 ft, inches, cast iron, gallons per minute.
        QCOMPARE(
            QStringList({rig.shows("PipeIDTxt"), rig.shows("RoughSel"), rig.shows("FlowUnitSel"),
                         rig.shows("TimeUnitSel"), rig.shows("DampText"), rig.shows("Label27")}),
            QStringList({"6.065", "Cast Iron", "US Gal", "Min.", "10", "G/Min"}));
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QVERIFY(!rig.sent().contains("FD,0,"));

        // Closing resumes the live page.
        d.close();
        QVERIFY(!rig.w.flags().SetupOpen && rig.w.flags().LiveMonitorActive &&
                rig.w.Timer1().isActive());
        rig.tick();
        QVERIFY(rig.sent().contains("FD,0,") && flow->isEnabled());
        QVERIFY(rig.prompts.shown.isEmpty());

        rig.model.state().unitType = nextType;
        QVERIFY(rig.w.EstablishCommunication());
        rig.tick();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        rig.tick();
        QTEST(first + "/" + layoutOf(rig), "layout");
    }

    // Opening and closing the dialog writes nothing unless the output record
    // read at the opening says the meter is still calibrating.
    void openAndClose_data() {
        QTest::addColumn<int>("calFinished");
        QTest::addColumn<bool>("silentOutput");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("calibrated") << 1 << false << QByteArray();
        QTest::newRow("not calibrated") << 0 << false << Flush + "MA,1,2\n";
        QTest::newRow("record not read") << 0 << true << QByteArray();
    }

    void openAndClose() {
        QFETCH(int, calFinished);
        QFETCH(bool, silentOutput);
        Rig rig;
        rig.model.state().calFinished = qint16(calFinished);
        rig.w.Form_Load();
        rig.tick();
        rig.tick();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        // The meter falls silent after the totals, before the output record.
        rig.waiter.onYield = [&] {
            if (silentOutput && rig.sim.written().endsWith("GT,0\n"))
                rig.model.faults().silent = true;
        };
        rig.tick();
        rig.waiter.onYield = nullptr;
        rig.model.faults().silent = false;
        rig.sent();
        rig.w.setupDialog()->close();
        QTEST(rig.sent(), "wire");
    }

    // Every page laid out on the smaller and the larger model: no control
    // narrower than it needs, none outside its frame. With
    // CORVANE_SETUP_SHOTS set to a folder, each page is saved there.
    void pagesReadable_data() {
        QTest::addColumn<int>("unitType");
        QTest::newRow("KR5") << 5;
        QTest::newRow("KR4") << 4;
        QTest::newRow("KR3") << 3;
    }

    void pagesReadable() {
        QFETCH(int, unitType);
        Rig rig(unitType);
        frmBSetup& d = rig.open();
        auto* tabs = rig.get<QTabWidget>("SSTab1");
        const QString shots = qEnvironmentVariable("CORVANE_SETUP_SHOTS");
        for (int page = 0; page < tabs->count(); ++page) {
            rig.act(QString("page %1").arg(page));
            rig.tick();
            d.adjustSize();
            QWidget* shown = tabs->currentWidget();
            checkReadable(&d, shown, QString("on page %1").arg(page));
            if (!shots.isEmpty())
                d.grab().save(
                    QString("%1/setup-KR%2-page%3.png").arg(shots).arg(unitType).arg(page));
        }
    }

    // Visiting every page for a few ticks reads, and never sends a setting.
    void visitingPagesSendsNoSetting() {
        Rig rig;
        rig.open();
        const qsizetype before = rig.model.received().size();
        QByteArray wire;
        for (int page : {1, 2, 3, 0, 3}) {
            rig.act(QString("page %1").arg(page));
            for (int i = 0; i < 3; ++i)
                rig.tick();
            wire += rig.sent();
        }
        QStringList commands;
        for (const MeterModel::Received& r : rig.model.received().mid(before))
            commands << QString::fromLatin1(r.command.left(6));
        commands.removeDuplicates();
        commands.sort();
        QCOMPARE(commands,
                 QStringList({"DT,0", "LR,0", "MA,0", "MD,0", "MD,3,0", "PD,0", "SC,0,", "VR,0"}));
        QCOMPARE(wire.count("MD,3,0\n"), 6);
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // Choosing units changes nothing outside the dialog until the meter has
    // taken them; then the live units follow and the channel record is read.
    void unitsChangeOnlyWithSend() {
        Rig rig;
        rig.open();
        const float factor = rig.w.config().FlowPerVelocity;
        rig.act("pick FlowUnitSel 4");
        rig.act("pick TimeUnitSel 2");
        rig.tick();
        QCOMPARE(rig.shows("g_flow_conv_fact"), QString("20.4546"));
        QCOMPARE(rig.shows("Label27") + "|" + rig.w.config().FlowUnitLabel, QString("G/Min|G/Min"));
        QCOMPARE(rig.w.config().FlowPerVelocity, factor);
        QVERIFY(!rig.sent().contains("PD,1,"));
        rig.act("click SendPipe");
        QVERIFY(rig.sent().startsWith(Flush + hex("50442c312c3563013f00010402") + "\n"));
        QCOMPARE(rig.w.config().FlowUnitLabel, QString("M3/Hr"));
        QVERIFY(rig.w.flags().NeedSSConfig);
        rig.tick();
        QVERIFY(rig.sent().contains("CC,0,\n"));
        QCOMPARE(rig.shows("Label27") + "|" + rig.shows("LowFlowCutText"), QString("M3/Hr|4.09"));
    }

    // A meter that keeps answering "Bad OPCode" to the page's refresh read is
    // told once, and again only after a read has succeeded in between.
    void badOpCodeToldOnce() {
        Rig rig;
        rig.open();
        rig.act("page 3");
        rig.model.faults().badOpCommands = 1000;
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QCOMPARE(rig.prompts.texts(), QStringList{"Bad op code"});
        rig.model.faults().badOpCommands = 0;
        rig.tick();
        rig.model.faults().badOpCommands = 1000;
        rig.tick();
        rig.tick();
        QCOMPARE(rig.prompts.texts().count("Bad op code"), 2);
    }

    // Without a meter the dialog opens at once with its design-time contents
    // and sends nothing, whatever the user does.
    void withoutMeter() {
        Rig rig;
        rig.model.faults().silent = true;
        rig.w.Form_Load();
        rig.prompts.clearRecord();
        rig.sent();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        frmBSetup* d = rig.w.setupDialog();
        QVERIFY(d && d->isVisible() && !rig.w.flags().SetupOpen);
        QCOMPARE(rig.shows("PipeIDTxt") + "|" + rig.shows("DampText"), QString("|"));
        rig.act("type DampText 5");
        rig.act("type PipeIDTxt 6");
        rig.act("click SendPipe");
        rig.act("click UseRemote0OnOff(2)");
        QVERIFY(rig.sent().isEmpty() && rig.prompts.shown.isEmpty());
        QCOMPARE(rig.shows("DampText") + "|" + rig.shows("UseRemote0OnOff(2)"), QString("0|clear"));
        d->close();
        QVERIFY(!rig.w.Timer1().isActive());
    }

    // Opened without a meter after a connection, the dialog shows none of
    // that meter's values, on any page or after a refused entry; a meter
    // connected again fills it afresh.
    void withoutMeterAfterAConnection() {
        Rig rig;
        frmBSetup& first = rig.open();
        QCOMPARE(rig.shows("PipeIDTxt") + "|" + rig.shows("DampText"), QString("6.065|10"));
        first.close();
        rig.model.faults().hangUp = true;
        rig.tick();
        rig.model.faults().hangUp = false;
        QVERIFY(!rig.link.connection().connected());
        rig.prompts.clearRecord();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        QVERIFY(rig.w.setupDialog()->isVisible());
        QStringList shown;
        for (int page : {1, 2, 3, 0}) {
            rig.act(QString("page %1").arg(page));
            // Zeros and the computer's date are what a program that never
            // met a meter shows.
            for (auto* box : rig.w.setupDialog()->findChildren<QLineEdit*>()) {
                const QString text = box->text().trimmed();
                bool number = false;
                const bool zero = text.toDouble(&number) == 0 && number;
                if (!text.isEmpty() && !zero &&
                    !QStringList{"SelMonth", "DaySet", "YrSet"}.contains(box->objectName()))
                    shown << box->objectName() + "=" + text;
            }
        }
        rig.act("type DampText 5");
        shown.removeDuplicates();
        QCOMPARE(shown, (QStringList{"Text3=Power Continuous", "RlyOffOn=Off"}));
        QCOMPARE(rig.shows("DampText"), QString("0"));
        QVERIFY(rig.sent().isEmpty());
        rig.w.setupDialog()->close();

        QVERIFY(rig.w.EstablishCommunication());
        rig.tick();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        rig.tick();
        QCOMPARE(rig.shows("PipeIDTxt") + "|" + rig.shows("DampText"), QString("6.065|10"));
    }

    // The master erase reads the pipe page of an open dialog again.
    void masterEraseWhileOpen() {
        Rig rig;
        rig.open();
        rig.prompts.answers = {Prompts::Answer::Yes};
        rig.w.findChild<QAction*>("mnuMasterErase")->trigger();
        QVERIFY(rig.sent().contains("MR,1\n" + Flush + "CC,0,\n" + Flush + "PD,0\n"));
    }

    // Each control sends its command once, to the byte; the meter stores it
    // and the dialog shows it after closing and opening again.
    void settings_data() {
        // start: "neverOk", "inside a read" or "manual range 2"; shown is
        // checked again after reopening.
        const QByteArray ok = "";
        const SettingsRow rows[] = {
            {.name = "6 inches, then Send",
             .steps = "type PipeIDTxt 6;click SendPipe",
             // The meter's cut-off of 0.1 ft/s is below the minimum: raised.
             .wire = Flush + hex("50442c312c0000003f00010001") + "\n" + Flush +
                     hex("4c4d2c332ccdcc4c3e") + "\n",
             .shown = "PipeIDTxt=6.000|LowVelCutoff=0.2"},
            {.name = "152.4 mm, then Send",
             .steps = "pick PipeUnitSel 1;type PipeIDTxt 152.4;pick TimeUnitSel 2;click SendPipe",
             .wire = Flush + hex("50442c312c0000003f01010002") + "\n" + Flush +
                     hex("4c4d2c332ccdcc4c3e") + "\n",
             .shown = "PipeIDTxt=152.4|Label27=G/Hr"},
            {.name = "damping 2560, acknowledged at once",
             .steps = "type DampText 2560",
             .wire = Flush + hex("4c4d2c312c000a") + "\n",
             .shown = "DampText=2560"},
            {.name = "damping unchanged", .steps = "type DampText 10", .wire = ok},
            {.name = "damping with a space",
             .steps = "type DampText 1 2",
             .wire = ok,
             .prompts = {"Please enter Number"},
             .shown = "DampText=10"},
            {.name = "damping out of range",
             .steps = "type DampText 40000",
             .wire = ok,
             .prompts = {"Damping must be a whole number from 0 to 32767."},
             .shown = "DampText=10"},
            {.name = "low-flow cut-off below the minimum",
             .steps = "type LowFlowCutText 1",
             .wire = Flush + hex("4c4d2c332ccdcc4c3e") + "\n",
             .shown = "LowVelCutoff=0.2"},
            {.name = "site calibration, then the pipe read again",
             .steps = "type SiteCalText 1.5",
             .wire = Flush + hex("4c4d2c342c0000c03f") + "\n" + Flush + "PD,0\n",
             .shown = "SiteCalText=1.5"},
            {.name = "never OK: site calibration, counted once",
             .steps = "type SiteCalText 1.5",
             .wire = Flush + hex("4c4d2c342c0000c03f") + "\n",
             .prompts = {NoOk.arg("LM")},
             .shown = "SiteCalText=1.0",
             .start = "neverOk"},
            {.name = "never OK: meter display, sent once",
             .steps = "click DispFlowVel(2)",
             .wire = Flush + hex("4c4d2c322c0100") + "\n",
             .prompts = {NoOk.arg("LM")},
             .shown = "DispFlowVel(1)=checked",
             .start = "neverOk"},
            {.name = "remote zero on",
             .steps = "click UseRemote0OnOff(2)",
             .wire = Flush + hex("4c4d2c352c0100") + "\n",
             .shown = "UseRemote0OnOff(2)=checked"},
            {.name = "meter display velocity",
             .steps = "click DispFlowVel(2)",
             .wire = Flush + hex("4c4d2c322c0100") + "\n",
             .shown = "DispFlowVel(2)=checked"},
            {.name = "signal cut-offs",
             .steps = "page 3;type SigStrengthCutoff 25;type SigQtyCutoff 40.5",
             .wire = Flush + hex("4d442c352c0000c841") + "\n" + Flush + hex("4d442c362c00002242") +
                     "\n",
             .shown = "SigStrengthCutoff=25.0|SigQtyCutoff=40.5"},
            {.name = "transmit power regular, then asked",
             .steps = "page 3;click TXPow(1)",
             .wire = Flush + "MD,3,1\n" + Flush + "MD,3,0\n",
             .shown = "TXPow(1)=checked"},
            {.name = "transmit power already high", .steps = "page 3;click TXPow(2)", .wire = ok},
            {.name = "XQ mode on",
             .steps = "page 3;click XQMode(2)",
             .wire = Flush + "MD,4,1\n",
             .shown = "XQMode(2)=checked"},
            {.name = "XQ mode on, clicked during the page's read",
             .steps = "page 3;click XQMode(2)",
             .wire = Flush + "MD,3,0\n" + Flush + "MD,4,1\n",
             .shown = "XQMode(2)=checked",
             .start = "inside a read"},
            {.name = "fast learn", .steps = "page 3;click QuickLrn(1)", .wire = Flush + "LR,2,2\n"},
            {.name = "review learn",
             .steps = "page 3;click ReLearnButton",
             .wire = Flush + "LR,9\n"},
            {.name = "overrides LFO",
             .steps = "page 3;pick OverRides 2",
             .wire = Flush + hex("4c522c332c0200") + "\n",
             .shown = "OverRides=LFO"},
            {.name = "overrides unchanged", .steps = "page 3;pick OverRides 0", .wire = ok},
            // The meter's range 4 ("16") goes along with the manual bit.
            {.name = "manual, then range 8",
             .steps = "page 3;click RangeModeSel(1);pick RangeSel 2",
             .wire = Flush + "LR,1,132\n" + Flush + "LR,1,131\n",
             .shown = "RangeModeSel(1)=checked|RangeSel=8"},
            {.name = "automatic on range 2",
             .steps = "page 3;click RangeModeSel(0)",
             .wire = Flush + "LR,1,1\n",
             .shown = "RangeModeSel(0)=checked|RangeSel=2",
             .start = "manual range 2"},
            {.name = "range while automatic",
             .steps = "page 3;pick RangeSel 2",
             .wire = ok,
             .prompts = {"Range MODE must be in Manual"},
             .shown = "RangeSel=16"},

            {.name = "never OK: damping",
             .steps = "type DampText 20",
             .wire = (Flush + hex("4c4d2c312c1400") + "\n").repeated(10),
             .prompts = {NoAck.arg("LM")},
             .shown = "DampText=10",
             .start = "neverOk"},
            {.name = "never OK: pipe, counted once",
             .steps = "pick FlowUnitSel 4;click SendPipe",
             .wire = Flush + hex("50442c312c3563013f00010401") + "\n",
             .prompts = {NoOk.arg("PD")},
             .shown = "FlowUnitSel=US Gal|Label27=G/Min",
             .start = "neverOk"},
            {.name = "never OK: range, counted twice",
             .steps = "page 3;click RangeModeSel(1)",
             .wire = (Flush + "LR,1,132\n").repeated(2),
             .prompts = {NoOk.arg("LR,1,132")},
             .shown = "RangeModeSel(0)=checked",
             .start = "neverOk"},
            {.name = "never OK: remote zero",
             .steps = "click UseRemote0OnOff(2)",
             .wire = (Flush + hex("4c4d2c352c0100") + "\n").repeated(10),
             .prompts = {NoAck.arg("LM")},
             .shown = "UseRemote0OnOff(1)=checked",
             .start = "neverOk"},
        };
        settingsTable(rows);
    }

    // Numbers no meter of this kind can hold are refused with the range,
    // nothing is sent and the control shows the meter's value.
    void ranges_data() {
        const QString pipe = "The pipe inside diameter must be from %1.";
        const QString cutoff = "The low flow cutoff must be from 0 to 2881.55 G/Min.";
        const QString siteCal = "The site calibration factor must be from 0.01 to 100.";
        const QString strength = "The signal strength cutoff must be from 0 to 100 %.";
        const SettingsRow rows[] = {
            {.name = "pipe 1e30 inches",
             .steps = "type PipeIDTxt 1e30;click SendPipe",
             .wire = "",
             .prompts = {pipe.arg("0.25 to 400 Inches")},
             .shown = "PipeIDTxt=6.065|g_flow_conv_fact=90.0485"},
            {.name = "pipe 0 inches",
             .steps = "type PipeIDTxt 0;click SendPipe",
             .wire = "",
             .prompts = {pipe.arg("0.25 to 400 Inches")},
             .shown = "PipeIDTxt=6.065"},
            {.name = "pipe 5 mm",
             .steps = "pick PipeUnitSel 1;type PipeIDTxt 5;click SendPipe",
             .wire = "",
             .prompts = {pipe.arg("6.35 to 10160 mm")},
             .shown = "PipeIDTxt=6.065|PipeUnitSel=Inches"},
            {.name = "low flow cutoff 1e30",
             .steps = "type LowFlowCutText 1e30",
             .wire = "",
             .prompts = {cutoff},
             .shown = "LowVelCutoff=0.1"},
            {.name = "low flow cutoff -5",
             .steps = "type LowFlowCutText -5",
             .wire = "",
             .prompts = {cutoff},
             .shown = "LowVelCutoff=0.1"},
            {.name = "site calibration 1e41",
             .steps = "type SiteCalText 1e41",
             .wire = "",
             .prompts = {siteCal},
             .shown = "SiteCalText=1.0"},
            {.name = "site calibration 0",
             .steps = "type SiteCalText 0",
             .wire = "",
             .prompts = {siteCal},
             .shown = "SiteCalText=1.0"},
            {.name = "signal strength 1e41",
             .steps = "page 3;type SigStrengthCutoff 1e41",
             .wire = "",
             .prompts = {strength},
             .shown = "SigStrengthCutoff=20.0"},
            {.name = "signal strength -5",
             .steps = "page 3;type SigStrengthCutoff -5",
             .wire = "",
             .prompts = {strength},
             .shown = "SigStrengthCutoff=20.0"},
            {.name = "signal quality 101",
             .steps = "page 3;type SigQtyCutoff 101",
             .wire = "",
             .prompts = {"The signal quality cutoff must be from 0 to 100 %."}},
            {.name = "flow at 4 mA 1e30",
             .steps = "page 2;click chk420mA;type Ma_4FlowRate 1e30",
             .wire = "",
             .prompts = {"The flow rate at 4 mA must be from -2881.55 to 2881.55 G/Min."}},
            {.name = "relay threshold 1e30",
             .steps = "page 2;type SetRlyFlowGT 1e30",
             .wire = "",
             .prompts = {"The relay flow rate must be from 0 to 2881.55 G/Min."}},
        };
        settingsTable(rows);
    }

    void ranges() { settings(); }

    // A choice waiting for the line is not undone by the refresh meanwhile,
    // and a choice made through the accessibility action is sent as a click.
    void choicesKeepTheirTurn() {
        Rig rig;
        frmBSetup& d = rig.open();
        for (const char* page : {"page 1", "page 0"}) {
            rig.act(page);
            rig.sent();
            const QString choice = page[5] == '1' ? "LogRates(2)" : "UseRemote0OnOff(2)";
            {
                LineOwner::Hold busy(rig.owner);
                rig.act("click " + choice);
                d.DoBSetup();
                QVERIFY(rig.get<QAbstractButton>(choice)->isChecked());
                rig.sent();
            }
            QCOMPARE(rig.sent(),
                     Flush + hex(page[5] == '1' ? "4c472c322c0200" : "4c4d2c352c0100") + "\n");
        }
        rig.act("page 3");
        rig.sent();
        QAccessibleInterface* xq = QAccessible::queryAccessibleInterface(rig.get("XQMode(2)"));
        QVERIFY(xq && xq->actionInterface());
        xq->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(rig.sent(), Flush + "MD,4,1\n");
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // Each box and list is named by its own caption, not its frame's, and
    // its caption takes it with Alt and a letter of its own on that page.
    void controlsNamedByTheirCaptions() {
        Rig rig;
        rig.open();
        auto* tabs = rig.get<QTabWidget>("SSTab1");
        for (int page = 0; page < tabs->count(); ++page) {
            QSet<QChar> letters;
            for (QLabel* label : tabs->widget(page)->findChildren<QLabel*>()) {
                if (!label->buddy())
                    continue;
                const int at = int(label->text().indexOf('&'));
                QVERIFY2(at >= 0, qPrintable(label->text()));
                const QChar letter = label->text()[at + 1].toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(label->text()));
                letters.insert(letter);
            }
            for (QWidget* box : tabs->widget(page)->findChildren<QWidget*>()) {
                if (!qobject_cast<QLineEdit*>(box) && !qobject_cast<QComboBox*>(box))
                    continue;
                const QString name =
                    QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name);
                auto* frame = qobject_cast<QGroupBox*>(box->parentWidget());
                QVERIFY2(!name.isEmpty() && (!frame || name != frame->title()),
                         qPrintable(box->objectName() + " " + name));
            }
        }
        QCOMPARE(rig.get("DampText")->accessibleName() + "|" +
                     rig.get("UseRemote0OnOff(2)")->accessibleName(),
                 QString("Damping|Remote Zero: On"));
        // Every frame, an inner one too, is named by its own title, and a list
        // in a frame of its own is labelled by that frame ("Update time").
        QStringList misnamed;
        for (QGroupBox* frame : rig.w.findChildren<QGroupBox*>()) {
            const QString name =
                QAccessible::queryAccessibleInterface(frame)->text(QAccessible::Name);
            if (!frame->title().isEmpty() && name != QString(frame->title()).remove('&'))
                misnamed << frame->objectName() + "=" + name;
        }
        QCOMPARE(misnamed, QStringList());
        QStringList labels;
        const auto relations = QAccessible::queryAccessibleInterface(rig.get("DispUpdateTime"))
                                   ->relations(QAccessible::Label);
        for (const auto& [label, kind] : relations)
            labels << label->text(QAccessible::Name);
        QVERIFY2(labels.contains("Update time"), qPrintable(labels.join(',')));
        // No two buttons of a page sound the same to a screen reader.
        QStringList same;
        for (int page = 0; page < tabs->count(); ++page) {
            QSet<QString> names;
            for (QPushButton* button : tabs->widget(page)->findChildren<QPushButton*>()) {
                const QString name =
                    QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
                if (names.contains(name))
                    same << button->objectName() + "=" + name;
                names.insert(name);
            }
        }
        QCOMPARE(same, QStringList());
    }

    void settings() {
        QFETCH(QString, steps);
        QFETCH(QString, start);
        QFETCH(QString, shown);
        Rig rig;
        if (start == "manual range 2") {
            rig.model.state().rangeMode = 1;
            rig.model.state().rangeCode = 129;
        }
        rig.open();
        rig.model.faults().neverOk = start == "neverOk";
        const QStringList actions = steps.split(';');
        QByteArray wire;
        for (const QString& step : actions) {
            const bool pageChange = step.startsWith("page");
            if (start == "inside a read" && !pageChange) {
                // The click comes while the tick waits for the meter's reply.
                bool clicked = false;
                rig.waiter.onYield = [&] {
                    if (!clicked && rig.link.exchangeInProgress()) {
                        clicked = true;
                        rig.act(step);
                    }
                };
                rig.tick();
                QVERIFY(clicked);
                rig.waiter.onYield = nullptr;
            } else {
                rig.act(step);
            }
            if (pageChange)
                rig.sent();
            else
                wire += rig.sent();
        }
        QTEST(wire, "wire");
        QTEST(rig.prompts.texts(), "prompts");
        QVERIFY(!rig.link.state().CommBusy && rig.owner.pending() == 0);
        if (shown.isEmpty())
            return;
        // What the controls show now, and after the meter's records are read
        // again (a meter that answers "NO" may have taken the value all the same).
        for (int pass = 0; pass < (start == "neverOk" ? 1 : 2); ++pass) {
            for (const QString& pair : shown.split('|')) {
                const QString name = pair.section('=', 0, 0);
                QCOMPARE(name + "=" + rig.shows(name.toLatin1().constData()), pair);
            }
            rig.model.faults().neverOk = false;
            rig.w.setupDialog()->close();
            rig.w.flags().NeedSSConfig = rig.w.flags().NeedLrnData = true;
            rig.w.flags().NeedSysConfig = true;
            for (int i = 0; i < 4; ++i)
                rig.tick();
            rig.w.findChild<QAction*>("mnusetup")->trigger();
            rig.tick();
            if (actions[0].startsWith("page"))
                rig.act(actions[0]);
            rig.tick();
        }
    }
};

QTEST_MAIN(tst_frmbsetup)
#include "tst_frmbsetup.moc"
