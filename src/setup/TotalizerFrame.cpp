#include "TotalizerFrame.h"

#include "SettingsCatalogue.h"

#include "MiscCommands.h"
#include "OptionButtons.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/ConnectionState.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "ui/Prompts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// The "GT,0" record's length: every character carries data, a line feed follows.
constexpr int TotalsRecordLength = 22;
// The KR5's units; the KR4 and KR3 count in the oil barrel and pound as well.
const QStringList Units =
    SettingsCatalogue::totalizerUnits().mid(0, SettingsCatalogue::totalizerUnitCount(5));
const QStringList OlderModelUnits =
    SettingsCatalogue::totalizerUnits().mid(SettingsCatalogue::totalizerUnitCount(5));
const QStringList& Multipliers = SettingsCatalogue::multipliers();
const QStringList& RelayMultipliers = SettingsCatalogue::relayMultipliers();

// A list entry, or no selection for an index outside the list.
void selectRow(QComboBox* list, int row) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(row >= 0 && row < list->count() ? row : -1);
}

QComboBox* list(const char* name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

} // namespace

TotalizerFrame::TotalizerFrame(SettingSender& sender, QWidget* parent)
    : QGroupBox("TOTALIZER", parent), sender_(sender) {
    setObjectName("Frame37");
    Text1_ = new QLineEdit(this);
    Text1_->setObjectName("Text1");
    Text1_->setReadOnly(true);
    Text1_->setEnabled(false);
    SettingSender::fitNumbers(Text1_);
    TotUnitsTxt_ = list("TotUnitsTxt", Units, this);
    TotMultTxt_ = list("TotMultTxt", Multipliers, this);
    auto* enabled = new QGroupBox("Totalizer Enabled", this);
    enabled->setObjectName("TotEnabledFrame");
    TotEnabled_ = OptionButtons::group(enabled, "TotEnabled", {{0, "No"}, {1, "Yes"}});
    Frame26_ = new QGroupBox("Tot Relay 1", this);
    Frame26_->setObjectName("Frame26");
    TotRly1_ = OptionButtons::group(Frame26_, "TotRly1", {{0, "No"}, {1, "Yes"}});
    TotMulRlyText_ = new QLabel("Tot. Relay 1.", this);
    TotMulRlyText_->setObjectName("TotMulRlyText");
    TotRlyMult_ = list("TotRlyMult", RelayMultipliers, this);
    TotMulRlyText_->hide();
    TotRlyMult_->hide();
    TotResetButton_ = new QPushButton("Totalizer Reset", this);
    TotResetButton_->setObjectName("TotResetButton");
    TotResetButton_->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Totalizer Value", this), 0, 0);
    grid->addWidget(Text1_, 0, 1);
    grid->addWidget(new QLabel("Units", this), 1, 0);
    grid->addWidget(TotUnitsTxt_, 1, 1);
    grid->addWidget(new QLabel("Multiplier", this), 2, 0);
    grid->addWidget(TotMultTxt_, 2, 1);
    grid->addWidget(enabled, 3, 0, 1, 2);
    grid->addWidget(Frame26_, 4, 0, 1, 2);
    grid->addWidget(TotMulRlyText_, 5, 0);
    grid->addWidget(TotRlyMult_, 5, 1);
    grid->addWidget(TotResetButton_, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);

    connect(TotUnitsTxt_, &QComboBox::activated, this, &TotalizerFrame::TotUnitsTxt_Click);
    connect(TotMultTxt_, &QComboBox::activated, this, &TotalizerFrame::TotMultTxt_Click);
    connect(TotResetButton_, &QPushButton::clicked, this, &TotalizerFrame::TotResetButton_Click);
    OptionButtons::onChosen(TotEnabled_, this, [this](int i) { TotEnabled_MouseUp(i); });
    OptionButtons::onChosen(TotRly1_, this, [this](int i) { TotRly1_MouseUp(i); });
    connect(TotRlyMult_, &QComboBox::activated, this, &TotalizerFrame::TotRlyMult_Click);
}

void TotalizerFrame::applyModel() {
    const ConnectionState& meter = sender_.link().connection();
    // Laid out again at each opening: the meter may be another model now.
    const bool older = meter.isKR4() || meter.isKR3();
    if (older && TotUnitsTxt_->count() == Units.size())
        TotUnitsTxt_->addItems(OlderModelUnits);
    while (!older && TotUnitsTxt_->count() > Units.size())
        TotUnitsTxt_->removeItem(TotUnitsTxt_->count() - 1);
    Frame26_->setVisible(!meter.isKR4() && !meter.isKR3());
    TotMulRlyText_->setVisible(meter.isKR4());
    TotRlyMult_->setVisible(meter.isKR4());
    showStored();
}

void TotalizerFrame::showStored() {
    const ConfigRecord& c = sender_.config();
    selectRow(TotUnitsTxt_, c.ChanConfig.TotalizerVolumeUnitIndex);
    selectRow(TotMultTxt_, c.ChanConfig.TotalizerMultiplierIndex);
    OptionButtons::select(TotEnabled_, c.ChanConfig.TotalizerEnabled ? 1 : 0);
    OptionButtons::select(TotRly1_, c.SysConfig.TotalizerRelay ? 1 : 0);
    selectRow(TotRlyMult_, c.SysConfig.TotalizerRelay);
}

