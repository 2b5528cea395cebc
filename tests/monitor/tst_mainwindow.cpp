// The main window against the simulated meter on the virtual clock: start-up,
// the polling cycle, the live page and the Comm menu. Every prompt is answered by
// a script and the port settings live in a temporary INI file.
#include "ProgramRig.h"
#include "datalog/frmPoly.h"
#include "link/PlatformSerialPort.h"
#include "link/frmProperties.h"
#include "monitor/FlowPage.h"
#include "monitor/frmPleaseWait.h"
#include "setup/SettingsFile.h"
#include "setup/frmBSetup.h"

#include "MeterDatalogs.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString Demo = "No ComLink Established - Demo Only";

// The second line of a failed identification when nothing came back.
const QString NothingBack = "Nothing came back: check that the meter is powered, that the cable "
                            "is plugged in and that this is the meter's port.";

struct Rig : ProgramRig {
    QString text(const char* name) { return w.findChild<QLabel*>(name)->text(); }
    QString texts(std::initializer_list<const char*> names) {
        QStringList t;
        for (const char* name : names)
            t << text(name);
        return t.join('|');
    }
    bool shown(const char* name) { return !w.findChild<QWidget*>(name)->isHidden(); }
    bool pleaseWaitShown() { return w.pleaseWait() && w.pleaseWait()->isVisible(); }
    // The text of the start-up box when it shows without the please-wait window.
    QString initText() { return shown("InitText") && !pleaseWaitShown() ? text("InitText") : ""; }
    bool allRead() {
        const frmPleaseWait* p = w.pleaseWait();
        return p->gotsysconfig()->isChecked() && p->gotchanconfig()->isChecked() &&
               p->gotlearndata()->isChecked();
    }
    // Start-up and the two ticks that read the configuration and clear the
    // please-wait window.
    void startLive() {
        w.Form_Load();
        w.polling().Launch();
        w.polling().Launch();
        sent();
    }
    // Answers commands that begin with prefix with this record from now on.
    void answer(const QByteArray& prefix, const QByteArray& record, bool asLine = false) {
        model.addCommand({prefix, 0, asLine,
                          [record](MeterModel&, const QByteArray&, qint64) { return record; }});
    }
};

// A channel configuration: damping 10, the given unit bytes (multiplier,
// flow volume, totalizer volume, flow time) and a half-foot pipe.
QByteArray channelRecord(const char* units) {
    const QByteArray hex = "000000000A00" + QByteArray(36, '0') + units + "0000003F";
    return "CC,0," + QByteArray::fromHex(hex) + QByteArray(33, '\0') + "\n";
}

// Flow 380.25, velocity 4.2, strength 78.5, quality 94.25, 13:05:09 on
// 07/14/2024, the given totalizer (default 1284517.4), learn state and flags.
QByteArray flowRecord(char state, char flags, const char* total = "66666666A5993341") {
    QByteArray r = "FD," +
                   QByteArray::fromHex("0020BE436666864000009D420080BC42000000000D0509070E7C") +
                   QByteArray::fromHex(total) + "\n";
    r[19] = state;
    r[22] = flags;
    return r;
}

} // namespace

