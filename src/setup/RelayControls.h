#pragma once

#include <QGroupBox>

class QButtonGroup;
class QLabel;
class QLineEdit;
class SettingSender;
struct SystemConfig;

// The settings of one relay, edited in a table that is sent as a whole:
// the sense ("Flow >" On or Off, the "Flow <" row showing the opposite), the
// two flow thresholds and whether the relay is active. On the setup dialog
// the controls carry their plain names (CondSetRlyOn); on the relay window
// their relay number in parentheses (CondSetRlyOn(2)).
class RelayControls : public QGroupBox {
    Q_OBJECT
public:
    // relay is 0 to 3; suffix is appended to every control's name.
    RelayControls(SettingSender& sender, SystemConfig& table, int relay, const QString& suffix,
                  const QString& caption, QWidget* parent = nullptr);

    // Shows the relay as the table holds it (Relaysdata).
    void fill();

    void CondSetRly_Click(bool on);
    void threshold_LostFocus(bool above);
    void ActRly_Click(bool yes);

private:
    QLineEdit* box(const QString& name);
    void showThreshold(QLineEdit* box, float value);

    SettingSender& sender_;
    SystemConfig& table_;
    int relay_;
    QButtonGroup* sense_ = nullptr;  // 1 On, 0 Off
    QButtonGroup* active_ = nullptr; // 1 Yes, 0 No
    QLineEdit* SetRlyFlowGT_ = nullptr;
    QLineEdit* SetRlyFlowLT_ = nullptr;
    QLineEdit* RlyOffOn_ = nullptr;
    QLabel* RlyRate_ = nullptr;
};
