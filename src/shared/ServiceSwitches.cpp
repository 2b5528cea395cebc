#include "ServiceSwitches.h"

void ServiceSwitches::setFieldDiagnostics(bool on) {
    if (on == fieldDiagnostics_)
        return;
    fieldDiagnostics_ = on;
    emit fieldDiagnosticsChanged(on);
}

void ServiceSwitches::setSerialNumberControls(bool on) {
    if (on == serialNumberControls_)
        return;
    serialNumberControls_ = on;
    emit serialNumberControlsChanged(on);
}
