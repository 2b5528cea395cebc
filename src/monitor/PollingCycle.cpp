#include "PollingCycle.h"

#include "FlowPage.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "ui/LivePage.h"
#include "ui/Prompts.h"

#include <exception>

namespace {

// Yields around the reads of a tick, so clicks and repaints are served.
constexpr int ReadYields = 3;
// Yields after a configuration record arrived, before it is decoded.
constexpr int SysConfigYields = 4;

QByteArray command(const char* text) {
    return QByteArray(text) + MeterLink::CommandTerminator;
}

// The 1-based position of the first comma at or after position from, or 0.
int commaFrom(const QByteArray& text, int from) {
    return int(text.indexOf(',', qMax(from, 1) - 1)) + 1;
}

} // namespace

PollingCycle::PollingCycle(MeterLink& link, LineOwner& owner, SchedulingFlags& flags,
                           ConfigRecord& config, FlowPage& flowPage, QObject* parent)
    : QObject(parent), link_(link), owner_(owner), flags_(flags), config_(config),
      flowPage_(flowPage), reads_(link) {
    reads_.sysConfigYields = SysConfigYields;
    Timer1_.setObjectName("Timer1");
    Timer1_.setInterval(PollIntervalMs);
    connect(&Timer1_, &QTimer::timeout, this, &PollingCycle::Timer1_Timer);
    // Silence is judged while the polling cycle has the meter: during the
    // start-up reads too, so a meter whose every reply arrives damaged is
    // told, not left behind "Initializing Data". While the datalog window or
    // the setup dialog has the meter, it is not judged.
    link_.connection().silenceJudged = [this] { return flags_.LiveMonitorActive; };
}

PollingCycle::~PollingCycle() {
    link_.connection().silenceJudged = nullptr;
}

void PollingCycle::startPolling() {
    if (!owner_.isShutDown())
        Timer1_.start();
}

void PollingCycle::yields(int n) {
    for (int i = 0; i < n; ++i)
        link_.waiter().yield();
}

void PollingCycle::Launch() {
    // A tick that finds the line held (by an earlier tick still waiting for
    // the meter, or by a user's action) or CommBusy set does nothing; ten of
    // them free a flag that was left set.
    if (owner_.busy()) {
        if (++flags_.BusyTicks >= BusyTickLimit) {
            flags_.BusyTicks = 0;
            link_.state().CommBusy = false;
        }
        return;
    }
    if (flags_.RelayTestOpen)
        return;
    // Only an identified meter is polled; without one nothing is sent.
    if (!link_.connection().connected())
        return;
    SerialPort& port = link_.port();
    LineOwner::Hold hold(owner_);

    if (flags_.NeedVersion) {
        yields(1);
        GetVersionNumber();
        yields(1);
    }

    if (flags_.ConfigPending) {
        if (flags_.NeedVersion)
            GetVersionNumber();
        const auto read = [&](bool& need, void (PollingCycle::*get)(), Record record) {
            yields(1);
            (this->*get)();
            yields(1);
            if (!need)
                emit recordRead(record);
        };
        if (flags_.NeedSysConfig)
            read(flags_.NeedSysConfig, &PollingCycle::GetSysConfig, Record::System);
        // The channel and learn records mean nothing without the system one.
        if (!flags_.NeedSysConfig) {
            if (flags_.NeedSSConfig && port.isOpen())
                read(flags_.NeedSSConfig, &PollingCycle::GetSSConfig, Record::Channel);
            if (flags_.NeedLrnData && port.isOpen())
                read(flags_.NeedLrnData, &PollingCycle::GetLrnData, Record::Learn);
            if (!flags_.NeedSSConfig && !flags_.NeedLrnData)
                flags_.ConfigPending = false;
        }
        link_.connection().checkSilence();
    } else if (flags_.LiveMonitorActive) {
        emit liveTick();
        if (LivePage* page = shownPage ? shownPage() : nullptr) {
            if (page->Refresh()) {
                // The signal pages' captures are marked here; the link's own
                // reads (flow, version, configuration) mark themselves.
                link_.connection().goodReply();
                emit pageRefreshed(page);
            }
            link_.connection().checkSilence();
        }
    } else if (!flags_.SetupOpen && openSetup) {
        openSetup();
    }

    if (port.isOpen()) {
        yields(ReadYields);
        if (flags_.NeedSysConfig)
            GetSysConfig();
        else if (flags_.NeedSSConfig)
            GetSSConfig();
        else if (flags_.NeedLrnData)
            GetLrnData();
        else if (flags_.NeedFlowData && flowPage_.GetFlowData())
            emit pageRefreshed(&flowPage_);
        yields(ReadYields);
    }

    if (flags_.SetupOpen && refreshSetup && port.isOpen()) {
        yields(ReadYields);
        refreshSetup();
        yields(ReadYields);
    }
}

void PollingCycle::GetVersionNumber() {
    const std::optional<QByteArray> reply = reads_.readVersion();
    if (!reply) {
        // The read is tried again on every tick until it succeeds; the
        // user is told once per connection, not every 1.5 seconds.
        if (!versionReported_)
            link_.prompts().message("Can't Determine UnitType Kr3? Kr4? Kr5?");
        versionReported_ = true;
        return;
    }
    if (const std::optional<QString> version = MeterReads::versionOf(*reply))
        emit versionRead(*version, MeterReads::serialOf(*reply));
    flags_.NeedVersion = false;
}

void PollingCycle::GetSysConfig() {
    if (reads_.readSystemConfig(config_)) {
        flags_.NeedSysConfig = false;
        emit sysConfigRead();
    }
}

void PollingCycle::GetSSConfig() {
    if (reads_.readChannelConfig(config_)) {
        flags_.NeedSSConfig = false;
    }
}

void PollingCycle::GetLrnData() {
    if (reads_.readLearnData(config_)) {
        flags_.NeedLrnData = false;
    }
}
