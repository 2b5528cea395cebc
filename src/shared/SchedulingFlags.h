#pragma once

#include <QtGlobal>

// What the polling cycle still has to do. One instance lives for the whole
// run, owned by the main window. Whether a meter is connected is the
// connection state's (link/ConnectionState), never a flag here.
// A window that changes the meter's configuration sets the matching Need flag
// and the polling cycle reads that part again.
struct SchedulingFlags {
    bool NeedVersion = false;   // the firmware version has not been read
    bool NeedSysConfig = false; // the system configuration ("SC") is stale
    bool NeedSSConfig = false;  // the channel configuration ("CC") is stale
    bool NeedLrnData = false;   // the learn data ("LR") is stale
    bool NeedFlowData = false;  // the flow page wants one fresh reading
    // The start-up configuration reads are not complete yet.
    bool ConfigPending = false;
    // The live page is refreshed on every tick; cleared while the setup
    // dialog or the datalog window has the meter.
    bool LiveMonitorActive = false;
    // The setup dialog is open and refreshed on every tick.
    bool SetupOpen = false;
    // Ticks that found the link busy since the watchdog last cleared it.
    qint16 BusyTicks = 0;

    // The single-relay test window is shown: it owns the line, polling waits.
    bool RelayTestOpen = false;
};
