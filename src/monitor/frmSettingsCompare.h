#pragma once

#include <QDialog>

struct SettingsPlan;
class QTableWidget;

// The settings that differ between a settings file and the meter: setting,
// the file's value, the meter's; the meter's own values below, marked so.
class frmSettingsCompare : public QDialog {
    Q_OBJECT
public:
    frmSettingsCompare(const SettingsPlan& plan, const QString& fileName,
                       QWidget* parent = nullptr);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_;
};
