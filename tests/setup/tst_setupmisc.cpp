// The setup dialog's totalizer, display options, clock, logging, contrast,
// serial number and Misc. page against the simulated meter on the virtual
// clock: what each control sends to the byte and what the user sees.
#include "SetupRig.h"
#include "shared/ServiceSwitches.h"

namespace {

using Answer = Prompts::Answer;

struct Rig : SetupRig {
    explicit Rig(int unitType = 5) : SetupRig(unitType) {
        // A steady total: no flow is counted while a test runs.
        model.state().totalizerEnabled = 0;
    }
};

} // namespace

class tst_setupmisc : public QObject {
    Q_OBJECT
private slots:
    // Each control sends its command to the byte, asks what it must, and
    // shows what the meter holds afterwards.
    void settings_data() {
        // start: meter state as key=value, ',' between, or "neverOk"/"badOp".
        const QString ask = "This Will Cause the Totalizer to Reset - continue ?";
        const SettingsRow rows[] = {
            {.name = "unit M^3, Yes: set, reset once, read",
             .steps = "yes;pick TotUnitsTxt 4",
             .wire = Flush + "GT,3,4\n" + Flush + "GT,1\n" + Flush + "GT,0\n",
             .prompts = {ask},
             .shown = "TotUnitsTxt=M^3|Text1=0"},
            {.name = "unit M^3, No: nothing sent",
             .steps = "no;pick TotUnitsTxt 4",
             .wire = "",
             .prompts = {ask},
             .shown = "TotUnitsTxt=US Gal|Text1=1284517"},
            {.name = "stored unit: nothing asked",
             .steps = "pick TotUnitsTxt 0",
             .wire = "",
             .shown = "TotUnitsTxt=US Gal"},
            {.name = "multiplier x10, silent meter: written once, no reset",
             .steps = "yes;pick TotMultTxt 1",
             .wire = Flush + "GT,4,1\n",
             .prompts = {ask, "The meter did not acknowledge the setting \"GT,4,1\", so it may "
                              "not have been changed. Check the connection to the meter and try "
                              "again."},
             .shown = "TotMultTxt=x1|Text1=1284517",
             .start = "silent"},
            {.name = "123456 at x100",
             .steps = "",
             .wire = "",
             .shown = "Text1=1235|TotMultTxt=x100",
             .start = "total=123456,multiplier=2"},
            {.name = "unit 9 from the meter: no entry, no total",
             .steps = "",
             .wire = "",
             .shown = "TotUnitsTxt=|Text1=",
             .start = "unit=9"},
            {.name = "reset, silent meter: written once, the total as read",
             .steps = "yes;click TotResetButton",
             .wire = Flush + "GT,1\n",
             .prompts = {ask, "The meter did not confirm the totalizer reset, so the total may "
                              "not have been reset. The total shown is the one the meter last "
                              "reported."},
             .shown = "Text1=1284517",
             .start = "silent"},
            {.name = "totalizer off",
             .steps = "click TotEnabled(0)",
             .wire = Flush + "GT,2,0\n",
             .shown = "TotEnabled(0)=checked",
             .start = "enabled=1"},
            {.name = "relay 1 as totalizer relay",
             .steps = "click TotRly1(1)",
             .wire = Flush + "GT,5,1\n" + Flush + "RY,9,\t\n",
             .shown = "TotRly1(1)=checked"},
            {.name = "display: velocity, time and date, 16 s",
             .steps = "click FlowORVel(1);click DispTot(0);click DispSSSQ(0);pick DispUpdateTime "
                      "2;click SendDispSelect",
             .wire = Flush + "SC,2,521\n",
             .shown = "DispDateTime(1)=checked|DispUpdateTime=16"},
            {.name = "display: everything off",
             .steps = "click FlowORVel(0);click DispTot(0);click DispSSSQ(0);click "
                      "DispDateTime(0);click SendDispSelect",
             .wire = Flush + "SC,2,8\n",
             .shown = "DispDateTime(1)=checked|FlowORVel(0)=checked"},
            {.name = "clock 2006-07-05 14:03:09, read back",
             .steps = "page 1;type SetHr 14;type SetMin 3;type SetSec 9;type SelMonth 7;type "
                      "DaySet 5;type YrSet 2006;click SetTimeDate",
             .wire = Flush + "DT,1,140309,1060705\n" + Flush + "DT,0\n",
             .shown = "thishr=14|thismin=03|thissec=09|DispYear=2006"},
            {.name = "clock: seconds left empty",
             .steps = "page 1;type SetHr 1;type SetMin 2;type SetSec ;type SelMonth 1;type "
                      "DaySet 2;type YrSet 2030;click SetTimeDate",
             .wire = Flush + "DT,1,010200,1300102\n" + Flush + "DT,0\n"},
            {.name = "clock: 31 June refused",
             .steps = "page 1;type SetHr 1;type SetMin 2;type SelMonth 6;type DaySet 31;type "
                      "YrSet 2006;click SetTimeDate",
             .wire = "",
             .prompts = {"There is no day 31 in month 6 of 2006."}},
            {.name = "clock: minutes 3.5 refused",
             .steps = "page 1;type SetHr 2;type SetMin 3.5;type SelMonth 6;type DaySet 1;type "
                      "YrSet 2006;click SetTimeDate",
             .wire = "",
             .prompts = {"The minutes must be a whole number."}},
            {.name = "logging on, then both records read",
             .steps = "page 1;click LogOffOn(1);tick;tick",
             // Each tick reads one record, then the page's clock.
             .wire = Flush + hex("4c472c312c0100") + "\n" + Flush + Flush + "SC,0,\n" + Flush +
                     "DT,0\n" + Flush + "LR,0\n" + Flush + "DT,0\n",
             .shown = "LogOffOn(1)=checked",
             .start = "logging=0"},
            {.name = "logging already on: nothing sent",
             .steps = "page 1;click LogOffOn(1)",
             .wire = ""},
            {.name = "logging off, never acknowledged: six sends, stays on",
             .steps = "page 1;click LogOffOn(0)",
             .wire = (Flush + hex("4c472c312c0000") + "\n").repeated(6),
             .prompts = {"The meter did not acknowledge switching logging off after 6 tries, "
                         "so logging stays on. Check the connection to the meter and try "
                         "again."},
             .shown = "LogOffOn(1)=checked",
             .start = "neverOk"},
            {.name = "log rate 5",
             .steps = "page 1;click LogRates(2)",
             .wire = Flush + hex("4c472c322c0200") + "\n",
             .shown = "LogRates(2)=checked"},
            {.name = "contrast 12",
             .steps = "page 3;type ContrastVal 12;click SndContrast",
             .wire = Flush + "MD,2,12\n",
             .shown = "ContrastVal=12"},
            {.name = "contrast one up, then Send",
             .steps = "page 3;click UpDown1(up);click SndContrast",
             .wire = Flush + "MD,2,8\n",
             .shown = "ContrastVal=8"},
            {.name = "contrast 9 by the mouse",
             .steps = "page 3;type ContrastVal 9;release ContrastVal",
             .wire = Flush + "MD,2,9\n",
             .shown = "ContrastVal=9"},
            {.name = "contrast 9 by the mouse, never OK: sent twice",
             .steps = "page 3;type ContrastVal 9;release ContrastVal",
             .wire = (Flush + "MD,2,9\n").repeated(2),
             .prompts = {"The meter did not acknowledge the setting \"MD,2,9\", so it may not "
                         "have been changed. Check the connection to the meter and try again."},
             .shown = "ContrastVal=7",
             .start = "neverOk"},
            {.name = "contrast 20 on a KR5",
             .steps = "page 3;type ContrastVal 20",
             .wire = "",
             .prompts = {"The contrast must be a whole number from 0 to 15."},
             .shown = "ContrastVal=7"},
            {.name = "serial 54321, read back",
             .steps = "unlock;page 3;type SNtext 54321;click SetSerNo",
             .wire = Flush + "VR,1,54321\n" + Flush + "VR,0,\n",
             .prompts = {"The serial number is now 54321."},
             .shown = "SNtext=54321"},
            {.name = "serial never read back: three rounds, then told",
             .steps = "unlock;type SNtext 54321;click SetSerNo",
             .wire = (Flush + "VR,1,54321\n" + Flush + "VR,0,\n").repeated(3),
             .prompts = {"The meter did not confirm the serial number 54321. Check the "
                         "connection to the meter and try again."},
             .start = "badOp"},
            {.name = "serial 12a refused",
             .steps = "unlock;page 3;type SNtext 12a;click SetSerNo",
             .wire = "",
             .prompts = {"The serial number must be 1 to 10 digits."}},
        };
        settingsTable(rows);
    }

