#pragma once

// A page of the main window's tab control that the polling cycle refreshes.
// On every polling tick, while the live monitor is active and the page is the
// one shown, Launch calls Refresh() once. Refresh() runs while the polling
// cycle holds the meter line, so it may exchange with the meter directly
// through the link; it must not hold the line itself or defer work to later.
class LivePage {
public:
    virtual ~LivePage() = default;

    // One tick's work: read what the page shows from the meter and show it;
    // true when the meter answered with what the page needed.
    virtual bool Refresh() = 0;
    // Dims every live value of the page while the meter is not answering, so
    // that nothing old looks current; false brings them back as they are.
    virtual void setStale(bool stale) = 0;
};
