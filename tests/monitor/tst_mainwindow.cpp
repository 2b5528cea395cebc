// The main window against the simulated meter on the virtual clock: start-up,
// the polling cycle, the live page and the menus. Every prompt is answered by
// a script and the port settings live in a temporary INI file.
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/VirtualWaiter.h"
#include "link/frmProperties.h"
#include "monitor/frmKVT7210.h"
#include "monitor/frmPleaseWait.h"

#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Flush = "\x1b\r";

// A port in front of the simulated one that can be unplugged and plugged in
// again, as a USB adapter can.
class UnpluggablePort : public SerialPort {
public:
    explicit UnpluggablePort(SerialPort& inner) : inner_(inner) {
        connect(&inner_, &SerialPort::failed, this, &SerialPort::failed);
    }
    void unplug() {
        plugged_ = false;
        if (inner_.isOpen()) {
            inner_.close();
            emit failed("the adapter was unplugged");
        }
    }
    void plugIn() { plugged_ = true; }

    bool open() override {
        if (!plugged_)
            return false;
        return inner_.open();
    }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    int portNumber() const override { return inner_.portNumber(); }
    bool setPortNumber(int n) override { return inner_.setPortNumber(n); }
    QString settings() const override { return inner_.settings(); }
    bool setSettings(const QString& t) override { return inner_.setSettings(t); }
    int handshaking() const override { return inner_.handshaking(); }
    bool setHandshaking(int c) override { return inner_.setHandshaking(c); }
    int bytesWaiting() override { return inner_.bytesWaiting(); }
    void discardInput() override { inner_.discardInput(); }
    int readByte() override { return inner_.readByte(); }
    bool write(const QByteArray& b) override { return inner_.write(b); }
    QString errorString() const override {
        return plugged_ ? inner_.errorString() : "No such device";
    }

private:
    SerialPort& inner_;
    bool plugged_ = true;
};

// The whole program around one simulated meter.
struct Rig {
    QTemporaryDir dir;
    VirtualWaiter waiter;
    MeterModel model;
    SimSerialPort sim{model, waiter};
    UnpluggablePort port{sim};
    ScriptedPrompts prompts;
    MeterLink link{port, waiter, prompts};
    PortSettingsStore store{dir.filePath("corvane.ini")};
    frmKVT7210 w{link, store};
    int propertiesRuns = 0;
    int ended = 0;
    std::function<void(frmProperties&)> propertiesScript;
    qsizetype seen = 0;

    Rig() {
        w.runPropertiesDialog = [this](frmProperties& d) {
            ++propertiesRuns;
            if (propertiesScript)
                propertiesScript(d);
        };
        w.endProgram = [this] { ++ended; };
    }

    // The bytes written since the last call.
    QByteArray sent() {
        const QByteArray all = sim.written();
        const QByteArray fresh = all.mid(seen);
        seen = all.size();
        return fresh;
    }

    template <typename T> T* find(const char* name) { return w.findChild<T*>(name); }
    QString text(const char* name) { return find<QLabel>(name)->text(); }
    bool shown(const char* name) { return !w.findChild<QWidget*>(name)->isHidden(); }

    // Start-up and the two ticks that read the configuration and clear the
    // please-wait window.
    void startLive() {
        w.Form_Load();
        w.Launch();
        w.Launch();
        sent();
    }

    // Answers "FD" with these bytes from now on.
    void answerFlow(const QByteArray& record) {
        model.addCommand({"FD,0,", 0, false,
                          [record](MeterModel&, const QByteArray&, qint64) { return record; }});
    }
    void answer(const QByteArray& prefix, const QByteArray& record) {
        model.addCommand({prefix, 0, false,
                          [record](MeterModel&, const QByteArray&, qint64) { return record; }});
    }
};

QByteArray record(int length, const QByteArray& header) {
    QByteArray r(length, '\0');
    r.replace(0, header.size(), header);
    r[length - 1] = '\n';
    return r;
}

void put(QByteArray& r, int position, const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    r.replace(position - 1, bytes.size(), bytes);
}

// A channel configuration: damping 10, the given unit bytes (multiplier,
// flow volume, totalizer volume, flow time) and a half-foot pipe.
QByteArray channelRecord(const char* units) {
    QByteArray r = record(71, "CC,0,");
    put(r, 10, "0A00");
    put(r, 30, units);
    put(r, 34, "0000003F");
    return r;
}

