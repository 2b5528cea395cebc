#include "DisplayOptionsFrame.h"

#include "SettingsCatalogue.h"

#include "OptionButtons.h"

#include "MiscCommands.h"
#include "SettingSender.h"

#include "shared/ConfigRecord.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

struct Pair {
    const char* frame;
    const char* caption;
    const char* buttons;
    const char* off;
    const char* on;
};
// By mask bit.
constexpr Pair Pairs[4] = {
    {"DispRateFrame", "Rate Line 1", "FlowORVel", "Flow", "Vel"},
    {"DispTotalFrame", "Totalizer", "DispTot", "No", "Yes"},
    {"DispSSSQFrame", "SS/SQ", "DispSSSQ", "No", "Yes"},
    {"DispTimeDateFrame", "Time and Date", "DispDateTime", "No", "Yes"},
};
constexpr int TotalBit = 1;
constexpr int SignalBit = 2;
constexpr int DateTimeBit = 3;
const QStringList& UpdateTimes = SettingsCatalogue::updateTimes();

} // namespace

DisplayOptionsFrame::DisplayOptionsFrame(SettingSender& sender, QWidget* parent)
    : QGroupBox("Display Options", parent), sender_(sender) {
    setObjectName("DisplayOptions");
    auto* layout = new QHBoxLayout(this);
    for (int bit = 0; bit < 4; ++bit) {
        const Pair& p = Pairs[bit];
        auto* frame = new QGroupBox(p.caption, this);
        frame->setObjectName(p.frame);
        auto* column = new QVBoxLayout(frame);
        auto* group = new QButtonGroup(frame);
        int index = 0;
        for (const char* caption : {p.off, p.on}) {
            auto* button = new QRadioButton(caption, frame);
            button->setObjectName(QString("%1(%2)").arg(p.buttons).arg(index));
            group->addButton(button, index++);
            column->addWidget(button);
        }
        pairs_[bit] = group;
        OptionButtons::onChosen(group, this, [this, bit](int id) { optionClicked(bit, id); });
        layout->addWidget(frame);
    }
    auto* update = new QGroupBox("Update time", this);
    update->setObjectName("DispUpdateFrame");
    auto* updateLayout = new QHBoxLayout(update);
    DispUpdateTime_ = new QComboBox(update);
    DispUpdateTime_->setObjectName("DispUpdateTime");
    DispUpdateTime_->setAccessibleName("Update time, seconds");
    DispUpdateTime_->addItems(UpdateTimes);
    updateLayout->addWidget(DispUpdateTime_);
    updateLayout->addWidget(new QLabel("Sec.", update));
    layout->addWidget(update);
    SendDispSelect_ = new QPushButton("Send", this);
    SendDispSelect_->setObjectName("SendDispSelect");
    // The pipe frame's button on the same page is "Send" too.
    SendDispSelect_->setAccessibleName("Send display options");
    SendDispSelect_->setAutoDefault(false);
    layout->addWidget(SendDispSelect_);

    connect(DispUpdateTime_, &QComboBox::activated, this,
            &DisplayOptionsFrame::DispUpdateTime_Click);
    connect(SendDispSelect_, &QPushButton::clicked, this,
            &DisplayOptionsFrame::SendDispSelect_Click);
}

void DisplayOptionsFrame::showMask(int mask) {
    mask_ = mask;
    for (int bit = 0; bit < 4; ++bit)
        OptionButtons::select(pairs_[bit], (mask >> bit) & 1);
    const QSignalBlocker quiet(DispUpdateTime_);
    const int row = (mask >> 8) & 0xff;
    DispUpdateTime_->setCurrentIndex(row < DispUpdateTime_->count() ? row : -1);
}

void DisplayOptionsFrame::DisplaySelects() {
    showMask(sender_.config().SysConfig.DisplayMask);
}

void DisplayOptionsFrame::optionClicked(int bit, int index) {
    int mask = MiscCommands::withOption(mask_, bit, index == 1);
    // The display is never left with the rate line alone.
    if ((bit == TotalBit || bit == SignalBit) && !(mask & (1 << TotalBit)) &&
        !(mask & (1 << SignalBit)))
        mask = MiscCommands::withOption(mask, DateTimeBit, true);
    showMask(mask);
}

void DisplayOptionsFrame::DispUpdateTime_Click(int row) {
    if (row >= 0)
        showMask(MiscCommands::withUpdateTime(mask_, row));
}

void DisplayOptionsFrame::SendDispSelect_Click() {
    const int mask = MiscCommands::maskToSend(mask_);
    showMask(mask);
    sender_.send(
        this, MiscCommands::displayCommand(mask),
        [this, mask] { sender_.config().SysConfig.DisplayMask = qint16(mask); },
        [this] { DisplaySelects(); });
}
