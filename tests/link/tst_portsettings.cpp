#include "link/PortSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void startupValues() {
        // Stored text, then what the port starts with: only the speed survives a
        // restart, and a text of 8 characters or less is unusable.
        for (const auto& [stored, used] : {std::pair{"", "19200,n,8,1"},
                                           {"9600,e,7,2", "9600,n,8,1"},
                                           {"9600,n,8", "19200,n,8,1"},
                                           {"300,n,8,1", "300,n,8,1"},
                                           {"19200,n,8,1.5", "19200,n,8,1"},
                                           {"9600,O,7,1.5", "9600,n,8,1"}})
            QCOMPARE(PortSettingsStore::startupSettingsFrom(stored), QString(used));
        // Stored port text, then the port number: outside Com1-Com16 gives Com1.
        for (const auto& [stored, number] :
             {std::pair{"16", 16}, {" 3 ", 3}, {"", 1}, {"0", 1}, {"17", 1}, {"COM4", 1}})
            QCOMPARE(PortSettingsStore::startupPortFrom(stored), number);
    }

    void store() {
        const QString ini = dir_.filePath("corvane.ini");
        PortSettingsStore(ini).storeProperties("9600,E,7,1.5", 12, 3);
#ifndef Q_OS_WIN
        PortSettingsStore(ini).setDeviceForPort(16, " /dev/pts/7 ");
#endif
        PortSettingsStore again(ini);
        QCOMPARE(again.settings(), QStringLiteral("9600,E,7,1.5"));
        QCOMPARE(again.startupSettingsText(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(again.startupPortNumber(), 12);
        // Section and key names as other tools see them in the file.
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (const char* line : {"[Properties]", "CommPort=12", "Handshaking=3", "Settings="})
            QVERIFY2(text.contains(QLatin1String(line)), qPrintable(text));
#ifndef Q_OS_WIN
        QVERIFY2(text.contains("[Ports]\nCom16=/dev/pts/7"), qPrintable(text));
        QCOMPARE(again.deviceForPort(16), QStringLiteral("/dev/pts/7"));
        QVERIFY(!again.hasStoredDevice(15));
        // An empty choice brings the default back.
        again.setDeviceForPort(16, QString());
        QCOMPARE(PortSettingsStore(ini).deviceForPort(16), QStringLiteral("/dev/ttyS3"));
        QVERIFY(!PortSettingsStore(ini).hasStoredDevice(16));
#endif
    }

    // The Com number a device found by the search is used as.
    void assignPortNumber() {
        PortSettingsStore store(dir_.filePath("assign.ini"));
#ifdef Q_OS_WIN
        // COMn is Com n whatever the current one; nothing goes into the map.
        for (const auto& [device, number] :
             {std::pair{"COM9", 9}, {"com16", 16}, {" COM1 ", 1}, {"COM17", 0}, {"COM0", 0}, {
                  "/dev/ttyUSB0",
                  0
              }})
            QCOMPARE(store.assignPortNumber(device, 3), number);
        QVERIFY(!store.hasStoredDevice(3) && !store.hasStoredDevice(9));
#else
        // A device already in the map keeps its number; another takes the current one.
        QCOMPARE(store.assignPortNumber("/dev/ttyUSB2", 5), 3);
        QVERIFY(!store.hasStoredDevice(3) && !store.hasStoredDevice(5));
        QCOMPARE(store.assignPortNumber("/dev/pts/4", 5), 5);
        QCOMPARE(PortSettingsStore(dir_.filePath("assign.ini")).deviceForPort(5), "/dev/pts/4");
        QCOMPARE(store.assignPortNumber("/dev/pts/4", 2), 5);
#endif
    }

    void devices() {
#ifndef Q_OS_WIN
        QStringList defaults;
        for (const int n : {1, 8, 9, 12, 13})
            defaults << PortSettingsStore::defaultDeviceForPort(n);
        QCOMPARE(defaults.join(' '),
                 "/dev/ttyUSB0 /dev/ttyUSB7 /dev/ttyACM0 /dev/ttyACM3 /dev/ttyS0");
#endif
        // By kind, then by number rather than by letter, unknown names last.
        QCOMPARE(PortSettingsStore::sortedDevices({"/dev/pts/3", "/dev/ttyS11", "COM10", "COM3",
                                                   "/dev/ttyS3", "/dev/ttyACM0", "/dev/ttyUSB10",
                                                   "/dev/ttyUSB2"}),
                 (QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS3",
                              "/dev/ttyS11", "COM3", "COM10", "/dev/pts/3"}));
    }
};

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
