#pragma once

#include "AnalysisCapture.h"
#include "SignalCapture.h"
#include "ui/PlotSurface.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

class MeterLink;
struct ConfigRecord;
struct SignalArrays;

// What the four signal pages show, and the exchanges that fetch it: the
// captures of the "Time Domain" and "Freq. Domain" pages (ComboDual) and the
// analysis of the "Crossproduct" and "Raw Flow Data" pages (DoAnalysis).
//
// Several boxes are written from more than one page's tick (the trailer
// figures, the gain and the power), so their texts live here and every page
// shows them from here; a page redraws whenever changed() is emitted. The
// drawings of the six pictures are kept here too, as data, so that a page
// shows its last capture again after a page switch without a command.
class SignalDiagnostics : public QObject {
    Q_OBJECT
public:
    SignalDiagnostics(MeterLink& link, SignalArrays& arrays, ConfigRecord& config,
                      QObject* parent = nullptr);

    // One tick of page 1 (TimeSamples) or 2 (Spectra); true when every
    // block arrived whole and decoded.
    bool ComboDual(SignalCapture::Mode mode);
    // One tick of page 3 (Crossproduct) or 4 (RawFlowData); true likewise.
    bool DoAnalysis(AnalysisCapture::Mode mode);

    // The 540-byte block of "XD," n, or what came back when that failed.
    QByteArray ExamineData(int n);
    // The same for "XR,"; a reply that came short is completed by one
    // further read when the two together make up exactly one whole reply.
    QByteArray ExamineResults(int n);

    // The text of a box by its name ("Text6(17)", "Text7"); empty until a
    // tick fills it.
    QString box(const QString& name) const { return boxes_.value(name); }
    const QHash<QString, QString>& boxes() const { return boxes_; }
    // The drawing of Picture1(index), 0 to 5.
    const PlotSurface::Drawing& drawing(int index) const { return drawings_.at(index); }

    // "Normalize FFT Scaling" (Check4) and "Show Peak Selection Analysis" (Check1).
    bool normaliseFft = false;
    bool showPeakSelection = false;

    // From the last analysis with a current status block.
    int LearnState = 0;
    int RangeScale = 0;
    quint8 StatusValid = 0;

    // Called after a tick of page 4 that showed a current status block: the
    // place where the supervisor log appends its record.
    std::function<void()> onSupervisorOutput;

    SignalArrays& arrays() { return arrays_; }

signals:
    void changed();

private:
    void show(const QHash<QString, QString>& boxes);

    MeterLink& link_;
    SignalArrays& arrays_;
    ConfigRecord& config_;
    QHash<QString, QString> boxes_;
    std::array<PlotSurface::Drawing, 6> drawings_;
};
