#include "FlowPage.h"

#include "FlowReading.h"
#include "FlowTrendView.h"
#include "PollingCycle.h"

#include "link/MeterLink.h"
#include "link/Waiter.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "shared/UnitTables.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <exception>
#include <limits>

namespace {

constexpr const char* StartupText = "Initializing Data  please Wait.";
// Yields between the steps of a read, so clicks and repaints are served.
constexpr int ReadYields = 3;

// Keeps a label wide enough for the longest text it will show, so the page
// does not shift or clip as values and units change.
void reserveWidth(QLabel* label, const QString& longest) {
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(longest) + 4);
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent, double scale = 1.0,
                  bool bold = false) {
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    if (scale != 1.0 || bold) {
        QFont f = label->font();
        f.setPointSizeF(f.pointSizeF() * scale);
        f.setBold(bold);
        label->setFont(f);
    }
    return label;
}

} // namespace

FlowPage::FlowPage(MeterLink& link, ConfigRecord& config, SchedulingFlags& flags, QWidget* parent)
    : QWidget(parent), link_(link), config_(config), flags_(flags), reads_(link) {
    setObjectName("FlowPage");
    clockBase_ = QDateTime::currentMSecsSinceEpoch();
    waiterBase_ = link_.waiter().now();
    build();
}

void FlowPage::showTotal(const QString& text) {
    // A total wider than its place keeps its last digits after a mark, and
    // the whole figure is in the tooltip.
    const QFontMetrics metrics(TotValtext_->font());
    const int room = TotValtext_->minimumWidth();
    const bool fits = metrics.horizontalAdvance(text.trimmed()) <= room;
    TotValtext_->setText(fits ? text : metrics.elidedText(text.trimmed(), Qt::ElideLeft, room));
    TotValtext_->setToolTip(fits ? QString() : text.trimmed());
}

static_assert(FlowTrend::TickMs == PollingCycle::PollIntervalMs,
              "the trend's ring holds one hour of polling ticks");

qint64 FlowPage::trendTime() const {
    return clockBase_ + (link_.waiter().now() - waiterBase_);
}

bool FlowPage::Refresh() {
    const bool answered = GetFlowData();
    ShowIndicators();
    return answered;
}

void FlowPage::setStale(bool stale) {
    for (QWidget* value : std::initializer_list<QWidget*>{
             FlowValText_, FlowRateEEval_, velvaltext_, Velratetext_, SSvaltext_, SSunit_,
             SQvaltext_, NormDispTime_, NormDispDate_, TotValtext_, TotXtext_, TotEEunit_,
             ErrMessBox_, TxtLogging_, TxtXQmode_, TxtRemoteZero_})
        value->setEnabled(!stale);
}

void FlowPage::showStartupText() {
    InitText_->setText(StartupText);
    InitText_->show();
}

void FlowPage::setInitText(const QString& text) {
    InitText_->setText(text);
}

void FlowPage::showInitText(bool on) {
    InitText_->setVisible(on);
}

