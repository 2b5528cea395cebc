// The Qt serial port on a real pseudo-terminal standing in for the meter's
// line: bytes both ways, and a hang-up of the far end.
#include "link/QtSerialPort.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

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
    // The far end of a pseudo-terminal plays the meter: it reads what the port
    // wrote and answers, then hangs up.
    void pseudoTerminal() {
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
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
