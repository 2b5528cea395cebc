#include "CliOptions.h"

#include "link/PortSettingsStore.h"

#include <QRegularExpression>

namespace {

// The meter holds datalogs 0 to 9.
constexpr int kLastLog = 9;

} // namespace

std::optional<int> CliOptions::comNumber(const QString& port) {
    static const QRegularExpression com(QStringLiteral("^com(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(port);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

CliOptions CliOptions::parse(const QStringList& arguments) {
    CliOptions o;
    const auto fail = [&o](const QString& why) {
        o.error = why;
        return o;
    };
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= arguments.size())
                return false;
            into = arguments[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.command = Command::Help;
            return o;
        }
        if (a == "--port") {
            if (!value(o.port))
                return fail("--port needs a device path or Com1..Com16");
            if (o.ports.contains(o.port))
                return fail(QStringLiteral("--port %1 is given twice").arg(o.port));
            o.ports << o.port;
            const std::optional<int> n = comNumber(o.port);
            if (n && (*n < 1 || *n > PortSettingsStore::PortCount))
                return fail(QStringLiteral("--port %1: the Com numbers run from 1 to %2 "
                                           "(Com1 to Com%2)")
                                .arg(o.port)
                                .arg(PortSettingsStore::PortCount));
        } else if (a == "--settings") {
            if (!value(o.settings))
                return fail("--settings needs a settings text such as 19200,n,8,1");
        } else if (a == "--count") {
            QString n;
            bool ok = false;
            if (value(n))
                o.count = n.toInt(&ok);
            if (!ok || o.count < 1)
                return fail("--count needs a whole number of readings, 1 or more");
        } else if (a == "-o" || a == "--output") {
            if (!value(o.output))
                return fail("-o needs a file name");
        } else if (a == "--notes") {
            if (!value(o.notes))
                return fail("--notes needs a text");
        } else if (a == "--raw") {
            o.raw = true;
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--csv") {
            if (!value(o.csv))
                return fail("--csv needs a file name");
        } else if (a.startsWith('-') && a.size() > 1) {
            return fail(QStringLiteral("unknown option %1").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.isEmpty())
        return fail("no command given");
    const QString name = positional.takeFirst();
    const auto expectArgs = [&](qsizetype n) { return positional.size() == n; };
    if (name == "identify" && expectArgs(0))
        o.command = Command::Identify;
    else if (name == "find" && expectArgs(0))
        o.command = Command::Find;
    else if (name == "config" && expectArgs(0))
        o.command = Command::Config;
    else if (name == "settings" && !positional.isEmpty()) {
        const QString verb = positional.takeFirst();
        if (verb == "save" && expectArgs(0)) {
            if (o.output.isEmpty())
                return fail("settings save needs -o FILE.json");
            o.command = Command::SettingsSave;
        } else if ((verb == "compare" || verb == "restore") && expectArgs(1)) {
            o.input = positional[0];
            o.command = verb == "compare" ? Command::SettingsCompare : Command::SettingsRestore;
        } else if (QStringList{"save", "compare", "restore"}.contains(verb)) {
            return fail(QStringLiteral("wrong number of arguments for settings %1").arg(verb));
        } else {
            return fail(
                QStringLiteral("unknown settings command %1 (save, compare or restore)").arg(verb));
        }
    } else if (name == "watch" && expectArgs(0))
        o.command = Command::Watch;
    else if (name == "logs" && expectArgs(0))
        o.command = Command::Logs;
    else if (name == "download" && expectArgs(1)) {
        bool ok = false;
        o.log = positional[0].toInt(&ok);
        if (!ok || o.log < 0 || o.log > kLastLog)
            return fail("download needs a datalog number from 0 to 9");
        if (o.output.isEmpty())
            return fail("download needs -o FILE.vdl");
        o.command = Command::Download;
    } else if (name == "export" && expectArgs(1)) {
        o.input = positional[0];
        if (o.output.isEmpty())
            return fail("export needs -o FILE.csv");
        o.command = Command::Export;
    } else if (name == "report" && expectArgs(0)) {
        if (o.output.isEmpty())
            return fail("report needs -o FILE.pdf");
        o.command = Command::Report;
    } else if (QStringList{"identify", "config", "watch", "logs", "download", "export", "report",
                           "find", "settings"}
                   .contains(name)) {
        return fail(QStringLiteral("wrong number of arguments for %1").arg(name));
    } else {
        return fail(QStringLiteral("unknown command %1").arg(name));
    }
    if (o.ports.size() > 1 && o.command != Command::Find)
        return fail("--port is given once, but for find");
    if (!o.settings.isEmpty() && o.command == Command::Find)
        return fail("find tries every speed: it takes no --settings");
    if (o.count > 0 && o.command != Command::Watch && o.command != Command::Report)
        return fail("--count goes with watch and report only");
    if (!o.notes.isEmpty() && o.command != Command::Report)
        return fail("--notes goes with report only");
    if (!o.csv.isEmpty() && o.command != Command::Download)
        return fail("--csv goes with download only");
    if (o.raw && o.command != Command::Config)
        return fail("--raw goes with config only");
    if (o.yes && o.command != Command::SettingsRestore)
        return fail("--yes goes with settings restore only");
    if (!o.output.isEmpty() &&
        (o.command == Command::SettingsCompare || o.command == Command::SettingsRestore))
        return fail("settings compare and restore write no file: they take no -o");
    return o;
}

QString CliOptions::help() {
    return QStringLiteral(
        "Usage: corvane-cli [--port PORT] [--settings 19200,n,8,1] COMMAND\n"
        "\n"
        "Talks to a Velmar KR flowmeter on a serial line with the same exchanges as\n"
        "the Corvane windows, for scripts and for collecting logs from many meters.\n"
        "\n"
        "Commands:\n"
        "  identify                  the meter's model, firmware version and serial number\n"
        "  find [--port PORT]...     looks for meters on the ports given, or on every\n"
        "                            port of the stored Com map and every serial device,\n"
        "                            at every speed (19200 and 9600 first); one line per\n"
        "                            port: port, speed, model, version, serial number,\n"
        "                            or why it could not be searched. Exit 0 when a\n"
        "                            meter was found, 1 when none\n"
        "  config [--raw]            every setting by its name in the Unit Setup window,\n"
        "                            with its value and unit, section by section;\n"
        "                            --raw: the configuration record's fields as\n"
        "                            name=value lines\n"
        "  settings save -o FILE.json\n"
        "                            reads every setting and saves them as a settings\n"
        "                            file (the meter's own values for the record)\n"
        "  settings compare FILE.json\n"
        "                            one line per setting that differs: name, the file's\n"
        "                            value, the meter's; the meter's own values apart.\n"
        "                            Exit 0 when every setting is equal, 3 when one differs\n"
        "  settings restore FILE.json [--yes]\n"
        "                            lists what it would write and writes nothing; with\n"
        "                            --yes writes the settings that differ, each\n"
        "                            confirmed by the meter, then compares again: exit 0\n"
        "                            only when the meter now matches the file\n"
        "  watch [--count N]         live readings every 1500 ms as CSV lines, header\n"
        "                            first; without --count until Ctrl-C\n"
        "  logs                      the point count of each of the ten datalogs\n"
        "                            (about a second per log)\n"
        "  download N -o FILE.vdl [--csv FILE.csv]\n"
        "                            downloads datalog N (0-9), every section checked,\n"
        "                            and saves it as a VDL file (and as CSV); progress\n"
        "                            on stderr when it is a terminal; Ctrl-C stops it\n"
        "                            and leaves no file; the files are checked before\n"
        "                            anything is sent\n"
        "  export FILE.vdl -o FILE.csv\n"
        "                            converts a saved datalog to CSV with the file's own\n"
        "                            numbers (no meter needed)\n"
        "  report -o FILE.pdf [--count N] [--notes TEXT]\n"
        "                            a service report as PDF: identification,\n"
        "                            configuration, N live readings 1500 ms apart\n"
        "                            (default 4) and the datalog directory\n"
        "\n"
        "Options:\n"
        "  --port PORT       a device path (/dev/ttyUSB0, a pseudo-terminal) or Com1..Com16\n"
        "                    through the port map Corvane stores; without it, the port\n"
        "                    Corvane last used\n"
        "  --settings TEXT   line settings; without it, the speed Corvane stores\n"
        "  -h, --help        this text\n"
        "\n"
        "CSV files follow RFC 4180: times in ISO 8601, \".\" as the decimal point.\n"
        "The environment variable CORVANE_SETTINGS names an INI file to read the\n"
        "stored port settings from instead of the user's.\n"
        "\n"
        "Exit status: 0 success, 1 the meter or a transfer failed (one line on\n"
        "stderr says what; a failed download adds a second line with what happened),\n"
        "2 a usage error or a settings file that cannot be used, 3 settings differ.\n");
}
