#pragma once

#include "frmPleaseWait.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>

class MeterLink;
class PortSettingsStore;
class frmProperties;
class FlowReading;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

// The main window: start-up and connection, the polling cycle that reads the
// meter's configuration and keeps the live page current, the live flow page,
// and the main menus. It owns the program-wide scheduling flags and
// configuration record.
class frmKVT7210 : public QMainWindow {
    Q_OBJECT
public:
    // The polling cycle's period.
    static constexpr int PollIntervalMs = 1500;
    // Ticks that may find the link busy before the polling cycle clears it.
    static constexpr qint16 BusyTickLimit = 10;

    frmKVT7210(MeterLink& link, PortSettingsStore& store, QWidget* parent = nullptr);
    ~frmKVT7210() override;

    // Start-up: configures the port from the stored settings, identifies the
    // meter and starts polling, or offers the port dialog and otherwise stays
    // in the demonstration state.
    void Form_Load();
    // Opens the port if needed and asks the meter for its model; true when a
    // known model answered.
    bool EstablishCommunication();
    void GetVersionNumber();
    void WriteCaption(const QString& suffix);

    // One polling tick.
    void Launch();
    void Timer1_Timer() { Launch(); }
    void GetSysConfig();
    void GetSSConfig();
    void GetLrnData();
    void GetFlowData();
    // The logging, XQ mode and remote zero indicators, from the last reading.
    void ShowIndicators();
    // Appends a line to the status box; "CLS" empties it.
    void RecModeText(const QString& line);

    void mnuEstablishComm_Click();
    bool ConfirmMasterErase();
    void mnuMasterErase_Click();
    void mnuExit_Click();
    void mnuProperties_Click();

    SchedulingFlags& flags() { return flags_; }
    ConfigRecord& config() { return config_; }
    MeterLink& link() { return link_; }
    QTimer& Timer1() { return Timer1_; }
    qint16 FdSequence() const { return FdSequence_; }
    void setFdSequence(qint16 value) { FdSequence_ = value; }
    // The please-wait window while it is up, otherwise null.
    frmPleaseWait* pleaseWait() const { return pleaseWait_; }
    // Whether the main window shows the hourglass.
    bool showsHourglass() const;

    // Runs the port settings dialog; by default modally. Tests replace it to
    // drive the dialog's handlers instead.
    std::function<void(frmProperties&)> runPropertiesDialog;
    // Ends the program; by default leaves the application's event loop.
    std::function<void()> endProgram;

protected:
    // Closing the window by the user.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QWidget* buildFlowPage();
    void centreOnScreen();
    void showPleaseWait();
    void unloadPleaseWait();
    void setHourglass(bool on);
    void startPolling();
    void enterDemoState();
    void portFailed(const QString& description);
    // An exchange is under way, or a polling tick waits for the meter.
    bool linkBusy() const;
    QByteArray readVersionReply();

    MeterLink& link_;
    PortSettingsStore& store_;
    SchedulingFlags flags_;
    ConfigRecord config_;
    QTimer Timer1_;
    qint16 FdSequence_ = 0;
    bool launching_ = false;
    bool propertiesOpen_ = false;
    bool hourglass_ = false;
    bool lossReported_ = false;
    bool versionReported_ = false;
    bool lastRemoteZeroApplied_ = false;
    QPointer<frmPleaseWait> pleaseWait_;

    QLabel* Label23_ = nullptr; // model
    QLabel* Label22_ = nullptr; // firmware version
    QTabWidget* SSTab1_ = nullptr;
    QLabel* InitText_ = nullptr;
    QLabel* FlowValText_ = nullptr;
    QLabel* FlowRateEEval_ = nullptr;
    QLabel* velvaltext_ = nullptr;
    QLabel* Velratetext_ = nullptr;
    QLabel* SSvaltext_ = nullptr;
    QLabel* SQvaltext_ = nullptr;
    QLabel* NormDispTime_ = nullptr;
    QLabel* NormDispDate_ = nullptr;
    QLabel* TotValtext_ = nullptr;
    QLabel* TotXtext_ = nullptr;
    QLabel* TotEEunit_ = nullptr;
    QPlainTextEdit* ErrMessBox_ = nullptr;
    QString errMessText_;
    QLabel* TxtLogging_ = nullptr;
    QLabel* TxtXQmode_ = nullptr;
    QLabel* TxtRemoteZero_ = nullptr;

    QAction* mnuEstablishComm_ = nullptr;
};
