#pragma once

#include "MeterReads.h"
#include "ui/LivePage.h"

#include <QString>
#include <QWidget>

class FlowTrendView;
class MeterLink;
class QLabel;
class QPlainTextEdit;
struct ConfigRecord;
struct SchedulingFlags;

// Page 0 of the main window, "Flow": the live flow rate, velocity, signal
// strength and quality, totalizer, the meter's clock, the learn/range status
// lines and the logging, XQ mode and remote zero indicators. Each polling
// tick reads one flow record ("FD") and shows it in the meter's units.
class FlowPage : public QWidget, public LivePage {
    Q_OBJECT
public:
    FlowPage(MeterLink& link, ConfigRecord& config, SchedulingFlags& flags,
             QWidget* parent = nullptr);

    bool Refresh() override;
    // Dims the values, the status lines and the indicators.
    void setStale(bool stale) override;
    // Reads one flow record and shows it; a failed read leaves the page as it
    // was and returns false.
    bool GetFlowData();
    // The logging, XQ mode and remote zero indicators, from the last reading.
    void ShowIndicators();
    // Appends a line to the status box; "CLS" empties it.
    void RecModeText(const QString& line);

    // The start-up box above the values ("Initializing Data  please Wait.",
    // or the demonstration text).
    void setInitText(const QString& text);
    void showInitText(bool on);
    // The box as a start-up shows it, with "Initializing Data  please Wait.".
    void showStartupText();

    // The live flow trend under the figures, fed by every flow read.
    FlowTrendView& trendView() { return *trendView_; }

    qint16 FdSequence() const { return reads_.FdSequence; }
    void setFdSequence(qint16 value) { reads_.FdSequence = value; }

    // Local clock time of a tick, in ms since the epoch, counted on the
    // link's clock from the page's creation.
    qint64 trendTime() const;

private:
    // The total in its fixed place: cut and marked when it does not fit.
    void showTotal(const QString& text);
    void build();

    MeterLink& link_;
    ConfigRecord& config_;
    SchedulingFlags& flags_;
    MeterReads reads_;
    bool lastRemoteZeroApplied_ = false;
    QString errMessText_;
    qint64 clockBase_ = 0;
    qint64 waiterBase_ = 0;

    QLabel* InitText_ = nullptr;
    QLabel* FlowValText_ = nullptr;
    QLabel* FlowRateEEval_ = nullptr;
    QLabel* velvaltext_ = nullptr;
    QLabel* Velratetext_ = nullptr;
    QLabel* SSvaltext_ = nullptr;
    QLabel* SSunit_ = nullptr;
    QLabel* SQvaltext_ = nullptr;
    QLabel* NormDispTime_ = nullptr;
    QLabel* NormDispDate_ = nullptr;
    QLabel* TotValtext_ = nullptr;
    QLabel* TotXtext_ = nullptr;
    QLabel* TotEEunit_ = nullptr;
    QPlainTextEdit* ErrMessBox_ = nullptr;
    QLabel* TxtLogging_ = nullptr;
    QLabel* TxtXQmode_ = nullptr;
    QLabel* TxtRemoteZero_ = nullptr;
    FlowTrendView* trendView_ = nullptr;
};