// Flow 380.25, velocity 4.2, strength 78.5, quality 94.25, 13:05:09 on
// 07/14/2024, totalizer 1284517.4, with the given learn state and flag byte.
QByteArray flowRecord(int state, int flagByte) {
    QByteArray r = record(38, "FD,");
    put(r, 4, "0020BE436666864000009D420080BC42");
    r[19] = char(state);
    r[22] = char(flagByte);
    put(r, 24, "0D0509070E7C");
    put(r, 30, "66666666A5993341");
    return r;
}

} // namespace

class tst_mainwindow : public QObject {
    Q_OBJECT
private slots:
    void startupWithMeter_data();
    void startupWithMeter();
    void startupWithoutMeter_data();
    void startupWithoutMeter();
    void storedSettingsRejected();
    void versionReply_data();
    void versionReply();
    void livePage_data();
    void livePage();
    void busyWatchdog_data();
    void busyWatchdog();
    void catchUpReads_data();
    void catchUpReads();
    void failingSystemConfigDuringStartup();
    void systemConfigWithLineFeedByte_data();
    void systemConfigWithLineFeedByte();
    void sequenceWraps();
    void unitIndexOutsideTable_data();
    void unitIndexOutsideTable();
    void masterErase_data();
    void masterErase();
    void establishComm_data();
    void establishComm();
    void meterGoesAway_data();
    void meterGoesAway();
    void closingAndExit();
    void menus_data();
    void menus();
};

void tst_mainwindow::startupWithMeter_data() {
    QTest::addColumn<int>("unitType");
    QTest::addColumn<QString>("model");
    QTest::newRow("KR5") << 5 << "Velmar KR5";
    QTest::newRow("KR4") << 4 << "Velmar KR4";
    QTest::newRow("KR3") << 3 << "Velmar KR3";
}

