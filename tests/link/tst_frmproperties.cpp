#include "ScriptedPrompts.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"
#include "link/VirtualWaiter.h"
#include "link/frmProperties.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A port that keeps what it is given, logs the calls that change it, and
// refuses the calls a test names.
class FakePort : public SerialPort {
public:
    bool open() override {
        log << QStringLiteral("open");
        if (onOpen)
            onOpen();
        if (!openError.isEmpty())
            return fail(openError);
        open_ = true;
        return true;
    }
    void close() override {
        log << QStringLiteral("close");
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    int portNumber() const override { return number_; }
    bool setPortNumber(int number) override {
        log << QStringLiteral("port %1").arg(number);
        if (rejectedPorts.contains(number))
            return fail(QStringLiteral("Invalid Port Number"));
        number_ = number;
        return true;
    }
    QString settings() const override { return settings_; }
    bool setSettings(const QString& text) override {
        log << QStringLiteral("settings ") + text;
        if (rejectSettings)
            return fail(QStringLiteral("Invalid property value"));
        settings_ = text;
        return true;
    }
    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int code) override {
        log << QStringLiteral("handshaking %1").arg(code);
        if (rejectHandshaking)
            return fail(QStringLiteral("Handshaking not supported"));
        handshaking_ = code;
        return true;
    }
    int bytesWaiting() override { return 0; }
    void discardInput() override {}
    int readByte() override { return -1; }
    bool write(const QByteArray&) override { return open_; }
    QString errorString() const override { return error_; }

    // Starting state, set without logging.
    void preset(int number, const QString& settings, int handshaking, bool isOpen) {
        number_ = number;
        settings_ = settings;
        handshaking_ = handshaking;
        open_ = isOpen;
    }

    QStringList log;
    QList<int> rejectedPorts;
    QString openError;
    bool rejectSettings = false;
    bool rejectHandshaking = false;
    std::function<void()> onOpen;

private:
    bool fail(const QString& text) {
        error_ = text;
        return false;
    }
    int number_ = 1;
    QString settings_ = QStringLiteral("19200,n,8,1");
    int handshaking_ = 0;
    bool open_ = false;
    QString error_;
};

