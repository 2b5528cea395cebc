#pragma once

#include "MeterSearch.h"

#include <QDialog>

#include <functional>

class LineOwner;
class MeterLink;
class PortSettingsStore;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// Comm > Find Meter...: looks for meters on the devices of the Com map and
// every serial device present, at every speed, with a progress bar that can be
// cancelled, and lists what answered. "Use" stores the chosen device and
// speed as the port dialog's OK does and connects to it.
//
// The search holds the line alone: the live monitor rests and the program's
// port is closed while it runs, and the old port and speed are open again
// afterwards, whether or not a meter is then chosen.
class frmFindMeter : public QDialog {
    Q_OBJECT
public:
    struct Host {
        std::function<void()> pausePolling;
        std::function<void()> resumePolling;
        // EstablishCommunication: true when a meter answered.
        std::function<bool()> establish;
    };

    frmFindMeter(MeterLink& link, LineOwner& owner, PortSettingsStore& store,
                 MeterSearch::PortMaker makePort, Host host, QWidget* parent = nullptr);

    // The devices to search (by default those MeterSearch names).
    QStringList devices;

    void cmdSearch_Click();
    void cmdCancelSearch_Click();
    void cmdUse_Click();

    // What the last search found, device by device.
    const QList<MeterSearch::Device>& results() const { return results_; }

private:
    void runSearch();
    void showResult(const MeterSearch::Device& d);
    void useMeter(const QString& device, int baud);
    void showBusy(bool busy);

    MeterLink& link_;
    LineOwner& owner_;
    PortSettingsStore& store_;
    MeterSearch::PortMaker makePort_;
    Host host_;
    QList<MeterSearch::Device> results_;
    bool searching_ = false;
    bool cancelled_ = false;

    QLabel* lblDevices_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QProgressBar* prgSearch_ = nullptr;
    QPushButton* cmdSearch_ = nullptr;
    QPushButton* cmdCancelSearch_ = nullptr;
    QTreeWidget* lstFound_ = nullptr;
    QPushButton* cmdUse_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
};