void tst_mainwindow::startupWithMeter() {
    QFETCH(int, unitType);
    Rig rig;
    rig.model.state().unitType = unitType;
    rig.model.state().version = "V2.07";
    rig.w.Form_Load();

    QCOMPARE(rig.sent(), Flush + "VT,0\n");
    QCOMPARE(rig.w.windowTitle(), QString("Corvane v1.00"));
    QTEST(rig.text("Label23"), "model");
    QCOMPARE(rig.w.flags().UnitIsKR5, unitType == 5);
    QCOMPARE(rig.w.flags().UnitIsKR3, unitType == 3);
    QVERIFY(rig.w.flags().LinkEstablished);
    QVERIFY(rig.w.Timer1().isActive());
    QCOMPARE(rig.w.Timer1().interval(), 1500);
    QVERIFY(rig.w.showsHourglass());
    QVERIFY(rig.w.pleaseWait() && rig.w.pleaseWait()->isVisible());
    QCOMPARE(rig.text("InitText"), QString("Initializing Data  please Wait."));
    QVERIFY(rig.prompts.shown.isEmpty());
    QVERIFY(!rig.link.state().CommBusy);

    // First tick: version, the three configuration reads, the first flow read.
    rig.w.Launch();
    QCOMPARE(rig.sent(), "VR,0\n" + Flush + Flush + "SC,0,\n" + Flush + "CC,0,\n" + Flush +
                             "LR,0\n" + Flush + "FD,0,1\n");
    QCOMPARE(rig.text("Label22"), QString("V2.07"));
    frmPleaseWait* wait = rig.w.pleaseWait();
    QVERIFY(wait && wait->isVisible());
    QVERIFY(wait->gotsysconfig()->isChecked());
    QVERIFY(wait->gotchanconfig()->isChecked());
    QVERIFY(wait->gotlearndata()->isChecked());
    QVERIFY(rig.w.showsHourglass());
    QVERIFY(!rig.w.flags().ConfigPending);
    QCOMPARE(rig.w.config().FlowUnitLabel, QString("G/Min"));

    // Second tick: start-up is over; the live page is served.
    rig.w.Launch();
    QCOMPARE(rig.sent(), Flush + "FD,0,2\n");
    QVERIFY(!rig.w.showsHourglass());
    QVERIFY(!rig.w.pleaseWait() || !rig.w.pleaseWait()->isVisible());
    QVERIFY(!rig.shown("InitText"));
    QCOMPARE(rig.text("FlowRateEEval"), QString("G/Min"));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void tst_mainwindow::startupWithoutMeter_data() {
    QTest::addColumn<bool>("dialogConnects");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("dialog cancelled") << false << QStringList{"Communications Failed"};
    QTest::newRow("dialog connects")
        << true << QStringList{"Communications Failed", "Communications Established"};
}

void tst_mainwindow::startupWithoutMeter() {
    QFETCH(bool, dialogConnects);
    Rig rig;
    rig.model.faults().silent = true;
    rig.propertiesScript = [&](frmProperties& d) {
        d.Form_Load();
        if (dialogConnects) {
            rig.model.faults().silent = false;
            d.cmdOK_Click();
        } else {
            d.cmdCancel_Click();
        }
    };
    rig.w.Form_Load();

    QTEST(rig.prompts.texts(), "messages");
    QCOMPARE(rig.prompts.shown[0].buttons, Prompts::Buttons::Ok);
    QCOMPARE(rig.propertiesRuns, 1);
    QVERIFY(rig.sent().startsWith(Flush + "VT,0\n" + Flush + "VT,0\n" + Flush + "VT,0\n"));
    QCOMPARE(rig.w.flags().LinkEstablished, dialogConnects);
    QCOMPARE(rig.w.Timer1().isActive(), dialogConnects);
    QVERIFY(!rig.link.state().CommBusy);
    if (dialogConnects) {
        QCOMPARE(rig.text("Label23"), QString("Velmar KR5"));
        QVERIFY(rig.w.flags().NeedSysConfig && rig.w.flags().ConfigPending);
        rig.w.Launch();
        QVERIFY(rig.sent().contains("SC,0,\n"));
    } else {
        QCOMPARE(rig.text("Label23"), QString("No Connect"));
        QCOMPARE(rig.text("InitText"), QString("No ComLink Established - Demo Only"));
        QVERIFY(rig.shown("InitText"));
        QVERIFY(!rig.w.pleaseWait() || !rig.w.pleaseWait()->isVisible());
        QVERIFY(rig.w.isVisible());
        const QString grabDir = qEnvironmentVariable("CORVANE_GRAB_DIR");
        if (!grabDir.isEmpty()) {
            QCoreApplication::sendPostedEvents();
            rig.w.grab().save(grabDir + "/demo.png");
        }
    }
}

void tst_mainwindow::storedSettingsRejected() {
    Rig rig;
    rig.store.storeProperties("fast,n,8,1xyz", 1, 0);
    rig.w.Form_Load();
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].icon, Prompts::Icon::Exclamation);
    QCOMPARE(rig.prompts.shown[0].text, rig.sim.errorString());
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(!rig.link.state().CommBusy);
    QVERIFY(!rig.w.Timer1().isActive());
    QCOMPARE(rig.propertiesRuns, 0);
}

void tst_mainwindow::versionReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("writes");
    QTest::newRow("version and serial") << QByteArray("VR,V1.95,12345\n") << "V1.95" << true << 1;
    QTest::newRow("no second comma") << QByteArray("VR,1.04\n") << "" << true << 1;
    QTest::newRow("meter says BAD") << QByteArray("VR,BAD,\n") << "" << false << 4;
    QTest::newRow("not a version") << QByteArray("XX,1,2\n") << "" << false << 4;
}

void tst_mainwindow::versionReply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, read);
    QFETCH(int, writes);
    Rig rig;
    rig.model.addCommand(
        {"VR,0", 0, true, [reply](MeterModel&, const QByteArray&, qint64) { return reply; }});
    rig.w.Form_Load();
    rig.sent();
    rig.w.GetVersionNumber();
    QTEST(rig.text("Label22"), "label");
    QCOMPARE(rig.w.flags().NeedVersion, !read);
    QCOMPARE(rig.sent().count("VR,0\n"), writes);
    QCOMPARE(rig.prompts.texts(),
             read ? QStringList{} : QStringList{"Can't Determine UnitType Kr3? Kr4? Kr5?"});
}

