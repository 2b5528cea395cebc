#include "ClockFrames.h"

#include "MiscCommands.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>

#include <utility>

namespace {
// The "DT,0" reply: every character carries data, a line feed follows.
constexpr int ClockReplyLength = 20;

// Hour, minute, second, month, day and year boxes in one grid row.
void clockRow(QGridLayout* grid, int row, const char* caption, QLineEdit* a, QLineEdit* b,
              QLineEdit* c, QWidget* parent) {
    grid->addWidget(new QLabel(caption, parent), row, 0);
    // Only the first box stands beside the caption: each is named here.
    const QString frame = static_cast<QGroupBox*>(parent)->title() + ": ";
    const char* const parts[2][3] = {{"hour", "minutes", "seconds"}, {"month", "day", "year"}};
    QLineEdit* boxes[] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        boxes[i]->setAccessibleName(frame + parts[row][i]);
    grid->addWidget(a, row, 1);
    grid->addWidget(new QLabel(row == 0 ? ":" : "/", parent), row, 2);
    grid->addWidget(b, row, 3);
    grid->addWidget(new QLabel(row == 0 ? ":" : "/", parent), row, 4);
    grid->addWidget(c, row, 5);
}
} // namespace

ClockFrames::ClockFrames(SettingSender& sender, QWidget* parent)
    : QWidget(parent), sender_(sender) {
    setObjectName("ClockFrames");
    auto* current = new QGroupBox("Current Time/Date", this);
    current->setObjectName("Frame30");
    thishr_ = box("thishr", current, true);
    thismin_ = box("thismin", current, true);
    thissec_ = box("thissec", current, true);
    DispMonth_ = box("DispMonth", current, true);
    DispDay_ = box("DispDay", current, true);
    DispYear_ = box("DispYear", current, true);
    auto* currentGrid = new QGridLayout(current);
    clockRow(currentGrid, 0, "Time", thishr_, thismin_, thissec_, current);
    clockRow(currentGrid, 1, "Date", DispMonth_, DispDay_, DispYear_, current);
    currentGrid->setRowStretch(2, 1);

    auto* set = new QGroupBox("Set Time/Date", this);
    set->setObjectName("Frame31");
    SetHr_ = box("SetHr", set, false);
    SetMin_ = box("SetMin", set, false);
    SetSec_ = box("SetSec", set, false);
    SelMonth_ = box("SelMonth", set, false);
    DaySet_ = box("DaySet", set, false);
    YrSet_ = box("YrSet", set, false);
    SetTimeDate_ = new QPushButton("Send", set);
    SetTimeDate_->setObjectName("SetTimeDate");
    SetTimeDate_->setAutoDefault(false);
    auto* setGrid = new QGridLayout(set);
    clockRow(setGrid, 0, "Time", SetHr_, SetMin_, SetSec_, set);
    clockRow(setGrid, 1, "Date", SelMonth_, DaySet_, YrSet_, set);
    setGrid->addWidget(new QLabel("Format: 23:xx:xx", set), 2, 0, 1, 4);
    setGrid->addWidget(SetTimeDate_, 2, 4, 1, 2);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(current);
    layout->addWidget(set);
    connect(SetTimeDate_, &QPushButton::clicked, this, &ClockFrames::SetTimeDate_Click);
}

QLineEdit* ClockFrames::box(const char* name, QWidget* parent, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    edit->setMaxLength(4);
    // Room for a four-digit year and the box's margins.
    constexpr int MarginPx = 14;
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("88888") + MarginPx);
    return edit;
}

bool ClockFrames::GetTimeDate() {
    const QByteArray reply =
        sender_.read(SetupCommands::framed("DT,0"), 3, ClockReplyLength, "DT,0");
    const std::optional<MiscCommands::MeterClock> clock = MiscCommands::decodeClock(reply);
    if (!clock)
        return false;
    const auto two = [](int v) { return QString::number(v).rightJustified(2, '0'); };
    thishr_->setText(QString::number(clock->hour));
    thismin_->setText(two(clock->minute));
    thissec_->setText(two(clock->second));
    DispMonth_->setText(two(clock->month));
    DispDay_->setText(two(clock->day));
    DispYear_->setText(QString::number(clock->year));
    return true;
}

void ClockFrames::showToday(const QDate& today) {
    SelMonth_->setText(QString::number(today.month()));
    DaySet_->setText(QString::number(today.day()));
    YrSet_->setText(QString::number(today.year()));
}

void ClockFrames::SetTimeDate_Click() {
    // No time typed: the computer's; no seconds typed: on the minute.
    if (SetHr_->text().trimmed().isEmpty() && SetMin_->text().trimmed().isEmpty() &&
        SetSec_->text().trimmed().isEmpty()) {
        const QTime now = QTime::currentTime();
        SetHr_->setText(now.toString("hh"));
        SetMin_->setText(now.toString("mm"));
        SetSec_->setText(now.toString("ss"));
    } else if (SetSec_->text().trimmed().isEmpty()) {
        SetSec_->setText("00");
    }
    const std::pair<QLineEdit*, const char*> fields[] = {{SetHr_, "hour"},     {SetMin_, "minutes"},
                                                         {SetSec_, "seconds"}, {SelMonth_, "month"},
                                                         {DaySet_, "day"},     {YrSet_, "year"}};
    int values[6] = {};
    for (int i = 0; i < 6; ++i) {
        const std::optional<int> v = MiscCommands::clockField(fields[i].first->text());
        if (!v) {
            sender_.refuse(QString("The %1 must be a whole number.").arg(fields[i].second));
            return;
        }
        values[i] = *v;
    }
    const MiscCommands::MeterClock clock{values[0], values[1], values[2],
                                         values[3], values[4], values[5]};
    if (const QString problem = MiscCommands::clockProblem(clock); !problem.isEmpty()) {
        sender_.refuse(problem);
        return;
    }
    // Acknowledged: the meter's new time is read back at once.
    sender_.send(
        this, MiscCommands::clockCommand(clock), [this] { GetTimeDate(); }, [] {});
}