bool TotalizerFrame::ScanTotals() {
    const QByteArray reply =
        sender_.read(SetupCommands::framed("GT,0"), 3, TotalsRecordLength, "GT,0");
    const std::optional<MiscCommands::Totals> totals = MiscCommands::decodeTotals(reply);
    if (!totals)
        return false;
    ConfigRecord& c = sender_.config();
    c.ChanConfig.TotalizerVolumeUnitIndex = quint8(totals->unit);
    c.ChanConfig.TotalizerMultiplierIndex = quint8(totals->multiplier);
    c.ChanConfig.TotalizerEnabled = quint8(totals->enabled);
    c.SysConfig.TotalizerRelay = qint16(totals->relay);
    showStored();
    // An index the lists do not hold shows no entry, and no total scaled by a
    // guess.
    const bool known = totals->unit >= 0 && totals->unit < TotUnitsTxt_->count() &&
                       totals->multiplier >= 0 && totals->multiplier < TotMultTxt_->count();
    if (known)
        Text1_->setText(MiscCommands::totalText(totals->total, totals->multiplier));
    return true;
}

bool TotalizerFrame::AskTotalizerReset() {
    return sender_.link().prompts().ask("This Will Cause the Totalizer to Reset - continue ?",
                                        "TOTALIZER RESET", Prompts::Buttons::YesNo,
                                        Prompts::Icon::Critical,
                                        Prompts::Answer::No) == Prompts::Answer::Yes;
}

bool TotalizerFrame::ResetUnitTotalizer() {
    // Written once: a repeated reset would lose what was counted since.
    return sender_.exchange(SetupCommands::framed("GT,1"), SettingSender::Shape::writtenOnce(),
                            "The meter did not confirm the totalizer reset, so the total may not "
                            "have been reset. The total shown is the one the meter last "
                            "reported.");
}

void TotalizerFrame::listChanged(QComboBox* list, int row, int stored, const char* prefix) {
    if (row < 0 || row == stored)
        return;
    // Without a meter nothing would be reset: nothing to ask.
    if (!sender_.online()) {
        selectRow(list, stored);
        return;
    }
    ++editing_;
    const auto done = [this] {
        showStored();
        editing_ = std::max(0, editing_ - 1);
    };
    // Asked with no exchange suspended beneath the question.
    const QByteArray command = SetupCommands::framed(prefix + QByteArray::number(row));
    sender_.owner().openWhenIdle(this, [this, list, row, command, done] {
        if (!AskTotalizerReset()) {
            done();
            return;
        }
        // The change resets the total on the meter: written once.
        sender_.send(
            this, command, SettingSender::Shape::writtenOnce(),
            [this, list, row, done] {
                ChannelConfig& c = sender_.config().ChanConfig;
                (list == TotUnitsTxt_ ? c.TotalizerVolumeUnitIndex : c.TotalizerMultiplierIndex) =
                    quint8(row);
                if (ResetUnitTotalizer())
                    Text1_->setText("0");
                ScanTotals();
                done();
            },
            done);
    });
}

void TotalizerFrame::TotUnitsTxt_Click(int row) {
    listChanged(TotUnitsTxt_, row, sender_.config().ChanConfig.TotalizerVolumeUnitIndex, "GT,3,");
}

void TotalizerFrame::TotMultTxt_Click(int row) {
    listChanged(TotMultTxt_, row, sender_.config().ChanConfig.TotalizerMultiplierIndex, "GT,4,");
}

void TotalizerFrame::TotResetButton_Click() {
    if (!sender_.online())
        return;
    sender_.owner().openWhenIdle(this, [this] {
        if (!AskTotalizerReset())
            return;
        sender_.owner().runWhenIdle(this, [this] {
            // Shown as 0 only once the meter confirmed it.
            if (ResetUnitTotalizer())
                Text1_->setText("0");
        });
    });
}

void TotalizerFrame::sendChoice(const QByteArray& command, std::function<void()> taken) {
    ++editing_;
    const auto done = [this] {
        showStored();
        editing_ = std::max(0, editing_ - 1);
    };
    sender_.send(
        this, SetupCommands::framed(command),
        [taken, done] {
            taken();
            done();
        },
        done);
}

void TotalizerFrame::TotEnabled_MouseUp(int index) {
    const quint8 on = quint8(index == 1);
    if (on == sender_.config().ChanConfig.TotalizerEnabled)
        return;
    sendChoice(on ? "GT,2,1" : "GT,2,0",
               [this, on] { sender_.config().ChanConfig.TotalizerEnabled = on; });
}

void TotalizerFrame::TotRly1_MouseUp(int index) {
    const qint16 relay = qint16(index == 1);
    if (relay == sender_.config().SysConfig.TotalizerRelay)
        return;
    sendChoice(relay ? "GT,5,1" : "GT,5,0", [this, relay] {
        sender_.config().SysConfig.TotalizerRelay = relay;
        // The relay settings follow; the byte 9 is the meter's own code.
        sender_.send(
            this, SetupCommands::framed(QByteArray("RY,9,") + char(9)), [] {}, [] {});
    });
}

void TotalizerFrame::TotRlyMult_Click(int row) {
    if (row < 0 || row == sender_.config().SysConfig.TotalizerRelay)
        return;
    sender_.send(
        this, SetupCommands::framed("GT,5," + QByteArray::number(row)),
        [this, row] {
            sender_.config().SysConfig.TotalizerRelay = qint16(row);
            showStored();
        },
        [this] { showStored(); });
}
