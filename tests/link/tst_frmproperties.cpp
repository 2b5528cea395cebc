#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/frmProperties.h"
#include "ui/PromptGate.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

// The simulated meter's port, which refuses what a real port refuses (a number
// outside Com1-Com16 or while open, a bad settings text, opening a dead line);
// it counts opens and can look at the stored devices at each.
struct CountingPort : SimSerialPort {
    using SimSerialPort::SimSerialPort;
    bool open() override { return ++opens, onOpen(), SimSerialPort::open(); }
    int opens = 0;
    std::function<void()> onOpen = [] {};
};

class TestFrmProperties : public QObject {
    Q_OBJECT

    // One dialog with everything it talks to, recording what the host saw.
    struct Rig {
        QTemporaryDir dir;
        QString ini = dir.filePath("p.ini");
        MeterModel model;
        VirtualWaiter waiter;
        CountingPort port{model, waiter};
        ScriptedPrompts prompts;
        PromptGate gate{prompts};
        MeterLink link{port, waiter, gate};
        LineOwner owner{link, gate};
        PortSettingsStore store{ini};
        bool meterAnswers = true;
        QStringList hostCalls; // what the main window was asked to do
        frmProperties::Host host{[this] {
            // Connecting is part of the port change,
            // which holds the line throughout.
            hostCalls << (owner.exclusiveRunning() ? "establish" : "establish unheld");
            return meterAnswers;
        }};
        std::unique_ptr<frmProperties> dialog =
            std::make_unique<frmProperties>(link, owner, store, host);

        Rig(int number = 2, const QString& settings = "19200,n,8,1", int flow = 0,
            bool open = true) {
            port.setPortNumber(number), port.setSettings(settings), port.setHandshaking(flow);
            if (open)
                port.open();
            port.opens = 0;
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
        rig.dialog->LoadPropertySettings(); // loading again adds nothing twice
        QStringList counts;
        for (const char* name : {"cboPort", "cboSpeed", "cboDataBits", "cboParity", "cboStopBits"})
            counts << QString::number(rig.combo(name)->count());
        QCOMPARE(counts.join(' '), "16 16 5 5 3");
        QCOMPARE(rig.dialog->windowTitle(), "CommPort Properties");
        rig.option(2)->click();
        QCOMPARE(rig.dialog->chosenHandshaking(), 2);
    }

    // The lists show the port's settings; OK applies and stores exactly what they show,
    // reopens the port only for another number, then tries the meter.
    void ok() {
        // shown: speed, parity, data bits, stop bits, port; applied: settings, port, handshaking.
        struct {
            QString portText, shown, chosenPort, applied;
            int number, flow, opens;
            bool open, answers;
        } const cases[] = {
            {"115200,E,5,1.5", "115200 Even 5 1.5 Com2", "Com2", "115200,E,5,1.5 Com2 3", 2, 3, 0,
             true, true},
            {"9600,o,7,1", "9600 Odd 7 1 Com2", "Com3", "9600,O,7,1 Com3 1", 2, 1, 1, true, true},
            // A closed port stays closed; the meter does not answer.
            {"4800,m,8,2", "4800 Mark 8 2 Com5", "Com16", "4800,M,8,2 Com16 2", 5, 2, 0, false,
             false}};
        for (const auto& c : cases) {
            Rig rig(c.number, c.portText, c.flow, c.open);
            rig.meterAnswers = c.answers;
            QStringList shown;
            for (const char* name :
                 {"cboSpeed", "cboParity", "cboDataBits", "cboStopBits", "cboPort"})
                shown << rig.combo(name)->currentText();
            QCOMPARE(shown.join(' '), c.shown);
            QVERIFY(rig.option(c.flow)->isChecked());
            rig.choose("cboPort", c.chosenPort);
            rig.dialog->cmdOK_Click();

            const PortSettingsStore stored(rig.ini);
            const CountingPort& port = rig.port;
            const QString applied =
                port.settings() +
                QString(" Com%1 %2").arg(port.portNumber()).arg(port.handshaking());
            QCOMPARE(applied, c.applied);
            QCOMPARE(QString("%1 Com%2 %3")
                         .arg(stored.settings(), stored.commPort(), stored.handshaking()),
                     applied);
            QCOMPARE(port.opens, c.opens);
            QCOMPARE(port.isOpen(), c.open);
            QVERIFY(!rig.link.state().CommBusy);
            QCOMPARE(rig.prompts.shown.at(0).buttons, Prompts::Buttons::Ok);
            QCOMPARE(rig.hostCalls.join('|') + " / " + rig.prompts.texts().join('|') +
                         (rig.dialog->isVisible() ? " / open" : " / closed"),
                     c.answers ? "establish / Communications Established / closed"
                               : "establish / Communications Failed / open");
        }
    }

    // A refused call is shown in the port's words (and the port number after it); nothing
    // is stored, the meter is not tried, a refused port goes back to the old number.
    void refused() {
        struct {
            QString port, speed, refusal; // a port or speed of "" chooses none
            bool lineDown;
        } const cases[] = {
            {"", "1200", "Com0 is not a port number from Com1 to Com16. / Com2", false},
            {"Com4", "1200", "The meter's line is not there: the port cannot be opened. / Com2",
             true},
            {"Com4", "", "The port does not accept the settings \",N,8,1\". / Com4", false}};
        for (const auto& c : cases) {
            Rig rig;
            rig.choose("cboPort", c.port);
            rig.choose("cboSpeed", c.speed);
            rig.model.faults().hangUp = c.lineDown;
            rig.dialog->cmdOK_Click();
            QCOMPARE(rig.prompts.texts().join('|') + QString(" / Com%1").arg(rig.port.portNumber()),
                     c.refusal);
            QCOMPARE(rig.prompts.shown.at(0).icon, Prompts::Icon::Exclamation);
            QVERIFY(rig.hostCalls.isEmpty() && rig.stored().isEmpty());
            // The port that was open is open again, unless the line is gone.
            QCOMPARE(rig.port.isOpen(), !c.lineDown);
        }
    }

    // Cancel neither connects nor disconnects: a meter that answers stays connected.
    void cancelChangesNothing() {
        for (const bool byButton : {true, false}) {
            Rig rig;
            rig.choose("cboSpeed", "1200");
            byButton ? rig.dialog->findChild<QAbstractButton*>("cmdCancel")->click()
                     : QTest::keyClick(rig.dialog.get(), Qt::Key_Escape);
            QVERIFY(rig.hostCalls.isEmpty());
            QVERIFY(!rig.dialog->isVisible());
            QCOMPARE(rig.port.settings(), "19200,n,8,1");
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
        QComboBox* device = rig.combo("cboDevice");
        QStringList seen{device->currentText()};
        for (const char* port : {"Com5", "Com2"})
            rig.choose("cboPort", port), seen << device->currentText();
        QCOMPARE(seen.join(' '), "/dev/ttyUSB1 /dev/pts/4 /dev/ttyUSB1");
        device->setEditText("/dev/pts/9");
        rig.dialog->cmdOK_Click();
        QCOMPARE(rig.port.opens, 1);
        QVERIFY(rig.port.isOpen());
        QCOMPARE(deviceAtOpen, "/dev/pts/9");
    }
#endif
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
