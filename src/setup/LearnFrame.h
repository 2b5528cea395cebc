#pragma once

#include "SetupCommands.h"
#include <QWidget>

#include <optional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class SettingSender;

// The learning and signal settings of the setup dialog's "Misc." page: fast
// learn, review learn, overrides, range mode and range, the signal strength
// and quality cut-offs, the transmit power and the XQ mode. Each sends its
// "LR" or "MD" command when the user acts.
class LearnFrame : public QWidget {
    Q_OBJECT
public:
    LearnFrame(SettingSender& sender, QWidget* parent = nullptr);

    // Fills the controls from the configuration record (the record part of
    // the Misc. page's read).
    void showRecord();
    // Selects the transmit power button of a level (0 regular, else high).
    void showTransmitPower(int level);
    // The XQ mode buttons while the page is read.
    void enableXQMode(bool on);

    void QuickLrn_Click(int index);
    void ReLearnButton_Click();
    void OverRides_Click(int index);
    void RangeModeSel_Click(int index);
    void RangeSel_Click(int index);
    // The range list is locked while the range is set automatically.
    void RangeSel_GotFocus();
    void SigStrengthCutoff_LostFocus();
    void SigQtyCutoff_LostFocus();
    void TXPow_Click(int index);
    void XQMode_Click(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The range list index (0-4) of the stored range code, 0 when it holds none.
    int storedRangeIndex() const;
    bool storedManual() const;
    void showRange();
    void sendRange(bool manual, int rangeIndex);
    static constexpr double MaximumSignalCutoff = SetupCommands::MaximumSignalCutoff;
    void showFastLearn();
    void cutoffEdited(bool strength);
    void showCutoffs();

    SettingSender& sender_;
    // Fast learn as last acknowledged: 1 yes, 2 no; nothing before the first.
    std::optional<int> fastLearn_;

    QButtonGroup* QuickLrn_ = nullptr;     // 1 Yes, 2 No
    QPushButton* ReLearnButton_ = nullptr; // in Frame13(0)
    QComboBox* OverRides_ = nullptr;
    QButtonGroup* RangeModeSel_ = nullptr; // 0 Auto, 1 Man
    QComboBox* RangeSel_ = nullptr;
    QLineEdit* SigStrengthCutoff_ = nullptr;
    QLineEdit* SigQtyCutoff_ = nullptr;
    QButtonGroup* TXPow_ = nullptr;  // 1 Reg, 2 Hi
    QButtonGroup* XQMode_ = nullptr; // 1 Off, 2 On
};
