#pragma once

#include "shared/ConfigRecord.h"

#include <QDialog>
#include <QTimer>

#include <array>

class QButtonGroup;
class QGroupBox;
class RelayControls;
class SettingSender;

// "Relays": the settings of all four relays, sent together with "UpDate",
// and their manual test switches ("TEST" shows them, "Exit test" or closing
// the window ends the test with "RY,9,"). Relays a model lacks are shown
// "Not Available" and cannot be changed.
class TstRlys4 : public QDialog {
    Q_OBJECT
public:
    explicit TstRlys4(SettingSender& sender, QWidget* parent = nullptr);

    // The test switch's settle time after the meter acknowledged a test.
    static constexpr int Timer1Ms = 500;

    // Fills the window from the configuration record and reads the relays'
    // test states ("RY,1"); the line is held.
    void Form_Load();
    void RlyUpdate_Click();
    void RlyTestFormSel_Click();
    void RlyTst_Click(int relay, bool on);
    // "RY,3," until acknowledged; the line is held.
    void ActivateRly();
    void Command1_Click();
    // The program is closing: the test ends now, without waiting for the line.
    void endTest();
    QTimer& Timer1() { return Timer1_; }

    // Closing by any means (the close button, Escape) ends the test.
    void done(int result) override;

private:
    SettingSender& sender_;
    SystemConfig table_;
    std::array<qint16, 4> tests_{};
    std::array<RelayControls*, 4> relays_{};
    std::array<QGroupBox*, 4> testFrames_{};
    std::array<QButtonGroup*, 4> switches_{};
    QGroupBox* TstRlyFrame_ = nullptr;
    QTimer Timer1_;
};
