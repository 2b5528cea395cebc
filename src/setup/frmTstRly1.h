#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;
class SettingSender;

// "Relay": the manual test of relay 1 opened from the setup dialog. "On" and
// "Off" switch the relay at once ("RY,3,"); closing the window by any means
// ends the test ("RY,5"). While it is shown the polling cycle waits.
class frmTstRly1 : public QDialog {
    Q_OBJECT
public:
    explicit frmTstRly1(SettingSender& sender, QWidget* parent = nullptr);

    // "RY,3," with the four test states; the line is held.
    void ActivateRly();
    void RlyTst_Click(bool on);
    // The program is closing: the test ends now, without waiting for the line.
    void endTest();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SettingSender& sender_;
    std::array<qint16, 4> tests_{};
    QButtonGroup* RlyTst_ = nullptr; // 1 On, 0 Off
    bool testing_ = false;
};
