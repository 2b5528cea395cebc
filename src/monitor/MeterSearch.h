#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class PortSettingsStore;
class Prompts;
class SerialPort;
class Waiter;

// Looks for a meter on serial devices: on each device, at each speed of the
// port dialog's list with the usual ones first, it asks for the
// identification only, and stops at the first speed that answers. A device
// that cannot be opened, or a speed its adapter refuses, is one line of the
// result and never stops the search. No command but the identification and
// the version read is sent, so a search never changes a meter.
class MeterSearch {
public:
    struct Meter {
        int baud = 0;
        int unitType = 0;
        QString version;
        QString serial;
    };
    // What one device gave: a meter, or why it could not be searched, with
    // the speeds its adapter refused.
    struct Device {
        QString device;
        std::optional<Meter> meter;
        QString problem;
        QStringList refused;
    };
    using PortMaker = std::function<std::unique_ptr<SerialPort>(const QString& device)>;

    MeterSearch(PortMaker makePort, Waiter& waiter, Prompts& prompts);

    // The speeds in the order they are tried: 19200, 9600, 38400, 57600,
    // 115200, 4800, 2400, 1200, then the rest of the dialog's list.
    static QList<int> speedOrder();
    // The settings text of a speed: 8 data bits, no parity, 1 stop bit.
    static QString settingsFor(int baud);
    // The devices searched when none is named: those of the stored Com map
    // (Com1 to Com16) that are there, then every serial device present, each
    // once.
    static QStringList defaultDevices(const PortSettingsStore& store);

    // Searches one device. trying is told each speed before it is tried;
    // stop is asked before each speed (Ctrl-C, a cancelled dialog).
    Device search(const QString& device, const std::function<bool()>& stop = {},
                  const std::function<void(int baud)>& trying = {});

private:
    PortMaker makePort_;
    Waiter& waiter_;
    Prompts& prompts_;
};
