#pragma once

#include <QByteArray>
#include <QtGlobal>

class MeterModel;

// The meter's diagnostic blocks: "XD,1"-"XD,8" (signal data, with a trailer
// that follows the signal) and "XR,1"-"XR,4" (the results of the meter's own
// analysis). Each reply is the meter's 21-byte header and a 540-byte block.
namespace MeterAnalysis {

// Registers XD and XR on the model (replacing a plain XD).
void installCommands(MeterModel& model);

// The replies, header included.
QByteArray signalBlock(const MeterModel& model, int which, qint64 timeMs);
QByteArray resultBlock(const MeterModel& model, int which, qint64 timeMs);

// The bin of the Doppler peak in the low-frequency spectrum and crossproduct.
double peakBin(const MeterModel& model, qint64 timeMs);

} // namespace MeterAnalysis
