#include "RelayFrames.h"

#include "OutputCommands.h"
#include "RelayControls.h"
#include "SettingSender.h"
#include "TstRlys4.h"
#include "frmTstRly1.h"

#include "link/ConnectionState.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

RelayFrames::RelayFrames(SettingSender& sender, QWidget* parent)
    : QWidget(parent), sender_(sender) {
    setObjectName("Relays");
    SelRely14_ = new QGroupBox("Relays", this);
    SelRely14_->setObjectName("SelRely14");
    DoRelays14_ = new QPushButton("Relays Setup/Test", SelRely14_);
    DoRelays14_->setObjectName("DoRelays14");
    (new QVBoxLayout(SelRely14_))->addWidget(DoRelays14_);

    SingleRly_ = new RelayControls(sender_, table_, 0, QString(), "RELAY", this);
    SingleRly_->setObjectName("SingleRly(0)");
    auto* update = new QPushButton("UpDate", SingleRly_);
    update->setObjectName("RlyUpdate");
    update->setAccessibleName("Update relay");
    auto* test = new QPushButton("TEST", SingleRly_);
    test->setObjectName("RlyTestFormSel");
    auto* grid = static_cast<QGridLayout*>(SingleRly_->layout());
    grid->addWidget(update, 3, 1, 1, 2);
    grid->addWidget(test, 3, 3);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SelRely14_, 0, Qt::AlignTop);
    layout->addWidget(SingleRly_, 1);

    // Enter ends an entry in a box; it never presses a button.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    connect(update, &QPushButton::clicked, this, &RelayFrames::RlyUpdate_Click);
    connect(test, &QPushButton::clicked, this, &RelayFrames::RlyTestFormSel_Click);
    connect(DoRelays14_, &QPushButton::clicked, this, &RelayFrames::DoRelays14_Click);
}

void RelayFrames::showPage() {
    totalizerRelay_ = sender_.config().SysConfig.TotalizerRelay != 0;
    const ConnectionState& meter = sender_.link().connection();
    if (totalizerRelay_) {
        DoRelays14_->setText("Relay 1 used as TOTALIZER RELAY");
        SingleRly_->setTitle("RELAY - Relay not available used as TOTALIZER RELAY");
    } else {
        DoRelays14_->setText("Relays Setup/Test");
        SingleRly_->setTitle("RELAY");
        Relaysdata();
    }
    SingleRly_->setEnabled(!totalizerRelay_ && !calibrating_);
    SelRely14_->setEnabled(!totalizerRelay_ && !meter.isKR3());
}

void RelayFrames::Relaysdata() {
    table_ = sender_.config().SysConfig;
    SingleRly_->fill();
}

void RelayFrames::setCalibrating(bool on) {
    calibrating_ = on;
    SingleRly_->setEnabled(!totalizerRelay_ && !on);
}

void RelayFrames::RlyUpdate_Click() {
    SystemConfig out = sender_.config().SysConfig;
    OutputCommands::copyRelays(table_, out);
    // This page sets relay 1 only; a model without relays 2-4 gets them as absent.
    const ConnectionState& meter = sender_.link().connection();
    if (!meter.isKR4())
        for (int k = 1; k < 4; ++k)
            OutputCommands::setAbsent(out, k);
    sender_.send(
        this, OutputCommands::relayCommand(out),
        [this, out] {
            OutputCommands::copyRelays(out, sender_.config().SysConfig);
            table_ = sender_.config().SysConfig;
        },
        [this] { Relaysdata(); });
}

void RelayFrames::DoRelays14_Click() {
    sender_.owner().openWhenIdle(this, [this] {
        if (!TstRlys4_)
            TstRlys4_ = new TstRlys4(sender_, window());
        if (TstRlys4_->isVisible())
            return;
        if (sender_.online())
            sender_.owner().runWhenIdle(TstRlys4_, [this] { TstRlys4_->Form_Load(); });
        TstRlys4_->show();
    });
}

void RelayFrames::RlyTestFormSel_Click() {
    sender_.owner().openWhenIdle(this, [this] {
        if (!frmTstRly1_)
            frmTstRly1_ = new frmTstRly1(sender_, window());
        frmTstRly1_->show();
    });
}

void RelayFrames::closeWindows() {
    if (TstRlys4_ && TstRlys4_->isVisible())
        TstRlys4_->close();
    if (frmTstRly1_ && frmTstRly1_->isVisible())
        frmTstRly1_->close();
}

void RelayFrames::endTests() {
    if (TstRlys4_)
        TstRlys4_->endTest();
    if (frmTstRly1_)
        frmTstRly1_->endTest();
}
