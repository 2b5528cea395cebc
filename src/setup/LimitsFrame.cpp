#include "LimitsFrame.h"

#include "OptionButtons.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

LimitsFrame::LimitsFrame(SettingSender& sender, QWidget* parent)
    : QGroupBox("Limits", parent), sender_(sender) {
    setObjectName("Frame36");
    DampText_ = box("DampText", false);
    LowFlowCutText_ = box("LowFlowCutText", false);
    Label27_ = new QLabel(this);
    Label27_->setObjectName("Label27");
    LowVelCutoff_ = box("LowVelCutoff", true);
    g_flow_conv_fact_ = box("g_flow_conv_fact", true);
    SiteCalText_ = box("SiteCalText", false);

    RemoteZeroFrame_ = new QGroupBox("Remote Zero", this);
    RemoteZeroFrame_->setObjectName("Frame1(1)");
    UseRemote0OnOff_ =
        OptionButtons::group(RemoteZeroFrame_, "UseRemote0OnOff", {{1, "Off"}, {2, "On"}});
    Frame2_ = new QGroupBox("Meter Display", this);
    Frame2_->setObjectName("Frame2");
    DispFlowVel_ = OptionButtons::group(Frame2_, "DispFlowVel", {{1, "Flow"}, {2, "Vel"}});

    auto* grid = new QGridLayout(this);
    const auto row = [&](int r, const char* caption, QWidget* control, QWidget* unit = nullptr) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        grid->addWidget(control, r, 1);
        if (unit)
            grid->addWidget(unit, r, 2);
    };
    row(0, "Damping", DampText_);
    row(1, "Low Flow Cutoff", LowFlowCutText_, Label27_);
    row(2, "Low Vel. Cutoff", LowVelCutoff_, new QLabel("Ft/Sec", this));
    row(3, "Flow Conv factor", g_flow_conv_fact_);
    row(4, "Site Cal.", SiteCalText_);
    grid->addWidget(RemoteZeroFrame_, 5, 0, 1, 3);
    grid->addWidget(Frame2_, 6, 0, 1, 3);
    // Spare height goes below the frames, not into them.
    grid->setRowStretch(7, 1);
    grid->setColumnMinimumWidth(2, Label27_->fontMetrics().horizontalAdvance("Ft3/Day") + 4);

    SettingSender::onEdited(DampText_, [this] { DampText_LostFocus(); });
    SettingSender::onEdited(LowFlowCutText_, [this] { LowFlowCutText_LostFocus(); });
    SettingSender::onEdited(SiteCalText_, [this] { SiteCalText_LostFocus(); });
    OptionButtons::onChosen(UseRemote0OnOff_, this, [this](int i) { UseRemote0OnOff_Click(i); });
    OptionButtons::onChosen(DispFlowVel_, this, [this](int i) { DispFlowVel_Click(i); });
}

QLineEdit* LimitsFrame::box(const char* name, bool readOnly) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    SettingSender::fitNumbers(edit);
    return edit;
}

void LimitsFrame::showCutoff(float velocity) {
    const float factor = sender_.config().FlowPerVelocity;
    LowFlowCutText_->setText(SettingSender::boxText(double(velocity) * factor, "  ###0.0#"));
    LowVelCutoff_->setText(SettingSender::boxText(velocity, "  ##0.0##"));
}

void LimitsFrame::LimitsPage() {
    const ConfigRecord& c = sender_.config();
    DampText_->setText(QString::number(c.ChanConfig.Damping));
    showCutoff(c.ChanConfig.LowFlowCutoffVelocity);
    showFactor(c.FlowPerVelocity);
    OptionButtons::select(DispFlowVel_, c.LrnConfig.DisplayFlowOrVelocity ? 2 : 1);
    SiteCalText_->setText(SettingSender::boxText(c.ChanConfig.SiteCalibrationFactor, " ##0.0## "));
    showRemoteZero();
}

void LimitsFrame::showFactor(float factor) {
    g_flow_conv_fact_->setText(SettingSender::boxText(factor, "   ###0.0###"));
}

void LimitsFrame::showUnitLabel(const QString& label) {
    Label27_->setText(label);
}

void LimitsFrame::refreshRemoteZero() {
    if (remoteZeroPending_ == 0)
        showRemoteZero();
}

void LimitsFrame::showRemoteZero() {
    OptionButtons::select(UseRemote0OnOff_, sender_.config().LrnConfig.RemoteZeroEnabled ? 2 : 1);
}

