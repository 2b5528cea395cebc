#pragma once

#include "shared/ConfigRecord.h"

#include <QWidget>

class QGroupBox;
class QPushButton;
class RelayControls;
class SettingSender;
class TstRlys4;
class frmTstRly1;

// The relays on the setup dialog's "Output Options" page: SelRely14 opens the
// four-relay window, SingleRly(0) edits relay 1 and opens its test window.
// The page's "UpDate" sends the whole relay record; relays 2-4 go out as
// absent on the models that lack them and as read on a KR4.
class RelayFrames : public QWidget {
    Q_OBJECT
public:
    RelayFrames(SettingSender& sender, QWidget* parent = nullptr);

    // The page is shown: relay 1 from the record, or locked when relay 1
    // is the totalizer relay.
    void showPage();
    void Relaysdata();
    void RlyUpdate_Click();
    void DoRelays14_Click();
    void RlyTestFormSel_Click();
    // Calibration of the current output under way: relay 1 waits.
    void setCalibrating(bool on);
    // The dialog closes: any relay test ends.
    void closeWindows();
    // The program is closing: the tests end now, without waiting for the line.
    void endTests();

    TstRlys4* relayWindow() const { return TstRlys4_; }
    frmTstRly1* relay1Window() const { return frmTstRly1_; }

private:
    SettingSender& sender_;
    SystemConfig table_;
    bool totalizerRelay_ = false;
    bool calibrating_ = false;
    QGroupBox* SelRely14_ = nullptr;
    QPushButton* DoRelays14_ = nullptr;
    RelayControls* SingleRly_ = nullptr;
    TstRlys4* TstRlys4_ = nullptr;
    frmTstRly1* frmTstRly1_ = nullptr;
};
