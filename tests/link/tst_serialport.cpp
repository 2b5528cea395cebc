// The platform's serial port (Qt's on Linux, the Win32 one on Windows) as the
// link uses it without a line: settings texts, handshaking, failures to open.
#include "link/LineSettings.h"
#include "link/PlatformSerialPort.h"

#include <QtTest>

namespace {

// A device name that names no device on this platform.
#ifdef Q_OS_WIN
const QString kMissingDevice = QStringLiteral("COM241");
#else
const QString kMissingDevice = QStringLiteral("/dev/corvane-no-such-device");
#endif

} // namespace

class TestSerialPort : public QObject {
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
        row("9600,E,7,1.5", int(LineSettings::Parity::Even));
        row("115200,o,8,2", int(LineSettings::Parity::Odd));
        row("300,M,5,1", int(LineSettings::Parity::Mark));
        row("1200,s,6,2", int(LineSettings::Parity::Space));
        row(" 4800 , n , 8 , 1 ", int(LineSettings::Parity::None));
        // Read, but not for this port.
        row("2400,N,4,1", int(LineSettings::Parity::None),
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
        const auto s = LineSettings::parse(text, &got);
        QCOMPARE(s.has_value(), parity >= 0);
        QCOMPARE(got, s ? QString() : problem);
        if (s) {
            QCOMPARE(s->text(), QString(text).remove(u' '));
            QCOMPARE(int(s->parity), parity);
        }
        PlatformSerialPort port([](int) { return QString(); });
        QVERIFY(port.setSettings("9600,e,7,2"));
        QCOMPARE(port.setSettings(text), problem.isEmpty());
        QCOMPARE(port.settings(), problem.isEmpty() ? QString(text).remove(u' ') : "9600,e,7,2");
        QCOMPARE(port.errorString(), problem);
    }

    void handshakingAndOpenFailures() {
        PlatformSerialPort port([](int n) { return n == 2 ? kMissingDevice : QString(); });
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
                 QString("There is no serial device %1 (Com2). Check that the adapter is plugged "
                         "in, or choose another port in the port settings.")
                     .arg(kMissingDevice));
    }

#ifdef Q_OS_WIN
    // Windows opens COM10 and above only in the device namespace form.
    void windowsDevicePaths_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << "COM1"
                              << "\\\\.\\COM1";
        QTest::newRow("COM9") << "COM9"
                              << "\\\\.\\COM9";
        QTest::newRow("COM10") << "COM10"
                               << "\\\\.\\COM10";
        QTest::newRow("COM256") << "COM256"
                                << "\\\\.\\COM256";
        QTest::newRow("already a device path") << "\\\\.\\COM12"
                                               << "\\\\.\\COM12";
    }
    void windowsDevicePaths() {
        QFETCH(QString, device);
        QFETCH(QString, path);
        QCOMPARE(WinSerialPort::openPath(device), path);
    }
#endif
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
