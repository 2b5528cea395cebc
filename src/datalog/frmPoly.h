#pragma once

#include "shared/DatalogRecord.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class MeterLink;
class LineOwner;
struct SchedulingFlags;
struct ConfigRecord;
class frmProgress;
class dbg;
class LogGraphPanel;
class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The datalog window, "CorvaneLink Datalog Retrieval Program": the point
// counts of the meter's ten logs, the download of one, the file save and
// load, and the erase of the meter's logs. Created once, then shown and
// hidden; closing it hides it and keeps the log in memory.
//
// Everything that talks to the meter runs through the line owner, and a
// download, a scan or an erase holds the line exclusively: while one runs,
// the controls that would start another are disabled.
class frmPoly : public QMainWindow {
    Q_OBJECT
public:
    // What the window needs from the main window.
    struct Host {
        std::function<QString()> modelText;           // "Velmar KR5", as the main window shows it
        std::function<QString()> versionText;         // "V1.95"
        std::function<bool()> pollingActive;          // the polling timer runs
        std::function<void(bool)> setPolling;         // starts or stops the polling timer
        std::function<void(QWidget* over)> showAbout; // the About box, over this window
    };

    frmPoly(MeterLink& link, LineOwner& owner, SchedulingFlags& flags, ConfigRecord& config,
            DatalogRecord& log, Host host, QWidget* parent = nullptr);

    // The main window's start-up and its menu entry "&RetreveUnitLog": stops
    // the live monitor, lets pending configuration reads finish (for a
    // bounded time), shows the window and scans the meter's logs.
    void LogIdInit();
    void RetreveUnitLog();
    // Wherever the main window learns the file the meter records into.
    void setCurrentLogFile(int currentLogFile);

    void Form_Load();
    void cmbLogId_Click(int index);
    void cmdGetLogHeader_Click();
    void Frame1_DblClick();
    void Frame2_Click();
    void GetLogHeaders();
    void cmdGetLog_Click();
    void mnuGetLog_Click();
    void mnuSave_Click();
    void mnuLoad_Click();
    void mnuErase_Click();
    void mnuAbout_Click();
    void mnuQuit_Click();

    const DatalogDirectory& directory() const { return directory_; }
    frmProgress* progressWindow() const { return progress_; }
    dbg* debugWindow() const { return dbg_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void showLog();
    void setMeterControlsEnabled(bool enabled);
    bool meterConnected() const;
    // A datalog operation runs or waits for the line: no second one starts.
    bool busy() const;
    // Runs body when the line is free, holding it exclusively.
    void runExclusive(std::function<void()> body);
    void Form_Unload();

    MeterLink& link_;
    LineOwner& owner_;
    SchedulingFlags& flags_;
    ConfigRecord& config_;
    DatalogRecord& log_;
    Host host_;
    DatalogDirectory directory_;
    std::weak_ptr<int> queued_;

    frmProgress* progress_ = nullptr;
    dbg* dbg_ = nullptr;
    QComboBox* cmbLogId_ = nullptr;
    QLabel* Logpts_[DatalogDirectory::FileCount] = {};
    QGroupBox* Frame1_ = nullptr;
    QGroupBox* Frame2_ = nullptr;
    QLabel* lblLogInfo_ = nullptr;
    // Which log the window shows: "Datalog 2, downloaded from the meter at
    // ..." or "file site7.vdl".
    QLabel* lblShownLog_ = nullptr;
    QString shownLog_;
    QPushButton* cmdGetLogHeader_ = nullptr;
    QPushButton* cmdGetLog_ = nullptr;
    QLineEdit* txtcurrentlog_ = nullptr;
    LogGraphPanel* graph_ = nullptr;
    QAction* mnuLoad_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuGetLog_ = nullptr;
    QAction* mnuErase_ = nullptr;
};