QStringList entries(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

class TestFrmProperties : public QObject {
    Q_OBJECT

    // One dialog with everything it talks to, recording what the host saw.
    struct Rig {
        FakePort port;
        VirtualWaiter waiter;
        ScriptedPrompts prompts;
        MeterLink link{port, waiter, prompts};
        std::unique_ptr<PortSettingsStore> store;
        std::unique_ptr<frmProperties> dialog;
        bool meterAnswers = true;
        int establishCalls = 0;
        bool busyDuringEstablish = false;
        QList<bool> linkCalls;

        explicit Rig(const QString& ini) : store(std::make_unique<PortSettingsStore>(ini)) {}
        void load() {
            frmProperties::Host host;
            host.EstablishCommunication = [this] {
                ++establishCalls;
                busyDuringEstablish = link.state().CommBusy;
                return meterAnswers;
            };
            host.setLinkEstablished = [this](bool on) { linkCalls << on; };
            dialog = std::make_unique<frmProperties>(link, *store, host);
            dialog->Form_Load();
        }
        QComboBox* combo(const char* name) const {
            return dialog->findChild<QComboBox*>(QString::fromLatin1(name));
        }
        void choose(const char* name, const QString& text) const {
            QComboBox* box = combo(name);
            QVERIFY2(box, name);
            const int index = box->findText(text);
            QVERIFY2(index >= 0, qPrintable(text));
            box->setCurrentIndex(index);
        }
    };

    QTemporaryDir dir_;
    int iniCount_ = 0;
    QString freshIni() { return dir_.filePath(QStringLiteral("p%1.ini").arg(++iniCount_)); }

private slots:
    void lists_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("cboPort") << "cboPort" << QStringList{"Com1",  "Com2",  "Com3",  "Com4",
                                                             "Com5",  "Com6",  "Com7",  "Com8",
                                                             "Com9",  "Com10", "Com11", "Com12",
                                                             "Com13", "Com14", "Com15", "Com16"};
        QTest::newRow("cboSpeed") << "cboSpeed"
                                  << QStringList{"110",   "300",    "600",    "1200",
                                                 "2400",  "4800",   "9600",   "14400",
                                                 "19200", "28800",  "38400",  "56000",
                                                 "57600", "115200", "128000", "256000"};
        QTest::newRow("cboDataBits") << "cboDataBits" << QStringList{"4", "5", "6", "7", "8"};
        QTest::newRow("cboParity")
            << "cboParity" << QStringList{"Even", "Odd", "None", "Mark", "Space"};
        QTest::newRow("cboStopBits") << "cboStopBits" << QStringList{"1", "1.5", "2"};
    }
    void lists() {
        QFETCH(QString, control);
        QFETCH(QStringList, expected);
        Rig rig(freshIni());
        rig.load();
        auto* combo = rig.dialog->findChild<QComboBox*>(control);
        QVERIFY(combo);
        QCOMPARE(entries(combo), expected);
        // Loading again does not add the entries twice.
        rig.dialog->LoadPropertySettings();
        QCOMPARE(entries(combo), expected);
    }

    void captions_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::newRow("optFlow(0)") << "optFlow(0)"
                                    << "None";
        QTest::newRow("optFlow(1)") << "optFlow(1)"
                                    << "Xon/Xoff";
        QTest::newRow("optFlow(2)") << "optFlow(2)"
                                    << "RTS";
        QTest::newRow("optFlow(3)") << "optFlow(3)"
                                    << "Xon/RTS";
        QTest::newRow("cmdOK") << "cmdOK"
                               << "OK";
        QTest::newRow("cmdCancel") << "cmdCancel"
                                   << "Cancel";
        QTest::newRow("fraConnection") << "fraConnection"
                                       << "Connection Preferences";
        QTest::newRow("speed frame") << "fraSpeed"
                                     << "Maximum Speed";
        QTest::newRow("flow frame") << "fraFlow"
                                    << "&Flow Control";
        QTest::newRow("port label") << "lblPort"
                                    << "Port:";
        QTest::newRow("data bits label") << "lblDataBits"
                                         << "Data Bits:";
        QTest::newRow("parity label") << "lblParity"
                                      << "Parity:";
        QTest::newRow("stop bits label") << "lblStopBits"
                                         << "Stop Bits:";
    }
    void captions() {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        Rig rig(freshIni());
        rig.load();
        QCOMPARE(rig.dialog->windowTitle(), QStringLiteral("CommPort Properties"));
        QWidget* widget = rig.dialog->findChild<QWidget*>(control);
        QVERIFY2(widget, qPrintable(control));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(widget))
            text = frame->title();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        QCOMPARE(text, caption);
    }

    void loadSelects_data() {
        QTest::addColumn<QString>("portSettings");
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<int>("handshaking");
        // Speed, parity, data bits, stop bits, port as the lists show them.
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("defaults") << "19200,n,8,1" << 1 << 0
                                  << QStringList{"19200", "None", "8", "1", "Com1"};
        QTest::newRow("odd parity")
            << "9600,o,7,1" << 4 << 1 << QStringList{"9600", "Odd", "7", "1", "Com4"};
        QTest::newRow("mark parity")
            << "4800,m,7,2" << 16 << 2 << QStringList{"4800", "Mark", "7", "2", "Com16"};
        QTest::newRow("1.5 stop bits")
            << "115200,E,5,1.5" << 9 << 3 << QStringList{"115200", "Even", "5", "1.5", "Com9"};
        QTest::newRow("space, slowest")
            << "110,s,6,2" << 2 << 0 << QStringList{"110", "Space", "6", "2", "Com2"};
    }
    void loadSelects() {
        QFETCH(QString, portSettings);
        QFETCH(int, portNumber);
        QFETCH(int, handshaking);
        QFETCH(QStringList, shown);
        Rig rig(freshIni());
        rig.port.preset(portNumber, portSettings, handshaking, true);
        rig.load();
        QStringList selected;
        for (const char* name : {"cboSpeed", "cboParity", "cboDataBits", "cboStopBits", "cboPort"})
            selected << rig.combo(name)->currentText();
        QCOMPARE(selected, shown);
        auto* option =
            rig.dialog->findChild<QRadioButton*>(QStringLiteral("optFlow(%1)").arg(handshaking));
        QVERIFY(option->isChecked());
        QCOMPARE(rig.dialog->chosenHandshaking(), handshaking);
        // Loading touches nothing on the port.
        QCOMPARE(rig.port.log, QStringList{});
    }

    void okAppliesStoresAndConnects_data() {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("stopBits");
        QTest::addColumn<int>("flow");
        QTest::addColumn<QString>("settingsText");
        QTest::newRow("even parity") << "9600"
                                     << "Even"
                                     << "8"
                                     << "1" << 0 << "9600,E,8,1";
        QTest::newRow("1.5 stop bits") << "19200"
                                       << "None"
                                       << "8"
                                       << "1.5" << 3 << "19200,N,8,1.5";
        QTest::newRow("mark, Xon/Xoff") << "115200"
                                        << "Mark"
                                        << "7"
                                        << "2" << 1 << "115200,M,7,2";
        QTest::newRow("space, RTS") << "256000"
                                    << "Space"
                                    << "4"
                                    << "1" << 2 << "256000,S,4,1";
    }
    void okAppliesStoresAndConnects() {
        QFETCH(QString, speed);
        QFETCH(QString, parity);
        QFETCH(QString, dataBits);
        QFETCH(QString, stopBits);
        QFETCH(int, flow);
        QFETCH(QString, settingsText);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.port.preset(2, QStringLiteral("19200,n,8,1"), 0, true);
        rig.load();
        rig.choose("cboSpeed", speed);
        rig.choose("cboParity", parity);
        rig.choose("cboDataBits", dataBits);
        rig.choose("cboStopBits", stopBits);
        rig.dialog->findChild<QRadioButton*>(QStringLiteral("optFlow(%1)").arg(flow))->click();
        QCOMPARE(rig.dialog->chosenHandshaking(), flow);

        rig.dialog->cmdOK_Click();

        // Same port: not closed and reopened.
        QCOMPARE(rig.port.log, (QStringList{QStringLiteral("settings ") + settingsText,
                                            QStringLiteral("handshaking %1").arg(flow)}));
        PortSettingsStore stored(ini);
        QCOMPARE(stored.settings(), settingsText);
        QCOMPARE(stored.commPort(), QStringLiteral("2"));
        QCOMPARE(stored.handshaking(), QString::number(flow));
        QCOMPARE(rig.establishCalls, 1);
        QVERIFY(rig.busyDuringEstablish);
        QVERIFY(!rig.link.state().CommBusy);
        QCOMPARE(rig.prompts.texts(), QStringList{"Communications Established"});
        QCOMPARE(rig.prompts.shown.at(0).buttons, Prompts::Buttons::Ok);
        QCOMPARE(rig.linkCalls, QList<bool>{true});
        QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    }

    void noMeterKeepsDialogOpen() {
        const QString ini = freshIni();
        Rig rig(ini);
        rig.meterAnswers = false;
        rig.load();
        rig.dialog->show();
        rig.choose("cboSpeed", QStringLiteral("9600"));
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.prompts.texts(), QStringList{"Communications Failed"});
        QCOMPARE(rig.prompts.shown.at(0).buttons, Prompts::Buttons::Ok);
        QCOMPARE(PortSettingsStore(ini).settings(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(rig.linkCalls, QList<bool>{});
        QVERIFY(rig.dialog->isVisible());
        QVERIFY(!rig.link.state().CommBusy);
    }

    void portChange_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("same port, open")
            << 1 << true << "Com1" << QStringList{"settings 19200,N,8,1", "handshaking 0"};
        QTest::newRow("other port, open")
            << 1 << true << "Com3"
            << QStringList{"close", "port 3", "open", "settings 19200,N,8,1", "handshaking 0"};
        QTest::newRow("other port, closed")
            << 5 << false << "Com16"
            << QStringList{"port 16", "settings 19200,N,8,1", "handshaking 0"};
    }
    void portChange() {
        QFETCH(int, current);
        QFETCH(bool, wasOpen);
        QFETCH(QString, chosen);
        QFETCH(QStringList, calls);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.port.preset(current, QStringLiteral("19200,n,8,1"), 0, wasOpen);
        rig.load();
        rig.choose("cboPort", chosen);
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.port.log, calls);
        QCOMPARE(rig.port.isOpen(), wasOpen);
        QCOMPARE(PortSettingsStore(ini).commPort(), chosen.mid(3));
    }

    void portErrors_data() {
        QTest::addColumn<int>("rejectedPort");
        QTest::addColumn<QString>("openError");
        QTest::addColumn<QString>("message");
        QTest::newRow("number rejected") << 4 << ""
                                         << "Invalid Port Number";
        QTest::newRow("no permission")
            << 0 << "Permission denied: the account is not in the group that owns /dev/ttyUSB3"
            << "Permission denied: the account is not in the group that owns /dev/ttyUSB3";
    }
    void portErrors() {
        QFETCH(int, rejectedPort);
        QFETCH(QString, openError);
        QFETCH(QString, message);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.port.preset(2, QStringLiteral("19200,n,8,1"), 0, true);
        rig.port.rejectedPorts = {rejectedPort};
        rig.port.openError = openError;
        rig.load();
        rig.dialog->show();
        rig.choose("cboPort", QStringLiteral("Com4"));
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.prompts.texts(), QStringList{message});
        QCOMPARE(rig.prompts.shown.at(0).icon, Prompts::Icon::Exclamation);
        QCOMPARE(rig.port.portNumber(), 2);
        QCOMPARE(rig.port.log.last(), QStringLiteral("port 2"));
        QCOMPARE(rig.establishCalls, 0);
        QCOMPARE(PortSettingsStore(ini).settings(), QString());
        QVERIFY(rig.dialog->isVisible());
    }

    void lineSettingsRejected_data() {
        QTest::addColumn<bool>("rejectSettings");
        QTest::addColumn<bool>("rejectHandshaking");
        QTest::addColumn<QString>("message");
        QTest::newRow("settings text") << true << false << "Invalid property value";
        QTest::newRow("handshaking") << false << true << "Handshaking not supported";
    }
    void lineSettingsRejected() {
        QFETCH(bool, rejectSettings);
        QFETCH(bool, rejectHandshaking);
        QFETCH(QString, message);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.port.rejectSettings = rejectSettings;
        rig.port.rejectHandshaking = rejectHandshaking;
        rig.load();
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.prompts.texts(), QStringList{message});
        QCOMPARE(rig.prompts.shown.at(0).icon, Prompts::Icon::Exclamation);
        QCOMPARE(rig.establishCalls, 0);
        QVERIFY(!QFile::exists(ini) || PortSettingsStore(ini).settings().isEmpty());
        QVERIFY(!rig.link.state().CommBusy);
    }

    void cancelClearsLink_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Cancel button") << true;
        QTest::newRow("Escape key") << false;
    }
    void cancelClearsLink() {
        QFETCH(bool, byButton);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.load();
        rig.dialog->show();
        rig.choose("cboSpeed", QStringLiteral("1200"));
        if (byButton)
            QTest::mouseClick(rig.dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        else
            QTest::keyClick(rig.dialog.get(), Qt::Key_Escape);
        QCOMPARE(rig.linkCalls, QList<bool>{false});
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(rig.port.log, QStringList{});
        QCOMPARE(PortSettingsStore(ini).settings(), QString());
    }

#ifndef Q_OS_WIN
    void deviceFollowsSelectedPort() {
        const QString ini = freshIni();
        PortSettingsStore(ini).setDeviceForPort(5, QStringLiteral("/dev/pts/4"));
        Rig rig(ini);
        rig.port.preset(5, QStringLiteral("19200,n,8,1"), 0, false);
        rig.load();
        QComboBox* device = rig.combo("cboDevice");
        QVERIFY(device);
        QCOMPARE(device->currentText(), QStringLiteral("/dev/pts/4"));
        rig.choose("cboPort", QStringLiteral("Com1"));
        QCOMPARE(device->currentText(), QStringLiteral("/dev/ttyUSB0"));
        rig.choose("cboPort", QStringLiteral("Com5"));
        QCOMPARE(device->currentText(), QStringLiteral("/dev/pts/4"));
    }

    void typedDeviceStoredBeforeReopen_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("openedDevice");
        QTest::newRow("new device, same Com number")
            << "/dev/pts/9"
            << QStringList{"close", "port 2", "open", "settings 19200,N,8,1", "handshaking 0"}
            << "/dev/pts/9";
        QTest::newRow("device unchanged")
            << "/dev/ttyUSB1" << QStringList{"settings 19200,N,8,1", "handshaking 0"} << "";
    }
    void typedDeviceStoredBeforeReopen() {
        QFETCH(QString, typed);
        QFETCH(QStringList, calls);
        QFETCH(QString, openedDevice);
        const QString ini = freshIni();
        Rig rig(ini);
        rig.port.preset(2, QStringLiteral("19200,n,8,1"), 0, true);
        QString deviceAtOpen;
        rig.port.onOpen = [&] { deviceAtOpen = PortSettingsStore(ini).deviceForPort(2); };
        rig.load();
        QCOMPARE(rig.combo("cboDevice")->currentText(), QStringLiteral("/dev/ttyUSB1"));
        rig.combo("cboDevice")->setEditText(typed);
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.port.log, calls);
        QCOMPARE(deviceAtOpen, openedDevice);
        QCOMPARE(PortSettingsStore(ini).deviceForPort(2), typed);
    }
#endif
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