void tst_mainwindow::livePage_data() {
    QTest::addColumn<QByteArray>("units");
    QTest::addColumn<int>("lrnState");
    QTest::addColumn<int>("flagByte");
    QTest::addColumn<int>("remoteZeroEnabled");
    QTest::addColumn<int>("xqMode");
    QTest::addColumn<int>("loggingActive");
    QTest::addColumn<QString>("flowUnit");
    QTest::addColumn<QString>("velocityUnit");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("multiplier");
    QTest::addColumn<QString>("totalUnit");
    QTest::addColumn<QString>("status"); // empty: the status box is hidden
    QTest::addColumn<QString>("logging");
    QTest::addColumn<bool>("remoteZeroShown");

    QTest::newRow("gallons per minute, measuring")
        << QByteArray("00000001") << 4 << 0 << 0 << 0 << 1 << "G/Min"
        << "Ft/Sec"
        << "  1284517"
        << "  X1"
        << "GAL"
        << ""
        << "Logging" << false;
    QTest::newRow("cubic metres per hour, remote zero applied")
        << QByteArray("01040402") << 4 << 0x80 << 1 << 1 << 0 << "M3/Hr"
        << "M/Sec"
        << "  128452"
        << "  X10"
        << "M3"
        << ""
        << "Not Logging" << true;
    QTest::newRow("litres per second, warning")
        << QByteArray("04050500") << 4 << 0x82 << 0 << 0 << 1 << "L/Sec"
        << "M/Sec"
        << "  128"
        << "  X10000"
        << "L"
        << "Warning\r\n"
        << "Logging" << false;
    QTest::newRow("pounds per day, learning")
        << QByteArray("02070703") << 3 << 0x18 << 1 << 0 << 1 << "LB/Day"
        << "Ft/Sec"
        << "  12845"
        << "  X100"
        << ""
        << "Learn Mode\r\nNo Flow - Can't Learn\r\nWarning - Low Sig Strength\r\n"
        << "Logging" << false;
    QTest::newRow("imperial gallons, waiting for range")
        << QByteArray("03010100") << 0 << 0 << 0 << 1 << 1 << "IG/Sec"
        << "Ft/Sec"
        << "  1285"
        << "  X1000"
        << "IGal"
        << "Waiting for range to set\r\n"
        << "Logging" << false;
}

void tst_mainwindow::livePage() {
    QFETCH(QByteArray, units);
    QFETCH(int, lrnState);
    QFETCH(int, flagByte);
    QFETCH(QString, status);
    QFETCH(bool, remoteZeroShown);
    QFETCH(int, xqMode);
    Rig rig;
    rig.answer("CC,0,", channelRecord(units.constData()));
    rig.answerFlow(flowRecord(lrnState, flagByte));
    MeterState& s = rig.model.state();
    QFETCH(int, remoteZeroEnabled);
    QFETCH(int, loggingActive);
    s.remoteZeroEnabled = qint16(remoteZeroEnabled);
    s.xqMode = qint16(xqMode);
    s.loggingOn = 1;
    s.loggingActive = qint16(loggingActive);
    rig.startLive();

    QCOMPARE(rig.text("FlowValText"), QString("380.25"));
    QTEST(rig.text("FlowRateEEval"), "flowUnit");
    QCOMPARE(rig.text("velvaltext"), QString("4.20"));
    QTEST(rig.text("Velratetext"), "velocityUnit");
    QCOMPARE(rig.text("SSvaltext"), QString("78.5"));
    QCOMPARE(rig.text("SQvaltext"), QString("94.3"));
    QCOMPARE(rig.text("NormDispTime"), QString("01:05:09 PM"));
    QCOMPARE(rig.text("NormDispDate"), QString("07/14/2024"));
    QTEST(rig.text("TotValtext"), "total");
    QTEST(rig.text("TotXtext"), "multiplier");
    QTEST(rig.text("TotEEunit"), "totalUnit");
    auto* box = rig.find<QPlainTextEdit>("ErrMessBox");
    QCOMPARE(!box->isHidden(), !status.isEmpty());
    if (!status.isEmpty())
        QCOMPARE(box->toPlainText(), QString(status).replace("\r\n", "\n"));
    QVERIFY(rig.shown("TxtLogging"));
    QTEST(rig.text("TxtLogging"), "logging");
    QCOMPARE(rig.shown("TxtXQmode"), xqMode != 0);
    QCOMPARE(rig.shown("TxtRemoteZero"), remoteZeroShown);
    QVERIFY(!rig.w.flags().NeedFlowData);

    // A picture of the window for a person to look at.
    const QString grabDir = qEnvironmentVariable("CORVANE_GRAB_DIR");
    if (!grabDir.isEmpty()) {
        QCoreApplication::sendPostedEvents(); // the layout requests
        rig.w.grab().save(grabDir + "/" + QTest::currentDataTag() + ".png");
        rig.w.resize(rig.w.minimumSizeHint());
        QCoreApplication::sendPostedEvents();
        rig.w.grab().save(grabDir + "/" + QTest::currentDataTag() + " smallest.png");
    }
}

