#pragma once

#include <QGroupBox>

class QButtonGroup;
class QComboBox;
class QPushButton;
class SettingSender;

// "Display Options" (KR5): what the meter's own display shows and how often
// it changes, as the display selection mask of the system record. The
// choices are made here and sent together with "Send" ("SC,2,").
class DisplayOptionsFrame : public QGroupBox {
    Q_OBJECT
public:
    DisplayOptionsFrame(SettingSender& sender, QWidget* parent = nullptr);

    // The options from the stored mask.
    void DisplaySelects();
    // The mask the options make now (not yet sent).
    int chosenMask() const { return mask_; }

    // An option of one of the four pairs: bit 0 FlowORVel, 1 DispTot,
    // 2 DispSSSQ, 3 DispDateTime; index 1 sets the bit.
    void optionClicked(int bit, int index);
    void DispUpdateTime_Click(int row);
    void SendDispSelect_Click();

private:
    void showMask(int mask);

    SettingSender& sender_;
    int mask_ = 0;
    QButtonGroup* pairs_[4] = {};
    QComboBox* DispUpdateTime_ = nullptr;
    QPushButton* SendDispSelect_ = nullptr;
};
