#pragma once

#include <QObject>

#include <functional>

class LineOwner;
class MeterLink;
class PollingCycle;
class QAction;
class QWidget;

// Comm > Master Erase: asks first, writes "MR,1" once, rests the line while
// the meter erases (with a progress bar), then reads the configuration again
// and identifies the meter as a new connection. A meter that does not come
// back is told and the port dialog offered, as at start-up.
class MasterEraseCommand : public QObject {
    Q_OBJECT
public:
    // What the main window does around the erase.
    struct Host {
        std::function<void()> reloadSetup;     // the open setup dialog's pipe page
        std::function<void()> showPleaseWait;  // while the meter is found again
        std::function<bool()> establish;       // EstablishCommunication
        std::function<void()> showFlowPage;    // after a good erase
        std::function<void()> offerPortDialog; // "Communications Failed", the port dialog
    };

    MasterEraseCommand(MeterLink& link, LineOwner& owner, PollingCycle& polling, QAction& item,
                       Host host, QWidget* window);

    // The menu item: asks, then erases in its turn on the line. The item is
    // disabled from the click until the erase (or its refusal) is over.
    void mnuMasterErase_Click();
    bool ConfirmMasterErase();
    // The erase itself, with the line held: true when the meter answered
    // the identification after it (or the program is closing).
    bool MasterErase();
    bool erasing() const { return erasing_; }

private:
    MeterLink& link_;
    LineOwner& owner_;
    PollingCycle& polling_;
    QAction& item_;
    Host host_;
    QWidget* window_;
    bool erasing_ = false;
};