void tst_mainwindow::busyWatchdog_data() {
    QTest::addColumn<QString>("ticks"); // B: the link is busy at the tick; N: it is not
    QTest::addColumn<bool>("busyAfter");
    QTest::addColumn<int>("busyTicks");
    QTest::newRow("nine busy ticks") << "BBBBBBBBB" << true << 9;
    QTest::newRow("ten busy ticks") << "BBBBBBBBBB" << false << 0;
    QTest::newRow("ten, not in a row") << "BBBBBNBBBBB" << false << 0;
    QTest::newRow("nine, not in a row") << "BBBNBBBBBB" << true << 9;
}

void tst_mainwindow::busyWatchdog() {
    QFETCH(QString, ticks);
    Rig rig;
    rig.startLive();
    for (QChar tick : ticks) {
        const bool busy = tick == 'B';
        rig.link.state().CommBusy = busy;
        rig.w.Launch();
        const QByteArray sent = rig.sent();
        QCOMPARE(sent.isEmpty(), busy);
        if (busy)
            rig.link.state().CommBusy = rig.w.flags().BusyTicks != 0;
    }
    QTEST(rig.link.state().CommBusy, "busyAfter");
    QTEST(int(rig.w.flags().BusyTicks), "busyTicks");
}

void tst_mainwindow::catchUpReads_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("sys");
    QTest::addColumn<bool>("chan");
    QTest::addColumn<bool>("lrn");
    QTest::addColumn<bool>("flow");
    QTest::addColumn<QByteArray>("wire");
    const QByteArray fd = Flush + "FD,0,3\n";
    QTest::newRow("nothing stale") << 0 << false << false << false << false << fd;
    QTest::newRow("system") << 0 << true << false << false << false
                            << fd + Flush + Flush + "SC,0,\n";
    QTest::newRow("channel") << 0 << false << true << false << false << fd + Flush + "CC,0,\n";
    QTest::newRow("learn") << 0 << false << false << true << false << fd + Flush + "LR,0\n";
    // The flow page's own read has already brought fresh values.
    QTest::newRow("flow") << 0 << false << false << false << true << fd;
    QTest::newRow("system first") << 0 << true << true << true << true
                                  << fd + Flush + Flush + "SC,0,\n";
    QTest::newRow("learn before flow")
        << 0 << false << false << true << true << fd + Flush + "LR,0\n";
    QTest::newRow("other page, flow") << 1 << false << false << false << true << fd;
    QTest::newRow("other page, nothing stale")
        << 1 << false << false << false << false << QByteArray();
}

void tst_mainwindow::catchUpReads() {
    QFETCH(int, page);
    Rig rig;
    rig.startLive();
    rig.find<QTabWidget>("SSTab1")->setCurrentIndex(page);
    SchedulingFlags& f = rig.w.flags();
    QFETCH(bool, sys);
    QFETCH(bool, chan);
    QFETCH(bool, lrn);
    QFETCH(bool, flow);
    f.NeedSysConfig = sys;
    f.NeedSSConfig = chan;
    f.NeedLrnData = lrn;
    f.NeedFlowData = flow;
    rig.w.Launch();
    QTEST(rig.sent(), "wire");
}

void tst_mainwindow::failingSystemConfigDuringStartup() {
    Rig rig;
    rig.answer("SC,0,", QByteArray()); // the meter keeps silent on SC
    rig.w.Form_Load();
    rig.sent();
    rig.w.Launch();
    const QByteArray sent = rig.sent();
    // Tried at start-up and again as the catch-up read; three writes each.
    QCOMPARE(sent.count("SC,0,\n"), 6);
    QVERIFY(!sent.contains("CC,0,"));
    QVERIFY(!sent.contains("LR,0"));
    QVERIFY(rig.w.flags().NeedSysConfig && rig.w.flags().ConfigPending);
    QVERIFY(!rig.w.pleaseWait()->gotsysconfig()->isChecked());
    QVERIFY(rig.w.showsHourglass());
    QVERIFY(!rig.link.state().CommBusy);
}