void FlowPage::build() {
    QWidget* page = this;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    InitText_ = makeLabel("InitText", StartupText, page, 1.4, true);
    InitText_->setAlignment(Qt::AlignCenter);
    InitText_->setFrameShape(QFrame::StyledPanel);
    InitText_->setAutoFillBackground(true);
    InitText_->setMargin(6);
    layout->addWidget(InitText_);

    // Flow rate: the figure read from across the room.
    auto* flowBox = new QGroupBox("Flow Rate", page);
    auto* flowRow = new QHBoxLayout(flowBox);
    FlowValText_ = makeLabel("FlowValText", "0.00", flowBox, 3.0, true);
    FlowValText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    reserveWidth(FlowValText_, "-0000000.00");
    FlowRateEEval_ = makeLabel("FlowRateEEval", "FT3/Sec", flowBox, 1.8);
    reserveWidth(FlowRateEEval_, "Ft3/Day");
    FlowRateEEval_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    flowRow->addStretch(1);
    flowRow->addWidget(FlowValText_);
    flowRow->addSpacing(12);
    flowRow->addWidget(FlowRateEEval_, 0, Qt::AlignBottom);
    flowRow->addStretch(1);
    layout->addWidget(flowBox);

    // Velocity, signal strength and quality: each value with its unit.
    auto* readings = new QGroupBox(page);
    auto* grid = new QGridLayout(readings);
    grid->setHorizontalSpacing(12);
    auto addReading = [&](int column, const QString& caption, QLabel* value, QLabel* unit) {
        grid->addWidget(makeLabel({}, caption, readings), 0, column * 2, 1, 2, Qt::AlignHCenter);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, 1, column * 2);
        if (unit)
            grid->addWidget(unit, 1, column * 2 + 1, Qt::AlignLeft | Qt::AlignVCenter);
    };
    velvaltext_ = makeLabel("velvaltext", "0.00", readings, 1.8, true);
    Velratetext_ = makeLabel("Velratetext", "ft/sec", readings, 1.2);
    reserveWidth(Velratetext_, "Ft/Sec");
    SSvaltext_ = makeLabel("SSvaltext", "0.0", readings, 1.8, true);
    SQvaltext_ = makeLabel("SQvaltext", "0.0", readings, 1.8, true);
    addReading(0, "Velocity", velvaltext_, Velratetext_);
    SSunit_ = makeLabel("SSunit", "%", readings, 1.2);
    addReading(1, "Signal Strength", SSvaltext_, SSunit_);
    addReading(2, "Signal Quality", SQvaltext_, nullptr);
    for (int c = 0; c < 6; ++c)
        grid->setColumnStretch(c, c % 2 == 0 ? 2 : 1);
    layout->addWidget(readings);

    // Totalizer and the meter's clock side by side.
    auto* lower = new QHBoxLayout;
    auto* totBox = new QGroupBox("Totalizer", page);
    auto* totRow = new QHBoxLayout(totBox);
    TotValtext_ = makeLabel("TotValtext", "0", totBox, 1.6, true);
    TotValtext_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for a total of thirteen digits; a longer one the meter reports
    // never widens the window (it is shown cut, marked, see showTotal).
    reserveWidth(TotValtext_, "-000000000000");
    TotValtext_->setFixedWidth(TotValtext_->minimumWidth());
    TotXtext_ = makeLabel("TotXtext", "", totBox, 1.2);
    reserveWidth(TotXtext_, "  X10000");
    TotEEunit_ = makeLabel("TotEEunit", "", totBox, 1.2);
    reserveWidth(TotEEunit_, "MGal");
    totRow->addStretch(1);
    totRow->addWidget(TotValtext_);
    totRow->addSpacing(8);
    totRow->addWidget(TotXtext_);
    totRow->addWidget(TotEEunit_);
    totRow->addStretch(1);
    lower->addWidget(totBox, 3);

    auto* clockBox = new QGroupBox("Meter Clock", page);
    auto* clockGrid = new QGridLayout(clockBox);
    NormDispTime_ = makeLabel("NormDispTime", "", clockBox, 1.3, true);
    reserveWidth(NormDispTime_, "00:00:00 PM");
    NormDispDate_ = makeLabel("NormDispDate", "", clockBox, 1.3, true);
    reserveWidth(NormDispDate_, "00/00/0000");
    clockGrid->addWidget(makeLabel({}, "TIME:", clockBox), 0, 0);
    clockGrid->addWidget(NormDispTime_, 0, 1);
    clockGrid->addWidget(makeLabel({}, "DATE:", clockBox), 1, 0);
    clockGrid->addWidget(NormDispDate_, 1, 1);
    clockGrid->setColumnStretch(1, 1);
    lower->addWidget(clockBox, 2);
    layout->addLayout(lower);

    // A screen reader reads a figure by its text; the description says what
    // the figure is, as its caption does on screen.
    for (const auto& [value, what] : std::initializer_list<std::pair<QLabel*, const char*>>{
             {FlowValText_, "Flow Rate"},
             {velvaltext_, "Velocity"},
             {SSvaltext_, "Signal Strength, percent"},
             {SQvaltext_, "Signal Quality"},
             {TotValtext_, "Totalizer"},
             {NormDispTime_, "Meter clock time"},
             {NormDispDate_, "Meter clock date"}})
        value->setAccessibleDescription(what);

    // Learn/range status and the indicators. The status box keeps its place
    // when hidden, so the indicators never move.
    auto* statusRow = new QHBoxLayout;
    ErrMessBox_ = new QPlainTextEdit(page);
    ErrMessBox_->setObjectName("ErrMessBox");
    ErrMessBox_->setReadOnly(true);
    const int lineHeight = ErrMessBox_->fontMetrics().lineSpacing();
    ErrMessBox_->setMinimumHeight(lineHeight * 4);
    ErrMessBox_->setMaximumHeight(lineHeight * 6);
    QSizePolicy keepPlace = ErrMessBox_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ErrMessBox_->setSizePolicy(keepPlace);
    ErrMessBox_->hide();
    statusRow->addWidget(ErrMessBox_, 1);
    auto* indicators = new QVBoxLayout;
    auto makeIndicator = [&](const char* name, const char* text) {
        QLabel* label = makeLabel(name, text, page, 1.1, true);
        label->setFrameShape(QFrame::StyledPanel);
        label->setAlignment(Qt::AlignCenter);
        label->setMargin(4);
        reserveWidth(label, "Remote Zero Applied  ");
        QSizePolicy fixed = label->sizePolicy();
        fixed.setRetainSizeWhenHidden(true);
        fixed.setHorizontalPolicy(QSizePolicy::Fixed);
        label->setSizePolicy(fixed);
        label->hide();
        indicators->addWidget(label);
        return label;
    };
    TxtLogging_ = makeIndicator("TxtLogging", "Not Logging");
    TxtXQmode_ = makeIndicator("TxtXQmode", "7210XQ Mode");
    TxtRemoteZero_ = makeIndicator("TxtRemoteZero", "Remote Zero Applied");
    indicators->addStretch(1);
    statusRow->addLayout(indicators);
    layout->addLayout(statusRow);

    // The trend takes the room the figures leave; the status box keeps its
    // four lines.
    trendView_ = new FlowTrendView(page);
    trendView_->setMinimumHeight(ErrMessBox_->minimumHeight() * 2);
    layout->addWidget(trendView_, 3);
}

