// The Qt serial port: settings texts, and a real pseudo-terminal standing in
// for the meter's line (bytes both ways, and a hang-up of the far end).
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"

#include "ScriptedPrompts.h"

#include <QSocketNotifier>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The master side of a pseudo-terminal: plays the meter, answering each
// complete command it reads with the reply scripted for it.
class FakeMeterLine {
public:
    FakeMeterLine() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0)
            return;
        slave_ = QString::fromLocal8Bit(::ptsname(fd_));
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readSome(); });
    }
    ~FakeMeterLine() { hangUp(); }

    bool ok() const { return !slave_.isEmpty(); }
    QString slavePath() const { return slave_; }
    void hangUp() {
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    QMap<QByteArray, QByteArray> replies;
    QByteArray received;

private:
    void readSome() {
        char buf[256];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) {
            notifier_->setEnabled(false);
            return;
        }
        received.append(buf, int(n));
        pending_.append(buf, int(n));
        int end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            QByteArray command = pending_.left(end + 1);
            pending_.remove(0, end + 1);
            while (command.startsWith("\x1b\r"))
                command.remove(0, 2);
            if (replies.contains(command)) {
                const QByteArray reply = replies.value(command);
                [[maybe_unused]] const ssize_t w = ::write(fd_, reply.constData(), reply.size());
            }
        }
    }

    int fd_ = -1;
    QString slave_;
    QByteArray pending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
#endif

// Counts every event the application delivers.
class EventCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent*) override {
        ++count;
        return false;
    }
};

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT
private slots:
    void parseSettings_data();
    void parseSettings();
    void rejectSettings_data();
    void rejectSettings();
    void fourDataBitsAreNotApplied();
    void handshaking_data();
    void handshaking();
    void openFailures_data();
    void openFailures();
    void pseudoTerminalExchange();
    void hangUpClosesThePortOnce();
};

void TestQtSerialPort::parseSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("default") << "19200,n,8,1"
                             << "19200,n,8,1" << 19200 << int(QSerialPort::NoParity) << 8
                             << int(QSerialPort::OneStop);
    QTest::newRow("even, capital, 1.5 stop bits")
        << "9600,E,7,1.5"
        << "9600,E,7,1.5" << 9600 << int(QSerialPort::EvenParity) << 7
        << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("odd, two stop bits") << "115200,o,8,2"
                                        << "115200,o,8,2" << 115200 << int(QSerialPort::OddParity)
                                        << 8 << int(QSerialPort::TwoStop);
    QTest::newRow("mark") << "300,M,5,1"
                          << "300,M,5,1" << 300 << int(QSerialPort::MarkParity) << 5
                          << int(QSerialPort::OneStop);
    QTest::newRow("space") << "1200,s,6,2"
                           << "1200,s,6,2" << 1200 << int(QSerialPort::SpaceParity) << 6
                           << int(QSerialPort::TwoStop);
    QTest::newRow("blanks around the fields")
        << " 4800 , n , 8 , 1 "
        << "4800,n,8,1" << 4800 << int(QSerialPort::NoParity) << 8 << int(QSerialPort::OneStop);
    QTest::newRow("four data bits read")
        << "2400,N,4,1"
        << "2400,N,4,1" << 2400 << int(QSerialPort::NoParity) << 4 << int(QSerialPort::OneStop);
}

void TestQtSerialPort::parseSettings() {
    QFETCH(QString, text);
    QString problem = "untouched";
    const auto s = QtSerialPort::parseSettings(text, &problem);
    QVERIFY(s.has_value());
    QTEST(QtSerialPort::formatSettings(*s), "formatted");
    QTEST(int(s->baudRate), "baud");
    QTEST(int(s->parity), "parity");
    QTEST(s->dataBits, "dataBits");
    QTEST(int(s->stopBits), "stopBits");
    QCOMPARE(problem, QString("untouched"));

    // The port reports back what it was given, in the same form.
    if (s->dataBits >= 5) {
        QtSerialPort port([](int) { return QString(); });
        QVERIFY(port.setSettings(text));
        QTEST(port.settings(), "formatted");
    }
}

void TestQtSerialPort::rejectSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");

    QTest::newRow("three fields") << "19200,n,8"
                                  << "\"19200,n,8\" is not a port setting: it should read like "
                                     "19200,n,8,1 (speed, parity, data bits, stop bits).";
    QTest::newRow("empty") << ""
                           << "\"\" is not a port setting: it should read like 19200,n,8,1 "
                              "(speed, parity, data bits, stop bits).";
    QTest::newRow("speed not a number")
        << "fast,n,8,1"
        << "The speed \"fast\" is not a whole number of bits per second.";
    QTest::newRow("speed zero") << "0,n,8,1"
                                << "The speed \"0\" is not a whole number of bits per second.";
    QTest::newRow("unknown parity")
        << "19200,x,8,1"
        << "The parity \"x\" is not one of e (even), o (odd), n (none), m (mark) or s (space).";
    QTest::newRow("parity word")
        << "19200,no,8,1"
        << "The parity \"no\" is not one of e (even), o (odd), n (none), m (mark) or s (space).";
    QTest::newRow("nine data bits") << "19200,n,9,1"
                                    << "The data bits \"9\" are not a number from 4 to 8.";
    QTest::newRow("three stop bits") << "19200,n,8,3"
                                     << "The stop bits \"3\" are not 1, 1.5 or 2.";
}

