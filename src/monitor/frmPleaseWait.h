#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class ConnectionState;

// The small window shown while the meter's configuration is read at start-up.
// The polling cycle ticks its three boxes as the reads finish and closes it
// when they are all done.
class frmPleaseWait : public QDialog {
    Q_OBJECT
public:
    frmPleaseWait(const ConnectionState& connection, QWidget* mainWindow);

    // Shows the hourglass over this window, unless it already has a pointer.
    void Form_Load();
    // Closing: brings the main window up when no meter is connected.
    void Form_Unload();

    QCheckBox* gotsysconfig() const { return gotsysconfig_; }
    QCheckBox* gotchanconfig() const { return gotchanconfig_; }
    QCheckBox* gotlearndata() const { return gotlearndata_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const ConnectionState& connection_;
    QWidget* mainWindow_;
    QGroupBox* Dowait_ = nullptr;
    QLabel* waitLabel_ = nullptr;
    QCheckBox* gotsysconfig_ = nullptr;
    QCheckBox* gotchanconfig_ = nullptr;
    QCheckBox* gotlearndata_ = nullptr;
};
