#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line of corvane-cli, read without side effects:
//   corvane-cli [--port PORT] [--settings TEXT] COMMAND [ARGS]
// A usage error leaves error set (exit status 2).
struct CliOptions {
    enum class Command {
        None,
        Help,
        Identify,
        Config,
        Watch,
        Logs,
        Download,
        Export,
        Report,
        Find,
        SettingsSave,
        SettingsCompare,
        SettingsRestore
    };

    Command command = Command::None;
    QString port;      // device path or "Com1".."Com16"; empty: the stored port
    QStringList ports; // every --port given, in order (find searches them all)
    QString settings;  // "19200,n,8,1"; empty: the stored settings
    int count = 0;     // watch: readings to print, 0 for no end; report: live readings
    int log = -1;      // download: the meter's datalog number 0..9
    QString input;     // export: the VDL file
    QString output;    // download: the VDL file; export: the CSV file
    QString csv;       // download: the CSV file as well, optional
    QString notes;     // report: the technician notes, optional
    bool raw = false;  // config: the record fields as they stand
    bool yes = false;  // settings restore: write, not only list
    // settings compare and restore: the settings file.
    QString error; // why the command line is not usable

    static CliOptions parse(const QStringList& arguments);
    // The number of a "Com<n>" port text (any case), whatever its range;
    // nothing for a device path.
    static std::optional<int> comNumber(const QString& port);
    static QString help();
};
