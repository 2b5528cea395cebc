#include "frmTstRly1.h"

#include "ControlLabels.h"
#include "OptionButtons.h"

#include "OutputCommands.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "shared/SchedulingFlags.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// The counted sends' replies: "OK" and its line feed, or "OK" alone.
constexpr int TestReplyLength = 3;
constexpr int EndReplyLength = 2;
} // namespace

frmTstRly1::frmTstRly1(SettingSender& sender, QWidget* parent) : QDialog(parent), sender_(sender) {
    setObjectName("frmTstRly1");
    setWindowTitle("Relay");
    setWindowModality(Qt::ApplicationModal);
    auto* frame = new QGroupBox("Test Relay 1", this);
    frame->setObjectName("Frame1");
    RlyTst_ = new QButtonGroup(this);
    auto* row = new QHBoxLayout(frame);
    auto* on = new QRadioButton("On", frame);
    on->setObjectName("RlyTstOn(1)");
    auto* off = new QRadioButton("Off", frame);
    off->setObjectName("RlyTstOff(1)");
    RlyTst_->addButton(on, 1);
    RlyTst_->addButton(off, 0);
    row->addWidget(on);
    row->addWidget(off);
    auto* exit = new QPushButton("Exit test", this);
    exit->setObjectName("Command1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(exit, 0, Qt::AlignRight);
    OptionButtons::onChosen(RlyTst_, this, [this](int id) { RlyTst_Click(id == 1); });
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    ControlLabels::link(this);
}

void frmTstRly1::showEvent(QShowEvent* event) {
    sender_.flags().RelayTestOpen = true;
    testing_ = true;
    tests_ = {};
    OptionButtons::clear(RlyTst_);
    QDialog::showEvent(event);
}

void frmTstRly1::hideEvent(QHideEvent* event) {
    sender_.flags().RelayTestOpen = false;
    QDialog::hideEvent(event);
    if (!testing_)
        return;
    testing_ = false;
    if (!sender_.online())
        return;
    MeterLink& link = sender_.link();
    // The window is kept for the next test, so it outlives the action.
    sender_.owner().runWhenIdle(
        this, [&link] { link.SendCommand(SetupCommands::framed("RY,5"), 1, EndReplyLength); });
}

void frmTstRly1::RlyTst_Click(bool on) {
    tests_[0] = on ? 1 : 0;
    if (sender_.online())
        sender_.owner().runWhenIdle(this, [this] { ActivateRly(); });
}

void frmTstRly1::ActivateRly() {
    sender_.link().SendCommand(OutputCommands::testCommand(tests_), 1, TestReplyLength);
}

void frmTstRly1::endTest() {
    if (!testing_)
        return;
    testing_ = false;
    sender_.flags().RelayTestOpen = false;
    // As closing the window does, but one bounded exchange.
    sender_.sendOnExit(SetupCommands::framed("RY,5"));
    hide();
}
