#include "RelayControls.h"

#include "OptionButtons.h"

#include "OutputCommands.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "shared/ConfigRecord.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

RelayControls::RelayControls(SettingSender& sender, SystemConfig& table, int relay,
                             const QString& suffix, const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), sender_(sender), table_(table), relay_(relay) {
    const auto radio = [&](const char* name, const char* text, QButtonGroup* group, int id) {
        auto* b = new QRadioButton(text, this);
        b->setObjectName(name + suffix);
        group->addButton(b, id);
        return b;
    };
    sense_ = new QButtonGroup(this);
    active_ = new QButtonGroup(this);
    SetRlyFlowGT_ = box("SetRlyFlowGT" + suffix);
    SetRlyFlowLT_ = box("SetRlyFlowLT" + suffix);
    RlyOffOn_ = new QLineEdit(this);
    RlyOffOn_->setObjectName("RlyOffOn" + suffix);
    // It only shows the opposite sense.
    RlyOffOn_->setReadOnly(true);
    RlyOffOn_->setFocusPolicy(Qt::NoFocus);
    RlyOffOn_->setMaximumWidth(RlyOffOn_->fontMetrics().horizontalAdvance("Off") * 3);
    SetRlyFlowGT_->setAccessibleName("Flow above");
    SetRlyFlowLT_->setAccessibleName("Flow below");
    RlyOffOn_->setAccessibleName("Relay below");
    RlyRate_ = new QLabel(this);
    RlyRate_->setObjectName("RlyRate" + suffix);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Flow >", this), 0, 0);
    grid->addWidget(radio("CondSetRlyOn", "On", sense_, 1), 0, 1);
    grid->addWidget(radio("CondSetRlyOff", "Off", sense_, 0), 0, 2);
    grid->addWidget(SetRlyFlowGT_, 0, 3);
    grid->addWidget(RlyRate_, 0, 4, 2, 1);
    grid->addWidget(new QLabel("Flow <", this), 1, 0);
    grid->addWidget(RlyOffOn_, 1, 1, 1, 2);
    grid->addWidget(SetRlyFlowLT_, 1, 3);
    grid->addWidget(new QLabel("Active", this), 2, 0);
    grid->addWidget(radio("ActRlyYes", "Yes", active_, 1), 2, 1);
    grid->addWidget(radio("ActRlyNo", "No", active_, 0), 2, 2);
    grid->setColumnMinimumWidth(4, RlyRate_->fontMetrics().horizontalAdvance("Ft3/Day") + 4);
    // Spare width goes to the right, not into the boxes.
    grid->setColumnStretch(5, 1);

    OptionButtons::onChosen(sense_, this, [this](int id) { CondSetRly_Click(id == 1); });
    OptionButtons::onChosen(active_, this, [this](int id) { ActRly_Click(id == 1); });
    SettingSender::onEdited(SetRlyFlowGT_, [this] { threshold_LostFocus(true); });
    SettingSender::onEdited(SetRlyFlowLT_, [this] { threshold_LostFocus(false); });
}

QLineEdit* RelayControls::box(const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    SettingSender::fitNumbers(edit);
    return edit;
}

void RelayControls::showThreshold(QLineEdit* box, float value) {
    box->setText(SettingSender::boxText(value, "###0.0##"));
}

void RelayControls::fill() {
    const OutputCommands::Thresholds t = OutputCommands::thresholdsOf(table_, relay_);
    RlyRate_->setText(sender_.config().FlowUnitLabel);
    OptionButtons::select(active_, table_.RelayActive[relay_] ? 1 : 0);
    OptionButtons::select(sense_, t.onAbove ? 1 : 0);
    RlyOffOn_->setText(t.onAbove ? "Off" : "On");
    showThreshold(SetRlyFlowGT_, t.above);
    showThreshold(SetRlyFlowLT_, t.below);
}

void RelayControls::CondSetRly_Click(bool on) {
    // The boxes keep what they show; it now belongs to the new sense.
    const OutputCommands::Thresholds shown = OutputCommands::thresholdsOf(table_, relay_);
    OutputCommands::setSense(table_, relay_, on);
    OutputCommands::setThreshold(table_, relay_, true, shown.above);
    OutputCommands::setThreshold(table_, relay_, false, shown.below);
    RlyOffOn_->setText(on ? "Off" : "On");
}

void RelayControls::threshold_LostFocus(bool above) {
    QLineEdit* box = above ? SetRlyFlowGT_ : SetRlyFlowLT_;
    const OutputCommands::Thresholds stored = OutputCommands::thresholdsOf(table_, relay_);
    const float old = above ? stored.above : stored.below;
    const float factor = sender_.config().FlowPerVelocity;
    if (!std::isfinite(factor) || factor <= 0) {
        if (sender_.ErrorMsg(box->text()))
            sender_.refuse("The relay flow rates cannot be set while the flow conversion factor "
                           "is 0. Send the pipe size and flow units first.");
    } else if (const std::optional<double> value =
                   sender_.inRange(box->text(), "relay flow rate", 0,
                                   double(float(SetupCommands::MaximumVelocity * factor)),
                                   sender_.config().FlowUnitLabel)) {
        OutputCommands::setThreshold(table_, relay_, above, float(*value));
        showThreshold(box, float(*value));
        return;
    }
    showThreshold(box, old);
}

void RelayControls::ActRly_Click(bool yes) {
    table_.RelayActive[relay_] = yes ? 1 : 0;
}
