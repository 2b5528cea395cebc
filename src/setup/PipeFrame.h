#pragma once

#include "SetupCommands.h"

#include <QGroupBox>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class SettingSender;

// The pipe frame of the setup dialog's first page (Frame35): inside diameter,
// its unit, wall material, and the volume unit and timebase of flow rates.
// Choosing in the lists changes nothing outside the frame; "Send" writes the
// whole frame with "PD,1," and only the meter's "OK" makes it current.
class PipeFrame : public QGroupBox {
    Q_OBJECT
public:
    PipeFrame(SettingSender& sender, QWidget* parent = nullptr);

    // Unit types 3 and 4 also measure in pounds; the list follows the model
    // of each opening.
    void setPoundUnit(bool shown);

    static constexpr double MinimumDiameterIn = SetupCommands::MinimumDiameterIn;
    static constexpr double MaximumDiameterIn = SetupCommands::MaximumDiameterIn;

    // Shows the pipe record the meter reported; it becomes the stored one.
    void showStored(const SetupCommands::PipeData& pipe);
    const std::optional<SetupCommands::PipeData>& stored() const { return stored_; }

    void PipeUnitSel_Click(int index);
    void FlowUnitSel_Click(int index);
    void TimeUnitSel_Click(int index);
    void SendPipe_Click();

    // The flow conversion factor of the units chosen in the lists (sent or
    // not), or nothing when they make none.
    std::optional<float> chosenFactor() const;

signals:
    // The lists now make this factor (nothing has been sent).
    void chosenFactorChanged(float factor);
    // The meter acknowledged "PD,1,"; the configuration record has the new
    // pipe and units. Emitted with the line held.
    void pipeSent();

private:
    // The diameter as the box shows it in a pipe unit.
    static QString diameterText(double diameterFt, int pipeUnit);
    // Puts the stored record back into every control.
    void restore();
    void tellFactor();

    SettingSender& sender_;
    std::optional<SetupCommands::PipeData> stored_;
    // The unit the box's number is in.
    int shownPipeUnit_ = 0;
    // The box's text as the stored diameter filled it: sent unchanged, the
    // stored diameter goes back whole, not rounded to the shown digits.
    QString storedText_;

    QLineEdit* PipeIDTxt_ = nullptr;
    QComboBox* PipeUnitSel_ = nullptr;
    QComboBox* RoughSel_ = nullptr;
    QComboBox* FlowUnitSel_ = nullptr;
    QComboBox* TimeUnitSel_ = nullptr;
    QPushButton* SendPipe_ = nullptr;
};
