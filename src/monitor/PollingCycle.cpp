#include "PollingCycle.h"

#include "ConfigDecoder.h"
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

// Bad version replies tolerated before the user is told (four writes in all).
constexpr int VersionRetries = 3;
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
      flowPage_(flowPage) {
    Timer1_.setObjectName("Timer1");
    Timer1_.setInterval(PollIntervalMs);
    connect(&Timer1_, &QTimer::timeout, this, &PollingCycle::Timer1_Timer);
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
    SerialPort& port = link_.port();
    if (!port.isOpen())
        return;
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
    } else if (flags_.LiveMonitorActive) {
        emit liveTick();
        if (LivePage* page = shownPage ? shownPage() : nullptr)
            page->Refresh();
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
        else if (flags_.NeedFlowData)
            flowPage_.GetFlowData();
        yields(ReadYields);
    }

    if (flags_.SetupOpen && refreshSetup && port.isOpen()) {
        yields(ReadYields);
        refreshSetup();
        yields(ReadYields);
    }
}

QByteArray PollingCycle::readVersionReply() {
    link_.writeDirect(command("VR,0"));
    QByteArray reply = link_.ReadComm(0);
    if (link_.port().isOpen() && link_.port().bytesWaiting() > 0)
        reply += link_.ReadComm(0);
    return reply;
}

void PollingCycle::GetVersionNumber() {
    int badReplies = 0;
    QByteArray reply;
    for (;;) {
        reply = readVersionReply();
        const bool bad = reply.contains("BAD") || reply.isEmpty() || !reply.startsWith("VR");
        if (!bad)
            break;
        if (++badReplies > VersionRetries) {
            // The read is tried again on every tick until it succeeds; the
            // user is told once per connection, not every 1.5 seconds.
            if (!versionReported_)
                link_.prompts().message("Can't Determine UnitType Kr3? Kr4? Kr5?");
            versionReported_ = true;
            return;
        }
    }
    const int p1 = commaFrom(reply, 3) + 1;
    const int p2 = commaFrom(reply, p1 + 1);
    if (p2 > 0)
        emit versionRead(QString::fromLatin1(reply.mid(p1 - 1, p2 - p1)));
    flags_.NeedVersion = false;
}

bool PollingCycle::readRecord(const char* text, int mode, int length, const char* opcode,
                              const std::function<void(const QByteArray&)>& decode) {
    LinkState& state = link_.state();
    state.CurrentCommand = command(text);
    const QByteArray reply = link_.SendCommand(state.CurrentCommand, mode, length);
    // Mode 3 returns the record itself; mode 2 leaves it in RawReply.
    const QByteArray record = mode == 3 ? reply : state.RawReply;
    if (reply.isEmpty() || (opcode && !record.contains(opcode)))
        return false;
    try {
        decode(record);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void PollingCycle::GetSysConfig() {
    link_.writeDirect(MeterLink::FlushPrefix);
    // Read as a binary record of its full length: its bytes may have any
    // value, a line feed (10) included.
    if (readRecord("SC,0,", 3, ConfigDecoder::SysConfigLength, "SC", [this](const QByteArray& r) {
            yields(SysConfigYields);
            config_.SysConfig = ConfigDecoder::decodeSystemConfig(r);
        }))
        flags_.NeedSysConfig = false;
}

void PollingCycle::GetSSConfig() {
    // A unit index outside its table fails the whole read, so the channel
    // record and the units derived from it never disagree.
    if (readRecord("CC,0,", 2, ConfigDecoder::ChanConfigLength, "CC", [this](const QByteArray& r) {
            ConfigRecord updated = config_;
            updated.ChanConfig = ConfigDecoder::decodeChannelConfig(r);
            updated.deriveFlowUnits();
            config_ = updated;
        }))
        flags_.NeedSSConfig = false;
}

void PollingCycle::GetLrnData() {
    if (readRecord("LR,0", 2, ConfigDecoder::LrnDataLength, nullptr, [this](const QByteArray& r) {
            config_.LrnConfig = ConfigDecoder::decodeLearnData(r);
        }))
        flags_.NeedLrnData = false;
}
