#pragma once

#include <QDialog>
#include <functional>

class LineOwner;
class MeterLink;
class PortSettingsStore;
class QComboBox;
class QRadioButton;
class QPushButton;
class QTabWidget;
class QGroupBox;
class QLabel;

// The port settings dialog, "CommPort Properties": port, speed, data bits,
// parity, stop bits and flow control. OK applies them to the port, stores them
// and tries to reach the meter. The application shows it modally with exec();
// tests call the handlers directly.
class frmProperties : public QDialog {
    Q_OBJECT
public:
    // What the dialog needs from the main window.
    struct Host {
        // Opens the port if needed and identifies the meter; true when one
        // answered. The connection state records the outcome and the main
        // window starts polling on it, as at start-up.
        std::function<bool()> EstablishCommunication;
    };

    frmProperties(MeterLink& link, LineOwner& owner, PortSettingsStore& store, Host host,
                  QWidget* parent = nullptr);

    void Form_Load();
    void LoadPropertySettings();
    void optFlow_Click(int index);
    // Applies the settings and connects, when the line is free; the port
    // change is a long operation that nothing else may interleave with.
    void cmdOK_Click();
    void cmdCancel_Click();

    // The handshaking code of the flow control option last clicked.
    int chosenHandshaking() const { return handshaking_; }

    // Escape and the window's close button act as Cancel.
    void reject() override;

private:
    void buildControls();
    void showDeviceForSelectedPort();
    bool reportPortError();
    void applySettings();

    MeterLink& link_;
    LineOwner& owner_;
    PortSettingsStore& store_;
    Host host_;
    int handshaking_ = 0;
    bool applying_ = false;

    QTabWidget* tabSettings_ = nullptr;
    QComboBox* cboPort_ = nullptr;
    QComboBox* cboDevice_ = nullptr; // null on Windows, where Com n is COMn
    QComboBox* cboSpeed_ = nullptr;
    QComboBox* cboDataBits_ = nullptr;
    QComboBox* cboParity_ = nullptr;
    QComboBox* cboStopBits_ = nullptr;
    QRadioButton* optFlow_[4] = {};
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
