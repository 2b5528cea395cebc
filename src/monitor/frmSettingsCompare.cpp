#include "frmSettingsCompare.h"

#include "setup/SettingsRestore.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

frmSettingsCompare::frmSettingsCompare(const SettingsPlan& plan, const QString& fileName,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmSettingsCompare");
    setWindowTitle("Compare with File");
    auto* layout = new QVBoxLayout(this);
    auto* summary =
        new QLabel(plan.equal() ? QString("Every setting of the meter equals %1.").arg(fileName)
                                : QString("%1 of the meter's settings differ from %2.")
                                      .arg(plan.differences.size())
                                      .arg(fileName),
                   this);
    summary->setObjectName("CompareSummary");
    summary->setWordWrap(true);
    layout->addWidget(summary);

    table_ = new QTableWidget(0, 3, this);
    table_->setObjectName("CompareTable");
    table_->setAccessibleName("Differing settings");
    table_->setHorizontalHeaderLabels({"Setting", "File", "Meter"});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    const auto add = [this](const SettingsPlan::Difference& d, bool own) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        const auto withUnit = [&d](const QString& v) {
            return d.unit.isEmpty() ? v : v + ' ' + d.unit;
        };
        table_->setItem(row, 0,
                        new QTableWidgetItem(own ? d.setting->name + " (meter's own, not restored)"
                                                 : d.setting->name));
        table_->setItem(row, 1, new QTableWidgetItem(withUnit(d.fileText)));
        table_->setItem(row, 2, new QTableWidgetItem(withUnit(d.meterText)));
    };
    for (const SettingsPlan::Difference& d : plan.differences)
        add(d, false);
    for (const SettingsPlan::Difference& d : plan.meterOwn)
        add(d, true);
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    if (!plan.skipped.isEmpty()) {
        auto* skipped = new QLabel("Skipped: " + plan.skipped.join("; "), this);
        skipped->setObjectName("CompareSkipped");
        skipped->setWordWrap(true);
        layout->addWidget(skipped);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 360);
}
