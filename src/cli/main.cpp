// corvane-cli: the program's meter exchanges from a terminal or a script.
#include "CliFind.h"
#include "CliInterrupt.h"
#include "CliOptions.h"
#include "CliPaths.h"
#include "CliPrompts.h"
#include "CliReport.h"
#include "CliSession.h"
#include "CliSettings.h"
#include "datalog/LogCsv.h"
#include "datalog/VdlFile.h"
#include "link/DisplayFormat.h"
#include "link/EventLoopWaiter.h"
#include "link/LineSettings.h"
#include "link/MeterLink.h"
#include "link/PlatformSerialPort.h"
#include "link/PortSettingsStore.h"
#include "monitor/FlowReading.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Time between two live readings, as the program's polling timer.
constexpr qint64 kWatchIntervalMs = 1500;

enum ExitStatus { Success = 0, Failed = 1, Usage = 2 };

int usage(const QString& why) {
    std::fprintf(stderr, "corvane-cli: %s\n(see corvane-cli --help)\n", qPrintable(why));
    return Usage;
}

void out(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// Each line of why on stderr, after the program's name.
int failed(const QString& why) {
    for (const QString& line : why.split(u'\n'))
        std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(line));
    return Failed;
}

// A meter command that failed: what failed, or that the user stopped it.
int failed(const CliSession& session) {
    return failed(CliInterrupt::requested() ? QStringLiteral("interrupted") : session.error());
}

// The files a command writes, checked before it starts: a usage error when
// two of them are one file, a failure when one cannot be written.
int checkOutputs(const CliOptions& o) {
    if (o.command == CliOptions::Command::Export && CliPaths::sameFile(o.input, o.output))
        return usage(QStringLiteral("the CSV file %1 would overwrite the datalog %2 it is made "
                                    "from")
                         .arg(o.output, o.input));
    if (!o.csv.isEmpty() && CliPaths::sameFile(o.output, o.csv))
        return usage(QStringLiteral("-o and --csv name the same file %1").arg(o.output));
    for (const QString& path : {o.output, o.csv})
        if (const QString problem = path.isEmpty() ? QString() : CliPaths::outputProblem(path);
            !problem.isEmpty())
            return failed(QStringLiteral("cannot write %1: %2").arg(path, problem));
    return Success;
}

bool stderrIsTerminal() {
#ifdef Q_OS_UNIX
    return ::isatty(2) != 0;
#else
    return false;
#endif
}

std::unique_ptr<PortSettingsStore> openStore() {
    const QString ini = qEnvironmentVariable("CORVANE_SETTINGS");
    return ini.isEmpty() ? std::make_unique<PortSettingsStore>()
                         : std::make_unique<PortSettingsStore>(ini);
}

// The device a --port text names: "Com<n>" through the stored map, else a path.
QString deviceFor(const QString& port, const PortSettingsStore& store) {
    if (port.isEmpty())
        return store.deviceForPort(store.startupPortNumber());
    // The options already refused a Com number out of range.
    if (const std::optional<int> n = CliOptions::comNumber(port))
        return store.deviceForPort(*n);
    return port;
}

int exportFile(const CliOptions& o) {
    QString error;
    const auto log = VdlFile::load(o.input, &error);
    if (!log)
        return failed(QStringLiteral("cannot read %1: %2").arg(o.input, error));
    if (!LogCsv::save(*log, o.output, &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.output, error));
    return Success;
}

int watch(CliSession& session, Waiter& waiter, const CliOptions& o) {
    ConfigRecord config;
    if (!session.readConfig(config))
        return failed(session);
    out(QStringLiteral("time,flow (%1),velocity,signal strength,signal quality,totalizer")
            .arg(config.FlowUnitLabel));
    for (int n = 0; o.count == 0 || n < o.count; ++n) {
        const qint64 next = waiter.now() + kWatchIntervalMs;
        const auto reply = session.readFlow();
        // Ctrl-C ends the watch, even in the middle of a reading.
        if (!reply)
            return CliInterrupt::requested() ? Success : failed(session.error());
        try {
            const FlowReading r(*reply);
            out(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
                u',' + GeneralForm(r.Flow) + u',' + GeneralForm(r.Velocity) + u',' +
                GeneralForm(r.SignalStrength) + u',' + GeneralForm(r.SignalQuality) + u',' +
                GeneralForm(r.total()));
        } catch (const std::exception&) {
            return failed(QStringLiteral("the meter's flow data holds a value that does not read"));
        }
        if (o.count == 0 || n + 1 < o.count)
            waiter.waitUntil(&CliInterrupt::requested, next);
        if (CliInterrupt::requested())
            break;
    }
    return Success;
}