bool FlowPage::GetFlowData() {
    Waiter& waiter = link_.waiter();
    const std::optional<QByteArray> record = reads_.readFlowRecord();
    if (!record) {
        trendView_->addGap(trendTime());
        return false;
    }
    const QByteArray& reply = *record;
    std::optional<FlowReading> shown;
    try {
        for (int i = 0; i < ReadYields; ++i)
            waiter.yield();
        const FlowReading reading(reply);
        for (int i = 0; i < ReadYields; ++i)
            waiter.yield();
        lastRemoteZeroApplied_ = reading.RemoteZeroApplied;

        if (const auto lines = reading.statusLines(config_.Analysis)) {
            ErrMessBox_->show();
            RecModeText("CLS");
            for (const QString& line : *lines)
                RecModeText(line);
        } else {
            ErrMessBox_->hide();
        }

        NormDispTime_->setText(reading.timeText());
        NormDispDate_->setText(reading.dateText());

        const ChannelConfig& chan = config_.ChanConfig;
        if (const auto unit = FlowReading::velocityUnitText(chan.FlowVolumeUnitIndex))
            Velratetext_->setText(*unit);

        FlowValText_->show();
        FlowValText_->setText(reading.flowText());
        velvaltext_->setText(reading.velocityText());
        FlowRateEEval_->setText(config_.FlowUnitLabel);
        FlowRateEEval_->show();
        SSvaltext_->setText(reading.signalStrengthText());
        SQvaltext_->setText(reading.signalQualityText());
        flags_.NeedFlowData = false;
        shown = reading;

        showTotal(reading.totalizerText(chan.TotalizerMultiplierIndex));
        TotXtext_->setText(UnitTables::multiplierName(chan.TotalizerMultiplierIndex));
        TotEEunit_->setText(UnitTables::volumeUnitLongName(chan.TotalizerVolumeUnitIndex));
    } catch (const std::exception&) {
        // A field that cannot be decoded fails this read; the page keeps
        // what it showed.
        trendView_->addGap(trendTime());
        return false;
    }
    trendView_->addGood(trendTime(), config_.FlowUnitLabel, shown->Flow, shown->SignalStrength);
    return true;
}

void FlowPage::ShowIndicators() {
    const SystemConfig& sys = config_.SysConfig;
    const LearnData& lrn = config_.LrnConfig;
    TxtLogging_->show();
    TxtLogging_->setText(FlowReading::loggingCaption(sys.LoggingOn, lrn.LoggingActive));
    TxtXQmode_->setVisible(FlowReading::xqModeShown(lrn.ExtendedModeOn));
    TxtRemoteZero_->setVisible(lrn.RemoteZeroEnabled != 0 && lastRemoteZeroApplied_);
}

void FlowPage::RecModeText(const QString& line) {
    if (line == "CLS")
        errMessText_.clear();
    else
        errMessText_ += line + "\r\n";
    ErrMessBox_->setPlainText(errMessText_);
}