void TestQtSerialPort::rejectSettings() {
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QString got;
    QVERIFY(!QtSerialPort::parseSettings(text, &got).has_value());
    QCOMPARE(got, problem);

    QtSerialPort port([](int) { return QString(); });
    QVERIFY(port.setSettings("9600,e,7,2"));
    QVERIFY(!port.setSettings(text));
    QCOMPARE(port.errorString(), problem);
    QCOMPARE(port.settings(), QString("9600,e,7,2"));
}

void TestQtSerialPort::fourDataBitsAreNotApplied() {
    QtSerialPort port([](int) { return QString(); });
    QVERIFY(!port.setSettings("2400,n,4,1"));
    QCOMPARE(port.errorString(),
             QString("This serial port cannot send 4 data bits; choose 5 to 8."));
    QCOMPARE(port.settings(), QString("19200,n,8,1"));
}

void TestQtSerialPort::handshaking_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("flow");
    QTest::newRow("none") << 0 << int(QSerialPort::NoFlowControl);
    QTest::newRow("XON/XOFF") << 1 << int(QSerialPort::SoftwareControl);
    QTest::newRow("RTS") << 2 << int(QSerialPort::HardwareControl);
    QTest::newRow("XON/XOFF and RTS: hardware only") << 3 << int(QSerialPort::HardwareControl);
}

void TestQtSerialPort::handshaking() {
    QFETCH(int, code);
    QTEST(int(QtSerialPort::flowControlFor(code)), "flow");
    QtSerialPort port([](int) { return QString(); });
    QVERIFY(port.setHandshaking(code));
    QCOMPARE(port.handshaking(), code);
    QVERIFY(!port.setHandshaking(4));
    QCOMPARE(port.errorString(), QString("4 is not a handshaking choice (0 to 3)."));
    QCOMPARE(port.handshaking(), code);
}

void TestQtSerialPort::openFailures_data() {
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("problem");
    QTest::newRow("nothing chosen for the number")
        << 3 << QString()
        << "No serial device is chosen for Com3. Choose one in the port settings.";
    QTest::newRow("missing device")
        << 2 << "/dev/corvane-no-such-device"
        << "There is no serial device /dev/corvane-no-such-device (Com2). Check that the adapter "
           "is plugged in, or choose another port in the port settings.";
}

void TestQtSerialPort::openFailures() {
    QFETCH(int, portNumber);
    QFETCH(QString, device);
    QtSerialPort port([&](int n) { return n == portNumber ? device : QString("/dev/null"); });
    QVERIFY(port.setPortNumber(portNumber));
    QVERIFY(!port.open());
    QVERIFY(!port.isOpen());
    QTEST(port.errorString(), "problem");
}

void TestQtSerialPort::pseudoTerminalExchange() {
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are a POSIX facility");
#else
    FakeMeterLine line;
    QVERIFY(line.ok());
    const QByteArray fd38 = QByteArray("FD") + QByteArray(35, 'A') + '\n';
    line.replies["FD,0,1\n"] = fd38;
    line.replies["VT,0\n"] = "VT,3\r\n";

    QtSerialPort port([&](int n) { return n == 4 ? line.slavePath() : QString(); });
    QVERIFY(port.setPortNumber(4));
    // A pseudo-terminal has no modem lines; opening must not depend on them.
    QVERIFY2(port.open(), qPrintable(port.errorString()));
    int failures = 0;
    connect(&port, &SerialPort::failed, [&] { ++failures; });

    EventLoopWaiter waiter;
    ScriptedPrompts prompts;
    MeterLink link(port, waiter, prompts);

    QCOMPARE(link.SendCommand("FD,0,1\n", 3, 38), fd38);
    QCOMPARE(int(link.state().ReplyStatus), 0);
    QCOMPARE(int(link.state().ReplyByteSum), 2423);

    QVERIFY(link.writeDirect("VT,0\n"));
    QCOMPARE(link.ReadComm(0), QByteArray("VT,3\r"));
    QCOMPARE(int(link.state().ReplyStatus), 0);

    // What the meter's end of the line saw, to the byte.
    QCOMPARE(line.received, QByteArray("\x1b\rFD,0,1\nVT,0\n"));

    // Settings applied to the open port take effect at once.
    QVERIFY2(port.setSettings("9600,n,8,1"), qPrintable(port.errorString()));
    QCOMPARE(port.settings(), QString("9600,n,8,1"));
    QVERIFY(port.isOpen());
    QCOMPARE(failures, 0);
#endif
}

void TestQtSerialPort::hangUpClosesThePortOnce() {
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are a POSIX facility");
#else
    FakeMeterLine line;
    QVERIFY(line.ok());
    QtSerialPort port([&](int) { return line.slavePath(); });
    QVERIFY2(port.open(), qPrintable(port.errorString()));
    QStringList failures;
    connect(&port, &SerialPort::failed, [&](const QString& why) { failures << why; });

    line.hangUp();
    QTRY_COMPARE(failures.size(), 1);
    QVERIFY(!port.isOpen());
    QVERIFY(failures[0].startsWith(
        QString("The serial port %1 stopped working (").arg(line.slavePath())));

    // A port left open on a hung-up line is woken again and again; a closed
    // one leaves the event loop quiet.
    EventCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    EventLoopWaiter waiter;
    waiter.pause(200);
    QCoreApplication::instance()->removeEventFilter(&counter);
    QVERIFY2(counter.count < 50, qPrintable(QString::number(counter.count)));
    QCOMPARE(failures.size(), 1);
    QCOMPARE(port.bytesWaiting(), 0);
    QCOMPARE(port.readByte(), -1);
#endif
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
