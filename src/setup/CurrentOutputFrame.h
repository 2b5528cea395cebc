#pragma once

#include "OutputCommands.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;
class SettingSender;

// The 4-20 mA output on the setup dialog's "Output Options" page: the flow
// range (chk420mA unlocks Frame11, Send4_20 sends it) and the calibration
// against an ammeter (CalModeChecked, Calibratepanel). Calibration runs in
// steps driven by the dialog's refresh: the requests set by the controls are
// served by pendingRequests, refreshPage and afterRefresh with the line held.
class CurrentOutputFrame : public QWidget {
    Q_OBJECT
public:
    CurrentOutputFrame(SettingSender& sender, QTimer& Timer3, bool& CalPollDue, int& EditInProgress,
                       QWidget* parent = nullptr);

    // Slider steps from 4 to 20 mA: a tenth of a mA each.
    static constexpr int SliderMaximum = 160;
    // Sends of a calibration-mode command before the user is told the meter
    // does not acknowledge it.
    static constexpr int ModeSends = 10;

    // Reads: the line is held.
    void Data4to20();
    void GetCalData();
    // Calibration steps; the line is held.
    void SetCal420mA();
    void ClrCal420mA();
    void SendCalmode();
    void Xmit4_20(int which);
    void EndCalibration();
    void SetCurrentOutput();
    void update_slider1(int value);

    // The dialog's refresh: entering or leaving calibration (every page), the
    // page's own refresh (page shown), then the measured current and the
    // calibration keep-alive.
    void pendingRequests();
    void refreshPage();
    void afterRefresh();
    // The dialog opens: nothing of the output is known until it is read.
    void newOpening();
    // The dialog closes: the meter goes back to normal output unless the
    // record read in this opening says it already is there.
    void leaveOnClose();
    // The program is closing: a forced current (calibration mode) ends with
    // one bounded exchange.
    void releaseOnExit();
    // A good "MA,0" was read since the dialog opened.
    bool recordRead() const { return recordRead_; }

    bool calibrating() const { return CalActive; }
    const OutputCommands::OutputRecord& record() const { return record_; }

signals:
    // Calibration mode asked for or left: the relay frame is locked meanwhile.
    void calibrationChanged(bool on);

private:
    void chk420mA_Click(bool on);
    void CalModeChecked_Click(bool on);
    void flowRateEdited(bool at20);
    void measuredEdited(QLineEdit* box);
    void Send4_20_Click();
    void Output4or20_Click(int index);
    void deselectForce();
    // Shows the current of a forced end: 0 for 4 mA, 1 for 20 mA.
    void showForced(int index);
    void showFlowRates();
    void showCurrent(double mA, const char* pattern);
    void moveSlider(double mA);
    // Runs action with the line when it is free; nothing without a meter.
    void whenIdle(std::function<void()> action);
    void setCalModeBox(bool on);
    // False, after telling the user, while the record has not been read.
    bool haveRecord();

    SettingSender& sender_;
    QTimer& Timer3_;
    bool& CalPollDue_;
    int& EditInProgress_;

    // The meter's record as last read or acknowledged, and the range being edited.
    OutputCommands::OutputRecord record_;
    OutputCommands::OutputRecord edit_;

    bool recordRead_ = false;
    bool CalRequestEnter = false;
    bool CalRequestLeave = false;
    bool CalActive = false;
    bool sliderDrag_ = false;
    bool setOutputRequest_ = false;
    bool measuredRequest_ = false;

    QCheckBox* chk420mA_ = nullptr;
    QGroupBox* Frame11_ = nullptr;
    QLineEdit* Ma_4FlowRate_ = nullptr;
    QLineEdit* Ma_20FlowRate_ = nullptr;
    QLabel* Text27_ = nullptr;
    QLabel* Text28_ = nullptr;
    QPushButton* Send4_20_ = nullptr;
    QCheckBox* CalModeChecked_ = nullptr;
    QGroupBox* Calibratepanel_ = nullptr;
    QButtonGroup* Output4or20_ = nullptr;
    QLineEdit* Ma_4IntVal_ = nullptr;
    QLineEdit* Ma_20IntVal_ = nullptr;
    QLineEdit* mAcurrentVal_ = nullptr;
    QSlider* Slider1_ = nullptr;
    QLabel* ConnectText_ = nullptr;
};