void tst_mainwindow::systemConfigWithLineFeedByte_data() {
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("datalog");
    QTest::newRow("contrast 10") << 10 << 3;
    QTest::newRow("datalog 10") << 7 << 10;
    QTest::newRow("both 10") << 10 << 10;
}

void tst_mainwindow::systemConfigWithLineFeedByte() {
    QFETCH(int, contrast);
    QFETCH(int, datalog);
    Rig rig;
    MeterState& s = rig.model.state();
    s.displayContrast = qint16(contrast);
    s.currentDatalog = quint8(datalog);
    s.loggingOn = 1;
    s.systemMiscValue = 2.5f;
    rig.w.Form_Load();
    rig.w.Launch();
    const SystemConfig& c = rig.w.config().SysConfig;
    QVERIFY(!rig.w.flags().NeedSysConfig);
    QCOMPARE(int(c.DisplayContrast), contrast);
    QCOMPARE(int(c.CurrentDatalogNumber), datalog);
    QCOMPARE(c.LoggingOn, qint16(1));
    QCOMPARE(c.LearnScale, 2.5f);
}

void tst_mainwindow::sequenceWraps() {
    Rig rig;
    rig.startLive();
    rig.w.setFdSequence(32766);
    rig.w.Launch();
    QCOMPARE(rig.sent(), Flush + "FD,0,32767\n");
    rig.w.Launch();
    QCOMPARE(rig.sent(), Flush + "FD,0,1\n");
    rig.w.Launch();
    QCOMPARE(rig.sent(), Flush + "FD,0,2\n");
}

void tst_mainwindow::unitIndexOutsideTable_data() {
    QTest::addColumn<QByteArray>("units");
    QTest::addColumn<bool>("chanRead"); // the channel configuration was taken
    QTest::addColumn<QString>("flowUnit");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("multiplier");
    QTest::addColumn<QString>("totalUnit");
    // Start: gallons per minute, totalizer X1 in gallons. Then the meter
    // reports an index outside its table.
    QTest::newRow("flow volume unit 8") << QByteArray("00080001") << false << "G/Min"
                                        << "  1284517"
                                        << "  X1"
                                        << "GAL";
    QTest::newRow("flow time unit 4") << QByteArray("00000004") << false << "G/Min"
                                      << "  1284517"
                                      << "  X1"
                                      << "GAL";
    QTest::newRow("multiplier 5") << QByteArray("05000001") << true << "G/Min"
                                  << "  0"
                                  << "  X1"
                                  << "GAL";
    QTest::newRow("totalizer unit 9") << QByteArray("01000901") << true << "G/Min"
                                      << "  128452"
                                      << "  X10"
                                      << "GAL";
}

