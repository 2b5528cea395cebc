#include "PowerMonitorFrame.h"

#include "OptionButtons.h"

#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/ConnectionState.h"
#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

PowerMonitorFrame::PowerMonitorFrame(SettingSender& sender, Reads reads, QWidget* parent)
    : QGroupBox("Power Monitor", parent), sender_(sender), reads_(std::move(reads)) {
    setObjectName("Frame8");
    Text3_ = new QLineEdit(this);
    Text3_->setObjectName("Text3");
    Text3_->setReadOnly(true);
    Text3_->setAccessibleName("Power history");
    Text3_->setMinimumWidth(Text3_->fontMetrics().horizontalAdvance("Power Lost  99999  times") +
                            16);

    RstPwrMonPanel_ = new QGroupBox("Reset Pwr Monitor", this);
    RstPwrMonPanel_->setObjectName("RstPwrMonPanel");
    auto* reset = new QHBoxLayout(RstPwrMonPanel_);
    for (int i : {1, 0}) {
        auto* b = new QPushButton(i ? "Yes" : "No", RstPwrMonPanel_);
        b->setObjectName(QString("ResetPwrMonitor(%1)").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { ResetPwrMonitor_Click(i); });
        reset->addWidget(b);
    }

    RlyPwrMonPan_ = new QGroupBox("Pwr Monitor Relay", this);
    RlyPwrMonPan_->setObjectName("RlyPwrMonPan");
    Rly4PwrMon_ = new QButtonGroup(RlyPwrMonPan_);
    auto* relay = new QHBoxLayout(RlyPwrMonPan_);
    for (int i : {1, 0}) {
        auto* b = new QRadioButton(i ? "Yes" : "No", RlyPwrMonPan_);
        b->setObjectName(QString("Rly4PwrMon(%1)").arg(i));
        Rly4PwrMon_->addButton(b, i);
        relay->addWidget(b);
    }
    OptionButtons::onChosen(Rly4PwrMon_, this, [this](int i) { Rly4PwrMon_Click(i); });

    // Enter ends an entry in a box; it never presses a button.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    auto* grid = new QGridLayout(this);
    grid->addWidget(Text3_, 0, 0, 1, 2);
    grid->addWidget(RstPwrMonPanel_, 1, 0);
    grid->addWidget(RlyPwrMonPan_, 1, 1);
}

void PowerMonitorFrame::Pwrlost() {
    if (reads_.GetLrnData)
        reads_.GetLrnData();
    // Without the read at hand, the polling cycle reads the record next.
    if (reads_.GetSysConfig)
        reads_.GetSysConfig();
    else
        sender_.flags().NeedSysConfig = true;
    showRecord();
}

void PowerMonitorFrame::showRecord() {
    const ConfigRecord& c = sender_.config();
    const qint16 losses = c.LrnConfig.PowerLossCount;
    Text3_->setText(losses != 0
                        ? "Power Lost" +
                              SettingSender::boxText(losses, "  ##  ").prepend("  ").append("  ") +
                              "times"
                        : QString("Power Continuous"));
    const bool totalizer = c.SysConfig.TotalizerRelay != 0;
    RlyPwrMonPan_->setTitle(totalizer ? "Rly = Total Out" : "Pwr Monitor Relay");
    RlyPwrMonPan_->setEnabled(!totalizer);
    selectRelay();
}

void PowerMonitorFrame::selectRelay() {
    OptionButtons::select(Rly4PwrMon_, sender_.config().SysConfig.PowerMonitorRelay == 1 ? 0 : 1);
}

void PowerMonitorFrame::ResetPwrMonitor_Click(int index) {
    if (index != 1)
        return;
    sender_.send(
        this, SetupCommands::framed("LR,4"), [this] { Pwrlost(); }, [] {});
}

void PowerMonitorFrame::Rly4PwrMon_Click(int index) {
    // A KR5's relay 4 is not the power monitor's.
    if (sender_.link().connection().isKR5()) {
        selectRelay();
        return;
    }
    sender_.send(
        this, SetupCommands::framed(index == 1 ? "RY,4,1" : "RY,4,0"),
        [this, index] { sender_.config().SysConfig.PowerMonitorRelay = index == 1 ? 0 : 1; },
        [this] { selectRelay(); });
}
