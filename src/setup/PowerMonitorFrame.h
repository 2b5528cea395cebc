#pragma once

#include <QGroupBox>

#include <functional>

class QButtonGroup;
class QLineEdit;
class SettingSender;

// The power monitor on the setup dialog's "Limits" page (Frame8): how often
// the meter lost power (Text3), its reset ("LR,4") and whether relay 4
// follows it ("RY,4,", not on a KR5).
class PowerMonitorFrame : public QGroupBox {
    Q_OBJECT
public:
    // The polling cycle's reads of the learn data and the system record.
    struct Reads {
        std::function<void()> GetLrnData;
        std::function<void()> GetSysConfig;
    };

    PowerMonitorFrame(SettingSender& sender, Reads reads, QWidget* parent = nullptr);

    // Reads the learn data and the system record again and shows them; the
    // line is held.
    void Pwrlost();
    // Shows the record as it is.
    void showRecord();
    void ResetPwrMonitor_Click(int index);
    void Rly4PwrMon_Click(int index);

private:
    void selectRelay();

    SettingSender& sender_;
    Reads reads_;
    QGroupBox* RstPwrMonPanel_ = nullptr;
    QGroupBox* RlyPwrMonPan_ = nullptr;
    QButtonGroup* Rly4PwrMon_ = nullptr; // 0 No, 1 Yes
    QLineEdit* Text3_ = nullptr;
};