void LimitsFrame::DampText_LostFocus() {
    const qint16 stored = sender_.config().ChanConfig.Damping;
    const auto restore = [this, stored] { DampText_->setText(QString::number(stored)); };
    const std::optional<double> value = sender_.ErrorMsg(DampText_->text());
    if (!value) {
        restore();
        return;
    }
    if (*value != std::floor(*value) || *value < 0 || *value > MaximumDamping) {
        sender_.refuse(QString("Damping must be a whole number from 0 to %1.").arg(MaximumDamping));
        restore();
        return;
    }
    const qint16 damping = qint16(*value);
    DampText_->setText(QString::number(damping));
    if (damping == stored)
        return;
    sender_.send(
        this, SetupCommands::withInt16("LM,1,", damping),
        [this, damping] { sender_.config().ChanConfig.Damping = damping; },
        [this] { DampText_->setText(QString::number(sender_.config().ChanConfig.Damping)); });
}

void LimitsFrame::LowFlowCutText_LostFocus() {
    const float stored = sender_.config().ChanConfig.LowFlowCutoffVelocity;
    const float factor = sender_.config().FlowPerVelocity;
    if (!std::isfinite(factor) || factor <= 0) {
        if (sender_.ErrorMsg(LowFlowCutText_->text()))
            sender_.refuse("The low flow cutoff cannot be set while the flow conversion factor "
                           "is 0. Send the pipe size and flow units first.");
        showCutoff(stored);
        return;
    }
    // Typed as a flow; the meter's bound is a velocity.
    const std::optional<double> flow = sender_.inRange(
        LowFlowCutText_->text(), "low flow cutoff", 0,
        double(float(SetupCommands::MaximumVelocity * factor)), sender_.config().FlowUnitLabel);
    if (!flow) {
        showCutoff(stored);
        return;
    }
    float velocity = float(*flow / factor);
    if (velocity == stored) {
        showCutoff(stored);
        return;
    }
    // The meter takes nothing below its minimum, which is a velocity.
    velocity = std::max(velocity, MinimumCutoff);
    sendCutoff(velocity);
}

void LimitsFrame::sendCutoff(float velocity) {
    showCutoff(velocity);
    sender_.send(
        this, SetupCommands::withSingle("LM,3,", velocity),
        [this, velocity] {
            sender_.config().ChanConfig.LowFlowCutoffVelocity = velocity;
            showCutoff(velocity);
        },
        [this] { showCutoff(sender_.config().ChanConfig.LowFlowCutoffVelocity); });
}

void LimitsFrame::recheckCutoff() {
    const float stored = sender_.config().ChanConfig.LowFlowCutoffVelocity;
    showFactor(sender_.config().FlowPerVelocity);
    showUnitLabel(sender_.config().FlowUnitLabel);
    if (stored < MinimumCutoff)
        sendCutoff(MinimumCutoff);
    else
        showCutoff(stored);
}

void LimitsFrame::SiteCalText_LostFocus() {
    const float stored = sender_.config().ChanConfig.SiteCalibrationFactor;
    const auto restore = [this] {
        SiteCalText_->setText(
            SettingSender::boxText(sender_.config().ChanConfig.SiteCalibrationFactor, " ##0.0## "));
    };
    const std::optional<double> value =
        sender_.inRange(SiteCalText_->text(), "site calibration factor", MinimumSiteCalibration,
                        MaximumSiteCalibration);
    if (!value) {
        restore();
        return;
    }
    const float factor = float(*value);
    if (factor == stored)
        return;
    // A counted send, once.
    sender_.send(
        this, SetupCommands::withSingle("LM,4,", factor), SettingSender::Shape::counted(2),
        [this, factor] {
            sender_.config().ChanConfig.SiteCalibrationFactor = factor;
            emit siteCalibrationSent();
        },
        restore);
}

void LimitsFrame::UseRemote0OnOff_Click(int index) {
    const qint16 value = qint16(index - 1);
    if (value == sender_.config().LrnConfig.RemoteZeroEnabled)
        return;
    ++remoteZeroPending_;
    const auto done = [this] { remoteZeroPending_ = std::max(0, remoteZeroPending_ - 1); };
    sender_.send(
        this, SetupCommands::withInt16("LM,5,", value),
        [this, value, done] {
            sender_.config().LrnConfig.RemoteZeroEnabled = value;
            done();
        },
        [this, done] {
            done();
            showRemoteZero();
        });
}

void LimitsFrame::DispFlowVel_Click(int index) {
    const quint8 value = quint8(index - 1);
    if (value == sender_.config().LrnConfig.DisplayFlowOrVelocity)
        return;
    // Sent once.
    sender_.send(
        this, SetupCommands::withInt16("LM,2,", value), SettingSender::Shape::once(),
        [this, value] { sender_.config().LrnConfig.DisplayFlowOrVelocity = value; },
        [this] {
            OptionButtons::select(DispFlowVel_,
                                  sender_.config().LrnConfig.DisplayFlowOrVelocity ? 2 : 1);
        });
}
