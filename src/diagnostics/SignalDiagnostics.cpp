#include "SignalDiagnostics.h"

#include "SignalDecoder.h"
#include "link/FieldConversions.h"
#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "shared/SignalArrays.h"

namespace {
constexpr int ReplyLength = 561; // the meter's 21-byte header and the block
constexpr int BinaryMode = 2;    // fixed-length reply, read as bytes
// A time block that came back empty is asked for once more: the meter may
// have been busy filling its sample buffer.
constexpr int EmptyTimeBlockRepeats = 1;
} // namespace

SignalDiagnostics::SignalDiagnostics(MeterLink& link, SignalArrays& arrays, ConfigRecord& config,
                                     QObject* parent)
    : QObject(parent), link_(link), arrays_(arrays), config_(config) {}

QByteArray SignalDiagnostics::ExamineData(int n) {
    const QByteArray command = "XD," + QByteArray(1, char('0' + n)) + MeterLink::CommandTerminator;
    link_.state().CurrentCommand = command;
    return link_.SendCommand(command, BinaryMode, ReplyLength);
}

QByteArray SignalDiagnostics::ExamineResults(int n) {
    const QByteArray command = "XR," + QByteArray(1, char('0' + n)) + MeterLink::CommandTerminator;
    link_.state().CurrentCommand = command;
    QByteArray block = link_.SendCommand(command, BinaryMode, ReplyLength);
    if (block.size() >= SignalDecoder::BlockLength)
        return block;
    // A reply that was still arriving when the exchange gave up: what the
    // port holds now may complete it. Only exactly one whole reply is taken
    // (its last 540 bytes); anything shorter or longer holds a shifted block.
    const QByteArray combined = block + link_.ReadComm(-2);
    return combined.size() == ReplyLength ? combined.right(SignalDecoder::BlockLength) : block;
}

bool SignalDiagnostics::ComboDual(SignalCapture::Mode mode) {
    const int first = mode == SignalCapture::Spectra ? 1 : 5;
    std::array<QByteArray, 4> blocks;
    for (int k = 0; k < 4; ++k) {
        blocks[k] = ExamineData(first + k);
        for (int r = 0;
             r < EmptyTimeBlockRepeats && mode == SignalCapture::TimeSamples && blocks[k].isEmpty();
             ++r)
            blocks[k] = ExamineData(first + k);
        if (blocks[k].size() != SignalDecoder::BlockLength)
            return false; // the tick is lost anyway; spare the line the other blocks
    }
    try {
        const SignalCapture c = SignalCapture::decode(mode, blocks, normaliseFft);
        c.commitTo(arrays_);
        for (int k = 0; k < 2; ++k)
            drawings_[c.pictures[k]] = c.drawings[k];
        show(c.boxes);
    } catch (const FieldError&) {
        // A value that does not fit: the tick changes nothing.
        return false;
    }
    return true;
}

bool SignalDiagnostics::DoAnalysis(AnalysisCapture::Mode mode) {
    StatusValid = 0;
    AnalysisCapture::Input in;
    in.mode = mode;
    in.showPeaks = showPeakSelection;
    in.remoteZero = config_.LrnConfig.RemoteZeroEnabled != 0;
    in.xr1 = ExamineResults(1);
    in.xr2 = ExamineResults(2);
    if (in.xr1.size() != SignalDecoder::BlockLength || in.xr2.size() != SignalDecoder::BlockLength)
        return false;
    if (AnalysisCapture::needsPeakBlocks(mode, showPeakSelection)) {
        in.xr3 = ExamineResults(3);
        in.xr4 = ExamineResults(4);
        if (in.xr3.size() != SignalDecoder::BlockLength ||
            in.xr4.size() != SignalDecoder::BlockLength)
            return false;
    }
    AnalysisCapture c;
    try {
        c = AnalysisCapture::decode(in);
    } catch (const FieldError&) {
        return false; // a value that does not fit: the tick changes nothing
    }
    c.commitTo(arrays_);
    StatusValid = c.statusValid;
    drawings_[5] = c.selDrawing;
    drawings_[4] = c.supDrawing;
    QHash<QString, QString> boxes = c.boxes;
    if (c.analysed) {
        LearnState = c.learnState;
        RangeScale = c.rangeScale;
        QString text;
        for (const QString& line : c.supervisorLines)
            text += line + "\r\n";
        boxes["Text7"] = text;
        config_.Analysis.RangeNumber = c.rangeNumber;
        config_.Analysis.LearnCount = c.learnCount;
        config_.Analysis.PointCount = c.pointCount;
    }
    show(boxes);
    if (c.analysed && onSupervisorOutput)
        onSupervisorOutput();
    return true;
}

void SignalDiagnostics::show(const QHash<QString, QString>& boxes) {
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
        boxes_[it.key()] = it.value();
    emit changed();
}
