// corvane-cli: the program's meter exchanges from a terminal or a script.
#include "CliOptions.h"
#include "CliPrompts.h"
#include "CliReport.h"
#include "CliSession.h"
#include "datalog/LogCsv.h"
#include "datalog/VdlFile.h"
#include "link/DisplayFormat.h"
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/QtSerialPort.h"
#include "monitor/FlowReading.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <memory>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Time between two live readings, as the program's polling timer.
constexpr qint64 kWatchIntervalMs = 1500;

enum ExitStatus { Success = 0, Failed = 1, Usage = 2 };

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

void out(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int failed(const QString& why) {
    std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(why));
    return Failed;
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
    static const QRegularExpression com(QStringLiteral("^com(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(port);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1 && n <= PortSettingsStore::PortCount)
            return store.deviceForPort(n);
    }
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
        return failed(session.error());
    out(QStringLiteral("time,flow (%1),velocity,signal strength,signal quality,totalizer")
            .arg(config.FlowUnitLabel));
    for (int n = 0; o.count == 0 || n < o.count; ++n) {
        const qint64 next = waiter.now() + kWatchIntervalMs;
        const auto reply = session.readFlow();
        if (!reply)
            return failed(session.error());
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
            waiter.waitUntil([] { return interrupted != 0; }, next);
        if (interrupted)
            break;
    }
    return Success;
}

int download(CliSession& session, const CliOptions& o) {
    if (!session.identify())
        return failed(session.error());
    const bool showProgress = stderrIsTerminal();
    DatalogRecord log;
    const bool ok = session.download(
        log, o.log, [] { return interrupted != 0; },
        [&](float percent) {
            if (showProgress)
                std::fprintf(stderr, "\rDownloading datalog %d: %3.0f%%", o.log, double(percent));
        });
    if (showProgress)
        std::fputs("\r\033[K", stderr);
    if (interrupted)
        return failed(QStringLiteral("download interrupted; no file written"));
    if (!ok)
        return failed(
            QStringLiteral("download of datalog %1 failed: %2").arg(o.log).arg(session.error()));
    QString error;
    if (!VdlFile::save(log, o.output, &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.output, error));
    if (!o.csv.isEmpty() && !LogCsv::save(log, o.csv, &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.csv, error));
    return Success;
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
    if (o.command == CliOptions::Command::Export)
        return exportFile(o);

    const std::unique_ptr<PortSettingsStore> store = openStore();
    const QString device = deviceFor(o.port, *store);
    QtSerialPort port([device](int) { return device; });
    const QString settings = o.settings.isEmpty() ? store->startupSettingsText() : o.settings;
    QString problem;
    if (!QtSerialPort::parseSettings(settings, &problem)) {
        std::fprintf(stderr, "corvane-cli: %s\n(see corvane-cli --help)\n", qPrintable(problem));
        return Usage;
    }
    port.setSettings(settings);
    if (!port.open())
        return failed(QStringLiteral("cannot open %1: %2").arg(device, port.errorString()));

    // A download or a watch ends in good order on Ctrl-C (a download writes
    // nothing then); the short commands simply stop.
    if (o.command == CliOptions::Command::Download || o.command == CliOptions::Command::Watch) {
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }
    EventLoopWaiter waiter;
    CliPrompts prompts;
    MeterLink link(port, waiter, prompts);
    CliSession session(link);

    switch (o.command) {
    case CliOptions::Command::Identify:
        if (!session.identify())
            return failed(session.error());
        out(QStringLiteral("model=") + session.model());
        out(QStringLiteral("version=") + session.version());
        out(QStringLiteral("serial=") + session.serial());
        return Success;
    case CliOptions::Command::Config: {
        ConfigRecord config;
        if (!session.readConfig(config))
            return failed(session.error());
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
            return failed(session.error());
        return Success;
    case CliOptions::Command::Download:
        return download(session, o);
    case CliOptions::Command::Report:
        return runReport(
            session, link, waiter, o,
            o.port.isEmpty()
                ? QStringLiteral("Com%1 (%2)").arg(store->startupPortNumber()).arg(device)
            : o.port == device ? device
                               : QStringLiteral("%1 (%2)").arg(o.port, device));
    default:
        return Usage;
    }
}
