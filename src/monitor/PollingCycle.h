#pragma once

#include "MeterReads.h"

#include <QObject>
#include <QTimer>

#include <functional>

class FlowPage;
class LineOwner;
class LivePage;
class MeterLink;
struct ConfigRecord;
struct SchedulingFlags;

// The polling cycle: every tick of Timer1, Launch reads what start-up still
// needs (version, system and channel configuration, learn data), refreshes
// the page that is shown while the live monitor is active, and makes at most
// one catch-up read of whatever another window marked stale. Not a widget:
// the main window shows what it reports through its signals.
class PollingCycle : public QObject {
    Q_OBJECT
public:
    // The polling cycle's period.
    static constexpr int PollIntervalMs = 1500;
    // Ticks that may find the link busy before the polling cycle clears it.
    static constexpr qint16 BusyTickLimit = 10;

    // Which start-up read has just completed.
    enum class Record { System, Channel, Learn };
    Q_ENUM(Record)

    PollingCycle(MeterLink& link, LineOwner& owner, SchedulingFlags& flags, ConfigRecord& config,
                 FlowPage& flowPage, QObject* parent = nullptr);
    ~PollingCycle() override;

    // One polling tick.
    void Launch();
    void Timer1_Timer() { Launch(); }
    QTimer& Timer1() { return Timer1_; }
    // Starts the timer, unless the program is closing.
    void startPolling();

    void GetVersionNumber();
    void GetSysConfig();
    void GetSSConfig();
    void GetLrnData();

    // A new connection: a version read that keeps failing is told again.
    void resetReports() { versionReported_ = false; }

    // The page of the main window that is shown; Launch refreshes it.
    std::function<LivePage*()> shownPage;
    // The setup dialog: offered a quiet tick (live monitor suspended, the
    // dialog not open) to open in, then refreshed on every tick while
    // SetupOpen, with the line held.
    std::function<void()> openSetup;
    std::function<void()> refreshSetup;

signals:
    void versionRead(const QString& version, const QString& serialNumber);
    void recordRead(PollingCycle::Record record);
    // A system configuration read succeeded (at start-up or catching up).
    void sysConfigRead();
    // A tick found start-up complete and the live monitor active, before the
    // shown page is refreshed.
    void liveTick();
    // A live page showed what the meter sent on this tick.
    void pageRefreshed(LivePage* page);

private:
    void yields(int n);

    MeterLink& link_;
    LineOwner& owner_;
    SchedulingFlags& flags_;
    ConfigRecord& config_;
    FlowPage& flowPage_;
    MeterReads reads_;
    QTimer Timer1_;
    bool versionReported_ = false;
};
