#include "ServiceReportCommand.h"

#include "ServiceReportSaver.h"

#include "link/ConnectionState.h"
#include "link/DisplayFormat.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"

ServiceReportCommand::ServiceReportCommand(MeterLink& link, LineOwner& owner,
                                           const PortSettingsStore& store, Sources sources)
    : link_(link), owner_(owner), store_(store), sources_(std::move(sources)) {}

ReportIdentification ServiceReportCommand::identification() const {
    const ConnectionState& connection = link_.connection();
    ReportIdentification id;
    id.unitType = connection.unitType();
    id.model = connection.modelText();
    id.version = connection.version();
    SerialPort& port = link_.port();
    id.port =
        QString("Com%1 (%2)").arg(port.portNumber()).arg(store_.deviceForPort(port.portNumber()));
    id.settings = port.settings();
    // Shown as a whole number, as the Misc. page shows it.
    const QString serial = connection.serialNumber();
    bool number = false;
    const double value = serial.toDouble(&number);
    id.serial = number ? FormatNumber(value, "#####0").trimmed() : serial;
    return id;
}

ServiceReportBuilder::Input ServiceReportCommand::gather(const QString& notes) const {
    ServiceReportBuilder::Input in;
    in.made = QDateTime::fromMSecsSinceEpoch(sources_.madeMs());
    in.meter = identification();
    if (in.meter.unitType != 0)
        in.config = sources_.config();
    in.live = sources_.live();
    // Figures of a meter that has stopped answering say so beside them.
    if (const QString silence = link_.connection().silenceText(); !silence.isEmpty())
        in.live->statusLines.prepend(silence);
    in.trend = sources_.trend();
    in.signalPages = sources_.signalPages();
    in.directory = sources_.directory();
    in.notes = notes;
    return in;
}

void ServiceReportCommand::run(QObject* context) {
    owner_.openWhenIdle(context, [this, context] {
        const std::optional<ServiceReportSaver::Request> request =
            ServiceReportSaver(link_.prompts()).ask();
        if (!request)
            return;
        owner_.runWhenIdle(
            context,
            [this, context, request = *request] {
                const ServiceReport report = ServiceReportBuilder::build(gather(request.notes));
                owner_.openWhenIdle(context, [this, report, request] {
                    ServiceReportSaver(link_.prompts()).save(report, request);
                });
            },
            LineOwner::Needs::Nothing);
    });
}
