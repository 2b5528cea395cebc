#pragma once

#include "MeterSearch.h"
#include "PollingCycle.h"
#include "frmPleaseWait.h"
#include "report/ServiceReportCommand.h"
#include "shared/ConfigRecord.h"
#include "shared/DatalogRecord.h"
#include "shared/SchedulingFlags.h"
#include "shared/ServiceSwitches.h"
#include "shared/SignalArrays.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

class DiagnosticLogs;
class MasterEraseCommand;
class MeterSettingsCommand;
class frmFindMeter;
class frmPoly;
class FlowPage;
class SignalDiagnostics;
class LineOwner;
class MeterLink;
class PortSettingsStore;
class frmBSetup;
class LivePage;
class frmProperties;
class QAction;
class QLabel;
class QTabWidget;

// The main window: start-up and connection, the menus, and the wiring of the
// polling cycle to the pages of SSTab1. It owns the program-wide scheduling
// flags and configuration record. The pages show; the polling cycle reads.
class frmKVT7210 : public QMainWindow {
    Q_OBJECT
public:
    frmKVT7210(MeterLink& link, LineOwner& owner, PortSettingsStore& store,
               QWidget* parent = nullptr);
    ~frmKVT7210() override;

    // Start-up: configures the port from the stored settings, identifies the
    // meter and starts polling, or offers the port dialog and otherwise stays
    // in the demonstration state. Runs once the event loop has started.
    void Form_Load();
    // Opens the port if needed and asks the meter for its model; true when a
    // known model answered. The caller holds the line.
    bool EstablishCommunication();
    void WriteCaption(const QString& suffix);

    void mnuEstablishComm_Click();
    void mnuExit_Click();
    // Comm > Find Meter...: the search over every device and speed.
    void mnuFindMeter_Click();
    void mnuProperties_Click();
    void mnuAbout_Click();
    // File > Save Service Report...: asks for the technician notes and the
    // file, then writes the report of what this session has read.
    void mnuSaveReport_Click();
    // The service report of this session: what it holds and how it is saved.
    ServiceReportCommand& reportCommand() { return *report_; }
    // The About box over the window it was asked for from.
    void showAbout(QWidget* over);
    // Setup > Unit Setup: with a meter, suspends the live page and lets the
    // polling cycle open the dialog at its next quiet tick; without one,
    // opens it at once.
    void mnusetup_Click();
    // The setup dialog, once it has been opened.
    frmBSetup* setupDialog() const { return setup_; }

    SchedulingFlags& flags() { return flags_; }
    ConfigRecord& config() { return config_; }
    MeterLink& link() { return link_; }
    LineOwner& owner() { return owner_; }
    PollingCycle& polling() { return polling_; }
    FlowPage& flowPage() { return *flowPage_; }
    ServiceSwitches& switches() { return switches_; }
    DiagnosticLogs& logs() { return *logs_; }
    // The datalog window, created hidden at start-up.
    frmPoly& datalogWindow() { return *frmPoly_; }
    DatalogRecord& datalog() { return datalog_; }
    QTimer& Timer1() { return polling_.Timer1(); }
    // The please-wait window while it is up, otherwise null.
    frmPleaseWait* pleaseWait() const { return pleaseWait_; }
    // Whether the main window shows the hourglass.
    bool showsHourglass() const { return hourglass_; }

    // Runs the port settings dialog; by default modally. Tests replace it to
    // drive the dialog's handlers instead.
    std::function<void(frmProperties&)> runPropertiesDialog;
    // The same for Comm > Find Meter..., and the ports its search opens (the
    // platform's serial port by default; tests give simulated ones).
    std::function<void(frmFindMeter&)> runFindMeterDialog;
    MeterSearch::PortMaker makeSearchPort;
    // Ends the program; by default leaves the application's event loop.
    std::function<void()> endProgram;

protected:
    // Closing the window by the user, at any moment.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void centreOnScreen();
    void showPleaseWait();
    void unloadPleaseWait();
    void setHourglass(bool on);
    void enterDemoState();
    // Identifies the meter while holding the line; true when one answered.
    bool identify();
    // After every successful identification (start-up, Establish Comm, the
    // port dialog, a master erase): polling and the reads a start needs, the
    // start-up box and the please-wait window, as at a normal start.
    void startLiveMonitor();
    // The page the window was closed on, as the user left it.
    void reopenLastPage();
    void openProperties();
    void liveTick();
    void recordRead(PollingCycle::Record record);
    void portFailed(const QString& description);
    // The connection state changed: the model and version shown, the live
    // pages dimmed while the meter does not answer, and the status line.
    void connectionChanged();
    // Dims each live page that has not shown a reading of this connection's
    // meter, or all while the meter is not answering.
    void showStaleness();
    void pauseLivePages();
    void updateLogMenus();

    MeterLink& link_;
    LineOwner& owner_;
    PortSettingsStore& store_;
    SchedulingFlags flags_;
    ConfigRecord config_;
    FlowPage* flowPage_ = nullptr;
    PollingCycle polling_;
    std::unique_ptr<ServiceReportCommand> report_;
    std::unique_ptr<MeterSettingsCommand> settings_;
    SignalArrays signalArrays_;
    ServiceSwitches switches_;
    SignalDiagnostics* diagnostics_ = nullptr;
    DiagnosticLogs* logs_ = nullptr;
    DatalogRecord datalog_;
    frmPoly* frmPoly_ = nullptr;
    bool hourglass_ = false;
    bool lossReported_ = false;
    // From the Master Erase question until the meter is back: a second one
    // cannot start.
    QPointer<frmPleaseWait> pleaseWait_;
    QPointer<frmProperties> properties_;
    // Setup dialog: created at its first opening, kept for the run.
    frmBSetup* setup_ = nullptr;
    // The live pages that have shown a reading since the meter was found.
    QSet<const LivePage*> freshPages_;
    // The record a dialog opened without a meter shows: never one an earlier
    // connection's meter filled, so that no old value looks like the meter's.
    ConfigRecord offlineConfig_;
    bool setupOffline_ = false;
    bool setupRequested_ = false;
    // The dialog for the connection as it is now, made again when it changed.
    frmBSetup& ensureSetup(bool online);
    void openSetup();

    QLabel* Label23_ = nullptr;    // model
    QLabel* Label22_ = nullptr;    // firmware version
    QLabel* StatusText_ = nullptr; // in the status bar: since when the meter is silent
    QTabWidget* SSTab1_ = nullptr;
    QAction* mnuEstablishComm_ = nullptr;
    QAction* mnuMasterErase_ = nullptr;
    MasterEraseCommand* masterErase_ = nullptr;
    QAction* mnuProperties_ = nullptr;
};
