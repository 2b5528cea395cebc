#include "ScriptedPrompts.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"
#include "link/VirtualWaiter.h"
#include "link/frmProperties.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A port that keeps what it is given, logs the calls that change it, and
// refuses the one call named in `refuse` ("port 4", "open", "settings", ...).
class FakePort : public SerialPort {
public:
    bool open() override { return onOpen(), set(QString("open"), opened, true); }
    void close() override { set(QString("close"), opened, false); }
    bool isOpen() const override { return opened; }
    int portNumber() const override { return number; }
    bool setPortNumber(int n) override { return set(QString("port %1").arg(n), number, n); }
    QString settings() const override { return text; }
    bool setSettings(const QString& t) override { return set("settings " + t, text, t); }
    int handshaking() const override { return code; }
    bool setHandshaking(int c) override { return set(QString("handshaking %1").arg(c), code, c); }
    int bytesWaiting() override { return 0; }
    void discardInput() override {}
    int readByte() override { return -1; }
    bool write(const QByteArray&) override { return opened; }
    QString errorString() const override { return "Refused: " + refuse; }

    QStringList log;
    QString refuse;
    std::function<void()> onOpen = [] {};
    int number = 2, code = 0;
    QString text = "19200,n,8,1";
    bool opened = true;

private:
    template <typename T> bool set(const QString& call, T& field, const T& value) {
        log << call;
        if (call == refuse || call.startsWith(refuse + ' '))
            return false;
        field = value;
        return true;
    }
};

} // namespace

class TestFrmProperties : public QObject {
    Q_OBJECT

    // One dialog with everything it talks to, recording what the host saw.
    struct Rig {
        QTemporaryDir dir;
        QString ini = dir.filePath("p.ini");
        FakePort port;
        VirtualWaiter waiter;
        ScriptedPrompts prompts;
        MeterLink link{port, waiter, prompts};
        PortSettingsStore store{ini};
        std::unique_ptr<frmProperties> dialog;
        bool meterAnswers = true;
        QStringList hostCalls; // what the main window was asked to do

        void load() {
            frmProperties::Host host;
            host.EstablishCommunication = [this] {
                hostCalls << (link.state().CommBusy ? "establish while busy" : "establish");
                return meterAnswers;
            };
            host.setLinkEstablished = [this](bool on) {
                hostCalls << QString("linked %1").arg(on);
            };
            dialog = std::make_unique<frmProperties>(link, store, host);
            dialog->Form_Load();
            dialog->show();
        }
        QComboBox* combo(const char* name) const { return dialog->findChild<QComboBox*>(name); }
        void choose(const char* name, const QString& text) const {
            combo(name)->setCurrentIndex(combo(name)->findText(text));
        }
        QString stored() const { return PortSettingsStore(ini).settings(); }
        QRadioButton* option(int i) const {
            return dialog->findChild<QRadioButton*>(QString("optFlow(%1)").arg(i));
        }
    };

private slots:
    void lists() {
        Rig rig;
        rig.load();
        rig.dialog->LoadPropertySettings(); // loading again adds nothing twice
        QStringList lists;
        for (const char* name : {"cboPort", "cboSpeed", "cboDataBits", "cboParity", "cboStopBits"})
            for (int i = 0; i < rig.combo(name)->count(); ++i)
                lists << rig.combo(name)->itemText(i);
        QCOMPARE(lists.join(' '), "Com1 Com2 Com3 Com4 Com5 Com6 Com7 Com8 Com9 Com10 Com11 Com12 "
                                  "Com13 Com14 Com15 Com16 "
                                  "110 300 600 1200 2400 4800 9600 14400 19200 28800 38400 56000 "
                                  "57600 115200 128000 256000 "
                                  "4 5 6 7 8 Even Odd None Mark Space 1 1.5 2");
        // The flow options in the order of their handshaking codes.
        QStringList flow;
        for (int i = 0; i < 4; ++i)
            flow << rig.option(i)->text();
        QCOMPARE(flow.join('|'), "None|Xon/Xoff|RTS|Xon/RTS");
        QCOMPARE(rig.dialog->windowTitle(), "CommPort Properties");
        rig.option(2)->click();
        QCOMPARE(rig.dialog->chosenHandshaking(), 2);
    }

