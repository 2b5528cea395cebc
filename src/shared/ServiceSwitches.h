#pragma once

#include <QObject>

// The two hidden service switches of the About window. Both are off at
// start and live for the run only. One instance lives for the whole run,
// owned by the main window; the windows whose controls a switch touches
// follow changed().
class ServiceSwitches : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Field diagnostics: the log menu items and the "Save to Log" buttons.
    bool fieldDiagnostics() const { return fieldDiagnostics_; }
    // Serial-number editing on the setup dialog.
    bool serialNumberControls() const { return serialNumberControls_; }

    void setFieldDiagnostics(bool on);
    void setSerialNumberControls(bool on);

signals:
    void fieldDiagnosticsChanged(bool on);
    void serialNumberControlsChanged(bool on);

private:
    bool fieldDiagnostics_ = false;
    bool serialNumberControls_ = false;
};
