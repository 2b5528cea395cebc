#include "TstRlys4.h"

#include "ControlLabels.h"
#include "OptionButtons.h"

#include "OutputCommands.h"
#include "RelayControls.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/ConnectionState.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// "RY,1," four test bytes, two spare and a line feed.
constexpr int TestRecordLength = 12;
} // namespace

TstRlys4::TstRlys4(SettingSender& sender, QWidget* parent) : QDialog(parent), sender_(sender) {
    setObjectName("TstRlys4");
    setWindowTitle("Relays");
    Timer1_.setObjectName("Timer1");
    Timer1_.setSingleShot(true);
    Timer1_.setInterval(Timer1Ms);

    auto* grid = new QGridLayout(this);
    for (int k = 0; k < 4; ++k) {
        const QString n = QString::number(k + 1);
        relays_[k] = new RelayControls(sender_, table_, k, "(" + n + ")", "Relay " + n, this);
        relays_[k]->setObjectName("Rly" + n + "Frame");
        grid->addWidget(relays_[k], k / 2, k % 2);
    }
    auto* update = new QPushButton("UpDate", this);
    update->setObjectName("RlyUpdate");
    auto* test = new QPushButton("TEST", this);
    test->setObjectName("RlyTestFormSel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(update);
    buttons->addWidget(test);
    grid->addLayout(buttons, 2, 0, 1, 2);

    TstRlyFrame_ = new QGroupBox("Relay Test", this);
    TstRlyFrame_->setObjectName("TstRlyFrame");
    auto* tests = new QHBoxLayout(TstRlyFrame_);
    for (int k = 0; k < 4; ++k) {
        const QString n = QString::number(k + 1);
        testFrames_[k] = new QGroupBox("Relay " + n, TstRlyFrame_);
        testFrames_[k]->setObjectName(QString("Frame%1").arg(13 + k));
        switches_[k] = new QButtonGroup(testFrames_[k]);
        auto* row = new QHBoxLayout(testFrames_[k]);
        for (const auto& [name, caption, id] :
             {std::tuple{"RlyTstOn(", "On", 1}, std::tuple{"RlyTstOff(", "Off", 0}}) {
            auto* b = new QRadioButton(caption, testFrames_[k]);
            b->setObjectName(name + n + ")");
            switches_[k]->addButton(b, id);
            row->addWidget(b);
        }
        OptionButtons::onChosen(switches_[k], this,
                                [this, k](int id) { RlyTst_Click(k, id == 1); });
        tests->addWidget(testFrames_[k]);
    }
    auto* exit = new QPushButton("Exit test", TstRlyFrame_);
    exit->setObjectName("Command1");
    tests->addWidget(exit, 0, Qt::AlignBottom);
    TstRlyFrame_->hide();
    grid->addWidget(TstRlyFrame_, 3, 0, 1, 2);

    ControlLabels::link(this);
    // Enter ends an entry in a box; it never presses a button.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    connect(update, &QPushButton::clicked, this, &TstRlys4::RlyUpdate_Click);
    connect(test, &QPushButton::clicked, this, &TstRlys4::RlyTestFormSel_Click);
    connect(exit, &QPushButton::clicked, this, &TstRlys4::Command1_Click);
}

void TstRlys4::Form_Load() {
    const ConnectionState& meter = sender_.link().connection();
    table_ = sender_.config().SysConfig;
    for (int k = 0; k < 4; ++k) {
        if (!table_.RelayOnAbove[k] && !table_.RelayOffAbove[k] && !table_.RelayOnBelow[k] &&
            !table_.RelayOffBelow[k])
            OutputCommands::setSense(table_, k, false);
        relays_[k]->fill();
        relays_[k]->setEnabled(true);
        relays_[k]->setTitle(QString("Relay %1").arg(k + 1));
        testFrames_[k]->setEnabled(true);
        testFrames_[k]->setTitle(QString("Relay %1").arg(k + 1));
    }
    if (meter.isKR4() && table_.TotalizerRelay != 0)
        relays_[0]->setEnabled(false);
    tests_ = {};
    const QByteArray reply = sender_.read(SetupCommands::framed("RY,1"), 2, TestRecordLength, "RY");
    if (const std::optional<std::array<bool, 4>> on = OutputCommands::decodeTests(reply)) {
        for (int k = 0; k < 4; ++k) {
            tests_[k] = (*on)[k] ? 1 : 0;
            OptionButtons::select(switches_[k], (*on)[k] ? 1 : 0);
        }
    }
    if (meter.isKR5() || meter.isKR3()) {
        for (int k = meter.isKR3() ? 0 : 1; k < 4; ++k) {
            relays_[k]->setEnabled(false);
            relays_[k]->setTitle(QString("Relay %1 Not Available").arg(k + 1));
        }
        for (int k = 1; k < 4; ++k) {
            testFrames_[k]->setEnabled(false);
            testFrames_[k]->setTitle("Relay Not Available");
        }
    }
}

void TstRlys4::RlyUpdate_Click() {
    SystemConfig out = sender_.config().SysConfig;
    OutputCommands::copyRelays(table_, out);
    sender_.send(
        this, OutputCommands::relayCommand(out),
        [this, out] {
            OutputCommands::copyRelays(out, sender_.config().SysConfig);
            // Relay 1 may carry the totalizer pulse; its multiplier is sent
            // again after the relay record so the two always agree. The
            // setup dialog's list shows the stored value, so that is sent.
            const qint16 totalizer = sender_.config().SysConfig.TotalizerRelay;
            sender_.send(
                this, SetupCommands::framed("GT,5," + QByteArray::number(totalizer)), [] {}, [] {});
        },
        [this] {
            table_ = sender_.config().SysConfig;
            for (RelayControls* r : relays_)
                r->fill();
        });
}

void TstRlys4::RlyTestFormSel_Click() {
    TstRlyFrame_->show();
}

void TstRlys4::RlyTst_Click(int relay, bool on) {
    tests_[relay] = on ? 1 : 0;
    if (sender_.online())
        sender_.owner().runWhenIdle(this, [this] { ActivateRly(); });
}

void TstRlys4::ActivateRly() {
    if (sender_.exchange(OutputCommands::testCommand(tests_), SettingSender::Shape::untilOk()))
        Timer1_.start();
}

void TstRlys4::Command1_Click() {
    tests_ = {};
    for (QButtonGroup* g : switches_) {
        OptionButtons::clear(g);
    }
    TstRlyFrame_->hide();
    if (sender_.online())
        sender_.owner().runWhenIdle(this, [this] {
            sender_.exchange(SetupCommands::framed(QByteArray("RY,9,\x09", 6)),
                             SettingSender::Shape::untilOk());
        });
}

void TstRlys4::done(int result) {
    Command1_Click();
    QDialog::done(result);
}

void TstRlys4::endTest() {
    if (!isVisible())
        return;
    // As closing the window does, but one bounded exchange.
    sender_.sendOnExit(SetupCommands::framed(QByteArray("RY,9,\x09", 6)));
    hide();
}
