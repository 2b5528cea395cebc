#pragma once

#include <QGroupBox>

class QButtonGroup;
class SettingSender;

// Datalogging on the "Limits" page (Frame39): on/off ("LG,1,") and the log
// rate ("LG,2,"). The on/off option shows a new state only once the meter
// acknowledged it.
class LoggingFrame : public QGroupBox {
    Q_OBJECT
public:
    LoggingFrame(SettingSender& sender, QWidget* parent = nullptr);

    // The meter's own bound on the on/off switch: it gives up after six sends.
    static constexpr int SwitchSends = 6;

    // The stored state and rate (on entering the page).
    void LogSetData();
    // The stored rate again, from the periodic refresh; left alone while a
    // choice of the user waits for the line.
    void refreshRate();
    void LogOffOn_MouseUp(int index);
    void LogRates_Click(int index);

private:
    SettingSender& sender_;
    // Rate choices sent or waiting for the line.
    int ratePending_ = 0;
    QButtonGroup* LogOffOn_ = nullptr; // 0 Off, 1 On
    QButtonGroup* LogRates_ = nullptr; // 0.5, 1, 5, 15, 60
};
