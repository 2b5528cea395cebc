#include "link/PortSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestPortSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int fileCount_ = 0;
    QString freshIni() { return dir_.filePath(QStringLiteral("s%1.ini").arg(++fileCount_)); }
    static QString fileText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void startupSettings_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing stored") << ""
                                        << "19200,n,8,1";
        QTest::newRow("parity, data and stop bits reset") << "9600,e,7,2"
                                                          << "9600,n,8,1";
        QTest::newRow("eight characters is too short") << "9600,n,8"
                                                       << "19200,n,8,1";
        QTest::newRow("exactly eight") << "1200,n,8"
                                       << "19200,n,8,1";
        QTest::newRow("nine characters") << "300,n,8,1"
                                         << "300,n,8,1";
        QTest::newRow("1.5 stop bits, default speed") << "19200,n,8,1.5"
                                                      << "19200,n,8,1";
        QTest::newRow("1.5 stop bits, other speed") << "9600,O,7,1.5"
                                                    << "9600,n,8,1";
        QTest::newRow("capital parity") << "115200,M,5,2"
                                        << "115200,n,8,1";
        QTest::newRow("unchanged") << "38400,n,8,1"
                                   << "38400,n,8,1";
    }
    void startupSettings() {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        const QString ini = freshIni();
        if (!stored.isEmpty()) {
            QSettings raw(ini, QSettings::IniFormat);
            raw.setValue(QStringLiteral("Properties/Settings"), stored);
        }
        PortSettingsStore store(ini);
        QCOMPARE(store.settings(), stored);
        QCOMPARE(store.startupSettingsText(), expected);
    }

    void startupPort_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("Com7") << "7" << 7;
        QTest::newRow("Com16") << "16" << 16;
        QTest::newRow("blanks around") << " 3 " << 3;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("above 16") << "17" << 1;
        QTest::newRow("negative") << "-2" << 1;
        QTest::newRow("not a number") << "COM4" << 1;
        QTest::newRow("fraction") << "2.5" << 1;
    }
    void startupPort() {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        const QString ini = freshIni();
        {
            QSettings raw(ini, QSettings::IniFormat);
            raw.setValue(QStringLiteral("Properties/CommPort"), stored);
        }
        PortSettingsStore store(ini);
        QCOMPARE(store.startupPortNumber(), expected);
    }

    void propertiesRoundTrip_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("handshakingText");
        QTest::newRow("defaults") << "19200,n,8,1" << 1 << 0 << "1"
                                  << "0";
        QTest::newRow("1.5 stop bits") << "9600,E,7,1.5" << 12 << 3 << "12"
                                       << "3";
        QTest::newRow("last port") << "115200,O,8,2" << 16 << 2 << "16"
                                   << "2";
    }
    void propertiesRoundTrip() {
        QFETCH(QString, settings);
        QFETCH(int, port);
        QFETCH(int, handshaking);
        QFETCH(QString, portText);
        QFETCH(QString, handshakingText);
        const QString ini = freshIni();
        PortSettingsStore(ini).storeProperties(settings, port, handshaking);

        PortSettingsStore again(ini);
        QCOMPARE(again.settings(), settings);
        QCOMPARE(again.commPort(), portText);
        QCOMPARE(again.handshaking(), handshakingText);
        QCOMPARE(again.startupPortNumber(), port);

        // Section and key names as other tools see them in the file.
        const QString text = fileText(ini);
        QVERIFY2(text.contains(QStringLiteral("[Properties]")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("CommPort=") + portText), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Handshaking=") + handshakingText), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Settings=")), qPrintable(text));
    }

    void defaultDevices_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
#ifdef Q_OS_WIN
        QTest::newRow("Com1") << 1 << "COM1";
        QTest::newRow("Com16") << 16 << "COM16";
#else
        QTest::newRow("Com1") << 1 << "/dev/ttyUSB0";
        QTest::newRow("Com2") << 2 << "/dev/ttyUSB1";
        QTest::newRow("Com8") << 8 << "/dev/ttyUSB7";
        QTest::newRow("Com9") << 9 << "/dev/ttyACM0";
        QTest::newRow("Com12") << 12 << "/dev/ttyACM3";
        QTest::newRow("Com13") << 13 << "/dev/ttyS0";
        QTest::newRow("Com16") << 16 << "/dev/ttyS3";
#endif
    }
    void defaultDevices() {
        QFETCH(int, port);
        QFETCH(QString, device);
        PortSettingsStore store(freshIni());
        QCOMPARE(store.deviceForPort(port), device);
        QVERIFY(!store.hasStoredDevice(port));
    }

    void storedDevice_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("keyLine");
        QTest::newRow("pseudo-terminal on Com3") << 3 << "/dev/pts/7"
                                                 << "Com3=/dev/pts/7";
        QTest::newRow("built-in port on Com1") << 1 << "/dev/ttyS0"
                                               << "Com1=/dev/ttyS0";
        QTest::newRow("blanks trimmed") << 16 << " /dev/ttyACM2 "
                                        << "Com16=/dev/ttyACM2";
    }
    void storedDevice() {
#ifdef Q_OS_WIN
        QSKIP("Com n is always COMn on Windows");
#endif
        QFETCH(int, port);
        QFETCH(QString, chosen);
        QFETCH(QString, keyLine);
        const QString ini = freshIni();
        const QString before = PortSettingsStore(ini).deviceForPort(port);
        PortSettingsStore(ini).setDeviceForPort(port, chosen);

        PortSettingsStore again(ini);
        QCOMPARE(again.deviceForPort(port), chosen.trimmed());
        QVERIFY(again.hasStoredDevice(port));
        // The neighbour keeps its default.
        const int other = port == 16 ? 15 : port + 1;
        QVERIFY(!again.hasStoredDevice(other));
        const QString text = fileText(ini);
        QVERIFY2(text.contains(QStringLiteral("[Ports]")), qPrintable(text));
        QVERIFY2(text.contains(keyLine), qPrintable(text));

        // An empty choice brings the default back.
        again.setDeviceForPort(port, QString());
        QCOMPARE(PortSettingsStore(ini).deviceForPort(port), before);
        QVERIFY(!PortSettingsStore(ini).hasStoredDevice(port));
    }

    void deviceOrder_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("kinds") << QStringList{"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB0"}
                               << QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("numbers, not letters")
            << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS11", "/dev/ttyS3"}
            << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyS11"};
        QTest::newRow("others last") << QStringList{"/dev/pts/3", "/dev/ttyS1", "/dev/ttyAMA0"}
                                     << QStringList{"/dev/ttyS1", "/dev/pts/3", "/dev/ttyAMA0"};
        QTest::newRow("Windows names")
            << QStringList{"COM10", "COM3", "COM1"} << QStringList{"COM1", "COM3", "COM10"};
    }
    void deviceOrder() {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, expected);
        QCOMPARE(PortSettingsStore::sortedDevices(devices), expected);
    }

    void availableDevicesAreSerialDevices() {
        const QStringList devices = PortSettingsStore::availableDevices();
        QCOMPARE(PortSettingsStore::sortedDevices(devices), devices);
#ifndef Q_OS_WIN
        for (const QString& device : devices) {
            QVERIFY2(device.startsWith(QStringLiteral("/dev/ttyUSB")) ||
                         device.startsWith(QStringLiteral("/dev/ttyACM")) ||
                         device.startsWith(QStringLiteral("/dev/ttyS")),
                     qPrintable(device));
            QVERIFY2(QFile::exists(device), qPrintable(device));
        }
#endif
    }
};

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
