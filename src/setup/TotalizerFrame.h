#pragma once

#include <functional>

#include <QGroupBox>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingSender;

// The "TOTALIZER" frame of the setup dialog's first page (Frame37): the
// meter's total (read-only), its unit and multiplier (a change resets the
// total, so the user is asked first), on/off, the totalizer relay and the
// reset. Everything uses the "GT" opcode.
class TotalizerFrame : public QGroupBox {
    Q_OBJECT
public:
    TotalizerFrame(SettingSender& sender, QWidget* parent = nullptr);

    // The model's lists and frames (the caller knows the meter's model).
    void applyModel();
    // Reads "GT,0" and shows it; the caller holds the line. False when the
    // meter gave no usable record.
    bool ScanTotals();
    // "This Will Cause the Totalizer to Reset - continue ?": true for Yes.
    bool AskTotalizerReset();

    void TotUnitsTxt_Click(int row);
    void TotMultTxt_Click(int row);
    void TotResetButton_Click();
    void TotEnabled_MouseUp(int index);
    void TotRly1_MouseUp(int index);
    void TotRlyMult_Click(int row);

    // Set while a change is under way: the periodic scan leaves the frame alone.
    bool editing() const { return editing_ > 0; }

private:
    // Sends a yes/no choice; taken runs once the meter acknowledged it, and
    // the frame shows the stored choice either way.
    void sendChoice(const QByteArray& command, std::function<void()> taken);
    // A unit or multiplier change: asked, sent, then the total is reset.
    void listChanged(QComboBox* list, int row, int stored, const char* prefix);
    void showStored();
    // "GT,1" written once; false, after telling the user, without "OK".
    bool ResetUnitTotalizer();

    SettingSender& sender_;
    int editing_ = 0;

    QLineEdit* Text1_ = nullptr;
    QComboBox* TotUnitsTxt_ = nullptr;
    QComboBox* TotMultTxt_ = nullptr;
    QButtonGroup* TotEnabled_ = nullptr; // 0 No, 1 Yes
    QGroupBox* Frame26_ = nullptr;
    QButtonGroup* TotRly1_ = nullptr; // 0 No, 1 Yes
    QLabel* TotMulRlyText_ = nullptr;
    QComboBox* TotRlyMult_ = nullptr;
    QPushButton* TotResetButton_ = nullptr;
};
