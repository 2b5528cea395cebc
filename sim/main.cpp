// corvane-sim: a simulated Velmar KR meter on a pseudo-terminal, for the demo,
// for learning the program without a meter, and for end-to-end tests.

#include "FaultSwitch.h"
#include "MeterDatalogs.h"
#include "MeterModel.h"
#include "PtyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// What a signal asks for, as the byte it writes into the pipe.
constexpr char QuitByte = 1;
constexpr char ToggleSilenceByte = 2;

void onSignal(int sig) {
    const char c = sig == SIGUSR1 ? ToggleSilenceByte : QuitByte;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

QString description() {
    return QStringLiteral(
        "Serves a simulated Velmar KR flowmeter on a pseudo-terminal.\n\n"
        "The meter sits on a 6-inch pipe and shows gallons per minute: the flow drifts\n"
        "slowly around 380 GPM, the totalizer counts it, the clock runs from the time\n"
        "the simulator started, and a master erase restarts the learn (states 0 to 4\n"
        "over about 50 seconds). Reply bytes are paced at the speed the program sets\n"
        "on the line (10 bits a byte).\n\n"
        "Point the program at the link path, e.g.:\n"
        "  corvane-sim --link /tmp/velmar &\n"
        "then choose /tmp/velmar as the port in CommPort Properties.\n\n"
        "The terminal's device path is printed on the first line of standard output.\n"
        "The simulator keeps serving while the program closes and reopens the port;\n"
        "SIGINT or SIGTERM ends it and removes the link; SIGUSR1 switches the fault\n"
        "'silent' on and off, as a cable pulled at the meter's end and plugged in again.\n"
        "A trace line reads:\n"
        "  <seconds since start>  <command, \\xHH for other bytes>  -> <reply length> bytes\n\n");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvane-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription(description() + FaultSwitch::help() +
                                     MeterDatalogs::faultHelp());
    parser.addHelpOption();
    const QCommandLineOption linkOpt(
        "link", "Path of the symbolic link to the terminal (required).", "PATH");
    const QCommandLineOption unitOpt("unit", "Unit type: 3, 4 or 5 (default 5).", "3|4|5", "5");
    const QCommandLineOption versionOpt("version", "Firmware version text (default V1.95).", "TEXT",
                                        "V1.95");
    const QCommandLineOption serialOpt("serial", "Serial number (default 12345).", "N", "12345");
    const QCommandLineOption traceOpt(
        "trace", "Write one line per command received to FILE (\"-\": standard error).", "FILE");
    const QCommandLineOption faultOpt("fault", "Switch on a fault (see above); repeatable.",
                                      "FAULT");
    const QCommandLineOption datalogOpt(
        "datalog-points", "Give datalog file 3 N points (1 to 100000; default empty).", "N");
    parser.addOptions({linkOpt, unitOpt, versionOpt, serialOpt, traceOpt, faultOpt, datalogOpt});
    parser.process(app);

    QTextStream err(stderr);
    const auto usage = [&](const QString& why) {
        err << "corvane-sim: " << why << "\n(see corvane-sim --help)\n";
        return 2;
    };
    if (!parser.isSet(linkOpt))
        return usage("--link PATH is required");

    MeterState state;
    const QString unit = parser.value(unitOpt);
    if (unit != "3" && unit != "4" && unit != "5")
        return usage("--unit must be 3, 4 or 5");
    state.unitType = unit.toInt();
    state.version = parser.value(versionOpt).toLatin1();
    bool serialOk = false;
    parser.value(serialOpt).toLongLong(&serialOk);
    if (!serialOk)
        return usage("--serial must be a number");
    state.serial = parser.value(serialOpt).toLatin1();
    // The meter's clock starts at the local time of day.
    const QDateTime local = QDateTime::currentDateTime();
    state.clockBase = QDateTime(local.date(), local.time(), Qt::UTC);

    MeterModel model(state);
    MeterDatalogs datalogs;
    datalogs.install(model);
    if (parser.isSet(datalogOpt)) {
        bool ok = false;
        const int n = parser.value(datalogOpt).toInt(&ok);
        if (!ok || n < 1 || n > 100000)
            return usage("--datalog-points must be 1 to 100000");
        datalogs.logs[3] = datalogs.logs[1];
        datalogs.logs[3].points.resize(size_t(n));
    }
    for (const QString& fault : parser.values(faultOpt)) {
        QString why;
        const bool datalogFault = fault.trimmed().toLower().startsWith("datalog-");
        if (datalogFault ? !datalogs.applyFault(fault, &why)
                         : !FaultSwitch::apply(fault, model.faults(), &why))
            return usage(why);
    }

    PtyServer server(model);
    if (parser.isSet(traceOpt) && !server.setTrace(parser.value(traceOpt)))
        return usage("cannot write the trace file " + parser.value(traceOpt));
    QString error;
    if (!server.start(parser.value(linkOpt), &error)) {
        err << "corvane-sim: " << error << "\n";
        return 1;
    }

    // SIGINT and SIGTERM end the event loop, so the link is removed on the way
    // out; SIGUSR1 silences the meter or lets it answer again.
    if (::pipe(signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGUSR1, onSignal);
        auto* n = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(n, &QSocketNotifier::activated, &app, [&] {
            char c = 0;
            if (::read(signalPipe[0], &c, 1) != 1 || c == QuitByte) {
                app.quit();
                return;
            }
            bool& silent = model.faults().silent;
            silent = !silent;
            err << "corvane-sim: " << (silent ? "silent" : "answering again") << "\n";
            err.flush();
        });
    }
    QObject::connect(&server, &PtyServer::hungUp, &app, [&] {
        err << "corvane-sim: hung up (fault)\n";
        err.flush();
        app.quit();
    });

    std::printf("%s\n", server.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);
    err << "corvane-sim: Velmar KR" << state.unitType << " " << state.version << " serial "
        << state.serial << " on " << server.devicePath() << " (link " << parser.value(linkOpt)
        << ")\n";
    err.flush();
    if (model.lineDown(0))
        QMetaObject::invokeMethod(
            &server,
            [&] {
                server.stop();
                emit server.hungUp();
            },
            Qt::QueuedConnection);

    const int rc = app.exec();
    server.stop();
    return rc;
}
