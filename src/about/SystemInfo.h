#pragma once

#include <QString>
#include <QStringList>

// What "System Info..." shows or starts.
class SystemInfo {
public:
    // A text for a support call: operating system and version, kernel, Qt
    // version, and the serial devices present with their owner, group and
    // permissions and whether this account may open them. devDir is where
    // the devices are looked for ("/dev").
    static QString report(const QString& devDir = "/dev");

    // The serial device lines of the report, one per device found.
    static QStringList serialDevices(const QString& devDir);

    // Windows: the system information program from the machine-wide settings
    // store, or an empty text when it cannot be found.
    static QString windowsProgram();
};
