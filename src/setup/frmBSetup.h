#pragma once

#include "SettingSender.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class ClockFrames;
class DisplayOptionsFrame;
class CurrentOutputFrame;
class LearnFrame;
class LimitsFrame;
class LineOwner;
class LoggingFrame;
class MeterLink;
class MiscFrames;
class PipeFrame;
class PowerMonitorFrame;
class RelayFrames;
class QGroupBox;
class QTabWidget;
class ServiceSwitches;
class TotalizerFrame;
struct ConfigRecord;
struct SchedulingFlags;

// The unit setup dialog, "Unit Setup": four pages ("Pipe", "Limits", "Output
// Options", "Misc.") filled from the configuration record and the meter's
// replies. With a meter it is opened by the polling cycle at a quiet tick,
// which then calls DoBSetup on every tick while it is open (with the line
// held, so its reads go straight to the link); every setting goes through
// SettingSender. Without a meter it shows its design-time contents and sends
// nothing.
class frmBSetup : public QDialog {
    Q_OBJECT
public:
    // What the dialog needs from the main window.
    struct Host {
        // The polling cycle's reads of the learn data, channel and system
        // records (the last after a master erase from the dialog or a power
        // monitor reset).
        std::function<void()> GetLrnData;
        std::function<void()> GetSSConfig;
        std::function<void()> GetSysConfig;
        // The please-wait window shown while the dialog opens.
        std::function<bool()> pleaseWaitVisible;
        std::function<void()> unloadPleaseWait;
        // Restarts the polling timer when the dialog closes.
        std::function<void()> resumePolling;
        // The program's service switches; the serial-number controls follow them.
        ServiceSwitches* switches = nullptr;
    };

    enum Page { PipePage = 0, LimitsPage = 1, OutputPage = 2, MiscPage = 3 };

    // Clock refresh of the "Limits" page.
    static constexpr int Timer1Ms = 2000;
    // Totalizer refresh of the "Pipe" page.
    static constexpr int Timer2Ms = 1000;
    // Keep-alive of a 4-20 mA calibration.
    static constexpr int Timer3Ms = 1000;

    frmBSetup(MeterLink& link, LineOwner& owner, SchedulingFlags& flags, ConfigRecord& config,
              Host host, QWidget* parent = nullptr);

    // Fills the dialog (reading the meter when there is one; the caller then
    // holds the line) and shows it.
    void Open();
    void Form_Load();
    // One refresh of the page shown; the polling cycle holds the line.
    void DoBSetup();
    // The user chose another page.
    void SSTab1_Click(int page);
    // Reads "PD,0" and shows the pipe and limits values; the caller holds the line.
    void PipeSetup();
    // The Misc. page from the configuration record.
    void Do7210();
    void Form_Unload();

    PipeFrame& pipe() { return *pipe_; }
    LimitsFrame& limits() { return *limits_; }
    LearnFrame& learn() { return *learn_; }
    CurrentOutputFrame& output() { return *output_; }
    RelayFrames& relays() { return *relays_; }
    PowerMonitorFrame& power() { return *power_; }
    // The program is closing: a relay test or a forced current under way is
    // ended, one bounded exchange each, before the line closes. The only
    // writes at exit.
    void releaseMeterOnExit();
    SettingSender& sender() { return sender_; }
    QTimer& Timer1() { return Timer1_; }
    QTimer& Timer2() { return Timer2_; }
    QTimer& Timer3() { return Timer3_; }

    // Requests between the timers and the refresh.
    bool TotalsDue = false;
    bool TotalsTick = false;
    bool ClockDue = false;
    bool CalPollDue = false;
    int EditInProgress = 0;
    // Upper bound of the display contrast: 15 on a KR5, 100 otherwise.
    int ContrastMax = 15;

    // Closing by any means (the close button, Escape) ends here.
    void done(int result) override;

private:
    void buildPages();
    QGroupBox* frame(const char* name, const QString& caption, QWidget* page);
    void applyModelLayout();
    // Every record and page read again after a master erase; the line is held.
    void reloadAfterErase();
    int page() const;

    SettingSender sender_;
    Host host_;
    bool open_ = false;
    // The page is being selected by the program, not the user.
    bool loading_ = false;

    QTabWidget* SSTab1_ = nullptr;
    PipeFrame* pipe_ = nullptr;
    LimitsFrame* limits_ = nullptr;
    LearnFrame* learn_ = nullptr;
    TotalizerFrame* totals_ = nullptr;
    DisplayOptionsFrame* display_ = nullptr;
    ClockFrames* clock_ = nullptr;
    LoggingFrame* logging_ = nullptr;
    MiscFrames* misc_ = nullptr;
    CurrentOutputFrame* output_ = nullptr;
    RelayFrames* relays_ = nullptr;
    PowerMonitorFrame* power_ = nullptr;
    QTimer Timer1_;
    QTimer Timer2_;
    QTimer Timer3_;
};