void tst_mainwindow::unitIndexOutsideTable() {
    QFETCH(QByteArray, units);
    QFETCH(bool, chanRead);
    Rig rig;
    rig.answer("CC,0,", channelRecord("00000001"));
    rig.answerFlow(flowRecord(4, 0));
    rig.startLive();
    QCOMPARE(rig.text("TotValtext"), QString("  1284517"));

    // The page shows a zero totalizer once; then the configuration changes.
    QByteArray zeroTotal = flowRecord(4, 0);
    put(zeroTotal, 30, "0000000000000000");
    rig.answerFlow(zeroTotal);
    rig.answer("CC,0,", channelRecord(units.constData()));
    rig.w.flags().NeedSSConfig = true;
    rig.w.Launch();
    rig.answerFlow(flowRecord(4, 0));
    rig.w.Launch();
    rig.w.Launch();

    QCOMPARE(rig.w.flags().NeedSSConfig, !chanRead);
    QTEST(rig.text("FlowRateEEval"), "flowUnit");
    QTEST(rig.text("TotValtext"), "total");
    QTEST(rig.text("TotXtext"), "multiplier");
    QTEST(rig.text("TotEEunit"), "totalUnit");
    // Nothing else breaks: the link is free and the next tick reads again.
    QVERIFY(!rig.link.state().CommBusy);
    rig.sent();
    rig.w.Launch();
    QVERIFY(rig.sent().startsWith(Flush + "FD,0,"));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void tst_mainwindow::masterErase_data() {
    QTest::addColumn<Prompts::Answer>("answer");
    QTest::addColumn<bool>("meterBack");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("messages");
    const QString question = "This will Master Erase the Unit - continue ?";
    QTest::newRow("no") << Prompts::Answer::No << true << QByteArray() << QStringList{question};
    QTest::newRow("yes") << Prompts::Answer::Yes << true
                         << Flush + "MR,1\n" + Flush + "CC,0,\n" + Flush + "VT,0\n"
                         << QStringList{question};
    QTest::newRow("yes, meter does not come back")
        << Prompts::Answer::Yes << false
        << Flush + "MR,1\n" + Flush + "CC,0,\nCC,0,\nCC,0,\n" + Flush + "VT,0\n" + Flush +
               "VT,0\n" + Flush + "VT,0\n"
        << QStringList{question, "Communications Failed"};
}

void tst_mainwindow::masterErase() {
    QFETCH(Prompts::Answer, answer);
    QFETCH(bool, meterBack);
    Rig rig;
    rig.startLive();
    rig.prompts.answers = {answer};
    if (!meterBack)
        rig.model.onCommand = [&](const MeterModel::Received& r) {
            if (r.command.startsWith("MR,1"))
                rig.model.faults().silent = true;
        };
    rig.w.mnuMasterErase_Click();

    QTEST(rig.sent(), "wire");
    QTEST(rig.prompts.texts(), "messages");
    const ScriptedPrompts::Shown& q = rig.prompts.shown[0];
    QCOMPARE(q.title, QString("Master Erase Unit"));
    QCOMPARE(q.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(q.icon, Prompts::Icon::Exclamation);
    QCOMPARE(q.defaultAnswer, Prompts::Answer::No);
    QVERIFY(!rig.link.state().CommBusy);
    if (answer == Prompts::Answer::No)
        return;
    QCOMPARE(rig.w.flags().LinkEstablished, meterBack);
    QCOMPARE(rig.propertiesRuns, meterBack ? 0 : 1);
    if (meterBack) {
        // The whole configuration is read again behind the please-wait window.
        QVERIFY(rig.w.flags().ConfigPending);
        QVERIFY(rig.w.showsHourglass());
        QVERIFY(rig.w.pleaseWait() && rig.w.pleaseWait()->isVisible());
        rig.w.Launch();
        const QByteArray sent = rig.sent();
        QVERIFY(sent.contains("SC,0,\n") && sent.contains("CC,0,\n") && sent.contains("LR,0\n"));
        QVERIFY(rig.w.pleaseWait()->gotlearndata()->isChecked());
    } else {
        QCOMPARE(rig.text("InitText"), QString("No ComLink Established - Demo Only"));
        QVERIFY(rig.shown("InitText"));
        QVERIFY(!rig.w.pleaseWait()->isVisible());
    }
}

void tst_mainwindow::establishComm_data() {
    QTest::addColumn<bool>("meter");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("itemEnabled");
    QTest::addColumn<bool>("polling");
    QTest::newRow("meter answers")
        << true << false << QStringList{"Communications Established"} << false << true;
    QTest::newRow("no meter") << false << false << QStringList{"Failed to Establish Communications"}
                              << true << false;
    QTest::newRow("link busy") << true << true << QStringList{} << true << false;
}

void tst_mainwindow::establishComm() {
    QFETCH(bool, meter);
    QFETCH(bool, busy);
    Rig rig;
    rig.model.faults().silent = true;
    rig.w.Form_Load(); // demo state
    rig.prompts.clearRecord();
    rig.sent();
    rig.model.faults().silent = !meter;
    rig.link.state().CommBusy = busy;
    rig.w.mnuEstablishComm_Click();
    QTEST(rig.prompts.texts(), "messages");
    QTEST(rig.find<QAction>("mnuEstablishComm")->isEnabled(), "itemEnabled");
    QTEST(rig.w.Timer1().isActive(), "polling");
    QCOMPARE(rig.sent().isEmpty(), busy);
}

void tst_mainwindow::meterGoesAway_data() {
    QTest::addColumn<bool>("unplug"); // else the simulated meter hangs up
    QTest::newRow("adapter unplugged") << true;
    QTest::newRow("meter hangs up") << false;
}

void tst_mainwindow::meterGoesAway() {
    QFETCH(bool, unplug);
    Rig rig;
    rig.startLive();
    // An earlier reconnection left the item disabled.
    rig.w.mnuEstablishComm_Click();
    QVERIFY(!rig.find<QAction>("mnuEstablishComm")->isEnabled());
    rig.w.Launch();
    rig.prompts.clearRecord();
    rig.sent();

    if (unplug)
        rig.port.unplug();
    else
        rig.model.faults().hangUp = true;
    const qint64 before = rig.waiter.now();
    for (int i = 0; i < 5; ++i)
        rig.w.Launch();
    QCOMPARE(rig.prompts.shown.size(), 1);
    QVERIFY(rig.prompts.shown[0].text.startsWith("The connection to the meter was lost"));
    QCOMPARE(rig.prompts.shown[0].icon, Prompts::Icon::Exclamation);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.w.flags().LinkEstablished);
    QVERIFY(rig.find<QAction>("mnuEstablishComm")->isEnabled());
    // Polling does nothing with the port closed: no bytes, no waiting.
    const QByteArray lost = rig.sent();
    QVERIFY2(lost.count("FD,0,") <= 1, lost.toHex(' ').constData());
    QVERIFY(rig.waiter.now() - before < 3000);
    rig.w.Launch();
    QVERIFY(rig.sent().isEmpty());

    rig.prompts.clearRecord();
    rig.w.mnuEstablishComm_Click();
    QCOMPARE(rig.prompts.texts(), QStringList{"Failed to Establish Communications"});
    if (unplug)
        rig.port.plugIn();
    else
        rig.model.faults().hangUp = false;
    rig.prompts.clearRecord();
    rig.w.mnuEstablishComm_Click();
    QCOMPARE(rig.prompts.texts(), QStringList{"Communications Established"});
    QVERIFY(rig.port.isOpen());
    rig.sent();
    rig.w.Launch();
    QVERIFY(rig.sent().contains("SC,0,\n"));
    rig.w.Launch();
    QVERIFY(rig.sent().contains("FD,0,"));
}

void tst_mainwindow::closingAndExit() {
    {
        Rig rig;
        rig.startLive();
        rig.w.close();
        QCOMPARE(rig.ended, 1);
        QVERIFY(!rig.w.Timer1().isActive());
        QVERIFY(!rig.port.isOpen());
        QVERIFY(rig.sent().isEmpty());
    }
    {
        Rig rig;
        rig.startLive();
        rig.w.mnuExit_Click();
        QCOMPARE(rig.ended, 1);
        // Exit ends the program without the closing handler.
        QVERIFY(rig.port.isOpen());
        QVERIFY(rig.sent().isEmpty());
    }
}

void tst_mainwindow::menus_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("open log") << "mnuFile"
                              << "mnuOpenLog"
                              << "&OpenDbgLog" << false;
    QTest::newRow("close log") << "mnuFile"
                               << "mnuCloseLog"
                               << "&CloseDbgLog" << false;
    QTest::newRow("open supervisor log") << "mnuFile"
                                         << "mnuOpenSupvLog"
                                         << "Open&SupervisorLog" << false;
    QTest::newRow("close supervisor log") << "mnuFile"
                                          << "mnuCloseSupvLog"
                                          << "CloseS&upervisorLog" << false;
    QTest::newRow("about") << "mnuFile"
                           << "mnuAbout"
                           << "&About" << false;
    QTest::newRow("exit") << "mnuFile"
                          << "mnuExit"
                          << "&Exit" << true;
    QTest::newRow("unit setup") << "cmdUnitSetup"
                                << "mnusetup"
                                << "&Unit Setup" << false;
    QTest::newRow("unit log") << "cmdUnitSetup"
                              << "mnuRetlog"
                              << "&RetreveUnitLog" << false;
    QTest::newRow("properties") << "mnuComm"
                                << "mnuProperties"
                                << "&Properties..." << true;
    QTest::newRow("establish") << "mnuComm"
                               << "mnuEstablishComm"
                               << "&Establish Comm" << true;
    QTest::newRow("master erase") << "mnuComm"
                                  << "mnuMasterErase"
                                  << "&Master Erase" << true;
}

void tst_mainwindow::menus() {
    QFETCH(QString, menu);
    QFETCH(QString, name);
    Rig rig;
    auto* m = rig.w.findChild<QMenu*>(menu);
    QVERIFY(m);
    QAction* item = nullptr;
    for (QAction* a : m->actions())
        if (a->objectName() == name)
            item = a;
    QVERIFY(item);
    QTEST(item->text(), "caption");
    QTEST(item->isEnabled(), "enabled");
    const QStringList titles{"&File", "&Setup", "&Comm"};
    QStringList bar;
    for (QAction* a : rig.w.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, titles);
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