class tst_mainwindow : public QObject {
    Q_OBJECT
private slots:
    void startupAndLivePage_data() {
        QTest::addColumn<QByteArray>("units");
        // Unit type, learn state, flag byte; remote zero enabled, XQ mode, logging active.
        QTest::addColumn<QList<int>>("meter");
        // Flow unit|velocity unit|total|multiplier|total unit|status box|indicators.
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* units, const QList<int>& meter,
                            const char* shown) {
            QTest::newRow(name) << QByteArray(units) << meter << QString(shown);
        };
        row("KR5, gallons per minute, remote zero enabled only", "00000001", {5, 4, 0, 1, 0, 1},
            "G/Min|Ft/Sec|  1284517|  X1|GAL||Logging");
        // The logging flags are combined bit by bit: 1 AND 2 is 0.
        row("KR4, cubic metres per hour, remote zero applied", "01040402", {4, 4, 0x80, 1, 1, 2},
            "M3/Hr|M/Sec|  128452|  X10|M3||Not Logging XQ RZ");
        row("KR3, litres per second, two warnings, remote zero applied only", "04050500",
            {3, 4, 0x86, 0, 0, 1}, "L/Sec|M/Sec|  128|  X10000|L|Warning\nAlarm\n|Logging");
    }

    void startupAndLivePage() {
        QFETCH(QByteArray, units);
        QFETCH(QList<int>, meter);
        Rig rig;
        rig.answer("CC,0,", channelRecord(units.constData()));
        rig.answer("FD,0,", flowRecord(char(meter[1]), char(meter[2])));
        MeterState& s = rig.model.state();
        s.unitType = meter[0];
        s.remoteZeroEnabled = qint16(meter[3]);
        s.xqMode = qint16(meter[4]);
        s.loggingActive = qint16(meter[5]);
        s.loggingOn = 1;
        s.displayContrast = 10; // a line feed byte inside the binary SC record
        rig.w.Form_Load();
        QCOMPARE(rig.sent(), Flush + "VT,0\n");
        QCOMPARE(
            rig.w.windowTitle() + "|" + rig.texts({"Label23", "InitText"}),
            QString("Corvane v1.00|Velmar KR%1|Initializing Data  please Wait.").arg(meter[0]));
        QCOMPARE(rig.w.Timer1().interval(), 1500);
        QVERIFY(rig.w.Timer1().isActive() && rig.w.showsHourglass() && rig.pleaseWaitShown());

        // First tick: version, the three configuration reads, the first flow read.
        rig.w.polling().Launch();
        QCOMPARE(rig.sent(), "VR,0\n" + Flush + Flush + "SC,0,\n" + Flush + "CC,0,\n" + Flush +
                                 "LR,0\n" + Flush + "FD,0,1\n");
        QVERIFY(rig.w.showsHourglass() && rig.pleaseWaitShown() && rig.allRead());
        QCOMPARE(rig.w.config().SysConfig.DisplayContrast, qint16(10));

        // Second tick: start-up is over; the live page is served.
        rig.w.polling().Launch();
        QCOMPARE(rig.sent(), Flush + "FD,0,2\n");
        QVERIFY(!rig.w.showsHourglass() && !rig.pleaseWaitShown() && !rig.shown("InitText"));
        QVERIFY(rig.prompts.shown.isEmpty() && !rig.link.state().CommBusy);
        QCOMPARE(rig.texts({"FlowValText", "velvaltext", "SSvaltext", "SQvaltext", "NormDispTime",
                            "NormDispDate"}),
                 QString("380.25|4.20|78.5|94.3|01:05:09 PM|07/14/2024"));
        auto* box = rig.w.findChild<QPlainTextEdit*>("ErrMessBox");
        QVERIFY(rig.shown("TxtLogging"));
        QTEST(rig.texts({"FlowRateEEval", "Velratetext", "TotValtext", "TotXtext", "TotEEunit"}) +
                  "|" + (box->isHidden() ? QString() : box->toPlainText()) + "|" +
                  rig.text("TxtLogging") + (rig.shown("TxtXQmode") ? " XQ" : "") +
                  (rig.shown("TxtRemoteZero") ? " RZ" : ""),
              "shown");
    }

    void startupWithoutMeter_data() {
        QTest::addColumn<QString>("settings"); // stored; empty: none
        QTest::addColumn<bool>("dialogConnects");
        QTest::addColumn<int>("identifications"); // VT commands sent
        // The messages, the model and the start-up text shown without the please-wait window.
        QTest::addColumn<QString>("shown");
        QTest::newRow("dialog cancelled")
            << "" << false << 3 << "Communications Failed\n" + NothingBack + "|No Connect|" + Demo;
        QTest::newRow("dialog connects")
            << "" << true << 4
            << "Communications Failed\n" + NothingBack + "|Communications Established|Velmar KR5|";
        // The program starts with the stored speed and its own framing.
        QTest::newRow("stored settings rejected")
            << "fast,n,8,1xyz" << false << 0
            << "The port does not accept the settings \"fast,n,,n,8,1\".||" + Demo;
    }

    void startupWithoutMeter() {
        QFETCH(QString, settings);
        QFETCH(bool, dialogConnects);
        QFETCH(int, identifications);
        Rig rig;
        if (!settings.isEmpty())
            rig.store.storeProperties(settings, 1, 0);
        rig.model.faults().silent = true;
        rig.w.runPropertiesDialog = [&](frmProperties& d) {
            ++rig.propertiesRuns;
            d.Form_Load();
            rig.model.faults().silent = !dialogConnects;
            dialogConnects ? d.cmdOK_Click() : d.cmdCancel_Click();
        };
        rig.w.Form_Load();
        QCOMPARE(rig.prompts.shown[0].icon == Prompts::Icon::Exclamation, !settings.isEmpty());
        QCOMPARE(rig.propertiesRuns, settings.isEmpty() ? 1 : 0);
        QCOMPARE(rig.sent(), (Flush + "VT,0\n").repeated(identifications));
        QCOMPARE(rig.link.connection().connected(), dialogConnects);
        QCOMPARE(rig.w.Timer1().isActive(), dialogConnects);
        QVERIFY(!rig.link.state().CommBusy && rig.w.isVisible());
        QTEST((rig.prompts.texts() << rig.text("Label23") << rig.initText()).join('|'), "shown");
        rig.w.polling().Launch();
        QCOMPARE(rig.sent().contains("SC,0,\n"), dialogConnects);
    }

    void versionReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("writes"); // more than one: the reply was refused
        QTest::addColumn<QString>("serial");
        QTest::newRow("version and serial")
            << QByteArray("VR,V1.95,12345\n") << "V1.95" << 1 << "12345";
        QTest::newRow("serial with leading zeros, CR LF")
            << QByteArray("VR,V1.9,007\r\n") << "V1.9" << 1 << "007";
        QTest::newRow("no second comma") << QByteArray("VR,1.04\n") << "" << 1 << "";
        QTest::newRow("meter says BAD") << QByteArray("VR,BAD,\n") << "" << 4 << "";
        QTest::newRow("not a version") << QByteArray("XX,1,2\n") << "" << 4 << "";
    }

    void versionReply() {
        QFETCH(QByteArray, reply);
        QFETCH(int, writes);
        Rig rig;
        rig.answer("VR,0", reply, true);
        rig.w.Form_Load();
        rig.sent();
        rig.w.polling().GetVersionNumber();
        QTEST(rig.text("Label22"), "label");
        // The serial number is kept with the connection, for the report and
        // every window.
        QTEST(rig.link.connection().serialNumber(), "serial");
        QCOMPARE(rig.w.flags().NeedVersion, writes > 1);
        QCOMPARE(rig.sent(), QByteArray("VR,0\n").repeated(writes));
        // A read that keeps failing is tried again, but the user is told once.
        rig.w.polling().GetVersionNumber();
        QCOMPARE(rig.prompts.texts().join(""),
                 writes > 1 ? "Can't Determine UnitType Kr3? Kr4? Kr5?" : "");
    }

    void pollingTick_data() {
        QTest::addColumn<QString>("before"); // ticks before: B the link is busy; N it is not
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("stale"); // S system, C channel, L learn, F flow
        QTest::addColumn<int>("sequence");  // of the last flow read; 0: as start-up left it
        QTest::addColumn<QByteArray>("wire");
        const QByteArray fd = Flush + "FD,0,3\n";
        QTest::newRow("nothing stale") << "" << 0 << "" << 0 << fd;
        QTest::newRow("system first") << "" << 0 << "SCLF" << 0 << fd + Flush + Flush + "SC,0,\n";
        QTest::newRow("channel before learn") << "" << 0 << "CLF" << 0 << fd + Flush + "CC,0,\n";
        QTest::newRow("learn before flow") << "" << 0 << "LF" << 0 << fd + Flush + "LR,0\n";
        // The flow page's own read has already brought fresh values.
        QTest::newRow("flow") << "" << 0 << "F" << 0 << fd;
        // The time-domain page captures its four blocks instead of a flow read.
        QByteArray xd;
        for (char block : {'5', '6', '7', '8'})
            xd += Flush + "XD," + block + "\n";
        QTest::newRow("time domain page, flow") << "" << 1 << "F" << 0 << xd + fd;
        QTest::newRow("time domain page, nothing stale") << "" << 1 << "" << 0 << xd;
        QTest::newRow("sequence at its top") << "" << 0 << "" << 32766 << Flush + "FD,0,32767\n";
        QTest::newRow("sequence wraps") << "" << 0 << "" << 32767 << Flush + "FD,0,1\n";
        // A link busy for ten ticks, in a row or not, is freed; nine are not enough.
        QTest::newRow("busy nine ticks") << "BBBBBBBBB" << 0 << "" << 0 << QByteArray();
        QTest::newRow("busy ten ticks, not in a row")
            << "BBBBBNBBBBB" << 0 << "" << 0 << Flush + "FD,0,4\n";
    }

    void pollingTick() {
        QFETCH(QString, before);
        QFETCH(int, page);
        QFETCH(QString, stale);
        QFETCH(int, sequence);
        Rig rig;
        rig.startLive();
        for (QChar tick : before) {
            const bool busy = tick == 'B';
            rig.link.state().CommBusy = busy;
            rig.w.polling().Launch();
            QCOMPARE(rig.sent().isEmpty(), busy);
            // The link stays busy until the watchdog frees it.
            rig.link.state().CommBusy = busy && rig.w.flags().BusyTicks != 0;
        }
        if (sequence)
            rig.w.flowPage().setFdSequence(qint16(sequence));
        rig.w.findChild<QTabWidget*>("SSTab1")->setCurrentIndex(page);
        SchedulingFlags& f = rig.w.flags();
        f.NeedSysConfig = stale.contains('S');
        f.NeedSSConfig = stale.contains('C');
        f.NeedLrnData = stale.contains('L');
        f.NeedFlowData = stale.contains('F');
        rig.w.polling().Launch();
        QTEST(rig.sent(), "wire");
    }

    void silentSystemConfigDuringStartup() {
        Rig rig;
        rig.answer("SC,0,", QByteArray());
        rig.w.Form_Load();
        rig.sent();
        rig.w.polling().Launch();
        const QByteArray sent = rig.sent();
        // Tried at start-up and again as the catch-up read; three writes each.
        QCOMPARE(sent.count("SC,0,\n"), 6);
        QVERIFY(!sent.contains("CC,0,") && !sent.contains("LR,0"));
        QVERIFY(rig.w.flags().NeedSysConfig && rig.w.flags().ConfigPending);
        QVERIFY(rig.w.showsHourglass() && !rig.w.pleaseWait()->gotsysconfig()->isChecked());
    }

    void unitIndexOutsideTable_data() {
        QTest::addColumn<QByteArray>("units");
        QTest::addColumn<bool>("chanRead"); // the channel configuration was taken
        QTest::addColumn<QString>("texts"); // flow unit|total|multiplier|total unit
        // Start: gallons per minute, totalizer X1 in gallons, a zero total shown
        // once. Then the meter reports an index outside its table.
        QTest::newRow("flow volume unit 8")
            << QByteArray("00080001") << false << "G/Min|  1284517|  X1|GAL";
        QTest::newRow("multiplier 5") << QByteArray("05000001") << true << "G/Min|  0|  X1|GAL";
        QTest::newRow("totalizer unit 9")
            << QByteArray("01000901") << true << "G/Min|  128452|  X10|GAL";
    }

    void unitIndexOutsideTable() {
        QFETCH(QByteArray, units);
        Rig rig;
        rig.answer("CC,0,", channelRecord("00000001"));
        rig.answer("FD,0,", flowRecord(4, 0, "0000000000000000"));
        rig.startLive();
        QCOMPARE(rig.text("TotValtext"), QString("  0"));
        rig.answer("CC,0,", channelRecord(units.constData()));
        rig.w.flags().NeedSSConfig = true;
        rig.w.polling().Launch();
        rig.answer("FD,0,", flowRecord(4, 0));
        rig.w.polling().Launch();
        rig.w.polling().Launch();
        QTEST(!rig.w.flags().NeedSSConfig, "chanRead");
        QTEST(rig.texts({"FlowRateEEval", "TotValtext", "TotXtext", "TotEEunit"}), "texts");
        // Nothing else breaks: the link is free and the next tick reads again.
        QVERIFY(!rig.link.state().CommBusy && rig.prompts.shown.isEmpty());
        rig.sent();
        rig.w.polling().Launch();
        QVERIFY(rig.sent().startsWith(Flush + "FD,0,"));
    }

    void masterErase_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("meterBack");
        QTest::addColumn<QByteArray>("wire");
        const QByteArray erase = Flush + "MR,1\n" + Flush;
        QTest::newRow("no") << false << true << QByteArray();
        QTest::newRow("yes") << true << true << erase + "CC,0,\n" + Flush + "VT,0\n";
        QTest::newRow("yes, meter does not come back")
            << true << false
            << erase + QByteArray("CC,0,\n").repeated(3) + (Flush + "VT,0\n").repeated(3);
    }

    void masterErase() {
        QFETCH(bool, yes);
        QFETCH(bool, meterBack);
        Rig rig;
        rig.startLive();
        rig.prompts.answers = {yes ? Prompts::Answer::Yes : Prompts::Answer::No};
        if (!meterBack)
            rig.model.onCommand = [&](const MeterModel::Received& r) {
                rig.model.faults().silent |= r.command.startsWith("MR,1");
            };
        rig.w.findChild<QAction*>("mnuMasterErase")->trigger();
        QTEST(rig.sent(), "wire");
        const QString question = "This will Master Erase the Unit - continue ?";
        QCOMPARE(rig.prompts.texts(),
                 (meterBack ? QStringList{question}
                            : QStringList{question, "Communications Failed\n" + NothingBack}));
        const ScriptedPrompts::Shown& q = rig.prompts.shown[0];
        QCOMPARE(q.title, QString("Master Erase Unit"));
        QVERIFY(q.buttons == Prompts::Buttons::YesNo && q.icon == Prompts::Icon::Exclamation &&
                q.defaultAnswer == Prompts::Answer::No);
        if (!yes)
            return;
        QCOMPARE(rig.link.connection().connected(), meterBack);
        QCOMPARE(rig.propertiesRuns, meterBack ? 0 : 1);
        QCOMPARE(rig.initText(), meterBack ? "" : Demo);
        if (meterBack) {
            // The whole configuration is read again behind the please-wait window.
            QVERIFY(rig.w.showsHourglass() && rig.pleaseWaitShown());
            rig.w.polling().Launch();
            QVERIFY(rig.allRead());
        }
    }

    // File > Save Meter Settings..., Compare with File... and Restore from
    // File...: nothing is written before the user agreed to the list.
    void settingsFromTheFileMenu() {
        Rig rig;
        rig.startLive();
        const QString path = rig.dir.filePath("kr5.json");
        const auto action = [&](const char* name) { rig.w.findChild<QAction*>(name)->trigger(); };
        rig.prompts.fileNames = {path};
        action("mnuSaveSettings");
        QCOMPARE(rig.prompts.texts().last(), "The meter's settings were saved to " + path + ".");
        QVERIFY(SettingsFile::load(path, nullptr));

        rig.model.state().damping = 33;
        rig.sent();
        int rows = -1;
        QString first, summary;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* table = dialog->findChild<QTableWidget*>("CompareTable");
            rows = table->rowCount();
            summary = dialog->findChild<QLabel*>("CompareSummary")->text();
            first = table->item(0, 0)->text() + '|' + table->item(0, 1)->text() + '|' +
                    table->item(0, 2)->text();
            dialog->reject();
        });
        rig.prompts.fileNames = {path};
        rig.tick();
        QVERIFY(rig.w.findChild<QLabel*>("FlowValText")->isEnabled());
        action("mnuCompareSettings");
        // The flow page was not read meanwhile: its values show as old.
        QVERIFY(!rig.w.findChild<QLabel*>("FlowValText")->isEnabled());
        // The damping, then the meter's own values that moved (clock, total).
        QVERIFY(rows >= 1);
        QCOMPARE(first, "Damping|10 (meter's own)|33 (meter's own)");
        QCOMPARE(summary, QString("1 of the meter's settings differ from kr5.json."));

        rig.prompts.fileNames = {path};
        rig.prompts.answers = {Prompts::Answer::No};
        action("mnuRestoreSettings");
        QVERIFY2(rig.prompts.texts().last().contains("Damping: 33 -> 10"),
                 qPrintable(rig.prompts.texts().last()));
        QCOMPARE(rig.prompts.shown.last().defaultAnswer, Prompts::Answer::No);
        QVERIFY(!rig.sent().contains("LM,1,"));
        QCOMPARE(rig.model.state().damping, qint16(33));

        rig.prompts.fileNames = {path};
        rig.prompts.answers = {Prompts::Answer::Yes};
        action("mnuRestoreSettings");
        QCOMPARE(rig.prompts.texts().last(),
                 QString("Restored 1 settings: the meter now matches the file."));
        QVERIFY(rig.sent().contains(QByteArray("LM,1,\x0a\x00", 7)));
        QCOMPARE(rig.model.state().damping, qint16(10));
    }

    void hangUpReconnectAndClose() {
        Rig rig;
        rig.startLive();
        QAction* establish = rig.w.findChild<QAction*>("mnuEstablishComm");
        establish->setEnabled(false); // as an earlier reconnection leaves it

        rig.model.faults().hangUp = true;
        const qint64 before = rig.waiter.now();
        for (int i = 0; i < 5; ++i)
            rig.w.polling().Launch();
        QCOMPARE(rig.prompts.texts(),
                 QStringList{"The connection to the meter was lost. The meter hung up: the line "
                             "has gone away.\n\nThe port has been closed. When the meter is "
                             "back, choose Comm > Establish Comm to reconnect."});
        QCOMPARE(rig.prompts.shown[0].icon, Prompts::Icon::Exclamation);
        QVERIFY(!rig.sim.isOpen() && !rig.link.connection().connected() && establish->isEnabled());
        // Polling does nothing with the port closed: no bytes, no waiting.
        QVERIFY(rig.sent().count("FD,0,") <= 1 && rig.waiter.now() - before < 3000);
        rig.w.polling().Launch();
        QVERIFY(rig.sent().isEmpty());

        rig.prompts.clearRecord();
        establish->trigger();
        rig.model.faults().hangUp = false;
        establish->trigger();
        QCOMPARE(rig.prompts.texts(),
                 (QStringList{"Failed to Establish Communications\n\nThe meter's line is not "
                              "there: the port cannot be opened.",
                              "Communications Established"}));
        QVERIFY(rig.sim.isOpen() && !establish->isEnabled());
        rig.sent();
        rig.w.polling().Launch();
        QVERIFY(rig.sent().contains("SC,0,\n"));
    }

    // A user's action that starts while a polling read waits for the meter
    // runs once that read is over: the read completes, the action's bytes
    // follow, and nobody is told the meter failed.
    void actionStartedInsideAWait_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QStringList>("prompts");
        const QByteArray fd = Flush + "FD,0,3\n", vt = Flush + "VT,0\n";
        QTest::newRow("Establish Comm")
            << "mnuEstablishComm" << fd + vt << QStringList{"Communications Established"};
        QTest::newRow("Master Erase")
            << "mnuMasterErase" << fd + Flush + "MR,1\n" + Flush + "CC,0,\n" + vt
            << QStringList{"This will Master Erase the Unit - continue ?"};
        QTest::newRow("port dialog OK")
            << "cmdOK" << fd + vt << QStringList{"Communications Established"};
    }

    void actionStartedInsideAWait() {
        QFETCH(QString, action);
        Rig rig;
        rig.startLive();
        rig.prompts.answers = {Prompts::Answer::Yes};
        std::function<void()> click = [&] { rig.w.findChild<QAction*>(action)->trigger(); };
        bool clicked = false;
        rig.waiter.onYield = [&] {
            if (!clicked && rig.link.exchangeInProgress() &&
                rig.sim.written().endsWith("FD,0,3\n")) {
                clicked = true;
                click();
            }
        };
        if (action == "cmdOK") {
            // The dialog is open while the tick runs; OK is pressed during its read.
            rig.w.runPropertiesDialog = [&](frmProperties& d) {
                d.Form_Load();
                // Pressed twice: the second press adds nothing.
                click = [&d] { d.cmdOK_Click(), d.cmdOK_Click(); };
                rig.w.polling().Launch();
            };
            rig.w.findChild<QAction*>("mnuProperties")->trigger();
        } else {
            rig.w.polling().Launch();
        }
        QVERIFY(clicked);
        QTEST(rig.sent(), "wire");
        QTEST(rig.prompts.texts(), "prompts");
        QVERIFY(!rig.link.state().CommBusy && rig.owner.pending() == 0);
    }

    // A second Master Erase while the first one runs is not started: one
    // question, one erase command.
    void secondMasterEraseDuringFirst() {
        Rig rig;
        rig.startLive();
        rig.prompts.fallbackAnswer = Prompts::Answer::Yes;
        QAction* erase = rig.w.findChild<QAction*>("mnuMasterErase");
        int tries = 0;
        rig.waiter.onYield = [&] {
            if (rig.sim.written().contains("MR,1") && tries++ < 3) {
                QVERIFY(!erase->isEnabled());
                erase->trigger();
            }
        };
        erase->trigger();
        QVERIFY(tries > 0);
        QCOMPARE(rig.sent().count("MR,1\n"), 1);
        QCOMPARE(rig.prompts.texts(), QStringList{"This will Master Erase the Unit - continue ?"});
        QVERIFY(erase->isEnabled());
    }

    // Closing the window at any moment ends the program at once: nothing more
    // is written, no timer runs, no box appears.
    void closeAtAnyMoment_data() {
        QTest::addColumn<QString>("when");
        QTest::newRow("identification") << "VT,0";
        QTest::newRow("read on a silent meter") << "FD,0,3";
        QTest::newRow("master erase") << "MR,1";
        QTest::newRow("port dialog open") << "dialog";
    }

    void closeAtAnyMoment() {
        QFETCH(QString, when);
        Rig rig;
        int ended = 0;
        rig.w.endProgram = [&] { ++ended; };
        qint64 closedAt = -1;
        qsizetype writtenAtClose = 0;
        const auto closeNow = [&] {
            closedAt = rig.waiter.now();
            writtenAtClose = rig.sim.written().size();
            rig.prompts.clearRecord();
            rig.w.close();
        };
        const QByteArray trigger = when.toLatin1() + "\n";
        rig.waiter.onYield = [&] {
            // Well into the wait: the command is out and its reply not yet read.
            if (closedAt < 0 && rig.sim.written().endsWith(trigger) &&
                rig.link.exchangeInProgress())
                closeNow();
        };
        rig.prompts.fallbackAnswer = Prompts::Answer::Yes;
        if (when == "VT,0") {
            rig.model.faults().silent = true;
            rig.w.Form_Load();
        } else if (when == "dialog") {
            rig.model.faults().silent = true;
            rig.w.runPropertiesDialog = [&](frmProperties&) { closeNow(); };
            rig.w.Form_Load();
        } else {
            rig.startLive();
            rig.model.faults().silent = when != "MR,1";
            if (when == "MR,1") {
                // Closed during the progress bar, after the command went out.
                rig.waiter.onYield = [&] {
                    if (closedAt < 0 && rig.sim.written().contains("MR,1") &&
                        !rig.link.exchangeInProgress())
                        closeNow();
                };
                rig.w.findChild<QAction*>("mnuMasterErase")->trigger();
            } else {
                rig.w.polling().Launch();
            }
        }
        QVERIFY(closedAt >= 0);
        QVERIFY(rig.waiter.now() - closedAt < 1000);
        QCOMPARE(ended, 1);
        QCOMPARE(rig.sim.written().size(), writtenAtClose);
        QVERIFY(rig.prompts.shown.isEmpty());
        QVERIFY(!rig.w.Timer1().isActive() && !rig.sim.isOpen());
        // Nothing queued or late reopens the line.
        rig.w.polling().Launch();
        rig.w.findChild<QAction*>("mnuEstablishComm")->trigger();
        QCOMPARE(rig.sim.written().size(), writtenAtClose);
        QVERIFY(!rig.sim.isOpen() && !rig.w.Timer1().isActive());
    }

    // Setup > RetreveUnitLog opens the datalog window, which pauses the live
    // page and scans the meter's ten logs; the current log follows SC reads.
    void datalogWindowFromTheMenu() {
        Rig rig;
        MeterDatalogs logs;
        logs.install(rig.model);
        rig.startLive();
        rig.w.findChild<QAction*>("mnuRetlog")->trigger();
        QVERIFY(rig.w.datalogWindow().isVisible() && !rig.w.flags().LiveMonitorActive);
        QCOMPARE(rig.sent().count("OD,DATALOG"), 10);
        rig.w.polling().Launch();
        QVERIFY(!rig.sent().contains("FD,0,"));
    }

    // However the meter is reached again, the program ends as after a normal
    // start: the live page, the datalog window's scan and download, the setup
    // dialog's reads and a setting sent to the meter.
    void reconnectEndsAsAStart_data() {
        QTest::addColumn<bool>("lostFirst"); // the meter answered, then its line went away
        QTest::addColumn<QString>("action");
        QTest::newRow("Establish Comm after a loss") << true << "mnuEstablishComm";
        QTest::newRow("Establish Comm after a start without meter") << false << "mnuEstablishComm";
        QTest::newRow("port dialog OK after a loss") << true << "cmdOK";
    }

    void reconnectEndsAsAStart() {
        QFETCH(bool, lostFirst);
        QFETCH(QString, action);
        Rig rig;
        MeterDatalogs logs;
        logs.install(rig.model);
        if (lostFirst) {
            rig.startLive();
            rig.model.faults().hangUp = true;
            rig.tick();
            rig.model.faults().hangUp = false;
        } else {
            rig.model.faults().silent = true;
            rig.w.Form_Load();
            rig.model.faults().silent = false;
        }
        QCOMPARE(rig.initText(), Demo);
        rig.prompts.clearRecord();
        if (action == "cmdOK") {
            rig.w.runPropertiesDialog = [](frmProperties& d) { d.Form_Load(), d.cmdOK_Click(); };
            rig.w.findChild<QAction*>("mnuProperties")->trigger();
        } else {
            rig.w.findChild<QAction*>(qPrintable(action))->trigger();
        }
        QCOMPARE(rig.prompts.texts(), QStringList{"Communications Established"});
        // Nothing on the page has come from this connection's meter yet.
        QVERIFY(!rig.w.findChild<QLabel*>("FlowValText")->isEnabled());
        rig.tick();
        rig.tick();
        QVERIFY(!rig.shown("InitText") && !rig.pleaseWaitShown() && !rig.w.showsHourglass());
        QVERIFY(rig.sent().contains("FD,0,"));
        QVERIFY(rig.w.findChild<QLabel*>("FlowValText")->isEnabled());
        QCOMPARE(rig.text("Label23"), "Velmar KR5");

        rig.w.findChild<QAction*>("mnuRetlog")->trigger();
        QCOMPARE(rig.sent().count("OD,DATALOG"), 10);
        rig.w.datalogWindow().mnuGetLog_Click();
        QCOMPARE(rig.w.datalog().LogPointCount, 33);
        rig.w.datalogWindow().mnuQuit_Click();

        rig.w.findChild<QAction*>("mnusetup")->trigger();
        rig.tick();
        QVERIFY(rig.sent().contains("PD,0\n"));
        auto* damping = rig.w.setupDialog()->findChild<QLineEdit*>("DampText");
        QCOMPARE(damping->text(), "10");
        damping->clear();
        QTest::keyClicks(damping, "11");
        QTest::keyClick(damping, Qt::Key_Return);
        QCOMPARE(rig.sent(), Flush + "LM,1," + QByteArray("\x0b\0", 2) + "\n");
        QCOMPARE(damping->text(), "11");
        QCOMPARE(rig.prompts.texts(), QStringList{"Communications Established"});
    }

    // A silent meter on an open port: at the first tick that ends five
    // seconds or more after the last good reply, every live value of the
    // shown page dims and the status line says since when; the first good
    // reply brings them back. A loss dims at once.
    void silenceDimsTheShownPage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("flow") << 0
                              << QStringList{"FlowValText", "SSunit", "TotValtext", "NormDispTime"};
        QTest::newRow("time domain") << 1 << QStringList{"Picture1(0)", "Text4"};
        QTest::newRow("raw flow data") << 4 << QStringList{"Text6(3)", "Text7"};
    }

    void silenceDimsTheShownPage() {
        QFETCH(int, page);
        QFETCH(QStringList, values);
        Rig rig;
        rig.startLive();
        auto* tabs = rig.w.findChild<QTabWidget*>("SSTab1");
        tabs->setCurrentIndex(page);
        // How many of the values are dimmed: all of them or none, never some.
        const auto dimmed = [&] {
            qsizetype n = 0;
            for (const QString& name : values)
                n += !tabs->currentWidget()->findChild<QWidget*>(name)->isEnabled();
            return n;
        };
        const qsizetype all = values.size();
        const auto status = [&] { return rig.text("StatusText"); };
        rig.tick();
        QVERIFY(dimmed() == 0 && status().isEmpty());

        rig.model.faults().silent = true;
        const ConnectionState& connection = rig.link.connection();
        const qint64 lastGood = connection.lastGoodReplyMs();
        int ticks = 0;
        do {
            rig.tick();
            QCOMPARE(connection.lastGoodReplyMs(), lastGood);
            // Counted in time from the last good reply, not in failed reads.
            QCOMPARE(dimmed(), rig.waiter.now() - lastGood >= 5000 ? all : 0);
        } while (dimmed() == 0 && ++ticks < 10);
        QCOMPARE(dimmed(), all);
        QVERIFY2(status().startsWith("No reply from the meter since "), qPrintable(status()));
        QCOMPARE(rig.initText(), ""); // the port is open: no demonstration state

        rig.model.faults().silent = false;
        rig.tick();
        QVERIFY(dimmed() == 0 && status().isEmpty());

        rig.model.faults().hangUp = true;
        rig.tick();
        QVERIFY(dimmed() == all && status().startsWith("No reply from the meter since "));
        QCOMPARE(rig.text("Label23"), "No Connect");
        tabs->setCurrentIndex(0);
        QCOMPARE(rig.initText(), Demo);
    }

    // A meter that answers the identification and then only with damaged
    // replies is told within seconds, not left behind the start-up box.
    void damagedRepliesDuringStartupTold() {
        Rig rig;
        rig.w.Form_Load();
        rig.model.faults().garbageReplies = 1000;
        // Each tick's two refused reads take about 0.2 s.
        for (int i = 0; i < 40 && rig.text("StatusText").isEmpty(); ++i)
            rig.tick();
        QVERIFY2(rig.text("StatusText").startsWith("Replies from the meter arrive damaged since "),
                 qPrintable(rig.text("StatusText")));
    }

    // Damaged is told apart from silent: after start-up the meter is set to
    // another speed (it answers framing noise), goes silent, or stays whole.
    // The status line says which within a few seconds, and the first whole
    // reply clears it.
    void damagedOrSilent_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("meterBaud"); // 0: silent; the line's speed: whole
        QTest::addColumn<QString>("status");
        const QString damaged = "Replies from the meter arrive damaged since ";
        const QString silent = "No reply from the meter since ";
        QTest::newRow("19200 line, meter at 9600") << "19200,n,8,1" << 9600 << damaged;
        QTest::newRow("9600 line, meter at 19200") << "9600,n,8,1" << 19200 << damaged;
        QTest::newRow("38400 line, meter at 115200") << "38400,n,8,1" << 115200 << damaged;
        QTest::newRow("19200 line, silent meter") << "19200,n,8,1" << 0 << silent;
        QTest::newRow("2400 line, silent meter") << "2400,n,8,1" << 0 << silent;
        QTest::newRow("19200 line, whole replies") << "19200,n,8,1" << 19200 << "";
        QTest::newRow("4800 line, whole replies") << "4800,n,8,1" << 4800 << "";
    }

    void damagedOrSilent() {
        QFETCH(QString, line);
        QFETCH(int, meterBaud);
        QFETCH(QString, status);
        Rig rig;
        rig.store.storeProperties(line, 1, 0);
        rig.w.Form_Load();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QCOMPARE(rig.text("StatusText"), QString());
        if (meterBaud == 0)
            rig.model.faults().silent = true;
        else
            rig.model.faults().meterBaud = meterBaud;
        for (int i = 0; i < 8; ++i)
            rig.tick();
        const QString shown = rig.text("StatusText");
        QVERIFY2(status.isEmpty() ? shown.isEmpty() : shown.startsWith(status), qPrintable(shown));
        if (status.startsWith("Replies"))
            QVERIFY(shown.endsWith(": check that the port's speed and parity are the meter's, "
                                   "and check the cable"));
        rig.model.faults().silent = false;
        rig.model.faults().meterBaud = 0;
        rig.tick();
        QCOMPARE(rig.text("StatusText"), QString());
    }

    // The identification's failure says whether anything came back.
    void identificationDamagedOrSilent_data() {
        QTest::addColumn<int>("meterBaud");
        QTest::addColumn<QString>("second");
        QTest::newRow("meter at 9600") << 9600
                                       << "Bytes came back, but no whole reply: check "
                                          "that the port's speed and parity are the "
                                          "meter's, and check the cable.";
        QTest::newRow("silent meter") << 0 << NothingBack;
    }

    void identificationDamagedOrSilent() {
        QFETCH(int, meterBaud);
        QFETCH(QString, second);
        Rig rig;
        rig.store.storeProperties("19200,n,8,1", 1, 0);
        rig.model.faults().silent = meterBaud == 0;
        rig.model.faults().meterBaud = meterBaud;
        rig.w.runPropertiesDialog = [&](frmProperties& d) { d.cmdCancel_Click(); };
        rig.w.Form_Load();
        QCOMPARE(rig.prompts.texts().value(0), "Communications Failed\n" + second);
    }

    // A port that cannot be opened is reported with the reference's words
    // first, then the port's own reason (a silent meter: startupWithoutMeter).
    void portFailureNamesTheCause() {
        QTemporaryDir dir;
        PortSettingsStore store{dir.filePath("corvane.ini")};
        PlatformSerialPort port([](int) { return QString("/dev/corvane-no-such-device"); });
        VirtualWaiter waiter;
        ScriptedPrompts prompts;
        PromptGate gate{prompts};
        MeterLink link{port, waiter, gate};
        LineOwner owner{link, gate};
        frmKVT7210 w{link, owner, store};
        w.runPropertiesDialog = [](frmProperties& d) { d.Form_Load(), d.cmdOK_Click(); };
        w.Form_Load();
        w.findChild<QAction*>("mnuEstablishComm")->trigger();
        const QString cause = "\n\nThere is no serial device /dev/corvane-no-such-device (Com1). "
                              "Check that the adapter is plugged in, or choose another port in "
                              "the port settings.";
        QCOMPARE(prompts.texts(),
                 (QStringList{"Communications Failed" + cause, "Communications Failed" + cause,
                              "Failed to Establish Communications" + cause}));
        QCOMPARE(w.findChild<QLabel*>("InitText")->text(), Demo);
    }

    // The window opens on the page it was closed on.
    void reopensOnTheLastPage() {
        Rig rig;
        rig.store.storePage(2);
        rig.w.Form_Load();
        auto* tabs = rig.w.findChild<QTabWidget*>("SSTab1");
        QCOMPARE(tabs->currentIndex(), 2);
        tabs->setCurrentIndex(4);
        rig.w.endProgram = [] {};
        rig.w.close();
        QCOMPARE(PortSettingsStore(rig.dir.filePath("corvane.ini")).storedPage(5), 4);
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