int download(CliSession& session, const CliOptions& o) {
    const bool identified = session.identify();
    const bool showProgress = stderrIsTerminal();
    DatalogRecord log;
    const bool ok =
        identified && session.download(log, o.log, &CliInterrupt::requested, [&](float percent) {
            if (showProgress)
                std::fprintf(stderr, "\rDownloading datalog %d: %3.0f%%", o.log, double(percent));
        });
    if (showProgress && identified)
        std::fputs("\r\033[K", stderr);
    if (!identified && !CliInterrupt::requested())
        return failed(session.error());
    if (CliInterrupt::requested())
        return failed(QStringLiteral("download interrupted; no file written"));
    if (!ok)
        return failed(
            QStringLiteral("download of datalog %1 failed: %2").arg(o.log).arg(session.error()));
    QString error;
    if (!VdlFile::save(log, o.output, &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.output, error));
    if (!o.csv.isEmpty() && !LogCsv::save(log, o.csv, &error))
        return failed(QStringLiteral("cannot write %1: %2; the datalog was saved to %3")
                          .arg(o.csv, error, o.output));
    return Success;
}

int meterCommand(CliSession& session, Waiter& waiter, const CliOptions& o) {
    switch (o.command) {
    case CliOptions::Command::Identify:
        if (!session.identify())
            return failed(session);
        out(QStringLiteral("model=") + session.model());
        out(QStringLiteral("version=") + session.version());
        out(QStringLiteral("serial=") + session.serial());
        return Success;
    case CliOptions::Command::Config: {
        if (!o.raw)
            return CliSettings::config(session.link());
        ConfigRecord config;
        if (!session.readConfig(config))
            return failed(session);
        for (const QString& line : CliSession::configLines(config))
            out(line);
        return Success;
    }
    case CliOptions::Command::Watch:
        return watch(session, waiter, o);
    case CliOptions::Command::Logs:
        if (!session.readDirectory([](int file, qint32 points) {
                out(QStringLiteral("%1 %2").arg(file).arg(points));
            }))
            return failed(session);
        return Success;
    case CliOptions::Command::Download:
        return download(session, o);
    case CliOptions::Command::SettingsSave:
        return CliSettings::save(session.link(), o);
    default:
        return Usage;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // The report is drawn with Qt's painter, which needs the GUI library's
    // fonts but no screen: on Linux it draws offscreen, so it runs without a
    // display (Windows always has its own platform).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool drawing = CliOptions::parse(arguments).command == CliOptions::Command::Report;
#ifndef Q_OS_WIN
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    const std::unique_ptr<QCoreApplication> application =
        drawing ? std::make_unique<QGuiApplication>(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setOrganizationName("Corvane");
    QCoreApplication::setApplicationName("Corvane");

    const CliOptions o = CliOptions::parse(app.arguments().mid(1));
    if (!o.error.isEmpty()) {
        std::fprintf(stderr, "corvane-cli: %s\n(see corvane-cli --help)\n", qPrintable(o.error));
        return Usage;
    }
    if (o.command == CliOptions::Command::Help) {
        std::fputs(qPrintable(CliOptions::help()), stdout);
        return Success;
    }
    if (const int status = checkOutputs(o); status != Success)
        return status;
    if (o.command == CliOptions::Command::Export)
        return exportFile(o);

    // A settings file that cannot be used is refused before the port opens.
    std::optional<SettingsFileData> file;
    if (o.command == CliOptions::Command::SettingsCompare ||
        o.command == CliOptions::Command::SettingsRestore) {
        file = CliSettings::loadFile(o);
        if (!file)
            return Usage;
    }

    const std::unique_ptr<PortSettingsStore> store = openStore();
    if (o.command == CliOptions::Command::Find)
        return CliFind::run(o, *store);
    const QString device = deviceFor(o.port, *store);
    PlatformSerialPort port([device](int) { return device; });
    const QString settings = o.settings.isEmpty() ? store->startupSettingsText() : o.settings;
    QString problem;
    if (!LineSettings::parse(settings, &problem)) {
        std::fprintf(stderr, "corvane-cli: %s\n(see corvane-cli --help)\n", qPrintable(problem));
        return Usage;
    }
    port.setSettings(settings);
    if (!port.open())
        return failed(QStringLiteral("cannot open %1: %2").arg(device, port.errorString()));

    EventLoopWaiter waiter;
    CliPrompts prompts;
    MeterLink link(port, waiter, prompts);
    CliSession session(link);
    // Ctrl-C or SIGTERM closes the line: every wait ends at once, a download
    // writes no file, a watch ends in good order.
    const CliInterrupt interrupt([&link] { link.shutDown(); });

    // The port as the report names it: the Com number and its device, or
    // the device given.
    const QString portText =
        o.port.isEmpty() ? QStringLiteral("Com%1 (%2)").arg(store->startupPortNumber()).arg(device)
        : o.port == device ? device
                           : QStringLiteral("%1 (%2)").arg(o.port, device);
    const int status =
        o.command == CliOptions::Command::Report ? runReport(session, link, waiter, o, portText)
        : o.command == CliOptions::Command::SettingsCompare ? CliSettings::compare(link, *file)
        : o.command == CliOptions::Command::SettingsRestore ? CliSettings::restore(link, *file, o)
                                                            : meterCommand(session, waiter, o);
    // A reply still on its way (the last one of a scan, a reply's tail) is
    // taken off the line, so the next session starts clean.
    if (!CliInterrupt::requested())
        link.discardUntilQuiet();
    return status;
}