    void settings() {
        QFETCH(QString, steps);
        QFETCH(QString, start);
        QFETCH(QString, shown);
        Rig rig;
        MeterState& s = rig.model.state();
        for (const QString& pair : start.split(',', Qt::SkipEmptyParts)) {
            const QString key = pair.section('=', 0, 0);
            const double value = pair.section('=', 1).toDouble();
            if (key == "total")
                s.totalizer = value;
            else if (key == "multiplier")
                s.totalizerMultiplier = quint8(value);
            else if (key == "unit")
                s.totalizerUnit = quint8(value);
            else if (key == "enabled")
                s.totalizerEnabled = quint8(value);
            else if (key == "logging")
                s.loggingOn = s.loggingActive = qint16(value);
        }
        rig.open();
        rig.model.faults().neverOk = start.contains("neverOk");
        rig.model.faults().silent = start.contains("silent");
        if (start.contains("badOp"))
            rig.model.faults().badOpCommands = 1000;
        QByteArray wire;
        for (const QString& step : steps.split(';', Qt::SkipEmptyParts)) {
            if (step == "yes" || step == "no") {
                rig.prompts.answers << (step == "yes" ? Answer::Yes : Answer::No);
            } else if (step == "unlock") {
                rig.w.switches().setSerialNumberControls(true);
            } else if (step.startsWith("page")) {
                rig.act(step);
                rig.sent();
            } else {
                rig.act(step);
                wire += rig.sent();
            }
        }
        QTEST(wire, "wire");
        QTEST(rig.prompts.texts(), "prompts");
        QVERIFY(!rig.link.state().CommBusy && rig.owner.pending() == 0);
        for (const QString& pair : shown.split('|', Qt::SkipEmptyParts)) {
            const QString name = pair.section('=', 0, 0);
            QCOMPARE(name + "=" + rig.shows(name), pair);
        }
    }

