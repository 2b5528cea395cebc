// The Qt serial port: settings texts, and a real pseudo-terminal standing in
// for the meter's line (bytes both ways, and a hang-up of the far end).
#include "link/QtSerialPort.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

// Counts every event the application delivers.
struct EventCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent*) override { return ++count, false; }
};

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT
private slots:
    void settings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("parity"); // -1: the text is not read
        QTest::addColumn<QString>("problem");
        const auto row = [](const char* text, int parity, const QString& problem = {}) {
            QTest::newRow(text) << QString(text) << parity << problem;
        };
        const QString parity = "The parity \"%1\" is not one of e (even), o (odd), n (none), "
                               "m (mark) or s (space).";
        row("9600,E,7,1.5", QSerialPort::EvenParity);
        row("115200,o,8,2", QSerialPort::OddParity);
        row("300,M,5,1", QSerialPort::MarkParity);
        row("1200,s,6,2", QSerialPort::SpaceParity);
        row(" 4800 , n , 8 , 1 ", QSerialPort::NoParity);
        // Read, but not for this port.
        row("2400,N,4,1", QSerialPort::NoParity,
            "This serial port cannot send 4 data bits; choose 5 to 8.");
        row("19200,n,8", -1,
            "\"19200,n,8\" is not a port setting: it should read like 19200,n,8,1 (speed, parity, "
            "data bits, stop bits).");
        row("0,n,8,1", -1, "The speed \"0\" is not a whole number of bits per second.");
        row("19200,x,8,1", -1, parity.arg("x"));
        row("19200,no,8,1", -1, parity.arg("no"));
        row("19200,n,9,1", -1, "The data bits \"9\" are not a number from 4 to 8.");
        row("19200,n,8,3", -1, "The stop bits \"3\" are not 1, 1.5 or 2.");
    }

    // A text that is read gives back the same text (without blanks); one the
    // port refuses leaves the previous settings and the reason.
    void settings() {
        QFETCH(QString, text);
        QFETCH(int, parity);
        QFETCH(QString, problem);
        QString got;
        const auto s = QtSerialPort::parseSettings(text, &got);
        QCOMPARE(s.has_value(), parity >= 0);
        QCOMPARE(got, s ? QString() : problem);
        if (s) {
            QCOMPARE(QtSerialPort::formatSettings(*s), QString(text).remove(u' '));
            QCOMPARE(int(s->parity), parity);
        }
        QtSerialPort port([](int) { return QString(); });
        QVERIFY(port.setSettings("9600,e,7,2"));
        QCOMPARE(port.setSettings(text), problem.isEmpty());
        QCOMPARE(port.settings(), problem.isEmpty() ? QString(text).remove(u' ') : "9600,e,7,2");
        QCOMPARE(port.errorString(), problem);
    }

    void handshakingAndOpenFailures() {
        QtSerialPort port([](int n) { return n == 2 ? "/dev/corvane-no-such-device" : QString(); });
        QVERIFY(port.setHandshaking(3));
        QVERIFY(!port.setHandshaking(4));
        QCOMPARE(port.errorString(), QString("4 is not a handshaking choice (0 to 3)."));
        QCOMPARE(port.handshaking(), 3);
        QVERIFY(port.setPortNumber(3));
        QVERIFY(!port.open());
        QCOMPARE(port.errorString(),
                 QString("No serial device is chosen for Com3. Choose one in the port settings."));
        QVERIFY(port.setPortNumber(2));
        QVERIFY(!port.open());
        QCOMPARE(port.errorString(),
                 QString("There is no serial device /dev/corvane-no-such-device (Com2). Check "
                         "that the adapter is plugged in, or choose another port in the port "
                         "settings."));
    }

    // The far end of a pseudo-terminal plays the meter: it reads what the port
    // wrote and answers, then hangs up.
    void pseudoTerminal() {
#ifndef Q_OS_UNIX
        QSKIP("pseudo-terminals are a POSIX facility");
#else
        int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(::ptsname(master));
        QtSerialPort port([&](int n) { return n == 4 ? slave : QString(); });
        QVERIFY(port.setPortNumber(4));
        // A pseudo-terminal has no modem lines; opening must not depend on them.
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        QStringList failures;
        connect(&port, &SerialPort::failed, [&](const QString& why) { failures << why; });

        // Written bytes are handed to the line at once, as they stand.
        QVERIFY(port.write("\x1b\rVT,0\n"));
        char buf[16] = {};
        QCOMPARE(QByteArray(buf, int(::read(master, buf, sizeof buf))), "\x1b\rVT,0\n");
        QCOMPARE(::write(master, "VT,3\r\n", 6), ssize_t(6));
        QTRY_COMPARE(port.bytesWaiting(), 6);
        QCOMPARE(port.readByte(), int('V'));
        port.discardInput();
        QCOMPARE(port.bytesWaiting(), 0);
        // Settings applied to the open port take effect at once.
        QVERIFY2(port.setSettings("9600,n,8,1"), qPrintable(port.errorString()));
        QVERIFY(port.isOpen());

        ::close(master);
        QTRY_COMPARE(failures.size(), 1);
        QVERIFY(!port.isOpen());
        QVERIFY(failures[0].startsWith(QString("The serial port %1 stopped working (").arg(slave)));
        // A port left open on a hung-up line is woken again and again; a closed
        // one leaves the event loop quiet.
        EventCounter counter;
        QCoreApplication::instance()->installEventFilter(&counter);
        QTest::qWait(200);
        QCoreApplication::instance()->removeEventFilter(&counter);
        QVERIFY2(counter.count < 50, qPrintable(QString::number(counter.count)));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(port.readByte(), -1);
#endif
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
