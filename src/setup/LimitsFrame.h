#pragma once

#include "SetupCommands.h"
#include <QGroupBox>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;
class SettingSender;

// The limits frame of the setup dialog's first page (Frame36): damping, the
// low-flow cut-off (typed as a flow, kept by the meter as a velocity), the
// flow conversion factor, site calibration, remote zero (Frame1(1)) and
// whether the meter's display shows flow or velocity (Frame2). Each entry is
// sent with its "LM" command when editing ends or a button is clicked.
class LimitsFrame : public QGroupBox {
    Q_OBJECT
public:
    LimitsFrame(SettingSender& sender, QWidget* parent = nullptr);

    static constexpr float MinimumCutoff = SetupCommands::MinimumCutoff;
    static constexpr int MaximumDamping = SetupCommands::MaximumDamping;
    static constexpr double MinimumSiteCalibration = SetupCommands::MinimumSiteCalibration;
    static constexpr double MaximumSiteCalibration = SetupCommands::MaximumSiteCalibration;

    // Shows the configuration record's values (LimitsPage).
    void LimitsPage();
    // The factor the pipe frame's lists make, shown before it is sent.
    void showFactor(float factor);
    // The flow units beside the cut-off box.
    void showUnitLabel(const QString& label);
    // The remote zero buttons from the record.
    void showRemoteZero();
    // The same from the periodic refresh: left alone while a choice of the
    // user waits for the line.
    void refreshRemoteZero();
    // After the pipe and units were sent: the cut-off shown in the new units,
    // and raised to the minimum (and sent) when below it. The line is held.
    void recheckCutoff();

    void DampText_LostFocus();
    void LowFlowCutText_LostFocus();
    void SiteCalText_LostFocus();
    void UseRemote0OnOff_Click(int index);
    void DispFlowVel_Click(int index);

signals:
    // The meter acknowledged a new site calibration; the pipe page is read
    // again. Emitted with the line held.
    void siteCalibrationSent();

private:
    QLineEdit* box(const char* name, bool readOnly);
    void showCutoff(float velocity);
    // Sends a cut-off velocity already checked against the minimum.
    void sendCutoff(float velocity);

    SettingSender& sender_;
    // Remote zero choices sent or waiting for the line.
    int remoteZeroPending_ = 0;

    QLineEdit* DampText_ = nullptr;
    QLineEdit* LowFlowCutText_ = nullptr;
    QLabel* Label27_ = nullptr;
    QLineEdit* LowVelCutoff_ = nullptr;
    QLineEdit* g_flow_conv_fact_ = nullptr;
    QLineEdit* SiteCalText_ = nullptr;
    QGroupBox* RemoteZeroFrame_ = nullptr; // Frame1(1)
    QGroupBox* Frame2_ = nullptr;
    QButtonGroup* UseRemote0OnOff_ = nullptr; // 1 Off, 2 On
    QButtonGroup* DispFlowVel_ = nullptr;     // 1 Flow, 2 Vel
};
