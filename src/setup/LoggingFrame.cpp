#include "LoggingFrame.h"

#include "SettingsCatalogue.h"

#include "OptionButtons.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

namespace {

// The reply of the counted on/off send: "OK".
constexpr int AckLength = 2;

} // namespace

LoggingFrame::LoggingFrame(SettingSender& sender, QWidget* parent)
    : QGroupBox("Logging", parent), sender_(sender) {
    setObjectName("Frame39");
    auto* onOff = new QGroupBox("Logging", this);
    onOff->setObjectName("LogOffOnFrame");
    auto* onOffLayout = new QHBoxLayout(onOff);
    LogOffOn_ = new QButtonGroup(this);
    int index = 0;
    for (const char* caption : {"Off", "On"}) {
        auto* button = new QRadioButton(caption, onOff);
        button->setObjectName(QString("LogOffOn(%1)").arg(index));
        LogOffOn_->addButton(button, index++);
        onOffLayout->addWidget(button);
    }
    auto* rates = new QGroupBox("Log Rate", this);
    rates->setObjectName("LogRateFrame");
    auto* ratesLayout = new QHBoxLayout(rates);
    LogRates_ = new QButtonGroup(this);
    index = 0;
    for (const QString& caption : SettingsCatalogue::logRates()) {
        auto* button = new QRadioButton(caption, rates);
        button->setObjectName(QString("LogRates(%1)").arg(index));
        LogRates_->addButton(button, index++);
        ratesLayout->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(onOff);
    layout->addWidget(rates);
    layout->addStretch(1);
    OptionButtons::onChosen(LogOffOn_, this, [this](int i) { LogOffOn_MouseUp(i); });
    OptionButtons::onChosen(LogRates_, this, [this](int i) { LogRates_Click(i); });
}

void LoggingFrame::LogSetData() {
    const ConfigRecord& c = sender_.config();
    OptionButtons::select(LogOffOn_, c.SysConfig.LoggingOn ? 1 : 0);
    OptionButtons::select(LogRates_, c.ChanConfig.LoggingRateIndex);
}

void LoggingFrame::LogOffOn_MouseUp(int index) {
    const qint16 stored = sender_.config().SysConfig.LoggingOn ? 1 : 0;
    // Shown only once acknowledged.
    OptionButtons::select(LogOffOn_, stored);
    if (index == stored || !sender_.online())
        return;
    const QString told = QString("The meter did not acknowledge switching logging %1 after %2 "
                                 "tries, so logging stays %3. Check the connection to the meter "
                                 "and try again.")
                             .arg(index ? "on" : "off")
                             .arg(SwitchSends)
                             .arg(index ? "off" : "on");
    // A counted send of a two-character reply, at most SwitchSends times.
    sender_.send(
        this, SetupCommands::withInt16("LG,1,", qint16(index)),
        SettingSender::Shape::counted(AckLength, SwitchSends),
        [this, index] {
            sender_.config().SysConfig.LoggingOn = qint16(index);
            // The meter changes both records' logging fields.
            sender_.flags().NeedSysConfig = true;
            sender_.flags().NeedLrnData = true;
            LogSetData();
        },
        [this] { LogSetData(); }, told);
}

void LoggingFrame::refreshRate() {
    if (ratePending_ == 0)
        OptionButtons::select(LogRates_, sender_.config().ChanConfig.LoggingRateIndex);
}

void LoggingFrame::LogRates_Click(int index) {
    if (index == sender_.config().ChanConfig.LoggingRateIndex)
        return;
    ++ratePending_;
    sender_.send(
        this, SetupCommands::withInt16("LG,2,", qint16(index)),
        [this, index] {
            --ratePending_;
            sender_.config().ChanConfig.LoggingRateIndex = qint16(index);
            LogSetData();
        },
        [this] {
            --ratePending_;
            LogSetData();
        });
}