    // A total too long for its place on the live page keeps the place (no
    // window widens) and is shown cut and marked, whole in the tooltip.
    void hugeTotalKeepsItsPlace() {
        Rig rig;
        rig.model.state().totalizer = 1e20;
        rig.w.Form_Load();
        for (int i = 0; i < 3; ++i)
            rig.tick();
        auto* total = rig.w.findChild<QLabel*>("TotValtext");
        QCOMPARE(total->toolTip(), QString("100000000000000000000"));
        QVERIFY(total->text().startsWith(QChar(0x2026)) && total->text().endsWith("0000"));
        QVERIFY(total->fontMetrics().horizontalAdvance(total->text()) <= total->width());
    }

    // The Misc. page reads the version line and the service record and shows
    // the record's counters.
    void miscPageRead() {
        Rig rig;
        rig.model.state().version = "V2.01";
        rig.open();
        rig.act("page 3");
        QCOMPARE(rig.sent(), "VR,0\n" + Flush + "MD,0\n");
        QCOMPARE(QStringList({rig.shows("VERtext"), rig.shows("ProfileFactorTxt"),
                              rig.shows("TotCode"), rig.shows("ContrastVal"), rig.shows("Text2")}),
                 QStringList({"V2.01", "1.25", "3", "7", "Velmar KR5"}));
        QVERIFY(rig.get("XQMode(1)")->isEnabled());
    }

    // While the first page is shown the total follows the meter's, at the
    // refresh timer's pace.
    void totalsRefresh() {
        Rig rig;
        frmBSetup& d = rig.open();
        rig.model.state().totalizer = 500;
        rig.tick();
        QVERIFY(!rig.sent().contains("GT,0"));
        d.TotalsTick = true;
        rig.tick();
        QVERIFY(rig.sent().contains(Flush + "GT,0\n"));
        QCOMPARE(rig.shows("Text1"), QString("500"));
    }

