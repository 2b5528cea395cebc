#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

// The serial port settings kept between runs, in the per-user settings store
// (organization and application "Corvane"):
//   Properties/Settings     the port's settings text, e.g. "19200,n,8,1"
//   Properties/CommPort     the port number as decimal text
//   Properties/Handshaking  the handshaking code as decimal text (0-3)
//   Ports/Com1..Com16       the device behind each Com number (not used on
//                           Windows, where Com n is always COMn)
// All values are text.
class PortSettingsStore {
public:
    static constexpr int PortCount = 16;
    // Settings text the port starts with when nothing usable is stored.
    static inline const QString DefaultSettings = QStringLiteral("19200,n,8,1");

    // The real user's store (registry on Windows, an INI file elsewhere).
    PortSettingsStore();
    // An INI file at iniPath instead, so tests and demos leave the user's
    // settings alone.
    explicit PortSettingsStore(const QString& iniPath);
    ~PortSettingsStore();
    PortSettingsStore(const PortSettingsStore&) = delete;
    PortSettingsStore& operator=(const PortSettingsStore&) = delete;

    // The stored texts as they stand ("" when absent).
    QString settings() const;
    QString commPort() const;
    QString handshaking() const;

    // Writes the three "Properties" values and flushes them to the store.
    void storeProperties(const QString& settings, int portNumber, int handshakingCode);

    // The settings text the port starts with: only the stored speed is kept.
    QString startupSettingsText() const;
    // Pure form of startupSettingsText(), for a given stored text.
    static QString startupSettingsFrom(const QString& stored);

    // The port number the port starts with. Empty, not a whole number, or
    // outside 1..PortCount gives 1.
    int startupPortNumber() const;
    static int startupPortFrom(const QString& stored);

    // The main window's page when it was last closed (group "Window", key
    // "Page"); 0, the flow page, when absent or not a page number below count.
    int storedPage(int count) const;
    void storePage(int page);

    // The device the port opens for Com number n (1..PortCount): "COMn" on
    // Windows; elsewhere the stored path, or defaultDeviceForPort(n).
    QString deviceForPort(int number) const;
    // Stores the device for Com number n; an empty path removes the entry, so
    // the default applies again.
    void setDeviceForPort(int number, const QString& device);
    // Whether a device is stored for Com number n.
    bool hasStoredDevice(int number) const;
    // The Com number a found device is used as. On Windows "COMn" (any case)
    // is Com n and nothing is stored; any other name, or n outside
    // 1..PortCount, gives 0. Elsewhere: the Com number that already stands
    // for the device, or else current, which is stored as standing for it.
    int assignPortNumber(const QString& device, int current);

    // Device for a Com number with nothing stored. On Linux: Com1-Com8 are
    // /dev/ttyUSB0-7 (USB adapters, what a service laptop has), Com9-Com12
    // /dev/ttyACM0-3 (USB modem-class adapters), Com13-Com16 /dev/ttyS0-3
    // (built-in ports). On Windows: "COMn".
    static QString defaultDeviceForPort(int number);

    // The serial devices present on this machine, sorted: on Linux the real
    // /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* devices, in that order and by
    // number; on Windows the COM port names by number.
    static QStringList availableDevices();
    // The speeds the port dialog offers, slowest first.
    static const QList<int>& speeds();
    // Sorts device paths the same way (ttyUSB, ttyACM, ttyS, then the rest;
    // by number within each kind).
    static QStringList sortedDevices(QStringList devices);

private:
    std::unique_ptr<QSettings> settings_;
};