    // The lists show the port's settings; OK applies and stores exactly what they show,
    // reopens the port only for another number, then tries the meter.
    void ok_data() {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<int>("flow");
        QTest::addColumn<QString>("shown"); // speed, parity, data bits, stop bits, port
        QTest::addColumn<QString>("chosenPort");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("1.5 stop bits, same port")
            << "115200,E,5,1.5" << 2 << true << 3 << "115200 Even 5 1.5 Com2"
            << "Com2" << true << QStringList{"settings 115200,E,5,1.5", "handshaking 3"};
        QTest::newRow("other port reopened")
            << "9600,o,7,1" << 2 << true << 1 << "9600 Odd 7 1 Com2"
            << "Com3" << true
            << QStringList{"close", "port 3", "open", "settings 9600,O,7,1", "handshaking 1"};
        QTest::newRow("closed port stays closed, no meter")
            << "4800,m,8,2" << 5 << false << 2 << "4800 Mark 8 2 Com5"
            << "Com16" << false << QStringList{"port 16", "settings 4800,M,8,2", "handshaking 2"};
    }
    void ok() {
        QFETCH(int, flow);
        QFETCH(bool, wasOpen);
        QFETCH(bool, answers);
        QFETCH(QStringList, calls);
        Rig rig;
        QFETCH(QString, portText);
        QFETCH(int, portNumber);
        rig.port.text = portText, rig.port.number = portNumber, rig.port.code = flow;
        rig.port.opened = wasOpen;
        rig.meterAnswers = answers;
        rig.load();
        QStringList shown;
        for (const char* name : {"cboSpeed", "cboParity", "cboDataBits", "cboStopBits", "cboPort"})
            shown << rig.combo(name)->currentText();
        QTEST(shown.join(' '), "shown");
        QVERIFY(rig.option(flow)->isChecked());
        QCOMPARE(rig.port.log, QStringList{}); // loading changes nothing on the port
        QFETCH(QString, chosenPort);
        rig.choose("cboPort", chosenPort);
        rig.dialog->cmdOK_Click();

        QCOMPARE(rig.port.log, calls);
        QCOMPARE(rig.port.isOpen(), wasOpen);
        const PortSettingsStore stored(rig.ini);
        QCOMPARE(stored.settings(), calls.at(calls.size() - 2).mid(9));
        QCOMPARE(stored.commPort(), chosenPort.mid(3));
        QCOMPARE(stored.handshaking(), QString::number(flow));
        QCOMPARE(rig.hostCalls.join('|'),
                 answers ? "establish while busy|linked 1" : "establish while busy");
        QVERIFY(!rig.link.state().CommBusy);
        QCOMPARE(rig.prompts.texts(),
                 QStringList{answers ? "Communications Established" : "Communications Failed"});
        QCOMPARE(rig.prompts.shown.at(0).buttons, Prompts::Buttons::Ok);
        QCOMPARE(rig.dialog->isVisible(), !answers);
    }

    // A refused call is shown as the port words it; nothing is stored, the
    // meter is not tried, a refused port goes back to the old number.
    void refused_data() {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("portAfter");
        QTest::newRow("port number") << "port 4" << 2;
        QTest::newRow("open") << "open" << 2;
        QTest::newRow("settings") << "settings" << 4;
        QTest::newRow("handshaking") << "handshaking" << 4;
    }
    void refused() {
        QFETCH(QString, refuse);
        QFETCH(int, portAfter);
        Rig rig;
        rig.port.refuse = refuse;
        rig.load();
        rig.choose("cboPort", "Com4");
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.prompts.texts(), QStringList{"Refused: " + refuse});
        QCOMPARE(rig.prompts.shown.at(0).icon, Prompts::Icon::Exclamation);
        QCOMPARE(rig.port.number, portAfter);
        QVERIFY(rig.port.log.last().startsWith(portAfter == 2 ? "port 2" : refuse));
        QCOMPARE(rig.hostCalls, QStringList{});
        QCOMPARE(rig.stored(), QString());
        QVERIFY(rig.dialog->isVisible());
        QVERIFY(!rig.link.state().CommBusy);
    }

    void cancelClearsLink() {
        for (const bool byButton : {true, false}) {
            Rig rig;
            rig.load();
            rig.choose("cboSpeed", "1200");
            if (byButton)
                rig.dialog->findChild<QAbstractButton*>("cmdCancel")->click();
            else
                QTest::keyClick(rig.dialog.get(), Qt::Key_Escape);
            QCOMPARE(rig.hostCalls, QStringList{"linked 0"});
            QVERIFY(!rig.dialog->isVisible());
            QCOMPARE(rig.port.log, QStringList{});
            QCOMPARE(rig.stored(), QString());
        }
    }
#ifndef Q_OS_WIN
    // The device box follows the chosen Com number; a typed device is stored
    // before the port reopens, so the port opens it.
    void device() {
        Rig rig;
        rig.store.setDeviceForPort(5, "/dev/pts/4");
        QString deviceAtOpen;
        rig.port.onOpen = [&] { deviceAtOpen = PortSettingsStore(rig.ini).deviceForPort(2); };
        rig.load();
        QComboBox* device = rig.combo("cboDevice");
        QCOMPARE(device->currentText(), "/dev/ttyUSB1");
        rig.choose("cboPort", "Com5");
        QCOMPARE(device->currentText(), "/dev/pts/4");
        rig.choose("cboPort", "Com2");
        QCOMPARE(device->currentText(), "/dev/ttyUSB1");
        device->setEditText("/dev/pts/9");
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.port.log,
                 (QStringList{"close", "port 2", "open", "settings 19200,N,8,1", "handshaking 0"}));
        QCOMPARE(deviceAtOpen, "/dev/pts/9");
    }
#endif
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