    // The reset question as the user sees it; the serial-number controls
    // follow the program's switch and a right click on Text2 turns it on.
    void askAndSwitch() {
        Rig rig;
        rig.open();
        rig.act("click TotResetButton");
        QCOMPARE(rig.prompts.shown.size(), 1);
        const ScriptedPrompts::Shown& box = rig.prompts.shown[0];
        QCOMPARE(box.title, QString("TOTALIZER RESET"));
        QVERIFY(box.buttons == Prompts::Buttons::YesNo && box.defaultAnswer == Answer::No &&
                box.icon == Prompts::Icon::Critical);
        QVERIFY(rig.sent().isEmpty());

        QWidget* serial = rig.get("SNtext");
        QVERIFY(serial->isHidden() && rig.get("SetSerNo")->isHidden());
        rig.w.switches().setSerialNumberControls(true);
        QVERIFY(!serial->isHidden() && serial->isEnabled() && !rig.get("SetSerNo")->isHidden());
        rig.w.switches().setSerialNumberControls(false);
        QVERIFY(serial->isHidden() && !serial->isEnabled());
        QTest::mouseClick(rig.get("Text2"), Qt::RightButton);
        QVERIFY(rig.w.switches().serialNumberControls() && !serial->isHidden());
    }

    // Without a meter nothing is asked and nothing is sent.
    void withoutMeter() {
        Rig rig;
        rig.model.faults().silent = true;
        rig.w.Form_Load();
        rig.prompts.clearRecord();
        rig.sent();
        rig.w.findChild<QAction*>("mnusetup")->trigger();
        for (const char* step :
             {"pick TotUnitsTxt 4", "click TotResetButton", "click TotEnabled(0)",
              "click SendDispSelect", "page 1", "click LogOffOn(0)", "click LogRates(1)", "page 3",
              "click SndContrast", "click SendErase"})
            rig.act(step);
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(rig.prompts.texts(), QStringList());
        QCOMPARE(rig.shows("TotUnitsTxt"), QString("US Gal"));
    }

    // The KR4 counts in oil barrels and pounds too and sets its totalizer
    // relay with a multiplier.
    void kr4Totalizer() {
        Rig rig(4);
        rig.open();
        QCOMPARE(rig.get<QComboBox>("TotUnitsTxt")->count(), 8);
        QVERIFY(rig.get("Frame26")->isHidden() && !rig.get("TotRlyMult")->isHidden());
        rig.act("pick TotRlyMult 3");
        QCOMPARE(rig.sent(), Flush + "GT,5,3\n");
        QCOMPARE(rig.model.state().totalizerRelay, quint8(3));
    }

    // The dialog's master erase: written once, a progress bar as long as the
    // main window's, then all three records and the pages read again.
    void masterEraseFromDialog() {
        Rig rig;
        rig.open();
        rig.act("type DampText 40");
        rig.act("page 3");
        rig.sent();
        rig.prompts.answers = {Answer::Yes};
        const qint64 before = rig.waiter.now();
        rig.act("click SendErase");
        const QByteArray wire = rig.sent();
        QCOMPARE(wire.count("MR,1"), 1);
        QCOMPARE(wire, Flush + "MR,1,\n" + Flush + Flush + "SC,0,\n" + Flush + "CC,0,\n" + Flush +
                           "LR,0\n" + Flush + "PD,0\n" + Flush + "GT,0\n" + "VR,0\n" + Flush +
                           "MD,0\n");
        QVERIFY(rig.waiter.now() - before >= 5000);
        QCOMPARE(rig.prompts.texts(), QStringList{"This will Master Erase the Unit - continue ?"});
        QCOMPARE(rig.shows("DampText"), QString("10"));
        QVERIFY(rig.get("SendErase")->isEnabled());
    }
};

QTEST_MAIN(tst_setupmisc)
#include "tst_setupmisc.moc"
